#pragma once
// Deleting the bookings of a series within a range of dates, and the list of
// series that end soon.

#include "data/statements.h"
#include "db/database.h"

#include <QDate>
#include <QList>
#include <QString>

namespace vestra {

enum class SeriesDeleteScope { All, ThisAndRest, ThisAndUntil };

struct DayRange {
    int first = 0;
    int last = 0;
};

// "All" reaches a year either side of today; the other two start at the open
// booking's day; "until" ends at the chosen day, the others a year after today.
DayRange SeriesDeleteRange(SeriesDeleteScope scope, int bookingDay, int untilDay,
                           const QDate& today);

// Deletes the series' bookings dated in the range, both ends included; a
// series number of 0 or less deletes nothing. Returns the number deleted,
// -1 on failure.
int DeleteSeriesRange(Database& bookingFile, int gennr, const DayRange& range);
// The condition on Booking that selects the bookings DeleteSeriesRange deletes.
Statement SeriesRangeSelection(int gennr, const DayRange& range);

struct ExpiringSeries {
    int lastDay = 0;
    int start = 0;
    int end = 0;
    QString title;
    QString item;
    QString account;
    QString phone;
};

// Series whose last booking lies from fromDay to toDay, both included.
Statement ExpiringSeriesStatement(int fromDay, int toDay, int limit);
QList<ExpiringSeries> LoadExpiringSeries(Database& bookingFile, int fromDay, int toDay,
                                         int limit = 2000);

} // namespace vestra
