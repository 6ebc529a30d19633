#pragma once
// The dates of a series being built: candidates in the workstation's
// gendatogent table, each checked against the stored bookings, moved to a
// free item of the same type when it collides, and finally booked.

#include "booking/bookingdetails.h"
#include "db/database.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>
#include <QVariant>
#include <functional>

namespace vestra {

struct Candidate {
    int id = 0;
    int day = 0;
    QTime start;
    QTime end;
    int item = 0;
    bool collides = false;  // a stored booking overlaps it, or it could not be checked
    bool unchecked = false; // the booking file was busy: it counts as colliding
};

void ClearCandidates(Database& work);

// Stored bookings on the day and item that overlap start..end; touching ones
// do not. -1 when the check cannot run; the callers count that as a collision.
int CheckCandidate(Database& bookingFile, int day, int item, int startMinutes, int endMinutes);

// Adds one candidate, checked at once; returns its ID.
std::optional<int> AddCandidate(Database& work, Database& bookingFile, int day, int item,
                                int startMinutes, int endMinutes);

// Told how many dates of a series are done of how many, at the start and
// after every stretch of dates; a false answer stops the run, which then
// leaves nothing behind.
using SeriesProgress = std::function<bool(int done, int total)>;
constexpr int kSeriesStretchRows = 50;
// A series of this many dates shows its progress at once.
constexpr int kSeriesBigRun = 250;

// One candidate every interval days after startDay up to endDay (the start
// day itself is not one). Returns the number added; an interval below 1 adds none,
// and so does a failed or stopped run.
int GenerateCandidates(Database& work, Database& bookingFile, int startDay, int endDay,
                       int interval, const BookingDetails& t, const SeriesProgress& progress = {});

// At most limit candidates in the table's order.
QList<Candidate> LoadCandidates(Database& work, int limit = 2000);
bool RemoveCandidate(Database& work, int id);
bool RemoveCollidingCandidates(Database& work);

// A stored booking on the item that covers the start, covers the end, or
// lies within start..end. A check that cannot run answers true (booked) and
// sets unchecked.
bool IsItemBooked(Database& bookingFile, int startMinutes, int endMinutes, int day, int item,
                  bool* unchecked = nullptr);

struct Alternative {
    int item = 0;
    QString name;
};

// Fills andetlokalt with the items of the template item's own type, other
// than that item, that are free at the candidate's time; returns them in
// display order. unchecked is set when the booking file could not answer:
// the items it could not check are left out.
QList<Alternative> FindAlternatives(Database& work, Database& bookingFile, int candidateId,
                                    int templateItem, bool* unchecked = nullptr);
QList<Alternative> LoadAlternatives(Database& work, int limit = 2000);

// Moves the candidate to the item and clears its collision mark.
bool ApplyAlternative(Database& work, int candidateId, int item);

// Books every candidate as a copy of the template, marks the template as the
// head of the series, all in one transaction. The bookings take their type
// from the template's item, whatever type the schedule shows. Returns the
// number of new bookings, or (nothing written) kCommitFailed, also for a
// template without a fee, or kCommitItemGone when an item of the series no
// longer exists, or kCommitCancelled when progress answered false.
constexpr int kCommitFailed = -1;
constexpr int kCommitItemGone = -2;
constexpr int kCommitCancelled = -3;
int CommitSeries(Database& bookingFile, Database& work, const BookingDetails& t, int colour,
                 const SeriesProgress& progress = {});

} // namespace vestra
