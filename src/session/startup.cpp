#include "session/startup.h"

#include "data/audit.h"

#include "data/dates.h"
#include "data/helpers.h"
#include "data/schema.h"
#include "services/messages.h"
#include "session/backup.h"
#include "session/connection.h"

#include <QDir>
#include <QSqlRecord>

namespace vestra {

namespace {

QString storedBookingFilePath()
{
    Database work = WorkDatabase();
    return work.scalar(QStringLiteral("SELECT sti FROM stitabel LIMIT 1")).toString();
}

// The keyword table is made from the bookings; a file that lost it (a
// tool that copied only the tables it knew) gets it made again.
bool rebuildKeywordTable(Database& db, bool* rebuilt)
{
    if (db.engine() != Engine::SQLite || db.hasTable(QStringLiteral("BookingSearch")))
        return true;
    Transaction tx(db);
    if (!tx.ok())
        return false;
    for (const QString& trigger :
         {QStringLiteral("Booking_search_insert"), QStringLiteral("Booking_search_delete"),
          QStringLiteral("Booking_search_update")})
        if (!db.exec(QStringLiteral("DROP TRIGGER IF EXISTS ") + trigger))
            return false;
    for (const QString& statement : KeywordTableStatements())
        if (!db.exec(statement))
            return false;
    *rebuilt = tx.commit();
    return *rebuilt;
}

} // namespace

std::optional<bool> FileIsSound(const QString& path)
{
    std::optional<bool> sound;
    Database::probeReadOnly(path, [&sound](Database& db) {
        auto q = db.query(dialect::quickCheck(db.engine()));
        if (q)
            sound = q->next() && q->value(0).toString() == QStringLiteral("ok");
        else if (db.lastError() != BusyText())
            sound = false;
        return true;
    });
    return sound;
}

QString DamagedReason(const QString& path)
{
    const QString backup = LatestBackup(path);
    return QStringLiteral("it is damaged. Do not book in it: ask the person who looks after your "
                          "computers to restore %1")
        .arg(backup.isEmpty()
                 ? QStringLiteral("the latest backup of the booking file")
                 : QStringLiteral("the latest backup (%1)").arg(QDir::toNativeSeparators(backup)));
}

bool LoadInstitutionSettings(Database& db, Session& s)
{
    auto q = db.query(QStringLiteral(
        "SELECT Åbntid, Luktid, Prrimstart, Primslut, Skemastart, Skemaslut, tax, taxpct, "
        "dateformatstr2, dateformatstr1, dateformatnr, arcdel, deldel, ampm, military, "
        "Tentative, Timeunits, Instutionsnavn, Instutionsby, Instutionsadresse, "
        "Instutionspostnr, Institutionsemail, Instutionstlf, FirstDay "
        "FROM institutionsoplysninger LIMIT 1"));
    if (!q || !q->next())
        return false;
    int i = 0;
    auto next = [&]() { return q->value(i++); };
    s.OpeningTime = MinutesFromSeconds(next().toInt());
    s.ClosingTime = MinutesFromSeconds(next().toInt());
    s.PrimeTimeStart = MinutesFromSeconds(next().toInt());
    s.PrimeTimeEnd = MinutesFromSeconds(next().toInt());
    s.PrintTimeStart = MinutesFromSeconds(next().toInt());
    s.PrintTimeEnd = MinutesFromSeconds(next().toInt());
    s.TaxEnabled = next().toInt() != 0;
    s.TaxPercent = next().toDouble();
    s.DateFormatShort = next().toString();
    s.DateFormatLong = next().toString();
    s.DateFormatNo = static_cast<qint16>(next().toInt());
    s.ArchiveDelayDays = next().toInt();
    s.DeleteDelayDays = next().toInt();
    s.ShowAmPm = next().toInt() != 0;
    s.MilitaryTime = next().toInt() != 0;
    s.TentativeDefault = next().toInt() != 0;
    s.TimeUnits = static_cast<qint16>(next().toInt());
    s.InstitutionName = next().toString();
    s.InstitutionCity = next().toString();
    s.InstitutionAddress = next().toString();
    s.InstitutionZip = next().toString();
    s.InstitutionEmail = next().toString();
    s.InstitutionPhone = next().toString();
    s.FirstDay = next().toString();
    return true;
}

StartupReport PrepareSession(Session& s, const QDate& today, const ArchiveProgress& archiveProgress)
{
    StartupReport report;
    QString error;
    if (!EnsureWorkDatabase(&error, &report.workMigration)) {
        report.error = error;
        return report;
    }
    s.BookingFilePath = storedBookingFilePath();
    // A server is reached first, so that its password is asked for once.
    if (IsServerAddress(s.BookingFilePath)
        && !ReachServer(s.BookingFilePath, &report.serverError)) {
        report.outcome = StartupOutcome::ServerUnreachable;
        return report;
    }
    // A file of a newer Vestra is judged by its header (a server's by its
    // recorded version) alone: even the test
    // below may write to it (it rolls back a journal left behind).
    if (IsNewerFile(s.BookingFilePath, BookingFileSteps(), &report.migration.fromVersion)) {
        report.migration.outcome = MigrationOutcome::Newer;
        report.migration.supportedVersion = LatestVersion(BookingFileSteps());
        report.outcome = StartupOutcome::NewerBookingFile;
        return report;
    }
    // A stored file that is busy or out of reach stays the stored file: it
    // is reported as what it is, never as no booking file.
    switch (CheckBookingFile(s.BookingFilePath, &report.missingTables)) {
    case BookingFileVerdict::Valid:
        break;
    case BookingFileVerdict::Busy:
        report.outcome = StartupOutcome::BusyBookingFile;
        return report;
    case BookingFileVerdict::Unreachable:
        report.outcome = StartupOutcome::UnreachableBookingFile;
        return report;
    case BookingFileVerdict::NoneChosen:
    case BookingFileVerdict::Invalid:
        return report;
    }
    // A file that is damaged, or that the drive or its rights keep from
    // being written, is shown as it is: never upgraded, archived or written.
    std::optional<bool> sound;
    if (!IsServerAddress(s.BookingFilePath)) {
        sound = FileIsSound(s.BookingFilePath);
        if (sound == false) {
            report.damaged = true;
            SetReadOnlyReason(s.BookingFilePath, DamagedReason(s.BookingFilePath));
        }
        report.readOnly = ReadOnlyText(s.BookingFilePath);
    }
    if (!report.readOnly.isEmpty()) {
        const std::optional<int> stored = Database::storedSchemaVersion(s.BookingFilePath);
        const int latest = LatestVersion(BookingFileSteps());
        if (stored.value_or(0) < latest) {
            report.migration.outcome = MigrationOutcome::Failed;
            report.migration.fromVersion = report.migration.toVersion = stored.value_or(0);
            report.migration.error = report.readOnly;
            report.outcome = StartupOutcome::UpgradeFailed;
            return report;
        }
        Database db = BookingFile();
        if (!LoadInstitutionSettings(db, s)) {
            report.outcome = StartupOutcome::BrokenBookingFile;
            return report;
        }
        s.SelectedDay = DayNumber(today);
        LoadFirstGroup(db, s.CurrentGroupNo, s.CurrentTypeNo);
        report.outcome = StartupOutcome::ReadyForLogin;
        return report;
    }
    // Other workstations work on a server store while this one starts; its
    // upgrade is the administrator's (vestra-admin upgrade, after a dump).
    if (IsServerAddress(s.BookingFilePath)) {
        const std::optional<int> stored = Database::storedSchemaVersion(s.BookingFilePath);
        const int latest = LatestVersion(BookingFileSteps());
        if (stored && *stored < latest) {
            report.migration.fromVersion = *stored;
            report.migration.supportedVersion = latest;
            report.outcome = StartupOutcome::ServerNeedsUpgrade;
            return report;
        }
    }
    report.migration = MigrateFile(s.BookingFilePath, BookingFileSteps());
    if (report.migration.outcome == MigrationOutcome::Newer) {
        report.outcome = StartupOutcome::NewerBookingFile;
        return report;
    }
    if (report.migration.outcome == MigrationOutcome::Failed) {
        report.outcome = report.migration.error == BusyText() ? StartupOutcome::BusyBookingFile
                                                              : StartupOutcome::UpgradeFailed;
        return report;
    }

    Database db = BookingFile();
    if (!LoadInstitutionSettings(db, s)) {
        report.outcome = db.lastError() == BusyText() ? StartupOutcome::BusyBookingFile
                                                      : StartupOutcome::BrokenBookingFile;
        return report;
    }
    if (!rebuildKeywordTable(db, &report.keywordIndexRebuilt)) {
        report.outcome = db.lastError() == BusyText() ? StartupOutcome::BusyBookingFile
                                                      : StartupOutcome::UpgradeFailed;
        report.migration.outcome = MigrationOutcome::Failed;
        report.migration.error = db.lastError();
        return report;
    }
    s.SelectedDay = DayNumber(today);

    const QVariant last =
        LookupIn(db, QStringLiteral("arkiveringsdato"), QStringLiteral("arkiveringsdato"),
                 QStringLiteral("ID = ?"), {1});
    s.LastArchiveDate = QDate::fromString(last.toString(), Qt::ISODate);
    // Started before anyone logs in, the run's log row is the run's own.
    SetAuditAccount(QStringLiteral("daily run"));
    if (!s.LastArchiveDate.isValid() || s.LastArchiveDate < today) {
        // The day's backup is taken of the file as it was before the run.
        const std::optional<BackupSettings> backup =
            IsServerAddress(s.BookingFilePath) ? std::nullopt : ReadBackupSettings(db);
        if (backup && !backup->folder.isEmpty()) {
            report.backupFolder = backup->folder;
            report.backup =
                TakeDailyBackup(s.BookingFilePath, *backup, QDateTime::currentDateTime());
        }
        report.archive =
            ArchiveBookings(db, today, s.ArchiveDelayDays, s.DeleteDelayDays, archiveProgress,
                            sound == true ? FileCheck::DoneByCaller : FileCheck::Run);
    }

    LoadFirstGroup(db, s.CurrentGroupNo, s.CurrentTypeNo);
    report.outcome = StartupOutcome::ReadyForLogin;
    return report;
}

} // namespace vestra
