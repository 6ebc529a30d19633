#pragma once
// Choosing the booking file: open an existing one or create a new one from
// the template. The choice is stored in paths.mdb for the next start.

#include "data/migrations.h"

#include <QString>

namespace vestra {

enum class ConnectResult {
    Cancelled, // the dialog was cancelled: nothing happens
    Refused,   // not accepted; the message was shown, nothing stored
    Connected, // stored; the start-up runs again
    EmptyName, // message shown, nothing stored; the start-up runs again
    Failed     // the new file could not be written; message shown
};

// The connect window's dialogs carry their own titles; the command bar passes
// the titles of its entries.
inline constexpr const char* kOpenDialogTitle = "Vestra - Open existing bookingfile";
inline constexpr const char* kCreateDialogTitle = "Vestra - Create new bookingfile";

ConnectResult OpenExistingFile(const QString& dialogTitle = QString::fromUtf8(kOpenDialogTitle));
ConnectResult CreateNewFile(const QString& dialogTitle = QString::fromUtf8(kCreateDialogTitle));

// Whether the result asks for the start-up to run again.
inline bool RerunsStartup(ConnectResult r)
{
    return r == ConnectResult::Connected || r == ConnectResult::EmptyName;
}

// Stores the path in stitabel.sti of the work database.
bool StoreBookingFilePath(const QString& path);

// What the user is told about a file written by a newer Vestra, and about a
// booking file that was upgraded.
QString NewerFileText(const QString& path, int fileVersion, int supportedVersion);
QString UpgradeText(const QString& path, const MigrationReport& migration);

// The path a typed name leads to: the chosen folder, the name without its
// extension, and ".mdb".
QString NewBookingFilePath(const QString& chosenFullPath, const QString& baseName);

} // namespace vestra
