#pragma once
// The booking lists' rows (listrows/bookinglists.h) and where a listed
// booking sits in the schedule.

#include "db/database.h"
#include "listrows/bookinglists.h"
#include "shell/navigator.h"

#include <QDate>
#include <optional>

namespace vestra {

struct Session;

// Where a found booking sits in the schedule (BookingPlace, the saved query bookingS).
std::optional<BookingPlace> FindBookingPlace(Database& bookingFile, int bookingnr);

// InstitutionName + separator + InstitutionCity + ", " + today's date.
QString ListPrintSubtitle(const Session& session, const QString& separator, const QDate& today);

} // namespace vestra
