#pragma once
// Copying one booking's details into the rest of its series, and the
// e-mail message about a booking.

#include "booking/bookingdetails.h"
#include "db/database.h"

#include <QDate>
#include <QString>
#include <QVariant>

namespace vestra {

// Writes the details into the other bookings of the series details.gennr
// (all but details.bookingnr, which its form stores), in one transaction;
// dates and items stay each booking's own. Returns the number of bookings
// changed, or -1 on failure; details without a fee write nothing. Details
// read from a booking that another workstation has changed since write
// nothing either: kSeriesChangedElsewhere.
inline constexpr int kSeriesChangedElsewhere = -2;
int UpdateSeries(Database& bookingFile, const BookingDetails& details);

// "Concerning: Booking of <item>, <date>, <start>", the body of a mail about a booking.
QString BookingMailBody(const QString& item, const QDate& date, const QString& dateFormatLong,
                        int startSeconds);
// The mail link's target, built exactly as mail programs of the institution expect it.
QString BookingMailTarget(const QString& email, const QString& item, const QDate& date,
                          const QString& dateFormatLong, int startSeconds);

} // namespace vestra
