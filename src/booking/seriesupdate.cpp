#include "booking/seriesupdate.h"

#include "data/audit.h"
#include "data/dates.h"
#include "report/reportformat.h"

namespace vestra {

int UpdateSeries(Database& db, const BookingDetails& d)
{
    // A booking outside any series (gennr 0 or empty) has no others to update.
    if (d.gennr == 0)
        return 0;
    if (!d.pris)
        return -1;
    Transaction tx(db);
    if (!tx.ok())
        return -1;
    if (d.rowversion) {
        // Under the write lock: the booking copied from is still as it was read.
        const QVariant now = db.scalar(
            QStringLiteral("SELECT %1 FROM Booking WHERE Bookingnr = ?").arg(kChangeCounter),
            {d.bookingnr});
        if (db.lastError().size())
            return -1;
        if (!now.isValid() || now.toLongLong() != *d.rowversion)
            return kSeriesChangedElsewhere;
    }
    const bool ok = db.exec(
        QStringLiteral("UPDATE Booking SET kontonr = ?, curacname = ?, Beskrivelse = ?, "
                       "langbeskrivelse = ?, Antalpers = ?, Bemærkninger = ?, leveringstype = ?, "
                       "Pris = ?, Bstart = ?, Bslut = ?, ID = ?, Kontaktperson2 = ?, "
                       "Kontaktpersonadr2 = ?, Kontaktpersonpnr2 = ?, Kontaktpersonby2 = ?, "
                       "Kontakttlf2 = ?, Kontakttlfb2 = ?, tax = ?, bvpris = ?, Tentative = ? "
                       "WHERE gennr = ? AND Bookingnr <> ?"),
        {d.kontonr,
         d.curacname,
         d.beskrivelse,
         d.langbeskrivelse,
         d.antalpers,
         d.bemaerkninger,
         d.leveringstype,
         *d.pris,
         d.startSeconds / 60,
         d.endSeconds / 60,
         d.floorPlan,
         d.contact[0],
         d.contact[1],
         d.contact[2],
         d.contact[3],
         d.contact[4],
         d.contact[5],
         d.tax ? -1 : 0,
         d.priceType,
         d.tentative ? -1 : 0,
         d.gennr,
         d.bookingnr});
    const int changed = db.changedRows();
    if (!ok
        || !WriteAuditRow(db, AuditAction::SeriesUpdated, QString::number(d.bookingnr),
                          QStringLiteral("series %1: %2 bookings set to %3")
                              .arg(d.gennr)
                              .arg(changed)
                              .arg(d.beskrivelse))
        || !tx.commit())
        return -1;
    return changed;
}

QString BookingMailBody(const QString& item, const QDate& date, const QString& dateFormatLong,
                        int startSeconds)
{
    const QTime start = TimeFromMinutes(RoundHalfEven(startSeconds / 60.0));
    return QStringLiteral("Concerning: Booking of ") + item + QStringLiteral(", ")
           + FormatValue(date, dateFormatLong) + QStringLiteral(", ")
           + start.toString(QStringLiteral("HH:mm:ss"));
}

QString BookingMailTarget(const QString& email, const QString& item, const QDate& date,
                          const QString& dateFormatLong, int startSeconds)
{
    return QStringLiteral("mailto: ") + email + QStringLiteral("?subject=Booking Message&body=")
           + BookingMailBody(item, date, dateFormatLong, startSeconds);
}

} // namespace vestra
