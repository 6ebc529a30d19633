#pragma once
// Checking a user name and password against the active accounts.

#include "platform/db/database.h"
#include "session/session.h"

#include <optional>

namespace vestra {

struct LoginAccount {
    int id = 0;
    QString user;
    QString name;
    bool admin = false;
};

// The first active personal account whose user name and password equal the
// typed texts exactly (case-sensitive); group accounts never log in.
std::optional<LoginAccount> FindLoginAccount(Database& bookingFile, const QString& user,
                                             const QString& password);

// Clears LoginOk, then fills the session's account values on success.
bool CheckCredentials(Session& s, const QString& user, const QString& password);

} // namespace vestra
