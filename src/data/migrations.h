#pragma once
// Both databases record their schema version in the file. A file of an older
// version is upgraded when the program connects to it, one step per version,
// each step in a transaction of its own; before the first step the file is
// copied beside itself as "<name>.bak-v<old version>". A file of a newer
// version is left untouched. A schema change is a new step at the end of a
// list below: a SQL file in data/sql, or a function.

#include "db/database.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace vestra {

enum class MigrationOutcome {
    Current,  // the file already had the program's version
    Upgraded, // every step ran
    Newer,    // written by a newer program: nothing was done
    Failed    // a step (or the copy) failed; the file has toVersion
};

struct MigrationReport {
    MigrationOutcome outcome = MigrationOutcome::Current;
    int fromVersion = 0;
    int toVersion = 0;
    int supportedVersion = 0; // the newest version this program knows
    QString backupPath;       // the copy made before the first step
    int archiveDuplicatesDropped = 0;
    QString error;
};

struct MigrationStep {
    int version; // the file's version once the step has run
    std::function<bool(Database&, MigrationReport&, QString* error)> run;
};

// A step that runs the statements of a SQL file compiled into the program.
MigrationStep ScriptStep(int version, const QString& resource);

const QList<MigrationStep>& BookingFileSteps();
const QList<MigrationStep>& WorkDatabaseSteps();
int LatestVersion(const QList<MigrationStep>& steps);

enum class Backup { BeforeFirstStep, None };

// The keyword table of a booking file on SQLite: a trigram table over the
// booking number and title, filled from Booking and kept in step with it by
// triggers; and the statements that take it away again. A large daily run
// takes it away and makes it again from the bookings left.
QStringList KeywordTableStatements();
QStringList DropKeywordTableStatements();

// On a server, a transaction that sets kBulkSetting to 'on' (SET LOCAL) sends
// no notice per changed booking; it announces its change itself.
inline constexpr char kBulkSetting[] = "vestra.bulk";
QStringList BulkQuietNoticeStatements();

// Upgrades an open database to the last step's version.
MigrationReport MigrateDatabase(Database& db, const QList<MigrationStep>& steps,
                                Backup backup = Backup::BeforeFirstStep);

// Upgrades the database file at path. A file whose header shows a newer
// version is refused before any connection is opened on it.
MigrationReport MigrateFile(const QString& path, const QList<MigrationStep>& steps);

// True when the file at path records a version newer than the steps reach;
// read from the file's header alone.
bool IsNewerFile(const QString& path, const QList<MigrationStep>& steps,
                 int* fileVersion = nullptr);

} // namespace vestra
