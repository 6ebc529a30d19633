#include "data/audit.h"

#include "data/dates.h"

#include <QSysInfo>

namespace vestra {

namespace {
QString g_account;
} // namespace

QString AuditActionText(AuditAction action)
{
    switch (action) {
    case AuditAction::Created:
        return QStringLiteral("created");
    case AuditAction::Moved:
        return QStringLiteral("moved");
    case AuditAction::Resized:
        return QStringLiteral("resized");
    case AuditAction::Retyped:
        return QStringLiteral("retyped");
    case AuditAction::Edited:
        return QStringLiteral("edited");
    case AuditAction::Deleted:
        return QStringLiteral("deleted");
    case AuditAction::SeriesCommitted:
        return QStringLiteral("series committed");
    case AuditAction::SeriesUpdated:
        return QStringLiteral("series updated");
    case AuditAction::SeriesDeleted:
        return QStringLiteral("series deleted");
    case AuditAction::Archived:
        return QStringLiteral("archived");
    case AuditAction::AccountDeleted:
        return QStringLiteral("account deleted");
    case AuditAction::ResourceDeleted:
        return QStringLiteral("resource deleted");
    case AuditAction::PasswordSet:
        return QStringLiteral("password set");
    case AuditAction::Undone:
        return QStringLiteral("undone");
    case AuditAction::Redone:
        return QStringLiteral("redone");
    }
    return {};
}

void SetAuditAccount(const QString& user)
{
    g_account = user;
}

QString AuditAccount()
{
    return g_account;
}

bool WriteAuditRow(Database& db, AuditAction action, const QString& key, const QString& summary)
{
    const QDateTime now = QDateTime::currentDateTime();
    return db.exec(QStringLiteral("INSERT INTO Auditlog (whenutc, whenlocal, workstation, account, "
                                  "action, itemkey, summary) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                   {now.toUTC().toString(Qt::ISODateWithMs),
                    now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                    QSysInfo::machineHostName(), g_account, AuditActionText(action), key, summary});
}

QString BookingSummary(const QString& text, int day, int start, int end, int item)
{
    const auto clock = [](int minutes) {
        return QStringLiteral("%1:%2")
            .arg(minutes / 60 % 24, 2, 10, QLatin1Char('0'))
            .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    };
    return QStringLiteral("%1, %2 %3–%4, item %5")
        .arg(text, DateFromDayNumber(day).toString(Qt::ISODate), clock(start), clock(end))
        .arg(item);
}

QString BeforeAfter(const QString& before, const QString& after)
{
    if (before.isEmpty())
        return after;
    if (after.isEmpty())
        return before;
    return before + QStringLiteral(" → ") + after;
}

bool DeleteAuditRowsBefore(Database& db, const QDateTime& cutoffUtc)
{
    return db.exec(QStringLiteral("DELETE FROM Auditlog WHERE whenutc < ?"),
                   {cutoffUtc.toUTC().toString(Qt::ISODateWithMs)});
}

} // namespace vestra
