#pragma once
// The change log (Auditlog): one row per change to a booking, an account or
// a resource, written inside the change's own transaction so that the
// change and its line stand or fall together.

#include "db/database.h"

#include <QDateTime>
#include <QString>

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
};

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

} // namespace vestra
