#pragma once
// The commands of vestra-admin, as plain functions: each takes the address of
// a booking store and says what it did in lines of text, or why it refused
// in one line. A booking store is addressed by the path of its file.

#include <QString>
#include <QStringList>
#include <optional>

namespace vestra::admin {

// Where a booking store lives. Only files are known so far; a server address
// becomes another kind, and each command another branch on it.
struct StoreAddress {
    enum class Kind { File };
    Kind kind = Kind::File;
    QString path;
};

// The address a command line names; nullopt (and the reason) when it names none.
std::optional<StoreAddress> ParseAddress(const QString& text, QString* error);

struct CommandResult {
    int exitCode = 0;  // 0 done; 1 refused or failed; 2 a command line it does not understand
    QStringList lines; // what it did or found, for standard output
    QString error;     // the one-line reason, for standard error
};

// A new booking store with the template's rows; an existing target is refused.
CommandResult CreateStore(const StoreAddress& address, const QString& templatePath);
// Schema version, integrity and row counts per table; read-only.
CommandResult CheckStore(const StoreAddress& address);
// Runs the migrations, after a copy of the file as it was.
CommandResult UpgradeStore(const StoreAddress& address);

// The whole command line after the program's name.
CommandResult RunCommand(const QStringList& arguments, const QString& templatePath);

} // namespace vestra::admin
