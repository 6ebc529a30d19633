#include "startup/startupsequence.h"

#include "data/helpers.h"
#include "data/migrations.h"
#include "data/schema.h"
#include "report/reportformat.h"
#include "services/messages.h"
#include "session/connection.h"
#include "session/login.h"
#include "session/session.h"
#include "session/startup.h"
#include "shell/navigator.h"
#include "startup/archiveprogress.h"
#include "startup/connectwindow.h"
#include "startup/loginwindow.h"
#include "startup/passworddialog.h"
#include "startup/startupsequence.h"
#include "widgets/windowregistry.h"

namespace vestra {

QString StartupProblemText(const StartupReport& report, const QString& store)
{
    // Passing problems only; the work database's come first.
    if (report.workMigration.outcome == MigrationOutcome::Newer || !report.error.isEmpty())
        return {};
    switch (report.outcome) {
    case StartupOutcome::ServerUnreachable:
        return QStringLiteral("The database server could not be reached at %1:\n%2")
            .arg(StoreDisplayName(store), report.serverError.trimmed());
    case StartupOutcome::BusyBookingFile:
        return QStringLiteral("The booking file %1 is busy on another workstation. Retry in a "
                              "moment, or Cancel to choose another booking file.")
            .arg(store);
    case StartupOutcome::UnreachableBookingFile:
        return QStringLiteral("The booking file %1 cannot be reached. If it is on a network "
                              "drive, check that the drive is connected, then Retry; or Cancel "
                              "to choose another booking file.")
            .arg(store);
    default:
        return {};
    }
}

void RunStartup()
{
    SetPasswordPrompt(AskForServerPassword);
    StartupReport report;
    {
        ArchiveProgressDialog progress;
        report = PrepareSession(session(), QDate::currentDate(),
                                [&progress](int done, int total) { return progress(done, total); });
    }
    SetFileDateFormat(session().DateFormatLong);
    auto& windows = WindowRegistry::instance();

    // A file that is busy or out of reach is not given up on: the user may
    // try again once the other workstation or the network is back.
    if (const QString problem = StartupProblemText(report, session().BookingFilePath);
        !problem.isEmpty()) {
        const MsgAnswer answer =
            messages().show({problem, QStringLiteral("Booking File"), MsgButtons::RetryCancel,
                             MsgIcon::Warning, MsgAnswer::Retry});
        if (answer == MsgAnswer::Retry) {
            RunStartup();
            return;
        }
        ShowConnectWindow();
        return;
    }
    if (report.outcome != StartupOutcome::ReadyForLogin) {
        ShowConnectWindow();
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
        } else if (report.outcome == StartupOutcome::ServerNeedsUpgrade) {
            showMessage(
                ServerUpgradeText(session().BookingFilePath, m.fromVersion, m.supportedVersion),
                QStringLiteral("No Database Connection"), MsgIcon::Warning);
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
        } else if (!report.missingTables.isEmpty()) {
            showMessage(MissingTablesText(session().BookingFilePath, report.missingTables),
                        QStringLiteral("No Database Connection"), MsgIcon::Warning);
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
    // Said at once: the schedule shown may not be changed.
    if (!report.readOnly.isEmpty())
        showMessage(report.readOnly,
                    report.damaged ? QStringLiteral("Damaged Booking File")
                                   : QStringLiteral("Read-Only Booking File"),
                    report.damaged ? MsgIcon::Critical : MsgIcon::Warning);
    if (!report.backup.taken && !report.backup.error.isEmpty())
        showMessage(BackupFailedText(report.backupFolder, report.backup),
                    QStringLiteral("Daily Backup"), MsgIcon::Warning);
    if (report.archive.damaged) {
        showMessage(report.archive.error, QStringLiteral("Damaged Booking File"),
                    MsgIcon::Critical);
    } else if (!report.archive.ok) {
        showMessage(QStringLiteral("Past bookings could not be archived; the archiving is tried "
                                   "again at the next start.\n")
                        + report.archive.error,
                    QStringLiteral("Archive"), MsgIcon::Warning);
    }
    if (const QString dates = ImpossibleDatesText(report.archive); !dates.isEmpty())
        showMessage(dates, QStringLiteral("Archive"), MsgIcon::Warning);
    // On a secured server the server login was the login.
    QString noAccount;
    switch (LoginAsServerRole(session(), &noAccount)) {
    case ServerLogin::NotSecured:
        ShowLogin();
        break;
    case ServerLogin::LoggedIn:
        if (navigator().showMainWindow)
            navigator().showMainWindow();
        break;
    case ServerLogin::NoAccount:
        ShowConnectWindow();
        showMessage(noAccount, QStringLiteral("No Database Connection"), MsgIcon::Warning);
        break;
    }
}

} // namespace vestra
