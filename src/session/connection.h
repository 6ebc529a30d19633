#pragma once
// Choosing the booking file: open an existing one or create a new one from
// the template. The choice is stored in paths.mdb for the next start.

#include "data/migrations.h"

#include <QString>
#include <functional>
#include <optional>

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

// A booking store on a database server, as typed in the connect window.
struct ServerChoice {
    QString host; // a name, or a folder holding the server's Unix socket ("/run/...")
    QString port; // empty: the server's usual port
    QString database;
    QString user;
    bool verified = false; // encrypted, with the server's certificate checked
    QString rootCert;      // the certificate that vouches for it; empty: the system's
};
// The address of the store: postgresql://user@host:port/db, or
// postgresql://user@/db?host=/dir for a socket folder.
QString ServerAddressOf(const ServerChoice& choice);
// The choice an address stands for, to show it again in the dialog.
ServerChoice ServerChoiceOf(const QString& address);

// Asks for the password of a server address; nullopt when the user cancels.
using PasswordPrompt = std::function<std::optional<QString>(const QString& address)>;
void SetPasswordPrompt(PasswordPrompt prompt);
// Connects to the server, asking for its password when it wants one it does
// not have yet; the password then stays in memory until the program ends.
// False with the server's reason when it cannot be reached.
bool ReachServer(const QString& address, QString* error);

// Checks the chosen server store as Open Existing checks a file and stores
// its address in paths.mdb; nullopt (the dialog was cancelled) does nothing.
ConnectResult ConnectToServer(const std::optional<ServerChoice>& choice);
// Asks for a server (nullopt: cancelled) and connects to it; a refused
// connection asks again with everything typed still filled in.
using ServerPrompt = std::function<std::optional<ServerChoice>(const ServerChoice& typed)>;
ConnectResult ConnectToServerAsking(const ServerPrompt& ask, ServerChoice typed = {});

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
// What the user is told about an older server store, which only its
// administrator upgrades.
QString ServerUpgradeText(const QString& address, int storeVersion, int supportedVersion);

// The path a typed name leads to: the chosen folder, the name without its
// extension, and ".mdb".
QString NewBookingFilePath(const QString& chosenFullPath, const QString& baseName);

} // namespace vestra
