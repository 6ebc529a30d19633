#pragma once
// What a room panel or a lobby board shows for one item at one moment:
// free, in use, tentative or unavailable, until when, and what comes next.
// Plain values in, plain values out, so the same moment always gives the
// same screen, whatever the clock or the store did in between.

#include <QList>
#include <QString>
#include <optional>

namespace vestra {

// A booking as a panel sees it. Times are minutes since midnight of day; an
// end before the start runs past midnight into the next day.
struct PanelBooking {
    int bookingnr = 0;
    int day = 0;
    int start = 0;
    int end = 0;
    QString title;
    QString account;
    bool tentative = false;
};

// An item with its bookings of yesterday (which may run past midnight into
// today), today and tomorrow.
struct PanelItemData {
    int item = 0;
    QString name;
    QString type;
    // The item's unavailable period (whole days; an open end has no bound).
    bool inactive = false;
    std::optional<int> inactiveFrom;
    std::optional<int> inactiveTo;
    QList<PanelBooking> bookings;
};

enum class PanelStatus { Free, InUse, Tentative, Unavailable };

// A moment: a day number and the minute of that day.
struct PanelMoment {
    int day = 0;
    int minute = 0;
};

struct PanelItemState {
    PanelStatus status = PanelStatus::Free;
    // Free: the start of the next booking today (none: free all day).
    // In use or tentative: the current booking's end, possibly tomorrow.
    // Unavailable: the first moment it is available again (none: no end set).
    std::optional<PanelMoment> until;
    // In use or tentative: the current booking.
    std::optional<PanelBooking> current;
    // The first booking that starts after now, today or later.
    std::optional<PanelBooking> next;
    // The rest of today's bookings (not ended, not the current one) and
    // tomorrow's, each in start order.
    QList<PanelBooking> laterToday;
    QList<PanelBooking> tomorrow;
};

PanelItemState ComputeItemState(const PanelItemData& data, const PanelMoment& now);

// The first minute of a booking and the one after its last, counted from the
// start of day `from`.
int BookingBegin(const PanelBooking& b, int from);
int BookingFinish(const PanelBooking& b, int from);

// Texts of the state: "Free", "In use", "Tentative", "Unavailable"; the
// "until" line ("until 14:30", "all day", "until tomorrow 01:00", "back on
// 12-03-2027", "until further notice"); a booking's times "09:00–10:30".
QString StatusWord(PanelStatus status);
QString UntilText(const PanelItemState& state, const PanelMoment& now);
QString BookingTimes(const PanelBooking& b);
// "Next: 14:00 Title" or "Next: tomorrow 08:00 Title"; empty without one.
QString NextText(const PanelItemState& state, const PanelMoment& now);

// Where a walk-in booking starts: the current quarter hour, but not before
// the end of a booking that has just ended.
int WalkInStart(const PanelItemData& data, const PanelMoment& now);
// The walk-in lengths (15, 30, 60 minutes) that fit before the next booking
// of the item starting at start; none when the item is not free now.
QList<int> WalkInLengths(const PanelItemData& data, const PanelMoment& now);

} // namespace vestra
