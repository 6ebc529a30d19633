#pragma once
// One booking as the booking form holds it: what the user sees and edits,
// and what the program keeps for itself (series number and flag, price type,
// the item's group kind, the chosen account). The form hands out a copy; the
// series windows copy it into new bookings or into the rest of a series.
// Texts the form stores as nothing are null strings here too.

#include "data/dates.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace vestra {

struct BookingDetails {
    int bookingnr = 0;
    int item = 0;
    int groupKind = 0; // 1 for rooms, anything else for other resources
    int day = 0;
    int startSeconds = 0;
    int endSeconds = 0;
    QString beskrivelse;
    QString langbeskrivelse;
    QString bemaerkninger;
    QVariant antalpers;
    QString leveringstype;
    QVariant floorPlan;
    QVariant kontonr;
    QString curacname;
    QString contact[6]; // Kontaktperson2 ... Kontakttlfb2
    // The typed fee; absent while the form's fee is not a number, so that an
    // unreadable fee can never be copied as 0.
    std::optional<double> pris;
    bool tax = false;
    int priceType = 0; // 1 list price, 2 agreed; 0 before the form has chosen
    bool tentative = false;
    int gennr = 0; // the series' head booking; 0 outside any series
    bool repeated = false;
    int colour = 0;
    // The booking's change counter as the form read it; none for details
    // not read from a stored booking.
    std::optional<qint64> rowversion;

    // The start and end rounded to whole minutes, as new bookings take them.
    int startMinutes() const { return MinutesFromSeconds(startSeconds); }
    int endMinutes() const { return MinutesFromSeconds(endSeconds); }
};

} // namespace vestra
