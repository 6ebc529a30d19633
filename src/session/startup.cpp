#include "session/startup.h"

#include "data/dates.h"
#include "data/helpers.h"
#include "data/schema.h"
#include "platform/messages.h"
#include "platform/windowregistry.h"
#include "session/connection.h"
#include "session/frmlogin.h"
#include "session/introconnect.h"

#include <QSqlRecord>

namespace vestra {

namespace {

QString storedBookingFilePath()
{
    Database work = WorkDatabase();
    return work.scalar(QStringLiteral("SELECT sti FROM stitabel LIMIT 1")).toString();
}

} // namespace

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

StartupReport PrepareSession(Session& s, const QDate& today)
{
    StartupReport report;
    QString error;
    if (!EnsureWorkDatabase(&error, &report.workMigration)) {
        report.error = error;
        return report;
    }
    s.BookingFilePath = storedBookingFilePath();
    // A file of a newer Vestra is judged by its header alone: even the test
    // below may write to it (it rolls back a journal left behind).
    if (IsNewerFile(s.BookingFilePath, BookingFileSteps(), &report.migration.fromVersion)) {
        report.migration.outcome = MigrationOutcome::Newer;
        report.migration.supportedVersion = LatestVersion(BookingFileSteps());
        report.outcome = StartupOutcome::NewerBookingFile;
        return report;
    }
    if (!IsBookingFile(s.BookingFilePath))
        return report;
    report.migration = MigrateFile(s.BookingFilePath, BookingFileSteps());
    if (report.migration.outcome == MigrationOutcome::Newer) {
        report.outcome = StartupOutcome::NewerBookingFile;
        return report;
    }
    if (report.migration.outcome == MigrationOutcome::Failed) {
        report.outcome = StartupOutcome::UpgradeFailed;
        return report;
    }

    Database db = BookingFile();
    if (!LoadInstitutionSettings(db, s)) {
        report.outcome = StartupOutcome::BrokenBookingFile;
        return report;
    }
    s.SelectedDay = DayNumber(today);

    const QVariant last = LookupIn(db, QStringLiteral("arkiveringsdato"),
                                   QStringLiteral("arkiveringsdato"), QStringLiteral("ID = ?"), {1});
    s.LastArchiveDate = QDate::fromString(last.toString(), Qt::ISODate);
    if (!s.LastArchiveDate.isValid() || s.LastArchiveDate < today)
        report.archive = ArchiveBookings(db, today, s.ArchiveDelayDays, s.DeleteDelayDays);

    LoadFirstGroup(db, s.CurrentGroupNo, s.CurrentTypeNo);
    report.outcome = StartupOutcome::ReadyForLogin;
    return report;
}

void RunStartup()
{
    const StartupReport report = PrepareSession(session(), QDate::currentDate());
    auto& windows = WindowRegistry::instance();

    if (report.outcome != StartupOutcome::ReadyForLogin) {
        ShowIntroConnect();
        const MigrationReport& m = report.migration;
        if (report.workMigration.outcome == MigrationOutcome::Newer) {
            showMessage(NewerFileText(WorkDatabasePath(), report.workMigration.fromVersion,
                                      report.workMigration.supportedVersion)
                            + QStringLiteral(" It holds only this workstation's choice of "
                                             "booking file; removed, it is made anew."),
                        QStringLiteral("No Database Connection"), MsgIcon::Critical);
        } else if (!report.error.isEmpty()) {
            showMessage(QStringLiteral("The work database of this workstation could not be "
                                       "created in the program's folder:\n")
                            + report.error,
                        QStringLiteral("No Database Connection"), MsgIcon::Critical);
        } else if (report.outcome == StartupOutcome::NewerBookingFile) {
            showMessage(NewerFileText(session().BookingFilePath, m.fromVersion, m.supportedVersion),
                        QStringLiteral("No Database Connection"), MsgIcon::Warning);
        } else if (report.outcome == StartupOutcome::UpgradeFailed) {
            QString text = session().BookingFilePath
                           + QStringLiteral(" could not be upgraded for this version of Vestra "
                                            "and was left at version %1:\n%2")
                                 .arg(m.toVersion)
                                 .arg(m.error);
            if (!m.backupPath.isEmpty())
                text += QStringLiteral("\nA copy of the file as it was is kept as ") + m.backupPath;
            showMessage(text, QStringLiteral("No Database Connection"), MsgIcon::Critical);
        } else if (report.outcome == StartupOutcome::BrokenBookingFile) {
            showMessage(session().BookingFilePath
                            + QStringLiteral(" has no institution settings and cannot be used. "
                                             "Connect to an existing database or create a new."),
                        QStringLiteral("No Database Connection"), MsgIcon::Warning);
        } else {
            showMessage(QStringLiteral("No default database is connected. Connect to an existing "
                                       "database or create a new."),
                        QStringLiteral("No Database Connection"));
        }
        return;
    }

    if (QWidget* connect = windows.find(QStringLiteral("IntroConnect")))
        connect->close();
    if (report.migration.outcome == MigrationOutcome::Upgraded)
        showMessage(UpgradeText(session().BookingFilePath, report.migration),
                    QStringLiteral("Booking File Upgraded"));
    if (!report.archive.ok) {
        showMessage(QStringLiteral("Past bookings could not be archived; the archiving is tried "
                                   "again at the next start.\n")
                        + report.archive.error,
                    QStringLiteral("Archive"), MsgIcon::Warning);
    }
    ShowLogin();
}

} // namespace vestra
