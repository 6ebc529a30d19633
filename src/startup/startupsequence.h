#pragma once
// The start-up with its windows: prepares the session and then asks for a
// login, or shows the connect window with the reason there is no usable
// booking file.

#include "session/startup.h"

namespace vestra {

// The text for a start-up that found its booking file busy or out of reach
// (Retry or Cancel); empty for every other outcome.
QString StartupProblemText(const StartupReport& report, const QString& store);

// The whole sequence with its windows and messages. Run by the splash timer
// and again after a booking file was connected or created.
void RunStartup();

} // namespace vestra
