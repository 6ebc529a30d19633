#include "series/candidates.h"

#include "data/audit.h"
#include "data/dates.h"
#include "data/helpers.h"
#include "data/statements.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>

namespace vestra {

namespace {

QString timeText(int minutes)
{
    return TimeFromMinutes(minutes).toString(QStringLiteral("HH:mm:ss"));
}

QTime timeFrom(const QVariant& v)
{
    return QTime::fromString(v.toString(), QStringLiteral("HH:mm:ss"));
}

bool run(Database& db, const Statement& s)
{
    return db.exec(s.sql, s.binds);
}

// The DB mark of a candidate: -1 collides, 1 could not be checked (which
// counts as colliding everywhere), 0 free.
constexpr int kCollides = -1;
constexpr int kUnchecked = 1;

// A row of "SELECT ID, Dato, Start, Slut, lokalenr, DB FROM gendatogent".
Candidate candidateFrom(const QSqlQuery& q)
{
    const int mark = q.value(5).toInt();
    return {q.value(0).toInt(), q.value(1).toInt(), timeFrom(q.value(2)), timeFrom(q.value(3)),
            q.value(4).toInt(), mark != 0,          mark == kUnchecked};
}

} // namespace

void ClearCandidates(Database& work)
{
    run(work, DeleteAllCandidatesStatement());
}

int CheckCandidate(Database& db, int day, int item, int startMinutes, int endMinutes)
{
    return CountIn(db, QStringLiteral("*"), QStringLiteral("booking"),
                   QStringLiteral("Lokalenr = ? AND Bdato = ? AND Bstart < ? AND Bslut > ?"),
                   {item, day, endMinutes, startMinutes});
}

std::optional<int> AddCandidate(Database& work, Database& db, int day, int item, int startMinutes,
                                int endMinutes)
{
    const int colliding = CheckCandidate(db, day, item, startMinutes, endMinutes);
    const int mark = colliding == 0 ? 0 : colliding < 0 ? kUnchecked : kCollides;
    if (!work.exec(QStringLiteral("INSERT INTO gendatogent (Dato, Start, Slut, lokalenr, DB) "
                                  "VALUES (?, ?, ?, ?, ?)"),
                   {day, timeText(startMinutes), timeText(endMinutes), item, mark}))
        return std::nullopt;
    return work.scalar(QStringLiteral("SELECT last_insert_rowid()")).toInt();
}

namespace {
// The number of bookings colliding with the time on each day of a range, in
// one indexed read: a year of dates is one round trip, not 365, which is what
// keeps the check quick on a server. nullopt when the read fails.
std::optional<QHash<int, int>> CollisionsByDay(Database& db, int firstDay, int lastDay, int item,
                                               int startMinutes, int endMinutes)
{
    auto q = db.query(QStringLiteral("SELECT Bdato, count(*) FROM Booking WHERE Lokalenr = ? AND "
                                     "Bdato BETWEEN ? AND ? AND Bstart < ? AND Bslut > ? "
                                     "GROUP BY Bdato"),
                      {item, firstDay, lastDay, endMinutes, startMinutes});
    if (!q)
        return std::nullopt;
    QHash<int, int> out;
    while (q->next())
        out.insert(q->value(0).toInt(), q->value(1).toInt());
    return out;
}
} // namespace

int GenerateCandidates(Database& work, Database& db, int startDay, int endDay, int interval,
                       const BookingDetails& t, const SeriesProgress& progress)
{
    // Without an interval the day would never advance.
    if (interval < 1 || startDay + interval > endDay)
        return 0;
    const int total = (endDay - startDay) / interval;
    if (progress && !progress(0, total))
        return 0;
    const std::optional<QHash<int, int>> collisions =
        CollisionsByDay(db, startDay + interval, endDay, t.item, t.startMinutes(), t.endMinutes());
    Transaction tx(work);
    if (!tx.ok())
        return 0;
    int added = 0;
    for (int day = startDay + interval; day <= endDay; day += interval) {
        const int mark = !collisions ? kUnchecked : collisions->contains(day) ? kCollides : 0;
        if (!work.exec(QStringLiteral("INSERT INTO gendatogent (Dato, Start, Slut, lokalenr, DB) "
                                      "VALUES (?, ?, ?, ?, ?)"),
                       {day, timeText(t.startMinutes()), timeText(t.endMinutes()), t.item, mark}))
            return 0;
        ++added;
        if (progress && (added % kSeriesStretchRows == 0 || added == total)
            && !progress(added, total))
            return 0;
    }
    return tx.commit() ? added : 0;
}

QList<Candidate> LoadCandidates(Database& work, int limit)
{
    QList<Candidate> out;
    auto q =
        work.query(QStringLiteral("SELECT ID, Dato, Start, Slut, lokalenr, DB FROM gendatogent "
                                  "ORDER BY ID LIMIT ?"),
                   {limit});
    while (q && q->next())
        out << candidateFrom(*q);
    return out;
}

bool RemoveCandidate(Database& work, int id)
{
    return run(work, DeleteCandidateStatement(id));
}

bool RemoveCollidingCandidates(Database& work)
{
    return run(work, DeleteCollidingCandidatesStatement());
}

bool IsItemBooked(Database& db, int start, int end, int day, int item, bool* unchecked)
{
    auto q = db.query(QStringLiteral("SELECT 1 FROM Booking WHERE Lokalenr = ? AND Bdato = ? AND ("
                                     "(Bstart <= ? AND ? < Bslut) OR (Bstart < ? AND ? <= Bslut) "
                                     "OR (? < Bstart AND Bslut < ?)) LIMIT 1"),
                      {item, day, start, start, end, end, start, end});
    if (!q) {
        if (unchecked)
            *unchecked = true;
        return true;
    }
    return q->next();
}

QList<Alternative> FindAlternatives(Database& work, Database& db, int candidateId, int templateItem,
                                    bool* unchecked)
{
    bool failed = false;
    run(work, DeleteAlternativesStatement());
    auto c = work.query(QStringLiteral("SELECT Start, Slut, Dato FROM gendatogent WHERE ID = ?"),
                        {candidateId});
    if (!c || !c->next())
        return {};
    const int start = MinutesOfDay(timeFrom(c->value(0)));
    const int end = MinutesOfDay(timeFrom(c->value(1)));
    const int day = c->value(2).toInt();
    c.reset();

    QList<Alternative> free;
    int typeNo = 0;
    const Presence templateFound = ItemPresence(db, templateItem, &typeNo);
    failed = templateFound == Presence::Unknown;
    if (templateFound == Presence::Present) {
        auto items = db.query(QStringLiteral("SELECT lokalenr, Lokalenavn FROM lokale WHERE "
                                             "lokalinr = ? AND lokalenr <> ? ORDER BY lokalenr"),
                              {typeNo, templateItem});
        failed = !items;
        while (items && items->next()) {
            const int item = items->value(0).toInt();
            if (!IsItemBooked(db, start, end, day, item, &failed))
                free << Alternative{item, items->value(1).toString()};
        }
    }
    if (unchecked)
        *unchecked = failed;
    Transaction tx(work);
    for (const Alternative& a : free)
        work.exec(QStringLiteral("INSERT INTO AndetLokAlt (lokalenr, Lokalenavn) VALUES (?, ?)"),
                  {a.item, a.name});
    tx.commit();
    return LoadAlternatives(work);
}

QList<Alternative> LoadAlternatives(Database& work, int limit)
{
    QList<Alternative> out;
    auto q = work.query(QStringLiteral("SELECT lokalenr, Lokalenavn FROM andetlokaltfor LIMIT ?"),
                        {limit});
    while (q && q->next())
        out << Alternative{q->value(0).toInt(), q->value(1).toString()};
    return out;
}

bool ApplyAlternative(Database& work, int candidateId, int item)
{
    return work.exec(QStringLiteral("UPDATE gendatogent SET lokalenr = ?, DB = 0 WHERE ID = ?"),
                     {item, candidateId})
           && work.changedRows() == 1;
}

int CommitSeries(Database& db, Database& work, const BookingDetails& t, int colour,
                 const SeriesProgress& progress)
{
    if (!t.pris)
        return kCommitFailed;
    // Every candidate, in the table's order, whether it still collides or not.
    QList<Candidate> candidates;
    auto q =
        work.query(QStringLiteral("SELECT ID, Dato, Start, Slut, lokalenr, DB FROM gendatogent "
                                  "ORDER BY ID"));
    while (q && q->next())
        candidates << candidateFrom(*q);
    q.reset();
    const int total = static_cast<int>(candidates.size());
    // Between stretches the user may stop the run: the transaction then
    // takes every booking written so far back.
    const auto goOn = [&](int done) {
        return !progress || (done % kSeriesStretchRows != 0 && done != total)
               || progress(done, total);
    };
    if (!goOn(0))
        return kCommitCancelled;

    Transaction tx(db);
    if (!tx.ok())
        return kCommitFailed;
    // Under the write lock: the items cannot go between this check and the writes.
    int typeNo = 0;
    QSet<int> items{t.item};
    for (const Candidate& c : candidates)
        items.insert(c.item);
    for (const int item : items) {
        switch (ItemPresence(db, item, item == t.item ? &typeNo : nullptr)) {
        case Presence::Present:
            break;
        case Presence::Absent:
            return kCommitItemGone;
        case Presence::Unknown:
            return kCommitFailed;
        }
    }
    if (!db.exec(QStringLiteral("UPDATE Booking SET gennr = ?, gentagende = -1, Bcolor = ? "
                                "WHERE Bookingnr = ?"),
                 {t.bookingnr, colour, t.bookingnr})
        || db.changedRows() != 1)
        return kCommitFailed;
    // The series' first booking names it in the change log.
    const auto logged = [&db, &t](int added) {
        return WriteAuditRow(db, AuditAction::SeriesCommitted, QString::number(t.bookingnr),
                             QStringLiteral("%1: %2 more bookings").arg(t.beskrivelse).arg(added));
    };
    if (candidates.isEmpty())
        return logged(0) && tx.commit() ? 0 : kCommitFailed;
    const auto first = TakeKeys(db, static_cast<int>(candidates.size()));
    if (!first)
        return kCommitFailed;
    int key = *first;
    for (const Candidate& c : candidates) {
        const bool ok = db.exec(
            QStringLiteral(
                "INSERT INTO Booking (Bookingnr, Bdato, Bstart, Bslut, Lokalenr, Bgruppe, Bcolor, "
                "Beskrivelse, langbeskrivelse, Bemærkninger, Antalpers, Pris, leveringstype, "
                "curacname, kontonr, Kontaktperson2, Kontaktpersonadr2, Kontaktpersonpnr2, "
                "Kontaktpersonby2, Kontakttlf2, Kontakttlfb2, ID, Tentative, gennr, gentagende) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                "-1)"),
            {key++,
             c.day,
             MinutesOfDay(c.start),
             MinutesOfDay(c.end),
             c.item,
             typeNo,
             colour,
             t.beskrivelse,
             t.langbeskrivelse,
             t.bemaerkninger,
             t.antalpers,
             *t.pris,
             t.leveringstype,
             t.curacname,
             t.kontonr,
             t.contact[0],
             t.contact[1],
             t.contact[2],
             t.contact[3],
             t.contact[4],
             t.contact[5],
             t.floorPlan,
             t.tentative ? -1 : 0,
             t.bookingnr});
        if (!ok)
            return kCommitFailed;
        if (!goOn(key - *first))
            return kCommitCancelled;
    }
    const int added = static_cast<int>(candidates.size());
    return logged(added) && tx.commit() ? added : kCommitFailed;
}

} // namespace vestra
