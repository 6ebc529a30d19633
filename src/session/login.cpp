#include "session/login.h"

#include "data/audit.h"
#include "data/passwords.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <algorithm>

namespace vestra {

std::optional<LoginAccount> FindLoginAccount(Database& db, const QString& user,
                                             const QString& password)
{
    // SQLite compares text byte by byte, so the name match is exact and
    // case-sensitive. Rows come in the order of activekonti, so the first of
    // two equal credentials wins.
    auto q = db.query(QStringLiteral("SELECT ID, Kontouser, Kontonavn, admin, KontoPass "
                                     "FROM activekonti WHERE Kontouser = ? AND Kontotype = 'p' "
                                     "ORDER BY ID"),
                      {user});
    if (!q)
        return std::nullopt;
    std::optional<LoginAccount> found;
    QString stored;
    while (q->next()) {
        stored = q->value(4).toString();
        if (PasswordMatches(stored, password)) {
            found = LoginAccount{q->value(0).toInt(), q->value(1).toString(),
                                 q->value(2).toString(), q->value(3).toInt() != 0};
            break;
        }
    }
    q.reset();
    if (found && !IsPasswordHash(stored)) {
        // Only the row still holding the plain text is changed: a password
        // set meanwhile on another workstation stays.
        const QString hash = HashPassword(password);
        if (!hash.isEmpty())
            db.exec(QStringLiteral("UPDATE Konti SET KontoPass = ? WHERE ID = ? AND KontoPass = ?"),
                    {hash, found->id, stored});
    }
    return found;
}

bool CheckCredentials(Session& s, const QString& user, const QString& password)
{
    s.LoginOk = false;
    Database db = Database::open(s.BookingFilePath);
    const auto account = FindLoginAccount(db, user, password);
    if (!account)
        return false;
    s.LoginOk = true;
    s.LoginUser = account->user;
    s.LoginName = account->name;
    s.LoginAccountId = account->id;
    s.IsAdmin = account->admin;
    SetAuditAccount(account->user);
    return true;
}

bool ServerKeepsLogins(Database& db)
{
    return db.engine() == Engine::PostgreSQL
           && db.scalar(QStringLiteral("SELECT to_regrole('vestra_staff') IS NOT NULL AND "
                                       "to_regproc('vestra_may_act') IS NOT NULL"))
                  .toBool();
}

ServerLogin LoginAsServerRole(Session& s, QString* error)
{
    Database db = Database::open(s.BookingFilePath);
    if (!ServerKeepsLogins(db))
        return ServerLogin::NotSecured;
    s.LoginOk = false;
    s.IsAdmin = false;
    s.LoginAccountId = 0;
    auto q = db.query(QStringLiteral(
        "SELECT ID, Kontouser, Kontonavn, pg_has_role(current_user, 'vestra_admin', 'MEMBER'), "
        "current_user FROM Konti WHERE Kontouser = current_user AND Kontotype = 'p' AND "
        "(archived IS NULL OR archived = 0) ORDER BY ID LIMIT 1"));
    if (!q || !q->next()) {
        if (error)
            *error = q ? QStringLiteral("The server login %1 has no active personal account in "
                                        "this booking store; ask an administrator to add it.")
                             .arg(db.scalar(QStringLiteral("SELECT current_user")).toString())
                       : db.lastError();
        return ServerLogin::NoAccount;
    }
    s.LoginOk = true;
    s.LoginAccountId = q->value(0).toInt();
    s.LoginUser = q->value(1).toString();
    s.LoginName = q->value(2).toString();
    s.IsAdmin = q->value(3).toBool();
    SetAuditAccount(s.LoginUser);
    return ServerLogin::LoggedIn;
}

bool SetAccountPassword(Database& db, int id, const QString& password, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (password.isEmpty())
        return fail(QStringLiteral("The password must not be empty."));
    if (ServerKeepsLogins(db)) {
        // The login role's password: one's own role may change it, anyone
        // else's only the server's function for administrators.
        Transaction tx(db);
        const QVariant user = db.scalar(
            QStringLiteral("SELECT Kontouser FROM Konti WHERE ID = ? AND Kontotype = 'p'"), {id});
        if (!tx.ok() || !user.isValid())
            return fail(db.lastError().isEmpty() ? QStringLiteral("The account is gone.")
                                                 : db.lastError());
        const QString own =
            db.scalar(QStringLiteral("SELECT CASE WHEN ? = current_user THEN format("
                                     "'ALTER ROLE CURRENT_USER PASSWORD %L', CAST(? AS text)) END"),
                      {user, password})
                .toString();
        const bool set =
            own.isEmpty()
                ? db.scalar(QStringLiteral("SELECT vestra_set_password(?, ?)"), {id, password})
                      .toBool()
                : db.exec(own);
        if (!set
            || !WriteAuditRow(db, AuditAction::PasswordSet, QString::number(id),
                              IsolatedText(user.toString()))
            || !tx.commit())
            return fail(db.lastError());
        // Later connections of this workstation log in with the new one.
        if (!own.isEmpty())
            SetServerPassword(db.path(), password);
        return true;
    }
    const QString hash = HashPassword(password);
    if (hash.isEmpty())
        return fail(QStringLiteral("The password could not be hashed."));
    Transaction tx(db);
    if (!tx.ok())
        return fail(db.lastError());
    const QVariant user =
        db.scalar(QStringLiteral("SELECT Kontouser FROM Konti WHERE ID = ?"), {id});
    if (!user.isValid())
        return fail(db.lastError().isEmpty() ? QStringLiteral("The account is gone.")
                                             : db.lastError());
    if (!db.exec(QStringLiteral("UPDATE Konti SET KontoPass = ? WHERE ID = ?"), {hash, id})
        || !WriteAuditRow(db, AuditAction::PasswordSet, QString::number(id),
                          IsolatedText(user.toString()))
        || !tx.commit())
        return fail(db.lastError());
    return true;
}

namespace {
// Whether the server lets the address's role in with this password, on a
// connection of its own. A server that asks no password of the role (trust,
// peer, Kerberos) lets it in whatever is typed.
bool serverAcceptsPassword(const QString& address, const QString& password)
{
    const std::optional<ServerAddress> parts = ParseServerAddress(address);
    if (!parts)
        return false;
    const QString name = QStringLiteral("vestra-password-check");
    bool accepted = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(parts->host);
        if (parts->port > 0)
            db.setPort(parts->port);
        db.setUserName(parts->user);
        db.setDatabaseName(parts->database);
        db.setConnectOptions(parts->options);
        db.setPassword(password);
        accepted = db.open();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return accepted;
}
} // namespace

bool ChangeOwnPassword(Database& db, int id, const QString& oldPassword, const QString& newPassword,
                       QString* error)
{
    // On a secured server the store keeps no password: the server itself
    // is asked whether the old one still lets the person in.
    const bool matches =
        ServerKeepsLogins(db)
            ? serverAcceptsPassword(db.path(), oldPassword)
            : PasswordMatches(
                db.scalar(QStringLiteral("SELECT KontoPass FROM Konti WHERE ID = ?"), {id})
                    .toString(),
                oldPassword);
    if (!matches) {
        if (error)
            *error = QStringLiteral("The old password is not right.");
        return false;
    }
    return SetAccountPassword(db, id, newPassword, error);
}

LoginThrottle::LoginThrottle(Clock clock, QString store)
    : m_clock(std::move(clock)), m_store(std::move(store))
{
    if (!m_clock)
        m_clock = [] { return QDateTime::currentMSecsSinceEpoch(); };
}

Database LoginThrottle::store() const
{
    return Database::open(m_store.isEmpty() ? session().BookingFilePath : m_store);
}

qint64 LoginThrottle::waitMs(const QString& user) const
{
    Database db = store();
    auto q = db.query(
        QStringLiteral("SELECT failures, nexttry FROM Loginthrottle WHERE kontouser = ?"), {user});
    if (!q || !q->next() || q->value(0).toInt() < kFreeTries)
        return 0;
    const QDateTime next = QDateTime::fromString(q->value(1).toString(), Qt::ISODateWithMs);
    return next.isValid() ? std::max<qint64>(0, next.toMSecsSinceEpoch() - m_clock()) : 0;
}

bool LoginThrottle::failed(const QString& user)
{
    Database db = store();
    Transaction tx(db);
    if (!tx.ok())
        return false;
    const int failures =
        db.scalar(QStringLiteral("SELECT failures FROM Loginthrottle WHERE kontouser = ?"), {user})
            .toInt()
        + 1;
    const int doublings = failures - kFreeTries;
    const qint64 wait = doublings < 0    ? 0
                        : doublings >= 5 ? kLongestWaitMs
                                         : std::min<qint64>(kLongestWaitMs, 1000LL << doublings);
    const QString next =
        QDateTime::fromMSecsSinceEpoch(m_clock() + wait, Qt::UTC).toString(Qt::ISODateWithMs);
    // No one is logged in at the login window: the row names no account.
    SetAuditAccount(QString());
    return db.exec(QStringLiteral("INSERT INTO Loginthrottle (kontouser, failures, nexttry) "
                                  "VALUES (?, ?, ?) ON CONFLICT (kontouser) DO UPDATE SET "
                                  "failures = excluded.failures, nexttry = excluded.nexttry"),
                   {user, failures, next})
           && WriteAuditRow(db, AuditAction::LoginFailed, IsolatedText(user), {}) && tx.commit();
}

void LoginThrottle::succeeded(const QString& user)
{
    Database db = store();
    db.exec(QStringLiteral("DELETE FROM Loginthrottle WHERE kontouser = ?"), {user});
}

LoginThrottle& WorkstationLoginThrottle()
{
    static LoginThrottle throttle;
    return throttle;
}

} // namespace vestra
