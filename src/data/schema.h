#pragma once
// Both databases are built from the SQL files compiled into the program:
// the booking file (and its template) and the workstation's paths.mdb.

#include "data/migrations.h"
#include "db/database.h"

#include <QString>
#include <optional>

namespace vestra {

// The program's folder holds Emptydatabase.mdb and the help file, and paths.mdb
// beside them when run from a build. It is the executable's folder unless set
// otherwise (tests use a temporary one); an installed program reads its files
// from <prefix>/share/vestra and keeps paths.mdb in the user's data folder.
struct ProgramFolders {
    QString files;       // template and help
    QString workstation; // paths.mdb
};
ProgramFolders ResolveProgramFolders(const QString& executableFolder,
                                     const QString& userDataFolder);
QString ProgramFolder();
void SetProgramFolder(const QString& folder);
QString WorkDatabasePath();
QString TemplatePath();
// The manual's help collection, vestra.qhc, which names vestra.qch beside it:
// in the program's folder, or in ../share/vestra from it once installed.
QString HelpFilePath();

// The text of a SQL file compiled into the program (data/sql/<name>).
QString SqlResource(const QString& name);
// A script's statements, without comments and the closing semicolons.
QStringList SqlStatements(const QString& script);
// Runs a script of statements separated by ";" at line ends, in one transaction.
bool RunSqlScript(Database& db, const QString& script, QString* error = nullptr);
// The same inside the caller's transaction.
bool RunSqlStatements(Database& db, const QString& script, QString* error = nullptr);

// Writes a booking file of schema version 0, as the first program wrote
// them: the starting point of every migration (replacing what is there).
bool BuildBaselineFile(const QString& path, QString* error = nullptr);
// Writes a complete template booking file at path (replacing what is there):
// version 0 brought up to date by every migration step.
bool BuildTemplateFile(const QString& path, QString* error = nullptr);

// Fills an empty server database with the booking schema and the template's
// rows, brought up to the latest version. The schema and rows come in one
// transaction; each upgrade step in its own, so a failure leaves either
// nothing or a complete store of an older version that an upgrade finishes.
bool BuildServerStore(Database& db, QString* error = nullptr);
// Whether a server database holds no tables yet; nullopt when it cannot be read.
std::optional<bool> IsEmptyServerDatabase(Database& db);

// Creates paths.mdb in the program's folder when it is missing, and upgrades
// it when it is older than this program; true when it is usable afterwards.
// migration (when given) tells what was done, or that the file is newer.
bool EnsureWorkDatabase(QString* error = nullptr, MigrationReport* migration = nullptr);

} // namespace vestra
