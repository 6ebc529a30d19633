#pragma once
// Copying one booking's details into the rest of its series, and the
// e-mail message about a booking.

#include "platform/database.h"

#include <QDate>
#include <QString>
#include <QVariant>

namespace vestra {

// The details every booking of a series shares; dates and items stay each booking's own.
struct SeriesDetails {
    int gennr = 0;
    int bookingnr = 0;  // the open booking, which is stored by its form
    QVariant kontonr;
    QString curacname;
    QString beskrivelse;
    QString langbeskrivelse;
    QVariant antalpers;
    QString bemaerkninger;
    QString leveringstype;
    double pris = 0;
    int startSeconds = 0;
    int endSeconds = 0;
    QVariant floorPlan;
    QString contact[6];  // Kontaktperson2 ... Kontakttlfb2
    bool tax = false;
    int priceType = 2;
    bool tentative = false;
};

// Writes the details into the series' other bookings, in one transaction.
// Returns the number of bookings changed, or -1 on failure.
int UpdateSeries(Database& bookingFile, const SeriesDetails& details);

// The mail link's target, built exactly as mail programs of the institution expect it.
QString BookingMailTarget(const QString& email, const QString& item, const QDate& date,
                          const QString& dateFormatLong, int startSeconds);

} // namespace vestra
