#pragma once
// A form taller or wider than a small screen scrolls instead of being cut off.

class QLayout;
class QWidget;

namespace vestra {

// Lays a form's body out in a scroll area that fills the window. Where the
// form fits, the window looks and sizes itself as with the body laid out
// directly on it. Widgets added to the body layout move onto the scrolled
// body, before or after this call.
void SetScrolledBody(QWidget* window, QLayout* body);

} // namespace vestra
