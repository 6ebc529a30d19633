#pragma once
// Both databases are built from the SQL files compiled into the program:
// the booking file (and its template) and the workstation's paths.mdb.

#include "platform/database.h"

#include <QString>

namespace vestra {

// The program's folder holds paths.mdb, Emptydatabase.mdb and the help file.
// It is the executable's folder unless set otherwise (tests use a temporary one).
QString ProgramFolder();
void SetProgramFolder(const QString& folder);
QString WorkDatabasePath();
QString TemplatePath();
QString HelpFilePath();

// Runs a script of statements separated by ";" at line ends, in one transaction.
bool RunSqlScript(Database& db, const QString& script, QString* error = nullptr);

// Writes a complete template booking file at path (replacing what is there).
bool BuildTemplateFile(const QString& path, QString* error = nullptr);

// Creates paths.mdb in the program's folder when it is missing; true when it
// is there afterwards.
bool EnsureWorkDatabase(QString* error = nullptr);

} // namespace vestra
