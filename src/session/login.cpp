#include "session/login.h"

namespace vestra {

std::optional<LoginAccount> FindLoginAccount(Database& db, const QString& user,
                                             const QString& password)
{
    // SQLite compares text byte by byte, so the match is exact and
    // case-sensitive; a field without a value never equals anything. Rows
    // come in the order of activekonti, so the first of two equal
    // credentials wins.
    auto q = db.query(QStringLiteral("SELECT ID, Kontouser, Kontonavn, admin FROM activekonti "
                                     "WHERE Kontouser = ? AND KontoPass = ? AND Kontotype = 'p' "
                                     "ORDER BY ID LIMIT 1"),
                      {user, password});
    if (q && q->next())
        return LoginAccount{q->value(0).toInt(), q->value(1).toString(), q->value(2).toString(),
                            q->value(3).toInt() != 0};
    return std::nullopt;
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
    return true;
}

} // namespace vestra
