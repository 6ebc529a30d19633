#pragma once
// Accounts (Konti) and group membership (Grptilk): personal accounts, group
// accounts with an owner and members, and the administrators' deletion and
// clean-up. Every personal account is a member of itself; a group's owner is
// the personal account whose ID its kontoowner holds.

#include "data/statements.h"
#include "db/database.h"
#include "forms/recordvalues.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <optional>

namespace vestra {

// The log line of an account's edit: its name as it was, then each changed
// field with its old and new value ("" when nothing changed).
QString AccountChanges(const QHash<QString, QVariant>& before,
                       const QHash<QString, QVariant>& after);

struct Session;

// --- membership ---

// The members of a group (gnr, name, ID), by name. With no group chosen the
// members list shows those of account 1.
Statement MembersStatement(std::optional<int> gnr);
// One more row; a member already present is added again.
Statement AddMemberStatement(int gnr, int pnr);
// Every row of that member in that group, duplicates included.
Statement DeleteMemberStatement(int gnr, int pnr);
// Adds the row unless the same (gnr, pnr) is stored already; saving a group
// again must not pile up copies of its creator's membership.
Statement AddMembershipOnceStatement(int gnr, int pnr);

// A new person's membership of themselves; on a secured server the same
// statement makes their login role (in vestra_admin when the account is an
// administrator's), so the account is stored with its login or not at all.
Statement NewPersonMembershipStatement(int id, bool serverLogin);

bool AddMember(Database& bookingFile, int gnr, int pnr);
bool DeleteMember(Database& bookingFile, int gnr, int pnr);

// --- owners ---

struct GroupOwner {
    QVariant kontoowner;
    QString kontokontakt;
};
// The owner fields of a group account; nullopt when the group is gone.
std::optional<GroupOwner> LoadGroupOwner(Database& bookingFile, int gnr);
// The owner field read as a number ("12" is account 12) equals the
// logged-in account; an empty or non-numeric owner owns nothing.
bool IsOwnedByLogin(const QVariant& kontoowner);

// The values a new record of each window starts with. A new group belongs
// to whoever creates it.
FieldValues NewPersonalAccountValues();
FieldValues NewGroupAccountValues(const Session& session);

// --- deletion ---

enum class AccountRefusal { None, Gone, Admin, HasBookings };

struct AccountDeleteResult {
    AccountRefusal refusal = AccountRefusal::None;
    QString error; // the database failed
    bool deleted() const { return refusal == AccountRefusal::None && error.isEmpty(); }
};

// The refusal message and its title.
QString AccountRefusalText(AccountRefusal refusal);
QString AccountRefusalTitle(AccountRefusal refusal);

// A group with live bookings stays; archived bookings do not count. The
// group and every membership row under it go in one transaction.
AccountDeleteResult DeleteGroupAccount(Database& bookingFile, int id);
bool GroupHasBookings(Database& bookingFile, int id);

// An administrator account, or one with live or archived bookings, stays.
// Otherwise the account goes with every membership row naming it as group
// or member, in one transaction.
AccountDeleteResult DeleteAccount(Database& bookingFile, int id);

struct CleanUpResult {
    int removed = 0;
    QString error;
};
// Removes every archived account (administrators included) that no live or
// archived booking refers to, with its membership rows, in one transaction.
CleanUpResult CleanUpArchivedAccounts(Database& bookingFile);

// --- account list ---

// "Kontonavn;kontokontakt;Kontotlf" of the active or archived accounts of
// one type ("p" or "g"), in the order of kontifor.
Statement AccountListStatement(const QString& accType, bool archived);

} // namespace vestra
