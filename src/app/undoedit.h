#pragma once
// What the Edit menu's Undo and Redo do in the program's windows.

class QWidget;

namespace vestra {

// Takes the session's next step back (or forward again): a booking form
// stores what is typed in it first, forms on the bookings follow the write,
// the schedule views show it, and a refusal says why.
void RunUndo(QWidget* owner, bool redo);

} // namespace vestra
