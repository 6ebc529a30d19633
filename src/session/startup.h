#pragma once
// The start-up sequence: find the booking file, copy its settings into the
// session, archive past bookings once a day, choose the first resource group
// and type, and ask for a login -- or, without a usable booking file, ask
// which file to use.

#include "data/migrations.h"
#include "session/archiving.h"
#include "session/backup.h"
#include "session/session.h"

#include <QDate>

namespace vestra {

enum class StartupOutcome {
    ReadyForLogin,          // settings loaded; the login window comes next
    NoBookingFile,          // no usable booking file is stored
    BrokenBookingFile,      // a booking file without its settings row
    NewerBookingFile,       // written by a newer Vestra: left untouched
    UpgradeFailed,          // an older booking file that could not be upgraded
    ServerUnreachable,      // the stored server address did not connect
    BusyBookingFile,        // another workstation held the file past the busy timeout
    UnreachableBookingFile, // the stored file (or its network share) is not there
    ServerNeedsUpgrade      // an older server store, upgraded by its administrator only
};

struct StartupReport {
    StartupOutcome outcome = StartupOutcome::NoBookingFile;
    ArchiveResult archive;
    MigrationReport migration;     // of the booking file
    MigrationReport workMigration; // of paths.mdb
    QString error;                 // paths.mdb could not be made or upgraded
    QString serverError;           // why the stored server did not connect
    // The booking file can only be read (ReadOnlyText): it is shown as it
    // is, neither upgraded nor archived. damaged: it failed its check.
    QString readOnly;
    bool damaged = false;
    QStringList missingTables; // of a file that is refused for lacking them
    BackupResult backup;       // the daily run's backup, when one was due
    QString backupFolder;
    bool keywordIndexRebuilt = false; // the file lacked only its derived keyword table
};

// Whether a booking file passes its quick check; nullopt when the check could
// not run (the file busy).
std::optional<bool> FileIsSound(const QString& path);
// What a damaged file can only be read for, naming the backup to restore
// (LatestBackup), for ReadOnlyText.
QString DamagedReason(const QString& path);

// Every step of the sequence that needs no window, on the given session;
// the daily archiving run tells archiveProgress how far it has come.
StartupReport PrepareSession(Session& s, const QDate& today,
                             const ArchiveProgress& archiveProgress = {});

// The settings of the booking file copied into the session.
bool LoadInstitutionSettings(Database& bookingFile, Session& s);

} // namespace vestra
