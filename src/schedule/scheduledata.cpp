#include "schedule/scheduledata.h"

#include <limits>
#include <optional>

namespace vestra {

namespace {

const char* const kBlockFields =
    "SELECT Bookingnr, Beskrivelse, curacname, Bstart, Bslut, Bdato, Bcolor, Lokalenr, "
    "Tentative, Bgruppe, rowversion FROM Booking";

// A whole number within lowest..highest, read from whatever the row holds.
std::optional<int> wholeNumber(const QVariant& v, qint64 lowest, qint64 highest)
{
    if (v.isNull())
        return std::nullopt;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok || n < lowest || n > highest || v.toDouble() != double(n))
        return std::nullopt;
    return int(n);
}

// A row written by another program may hold anything. One without a number,
// a day or a time of day in range is not shown; a colour or item that is
// not a number shows as none.
std::optional<ScheduleBlock> blockFrom(const QSqlQuery& q)
{
    const auto number = wholeNumber(q.value(0), 1, std::numeric_limits<int>::max());
    const auto start = wholeNumber(q.value(3), 0, 1440);
    const auto end = wholeNumber(q.value(4), 0, 1440);
    const auto day =
        wholeNumber(q.value(5), std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    if (!number || !start || !end || !day)
        return std::nullopt;
    ScheduleBlock b;
    b.bookingnr = *number;
    b.text = q.value(1).toString();
    b.second = q.value(2).toString();
    b.start = *start;
    b.end = *end;
    b.day = *day;
    b.color =
        wholeNumber(q.value(6), std::numeric_limits<int>::min(), std::numeric_limits<int>::max())
            .value_or(0);
    b.item =
        wholeNumber(q.value(7), std::numeric_limits<int>::min(), std::numeric_limits<int>::max())
            .value_or(0);
    b.tentative = q.value(8).toInt() != 0;
    b.rowversion = q.value(10).toLongLong();
    return b;
}

QList<ScheduleBlock> blocks(Database& db, const QString& where, const QVariantList& binds)
{
    QList<ScheduleBlock> out;
    auto q = db.query(QString::fromLatin1(kBlockFields) + where, binds);
    while (q && q->next())
        if (const auto b = blockFrom(*q))
            out << *b;
    return out;
}

} // namespace

QList<ScheduleColumn> LoadDayColumns(Database& db, int type, int day)
{
    QList<ScheduleColumn> out;
    auto q =
        db.query(QStringLiteral("SELECT lokalenr, Lokalenavn FROM headerfor WHERE lokalinr = ? "
                                "AND (inaktiv IS NULL OR inaktiv = 0 "
                                "OR inakstart > ? OR inakslut < ?)"),
                 {type, day, day});
    while (q && q->next())
        out << ScheduleColumn{q->value(0).toInt(), q->value(1).toString()};
    return out;
}

QList<ScheduleBlock> LoadDayBlocks(Database& db, int type, int day)
{
    return blocks(db, QStringLiteral(" WHERE Bdato = ? AND Bgruppe = ? ORDER BY Bookingnr"),
                  {day, type});
}

QList<ScheduleBlock> LoadWeekBlocks(Database& db, int item, int weekStart)
{
    return blocks(db,
                  QStringLiteral(" WHERE Lokalenr = ? AND Bdato >= ? AND Bdato <= ? "
                                 "ORDER BY Bookingnr"),
                  {item, weekStart, weekStart + 6});
}

QList<ScheduleBlock> LoadDayBlocksByScan(Database& db, int type, int day)
{
    QList<ScheduleBlock> out;
    auto q = db.query(QString::fromLatin1(kBlockFields));
    while (q && q->next()) {
        if (q->value(5).toInt() == day && q->value(9).toInt() == type)
            if (const auto b = blockFrom(*q))
                out << *b;
    }
    return out;
}

} // namespace vestra
