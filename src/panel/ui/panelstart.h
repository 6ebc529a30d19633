#pragma once
// Starting the program as a room panel or a lobby board instead of the
// booking program: no splash, no login, one full-screen window.

#include "panel/panelstore.h"

namespace vestra {

// Opens the panel or board the request names, on the store it names or
// the one this workstation used last. A store that cannot be read yet (a
// server not up at boot) still opens the window, which says so and keeps
// trying. False with error when there is no store to use at all.
bool StartPanel(const PanelRequest& request, QString* error);

} // namespace vestra
