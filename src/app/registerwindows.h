#pragma once
// Connects the windows of the program to the places that open them: the
// command bar's entries, the schedule's double-click, the booking form's
// buttons. Called once at program start.

namespace vestra {
void RegisterWindows();
}
