#pragma once
// The commands of vestra-admin, as plain functions: each takes the address of
// a booking store and says what it did in lines of text, or why it refused
// in one line. A booking store is addressed by the path of its file.

#include "db/database.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace vestra::admin {

// Where a booking store lives: a file's path, or a postgresql:// address of
// a database on a server.
struct StoreAddress {
    enum class Kind { File, Server };
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

// A new booking store with the template's rows; an existing file, or a server
// database that already holds tables, is refused.
CommandResult CreateStore(const StoreAddress& address, const QString& templatePath);
// Schema version, integrity and row counts per table; read-only.
CommandResult CheckStore(const StoreAddress& address);
// Runs the migrations, after a copy of the store as it was: a file beside
// it, a server's pg_dump in backupFolder; a server whose dump fails is left
// as it was.
CommandResult UpgradeStore(const StoreAddress& address,
                           const QString& backupFolder = QStringLiteral("."));
// Copies every table of a current booking store into a new one, keeping its
// keys and numbering counters, in one transaction on the target; the row
// counts of both are compared before it commits. A non-empty target is refused.
CommandResult CopyStore(const StoreAddress& from, const StoreAddress& to);

// A booking store of this program's schema version, or the one-line reason
// there is none.
std::optional<Database> OpenCurrentStore(const StoreAddress& address, QString* reason);

// Writes one calendar per item and one per type into folder, each file
// replaced whole, for a timer on a server; the store must be current.
CommandResult PublishStore(const StoreAddress& address, const QString& folder);
// Replaces every password still stored as typed by its hash.
CommandResult RehashStore(const StoreAddress& address);

// One command of the program: its name, its arguments as the usage line
// shows them, what it does (the first line also in the program's help), how
// many arguments it takes, and what runs it with the arguments after its name
// (an exit code of 2 without a reason prints its usage line).
struct AdminCommand {
    QString name;
    QString arguments;
    QString help;
    int least = 0;
    int most = 0;
    std::function<CommandResult(const QStringList& arguments)> run;
};

// The commands on a store itself: create, check, upgrade, copy, publish, rehash,
// backup and restore.
QList<AdminCommand> StoreCommands(const QString& templatePath);

// The whole command line after the program's name: "--help" (every
// command), "COMMAND --help" (that command in full) or a command, looked
// up among the store commands and those given in more.
CommandResult RunCommand(const QStringList& arguments, const QString& templatePath,
                         const QList<AdminCommand>& more = {});

} // namespace vestra::admin
