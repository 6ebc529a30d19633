#include "data/statements.h"

#include "data/dates.h"

#include <QDate>
#include <algorithm>

namespace vestra {

const char* const kArchivedFields =
    "Bookingnr, Beskrivelse, Bstart, Bslut, Bdato, Bcolor, Bgruppe, Lokalenr, kontonr, "
    "Kontaktperson2, Kontaktpersonadr2, Kontaktpersonpnr2, Kontaktpersonby2, Kontakttlf2, "
    "Kontakttlfb2, langbeskrivelse, Antalpers, Pris, ID, Bemærkninger, gennr, gentagende, "
    "Intern, leveringssted, leveringstype, curacname";

Statement ArchiveCopyStatement(int upper)
{
    // Which bookings are archived already is read from the archive itself,
    // not from the last run's date: a missing date or a changed delay then
    // neither copies a day twice nor skips one.
    const QString fields = QString::fromUtf8(kArchivedFields);
    return {QStringLiteral("INSERT INTO bookingarkiv ( %1 ) SELECT %1 FROM booking b "
                           "WHERE b.Bdato < ? AND b.Bdato >= ? AND NOT EXISTS "
                           "(SELECT 1 FROM bookingarkiv a WHERE a.Bookingnr = b.Bookingnr)")
                .arg(fields),
            {upper, FirstPossibleDay()}};
}

Statement ArchiveCopyStatement(int lower, int upper)
{
    Statement s = ArchiveCopyStatement(upper);
    s.sql.replace(QStringLiteral("WHERE b.Bdato < ? AND b.Bdato >= ?"),
                  QStringLiteral("WHERE b.Bdato >= ? AND b.Bdato < ?"));
    s.binds = {std::max(lower, FirstPossibleDay()), upper};
    return s;
}

Statement ArchiveDeleteStatement(int deleteBefore, bool archivedOnly)
{
    // Only whole day numbers of possible days count: a row with a damaged
    // date is kept.
    QString sql = QStringLiteral("DELETE FROM Booking WHERE Booking.Bdato < ? "
                                 "AND Booking.Bdato >= ? "
                                 "AND Booking.Bdato = CAST(Booking.Bdato AS INTEGER)");
    if (archivedOnly)
        sql += QStringLiteral(" AND EXISTS (SELECT 1 FROM bookingarkiv a WHERE a.Bookingnr = "
                              "Booking.Bookingnr AND a.Bdato = Booking.Bdato)");
    return {sql, {deleteBefore, FirstPossibleDay()}};
}

Statement ArchiveCopyByNumberStatement(int upper, qint64 fromNumber, qint64 toNumber,
                                       bool archiveHoldsAny)
{
    // The unary plus keeps the planner off the date index.
    Statement s = ArchiveCopyStatement(upper);
    s.sql.replace(QStringLiteral("WHERE b.Bdato < ? AND b.Bdato >= ?"),
                  QStringLiteral("WHERE b.Bookingnr >= ? AND b.Bookingnr < ? AND +b.Bdato < ? "
                                 "AND +b.Bdato >= ?"));
    // A look-up in the archive for each of a backlog's bookings took most of
    // a server's copy; when none of the range can be there it is left out
    // (the archive's unique number still refuses a second copy).
    if (!archiveHoldsAny)
        s.sql.truncate(s.sql.indexOf(QStringLiteral(" AND NOT EXISTS")));
    s.binds = {fromNumber, toNumber, upper, FirstPossibleDay()};
    return s;
}

Statement ArchiveHoldsNumbersStatement(qint64 fromNumber, qint64 toNumber)
{
    return {QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM bookingarkiv "
                           "WHERE Bookingnr >= ? AND Bookingnr < ? LIMIT 1) s"),
            {fromNumber, toNumber}};
}

Statement ArchiveDeleteByNumberStatement(int deleteBefore, bool archivedOnly, qint64 fromNumber,
                                         qint64 toNumber)
{
    Statement s = ArchiveDeleteStatement(deleteBefore, archivedOnly);
    s.sql.replace(QStringLiteral("WHERE Booking.Bdato < ? AND Booking.Bdato >= ?"),
                  QStringLiteral("WHERE Booking.Bookingnr >= ? AND Booking.Bookingnr < ? "
                                 "AND +Booking.Bdato < ? AND +Booking.Bdato >= ?"));
    s.binds = {fromNumber, toNumber, deleteBefore, FirstPossibleDay()};
    return s;
}

Statement ArchiveDateStatement(const QDate& today)
{
    return {
        QStringLiteral("INSERT INTO arkiveringsdato (ID, arkiveringsdato) VALUES (1, ?) "
                       "ON CONFLICT (ID) DO UPDATE SET arkiveringsdato = excluded.arkiveringsdato"),
        {today.toString(Qt::ISODate)}};
}

Statement DeleteDepartmentStatement(int depnr)
{
    return {QStringLiteral("DELETE FROM Department WHERE depnr = ?"), {depnr}};
}

Statement DeleteFloorPlanStatement(int id)
{
    return {QStringLiteral("DELETE FROM opstilling WHERE ID = ?"), {id}};
}

Statement DeleteHomebaseStatement(int id)
{
    return {QStringLiteral("DELETE FROM Homebases WHERE ID = ?"), {id}};
}

Statement DeleteCollidingCandidatesStatement()
{
    return {QStringLiteral("DELETE FROM gendatogent WHERE DB <> 0"), {}};
}

Statement DeleteCandidateStatement(int id)
{
    return {QStringLiteral("DELETE FROM gendatogent WHERE ID = ?"), {id}};
}

Statement DeleteAllCandidatesStatement()
{
    return {QStringLiteral("DELETE FROM gendatogent"), {}};
}

Statement DeleteAlternativesStatement()
{
    return {QStringLiteral("DELETE FROM andetlokalt"), {}};
}

Statement DeleteSeriesRangeStatement(int gennr, int fromDay, int toDay)
{
    return {QStringLiteral("DELETE FROM Booking WHERE gennr = ? AND Bdato >= ? AND Bdato <= ?"),
            {gennr, fromDay, toDay}};
}

} // namespace vestra
