#include "session/archiving.h"

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

ArchiveResult ArchiveBookings(Database& db, const QDate& today, int archiveDelayDays,
                              int deleteDelayDays)
{
    ArchiveResult r;
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
    const Statement copy = ArchiveCopyStatement(t - archiveDelayDays);
    const Statement del = ArchiveDeleteStatement(t - deleteDelayDays);
    const Statement date = ArchiveDateStatement(today);

    if (!db.exec(copy.sql, copy.binds)) {
        r.ok = false;
        r.error = db.lastError();
        return r;
    }
    r.copied = db.changedRows();
    if (!db.exec(del.sql, del.binds)) {
        r.ok = false;
        r.error = db.lastError();
        return r;
    }
    r.deleted = db.changedRows();
    if (!db.exec(date.sql, date.binds) || !tx.commit()) {
        r.ok = false;
        r.error = db.lastError();
        r.copied = r.deleted = 0;
        return r;
    }
    r.ran = true;
    return r;
}

} // namespace vestra
