#pragma once
// Choosing the booking file: open an existing one or create a new one from
// the template. The choice is stored in paths.mdb for the next start.

#include <QString>

namespace vestra {

enum class ConnectResult {
    Cancelled,  // the dialog was cancelled: nothing happens
    Refused,    // not accepted; the message was shown, nothing stored
    Connected,  // stored; the start-up runs again
    EmptyName,  // message shown, nothing stored; the start-up runs again
    Failed      // the new file could not be written; message shown
};

ConnectResult OpenExistingFile();
ConnectResult CreateNewFile();

// Whether the result asks for the start-up to run again.
inline bool RerunsStartup(ConnectResult r)
{
    return r == ConnectResult::Connected || r == ConnectResult::EmptyName;
}

// Stores the path in stitabel.sti of the work database.
bool StoreBookingFilePath(const QString& path);

// The path a typed name leads to: the chosen folder, the name without its
// extension, and ".mdb".
QString NewBookingFilePath(const QString& chosenFullPath, const QString& baseName);

} // namespace vestra
