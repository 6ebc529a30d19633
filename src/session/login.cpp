#include "session/login.h"

#include "data/audit.h"
#include "data/passwords.h"

#include <QElapsedTimer>

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

ServerLogin LoginAsServerRole(Session& s, QString* error)
{
    Database db = Database::open(s.BookingFilePath);
    if (db.engine() != Engine::PostgreSQL
        || !db.scalar(QStringLiteral("SELECT to_regrole('vestra_staff') IS NOT NULL AND "
                                     "to_regproc('vestra_may_act') IS NOT NULL"))
                .toBool())
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
        || !WriteAuditRow(db, AuditAction::PasswordSet, QString::number(id), user.toString())
        || !tx.commit())
        return fail(db.lastError());
    return true;
}

bool ChangeOwnPassword(Database& db, int id, const QString& oldPassword, const QString& newPassword,
                       QString* error)
{
    const QVariant stored =
        db.scalar(QStringLiteral("SELECT KontoPass FROM Konti WHERE ID = ?"), {id});
    if (!PasswordMatches(stored.toString(), oldPassword)) {
        if (error)
            *error = QStringLiteral("The old password is not right.");
        return false;
    }
    return SetAccountPassword(db, id, newPassword, error);
}

LoginThrottle::LoginThrottle(Clock clock) : m_clock(std::move(clock))
{
    if (!m_clock) {
        m_clock = [] {
            static QElapsedTimer started = [] {
                QElapsedTimer t;
                t.start();
                return t;
            }();
            return started.elapsed();
        };
    }
}

qint64 LoginThrottle::waitMs(const QString& user) const
{
    const auto it = m_records.constFind(user);
    if (it == m_records.constEnd() || it->failures < kFreeTries)
        return 0;
    const int doublings = it->failures - kFreeTries;
    const qint64 wait =
        doublings >= 5 ? kLongestWaitMs : std::min<qint64>(kLongestWaitMs, 1000LL << doublings);
    return std::max<qint64>(0, it->lastFailure + wait - m_clock());
}

void LoginThrottle::failed(const QString& user)
{
    Record& r = m_records[user];
    ++r.failures;
    r.lastFailure = m_clock();
}

void LoginThrottle::succeeded(const QString& user)
{
    m_records.remove(user);
}

LoginThrottle& WorkstationLoginThrottle()
{
    static LoginThrottle throttle;
    return throttle;
}

} // namespace vestra
