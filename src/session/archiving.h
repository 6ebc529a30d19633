#pragma once
// Once a day past bookings are copied to the archive, and bookings older
// than the delete delay leave the live table.

#include "db/database.h"

#include <QDate>
#include <functional>

namespace vestra {

constexpr int kMaxArchiveDelayDays = 100 * 366;
// A run that deletes most of a store of at least this many bookings goes
// through Booking by number: on a file it drops Booking's indexes and keyword
// table for the run and makes them again after; on a server and on a file
// alike a smaller archive's indexes go the same way.
constexpr int kBulkArchiveMinimum = 10000;
// The most bookings a stretch of the run copies or deletes between reports.
constexpr int kArchiveStretchRows = 5000;
// The page cache a booking file's daily run works with.
constexpr int kArchivePageCacheKiB = 256 * 1024;

// The front desk's words for a file that failed its check.
QString DamagedFileText(const QString& path);

struct ArchiveResult {
    bool ran = false; // false when another workstation had already run today
    bool ok = true;
    bool damaged = false;   // the file failed its check: nothing was written
    bool cancelled = false; // stopped by the user: nothing was written
    int copied = 0;
    int deleted = 0;
    // Bookings dated outside the possible days (FirstPossibleDay to
    // LastPossibleDay): never copied nor deleted, only counted.
    int impossibleDates = 0;
    QList<int> impossibleDateBookings; // the first few of them, by number
    QString error;
};
// The warning about bookings the run left alone for their dates; empty when there are none.
QString ImpossibleDatesText(const ArchiveResult& result);

// Checks the file first; a damaged one is left as it is. Then copies the
// bookings dated before today - archiveDelay that the archive does not hold
// yet, deletes those dated before today - deleteDelay and stores today's
// date, all in one transaction. The stored date is read again under the
// write lock, so a second workstation starting the same day runs nothing.
// Only archived bookings are deleted, unless the delete delay is the shorter
// one; a delay below 0 or above kMaxArchiveDelayDays copies or deletes
// nothing, so no setting can reach today's or later bookings.
//
// A backlog goes a stretch of days at a time, each stretch through the index
// on the date; progress(done, total) is told the bookings the run has gone
// through, once before the first stretch (so a window can show at once) and
// after each, and a false answer takes the whole run back (cancelled).
// On a server the run's deletes send no notice each; other workstations
// hear once, when it commits, that bookings of any day may have changed.
using ArchiveProgress = std::function<bool(int done, int total)>;
// A file the caller has just checked (the start-up checks every file it
// opens) is not checked again: on a large file the check takes a while.
enum class FileCheck { Run, DoneByCaller };
ArchiveResult ArchiveBookings(Database& bookingFile, const QDate& today, int archiveDelayDays,
                              int deleteDelayDays, const ArchiveProgress& progress = {},
                              FileCheck check = FileCheck::Run);

} // namespace vestra
