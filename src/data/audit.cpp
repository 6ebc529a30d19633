#include "data/audit.h"

#include "data/dates.h"

#include <QHash>
#include <QSysInfo>
#include <sodium.h>

namespace vestra {

namespace {
QString g_account;
// The change log's own lock: writers of the log take turns linking rows.
constexpr qint64 kLogChainLockKey = 0x5645535452410002;
} // namespace

QString IsolatedText(const QString& text)
{
    // FIRST STRONG ISOLATE … POP DIRECTIONAL ISOLATE; nothing stays nothing.
    return text.isEmpty() ? text : QChar(0x2068) + text + QChar(0x2069);
}

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
    case AuditAction::LoginFailed:
        return QStringLiteral("login failed");
    case AuditAction::SettingsEdited:
        return QStringLiteral("settings edited");
    case AuditAction::AccountEdited:
        return QStringLiteral("account edited");
    // The words a server's own log uses for the same change.
    case AuditAction::MemberAdded:
        return QStringLiteral("membership created");
    case AuditAction::MemberRemoved:
        return QStringLiteral("membership deleted");
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

QString AuditHashedColumns()
{
    return QStringLiteral("whenutc, whenlocal, workstation, account, action, itemkey, summary");
}

QString AuditRowHash(const QString& previousHash, const QStringList& fields)
{
    QByteArray text = previousHash.toUtf8();
    for (const QString& field : fields) {
        const QByteArray bytes = field.toUtf8();
        text += QByteArray::number(bytes.size()) + ':' + bytes;
    }
    static const bool ready = sodium_init() >= 0;
    Q_UNUSED(ready);
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(text.constData()),
                       static_cast<unsigned long long>(text.size()));
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(digest), sizeof digest).toHex());
}

bool ServerWritesChangeLog(Database& db)
{
    if (db.engine() != Engine::PostgreSQL)
        return false;
    // Asked once per store: a store is secured by vestra-admin, not while it runs.
    static QHash<QString, bool> known;
    const auto it = known.constFind(db.path());
    if (it != known.constEnd())
        return *it;
    const QVariant v =
        db.scalar(QStringLiteral("SELECT to_regproc('vestra_log_change') IS NOT NULL"));
    if (!v.isValid())
        return false;
    known.insert(db.path(), v.toBool());
    return v.toBool();
}

bool WriteAuditRow(Database& db, AuditAction action, const QString& key, const QString& summary)
{
    switch (action) {
    case AuditAction::PasswordSet:
    case AuditAction::Archived:
    case AuditAction::LoginFailed:
        break;
    default:
        // Its own trigger has logged the change to the table, once.
        if (ServerWritesChangeLog(db))
            return true;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const QStringList fields = {now.toUTC().toString(Qt::ISODateWithMs),
                                now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                QSysInfo::machineHostName(),
                                g_account,
                                AuditActionText(action),
                                key,
                                summary};
    QVariantList binds;
    for (const QString& f : fields)
        binds << f;
    // On the file the writer holds the write lock, so the last row stays
    // the last until this one is in; a server links the row in its trigger.
    if (db.engine() == Engine::SQLite) {
        const QVariant last =
            db.scalar(QStringLiteral("SELECT rowhash FROM Auditlog ORDER BY ID DESC LIMIT 1"));
        const QString previous = last.toString();
        binds << previous << AuditRowHash(previous, fields);
    } else {
        binds << QString() << QString();
    }
    return db.exec(QStringLiteral("INSERT INTO Auditlog (%1, prevhash, rowhash) VALUES "
                                  "(?, ?, ?, ?, ?, ?, ?, ?, ?)")
                       .arg(AuditHashedColumns()),
                   binds);
}

std::optional<AuditChain> VerifyAuditChain(Database& db)
{
    auto q = db.query(QStringLiteral("SELECT ID, %1, prevhash, rowhash FROM Auditlog ORDER BY ID")
                          .arg(AuditHashedColumns()));
    if (!q)
        return std::nullopt;
    AuditChain chain;
    bool first = true;
    while (q->next()) {
        QStringList fields;
        for (int i = 1; i <= 7; ++i)
            fields << q->value(i).toString();
        const QString previous = q->value(8).toString();
        const QString own = q->value(9).toString();
        ++chain.rows;
        if (chain.intact
            && ((!first && previous != chain.head) || AuditRowHash(previous, fields) != own)) {
            chain.intact = false;
            chain.firstBadRow = q->value(0).toLongLong();
        }
        first = false;
        chain.head = own;
    }
    return chain;
}

QStringList LogHashFunctionStatements()
{
    const auto part = [](const char* column) {
        return QStringLiteral("octet_length(coalesce(NEW.%1, ''))::text || ':' || "
                              "coalesce(NEW.%1, '')")
            .arg(QLatin1String(column));
    };
    QStringList parts;
    for (const char* c :
         {"whenutc", "whenlocal", "workstation", "account", "action", "itemkey", "summary"})
        parts << part(c);
    // The number comes after the lock, so numbers follow the order of the chain.
    return {QStringLiteral(
                "CREATE OR REPLACE FUNCTION vestra_log_chain() RETURNS trigger LANGUAGE plpgsql "
                "SECURITY DEFINER AS $$ BEGIN "
                "PERFORM pg_advisory_xact_lock(%1); "
                "NEW.id := nextval(pg_get_serial_sequence('auditlog', 'id')); "
                // On a secured store a row names the role that wrote it, whatever it says.
                "IF to_regrole('vestra_staff') IS NOT NULL AND NOT (SELECT rolsuper FROM "
                "pg_roles WHERE rolname = session_user) THEN NEW.account := session_user; "
                "END IF; "
                "NEW.prevhash := coalesce((SELECT rowhash FROM auditlog ORDER BY id DESC "
                "LIMIT 1), ''); "
                "NEW.rowhash := encode(sha256(convert_to(NEW.prevhash || %2, 'UTF8')), 'hex'); "
                "RETURN NEW; END $$")
                .arg(kLogChainLockKey)
                .arg(parts.join(QStringLiteral(" || "))),
            QStringLiteral("DROP TRIGGER IF EXISTS auditlog_chain ON auditlog"),
            QStringLiteral("CREATE TRIGGER auditlog_chain BEFORE INSERT ON auditlog FOR EACH ROW "
                           "EXECUTE PROCEDURE vestra_log_chain()")};
}

QString BookingSummary(const QString& text, int day, int start, int end, int item)
{
    const auto clock = [](int minutes) {
        return QStringLiteral("%1:%2")
            .arg(minutes / 60 % 24, 2, 10, QLatin1Char('0'))
            .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    };
    return QStringLiteral("%1, %2 %3–%4, item %5")
        .arg(IsolatedText(text), DateFromDayNumber(day).toString(Qt::ISODate), clock(start),
             clock(end))
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
