#pragma once
// Account passwords are stored as Argon2id hashes ("$argon2id$..."). Files
// made before hashing still hold some passwords as typed; those are checked
// as they are and replaced by their hash at the account's next login.

#include "db/database.h"

#include <QString>
#include <optional>

namespace vestra {

// The stored form of a password: a salted Argon2id hash with the
// interactive limits. Empty when hashing failed (out of memory).
QString HashPassword(const QString& password);
// True when stored is a hash this program writes.
bool IsPasswordHash(const QString& stored);
// The typed password matches the stored value, hashed or (in an older
// file) as typed. An empty stored value matches nothing.
bool PasswordMatches(const QString& stored, const QString& typed);

// Replaces every password still stored as typed by its hash, in one
// transaction. The number replaced, or nullopt when the store failed.
std::optional<int> RehashPlainPasswords(Database& bookingFile, QString* error = nullptr);

} // namespace vestra
