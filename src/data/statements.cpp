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

namespace {

// Copies made before the archive kept counters are tied by their day.
const char* const kOutdatedCopy =
    "coalesce(a.rowversion < b.rowversion, a.Bdato = b.Bdato AND a.rowversion IS NULL)";

} // namespace

QString ArchiveCopySql(const QString& where, bool checkArchive)
{
    const QString columns = QString::fromUtf8(kArchivedFields) + QStringLiteral(", rowversion");
    QStringList update;
    for (const QString& column : columns.split(QStringLiteral(", ")))
        if (column != QStringLiteral("Bookingnr"))
            update << QStringLiteral("%1 = excluded.%1").arg(column);
    QString sql = QStringLiteral("INSERT INTO bookingarkiv ( %1 ) SELECT %1 FROM booking b WHERE ")
                      .arg(columns)
                  + where;
    if (checkArchive)
        sql += QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM bookingarkiv a WHERE "
                              "a.Bookingnr = b.Bookingnr AND NOT %1)")
                   .arg(QString::fromLatin1(kOutdatedCopy));
    return sql + QStringLiteral(" ON CONFLICT (Bookingnr) DO UPDATE SET ")
           + update.join(QStringLiteral(", "));
}

QString ArchiveCopyCurrent(const QString& live)
{
    return QStringLiteral("EXISTS (SELECT 1 FROM bookingarkiv a WHERE a.Bookingnr = %1.Bookingnr "
                          "AND a.Bdato = %1.Bdato AND coalesce(a.rowversion = %1.rowversion, "
                          "a.rowversion IS NULL))")
        .arg(live);
}

QString ArchiveWithdrawSql(const QString& deleteBefore, const QString& copyBefore)
{
    return QStringLiteral("DELETE FROM bookingarkiv WHERE Bdato >= %1 AND rowversion IS NOT NULL "
                          "AND EXISTS (SELECT 1 FROM booking b WHERE b.Bookingnr = "
                          "bookingarkiv.Bookingnr AND b.Bdato >= %2 AND b.rowversion > "
                          "bookingarkiv.rowversion)")
        .arg(deleteBefore, copyBefore);
}

Statement ArchiveCopyStatement(int lower, int upper)
{
    // Which bookings are archived already is read from the archive itself,
    // not from the last run's date: a missing date or a changed delay then
    // neither copies a day twice nor skips one.
    return {ArchiveCopySql(QStringLiteral("b.Bdato >= ? AND b.Bdato < ?")),
            {std::max(lower, FirstPossibleDay()), upper}};
}

Statement ArchiveDeleteStatement(int deleteBefore, bool archivedOnly)
{
    // Only whole day numbers of possible days count: a row with a damaged
    // date is kept. A booking changed since its copy was made stays until
    // the copy is made again.
    QString sql = QStringLiteral("DELETE FROM Booking WHERE Booking.Bdato < ? "
                                 "AND Booking.Bdato >= ? "
                                 "AND Booking.Bdato = CAST(Booking.Bdato AS INTEGER)");
    if (archivedOnly)
        sql += QStringLiteral(" AND ") + ArchiveCopyCurrent(QStringLiteral("Booking"));
    return {sql, {deleteBefore, FirstPossibleDay()}};
}

Statement ArchiveCopyByNumberStatement(int upper, qint64 fromNumber, qint64 toNumber,
                                       bool archiveHoldsAny)
{
    // The unary plus keeps the planner off the date index. A look-up in the
    // archive for each of a backlog's bookings took most of a server's copy;
    // when none of the range can be there it is left out.
    return {ArchiveCopySql(QStringLiteral("b.Bookingnr >= ? AND b.Bookingnr < ? AND +b.Bdato < ? "
                                          "AND +b.Bdato >= ?"),
                           archiveHoldsAny),
            {fromNumber, toNumber, upper, FirstPossibleDay()}};
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
