#pragma once
// Checking a user name and password against the active accounts, and the
// growing wait after repeated wrong passwords.

#include "db/database.h"
#include "session/session.h"

#include <QString>
#include <functional>
#include <optional>

namespace vestra {

struct LoginAccount {
    int id = 0;
    QString user;
    QString name;
    bool admin = false;
};

// The first active personal account whose user name equals the typed one
// exactly (case-sensitive) and whose stored password the typed one matches;
// group accounts never log in. A password still stored as typed is replaced
// by its hash on that match.
std::optional<LoginAccount> FindLoginAccount(Database& bookingFile, const QString& user,
                                             const QString& password);

// Clears LoginOk, then fills the session's account values on success.
bool CheckCredentials(Session& s, const QString& user, const QString& password);

// On a secured server the server login is the login: the person is the
// active personal account whose user name is the role's name, an
// administrator when the role is one of vestra_admin. Nothing (and the
// session untouched) when the store is not a secured server; LoginOk false
// and error set when the role has no such account.
enum class ServerLogin { NotSecured, LoggedIn, NoAccount };
ServerLogin LoginAsServerRole(Session& s, QString* error = nullptr);
// A secured server, where each person logs in as their own role and the
// server keeps the passwords.
bool ServerKeepsLogins(Database& db);

// Stores the password's hash for the account, with its change-log row, in
// one transaction; on a secured server it sets the login role's password. An empty password is
// refused; error says why.
bool SetAccountPassword(Database& bookingFile, int id, const QString& password,
                        QString* error = nullptr);
// As above, for users setting their own: the old password must match first.
bool ChangeOwnPassword(Database& bookingFile, int id, const QString& oldPassword,
                       const QString& newPassword, QString* error = nullptr);

// After kFreeTries wrong passwords for one user name, each further try must
// wait 1 s, then 2 s, 4 s... up to 30 s after the last wrong one. A right
// password clears the count for that name. The count is kept in the booking
// store, so neither a restart nor another workstation starts it afresh;
// each wrong password also leaves a row in the change log.
class LoginThrottle {
public:
    static constexpr int kFreeTries = 5;
    static constexpr qint64 kLongestWaitMs = 30000;
    // Milliseconds since the epoch (UTC).
    using Clock = std::function<qint64()>;

    // store: the booking store's path or address; empty for the session's.
    explicit LoginThrottle(Clock clock = {}, QString store = {});
    // Milliseconds still to wait before the user name may be tried; 0 when
    // it may be tried now (or the store cannot say).
    qint64 waitMs(const QString& user) const;
    // False when the store could not record it.
    bool failed(const QString& user);
    void succeeded(const QString& user);

private:
    Database store() const;
    Clock m_clock;
    QString m_store;
};

// The one this workstation's login window uses.
LoginThrottle& WorkstationLoginThrottle();

} // namespace vestra
