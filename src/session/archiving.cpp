#include "session/archiving.h"

#include "data/audit.h"
#include "data/dates.h"
#include "data/statements.h"

namespace vestra {

namespace {
// A file without its date (or with an unreadable one) archives now.
QDate storedArchiveDate(Database& db)
{
    const QDate d = QDate::fromString(
        db.scalar(QStringLiteral("SELECT arkiveringsdato FROM arkiveringsdato WHERE ID = 1"))
            .toString(),
        Qt::ISODate);
    return d.isValid() ? d : DateFromDayNumber(0);
}
} // namespace

QString DamagedFileText(const QString& path)
{
    return QStringLiteral("The booking file %1 is damaged. Do not go on booking in it: ask the "
                          "person who looks after your computers to restore the latest backup "
                          "of the booking file. Past bookings were not archived.")
        .arg(path);
}

ArchiveResult ArchiveBookings(Database& db, const QDate& today, int archiveDelayDays,
                              int deleteDelayDays)
{
    ArchiveResult r;
    // The run deletes; on a damaged file it could delete what it never
    // managed to copy, so the file is checked before anything is written.
    if (const QString check = dialect::quickCheck(db.engine()); !check.isEmpty()) {
        auto q = db.query(check);
        const bool healthy = q && q->next() && q->value(0).toString() == QStringLiteral("ok");
        if (!healthy) {
            r.ok = false;
            if (q || db.lastError() != BusyText()) {
                r.damaged = true;
                r.error = DamagedFileText(db.path());
            } else {
                r.error = db.lastError();
            }
            return r;
        }
    }
    Transaction tx(db);
    if (!tx.ok()) {
        r.ok = false;
        r.error = db.lastError();
        return r;
    }
    const QDate last = storedArchiveDate(db);
    if (last >= today)
        return r;

    const int t = DayNumber(today);
    auto sane = [](int days) { return days >= 0 && days <= kMaxArchiveDelayDays; };
    const Statement copy = ArchiveCopyStatement(t - archiveDelayDays);
    // With the shorter delete delay the settings ask for bookings to go
    // unarchived; otherwise only what the archive holds may leave.
    const bool archivedOnly = !sane(archiveDelayDays) || deleteDelayDays >= archiveDelayDays;
    const Statement del = ArchiveDeleteStatement(t - deleteDelayDays, archivedOnly);
    const Statement date = ArchiveDateStatement(today);

    if (sane(archiveDelayDays)) {
        if (!db.exec(copy.sql, copy.binds)) {
            r.ok = false;
            r.error = db.lastError();
            return r;
        }
        r.copied = db.changedRows();
    }
    if (sane(deleteDelayDays)) {
        if (!db.exec(del.sql, del.binds)) {
            r.ok = false;
            r.error = db.lastError();
            return r;
        }
        r.deleted = db.changedRows();
        // The change log is kept as long as the archived bookings it speaks of.
        if (!DeleteAuditRowsBefore(db, today.addDays(-deleteDelayDays).startOfDay())) {
            r.ok = false;
            r.error = db.lastError();
            return r;
        }
    }
    if (!db.exec(date.sql, date.binds)
        || ((r.copied > 0 || r.deleted > 0)
            && !WriteAuditRow(db, AuditAction::Archived, QString(),
                              QStringLiteral("%1 bookings archived, %2 removed up to %3")
                                  .arg(r.copied)
                                  .arg(r.deleted)
                                  .arg(today.toString(Qt::ISODate))))
        || !tx.commit()) {
        r.ok = false;
        r.error = db.lastError();
        r.copied = r.deleted = 0;
        return r;
    }
    r.ran = true;
    return r;
}

} // namespace vestra
