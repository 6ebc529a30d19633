#pragma once
// The start-up with its windows: prepares the session and then asks for a
// login, or shows the connect window with the reason there is no usable
// booking file.

namespace vestra {

// The whole sequence with its windows and messages. Run by the splash timer
// and again after a booking file was connected or created.
void RunStartup();

} // namespace vestra
