#pragma once
// Who may do what. Administrators may do everything; other users act for the
// accounts they are members of; a group account is edited by its owner.

namespace vestra {

// True for an administrator; otherwise says "Administrator Access Only!" and is false.
bool RequireAdmin();

// The user is a member of account k (through Grptilk) or an administrator.
bool MayActForAccount(int account);

// The logged-in user owns the group account whose kontoowner is given.
bool IsGroupOwner(int kontoowner);

} // namespace vestra
