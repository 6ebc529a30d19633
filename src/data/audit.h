#pragma once
// The change log (Auditlog): one row per change to a booking, an account or
// a resource, written inside the change's own transaction so that the
// change and its line stand or fall together.

#include "db/database.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace vestra {

enum class AuditAction {
    Created,
    Moved,
    Resized,
    Retyped,
    Edited,
    Deleted,
    SeriesCommitted,
    SeriesUpdated,
    SeriesDeleted,
    Archived,
    AccountDeleted,
    ResourceDeleted,
    PasswordSet,
    Undone,
    Redone,
    LoginFailed,
    SettingsEdited,
    AccountEdited,
    MemberAdded,
    MemberRemoved,
};

// Text a person typed (a title, a name), set apart so that its writing
// direction cannot reorder the rest of the log line around it.
QString IsolatedText(const QString& text);

// The words the log shows for an action.
QString AuditActionText(AuditAction action);

// The account the rows are written for: the logged-in user name.
void SetAuditAccount(const QString& user);
QString AuditAccount();

// One row now, from this workstation, for the account set above. Call it
// inside the transaction of the change it records; false when it failed
// (the caller then rolls the change back).
bool WriteAuditRow(Database& db, AuditAction action, const QString& key, const QString& summary);

// A booking in a few words: "title, 2026-12-07 09:00–10:30, item 4".
QString BookingSummary(const QString& text, int day, int start, int end, int item);

// "before → after", or just one side when the other is empty.
QString BeforeAfter(const QString& before, const QString& after);

// Rows older than the cut-off go (the archive's delete delay).
bool DeleteAuditRowsBefore(Database& db, const QDateTime& cutoffUtc);

// Each log row carries the hash of the row before it and its own, a hex
// SHA-256 over the previous hash and the row's fields, each written as its
// length in UTF-8 bytes, a colon and its text. A row changed, removed from
// the middle or slipped in breaks the chain from there on. A server computes
// the same hash in its own trigger (see LogHashFunctionStatements).
QString AuditRowHash(const QString& previousHash, const QStringList& fields);
// The row's fields in the order they are hashed, as SQL column names.
QString AuditHashedColumns();

struct AuditChain {
    bool intact = true;
    qint64 rows = 0;
    qint64 firstBadRow = 0; // the ID of the first row that does not fit
    QString head;           // the hash of the last row
};
// Reads the whole log in order and checks every link; nullopt when it cannot
// be read. The oldest row kept (the rest pruned by the delete delay) starts it.
std::optional<AuditChain> VerifyAuditChain(Database& db);

// The server's side of the chain: a function that hashes as AuditRowHash
// and a trigger that links each new row to the last one, under a lock of
// its own so that two writers never link to the same row.
QStringList LogHashFunctionStatements();
// True when the server writes the log rows of changes to bookings, items,
// accounts and settings itself (a secured store), so the program must not.
bool ServerWritesChangeLog(Database& db);

} // namespace vestra
