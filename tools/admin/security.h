#pragma once
// The rights of a booking store on a server, kept by the server itself: an
// owner role no workstation logs in as, the group roles vestra_staff,
// vestra_admin and vestra_panel, row-level security on bookings and
// accounts, and the daily run and the pruning of the change log as
// functions that run with the owner's rights. Each person logs in as their
// own role, whose name is the user name of their Konti row.

#include "adminstore.h"
#include "db/database.h"

#include <optional>

namespace vestra::admin {

// Sets up (or sets up again, after an upgrade) the roles, rights and
// policies of the store; every active person gets a login role of their
// user name. The connection must be a superuser's. Lines say what was done.
bool SecureServerStore(Database& db, QStringList* lines, QString* error);

// Whether the connection may set up roles (a superuser's).
bool MaySecure(Database& db);
// Whether the store was secured (its bookings under row-level security).
bool IsSecuredStore(Database& db);

// secure, prune-log and user …; nullopt when the command is none of these.
std::optional<CommandResult> RunSecurityCommand(const QStringList& arguments);

} // namespace vestra::admin
