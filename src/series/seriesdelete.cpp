#include "series/seriesdelete.h"

#include "data/audit.h"
#include "data/dates.h"
#include "data/statements.h"

namespace vestra {

DayRange SeriesDeleteRange(SeriesDeleteScope scope, int bookingDay, int untilDay,
                           const QDate& today)
{
    const int t = DayNumber(today);
    DayRange r;
    r.first = scope == SeriesDeleteScope::All ? t - 365 : bookingDay;
    r.last = scope == SeriesDeleteScope::ThisAndUntil ? untilDay : t + 365;
    return r;
}

int DeleteSeriesRange(Database& db, int gennr, const DayRange& range)
{
    // Single bookings carry 0 (or nothing) there: without a series number
    // the statement would reach every one of them in the range.
    if (gennr <= 0)
        return 0;
    Transaction tx(db);
    if (!tx.ok())
        return -1;
    const Statement s = DeleteSeriesRangeStatement(gennr, range.first, range.last);
    if (!db.exec(s.sql, s.binds))
        return -1;
    const int deleted = db.changedRows();
    const auto date = [](int day) { return DateFromDayNumber(day).toString(Qt::ISODate); };
    if (!WriteAuditRow(db, AuditAction::SeriesDeleted, QString::number(gennr),
                       QStringLiteral("%1 bookings from %2 to %3")
                           .arg(deleted)
                           .arg(date(range.first), date(range.last)))
        || !tx.commit())
        return -1;
    return deleted;
}

Statement SeriesRangeSelection(int gennr, const DayRange& range)
{
    if (gennr <= 0)
        return {QStringLiteral("1 = 0"), {}};
    return {QStringLiteral("gennr = ? AND Bdato >= ? AND Bdato <= ?"),
            {gennr, range.first, range.last}};
}

Statement ExpiringSeriesStatement(int fromDay, int toDay, int limit)
{
    return {QStringLiteral("SELECT maxofbdato, bstart, bslut, Beskrivelse, Lokalenavn, "
                           "Kontonavn, Kontotlf FROM gentagendeudløbfor "
                           "WHERE maxofbdato >= ? AND maxofbdato <= ? LIMIT ?"),
            {fromDay, toDay, limit}};
}

QList<ExpiringSeries> LoadExpiringSeries(Database& db, int fromDay, int toDay, int limit)
{
    QList<ExpiringSeries> out;
    const Statement s = ExpiringSeriesStatement(fromDay, toDay, limit);
    auto q = db.query(s.sql, s.binds);
    while (q && q->next())
        out << ExpiringSeries{q->value(0).toInt(),    q->value(1).toInt(),
                              q->value(2).toInt(),    q->value(3).toString(),
                              q->value(4).toString(), q->value(5).toString(),
                              q->value(6).toString()};
    return out;
}

} // namespace vestra
