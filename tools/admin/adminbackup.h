#pragma once
// vestra-admin backup and restore: a consistent copy of a booking store taken
// while workstations work on it, and putting one back after checking it.

#include "adminstore.h"

namespace vestra::admin {

// Copies the store to dest (which must not exist yet): a file through
// SQLite's online backup, checked afterwards; a server through pg_dump -Fc.
CommandResult BackupStore(const StoreAddress& address, const QString& dest);
// Puts a backup made by BackupStore back as the store, after checking its
// schema version (none newer than this program knows) and its integrity. A
// store that workstations have open is not overwritten unless force.
CommandResult RestoreStore(const QString& backup, const StoreAddress& address, bool force);

} // namespace vestra::admin
