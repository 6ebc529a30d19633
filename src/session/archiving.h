#pragma once
// Once a day past bookings are copied to the archive, and bookings older
// than the delete delay leave the live table.

#include "platform/db/database.h"

#include <QDate>

namespace vestra {

struct ArchiveResult {
    bool ran = false; // false when another workstation had already run today
    bool ok = true;
    int copied = 0;
    int deleted = 0;
    QString error;
};

// Copies the bookings dated before today - archiveDelay that the archive does
// not hold yet, deletes those dated before today - deleteDelay and stores
// today's date, all in one transaction. The stored date is read again under
// the write lock, so a second workstation starting the same day runs nothing.
ArchiveResult ArchiveBookings(Database& bookingFile, const QDate& today, int archiveDelayDays,
                              int deleteDelayDays);

} // namespace vestra
