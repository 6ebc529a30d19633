#include "schedule/scheduledata.h"

namespace vestra {

namespace {

const char* const kBlockFields =
    "SELECT Bookingnr, Beskrivelse, curacname, Bstart, Bslut, Bdato, Bcolor, Lokalenr, "
    "Tentative, Bgruppe, rowversion FROM Booking";

ScheduleBlock blockFrom(const QSqlQuery& q)
{
    ScheduleBlock b;
    b.bookingnr = q.value(0).toInt();
    b.text = q.value(1).toString();
    b.second = q.value(2).toString();
    b.start = q.value(3).toInt();
    b.end = q.value(4).toInt();
    b.day = q.value(5).toInt();
    b.color = q.value(6).toInt();
    b.item = q.value(7).toInt();
    b.tentative = q.value(8).toInt() != 0;
    b.rowversion = q.value(10).toLongLong();
    return b;
}

QList<ScheduleBlock> blocks(Database& db, const QString& where, const QVariantList& binds)
{
    QList<ScheduleBlock> out;
    auto q = db.query(QString::fromLatin1(kBlockFields) + where, binds);
    while (q && q->next())
        out << blockFrom(*q);
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
            out << blockFrom(*q);
    }
    return out;
}

} // namespace vestra
