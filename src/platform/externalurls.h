#pragma once
// Hands a link (a mail target, a help file) to the desktop's handler.
// Tests install a recorder instead.

#include <QString>
#include <functional>

namespace vestra {

bool OpenExternalUrl(const QString& target);
// Replaces the desktop's handler; an empty function restores it.
void SetExternalUrlHandler(std::function<bool(const QString&)> handler);

} // namespace vestra
