#include "panel/panelstate.h"

#include "data/dates.h"

#include <QTime>
#include <algorithm>

namespace vestra {

namespace {

constexpr int kDay = 1440;

QString clock(int minute)
{
    return QTime::fromMSecsSinceStartOfDay(((minute % kDay + kDay) % kDay) * 60000)
        .toString(QStringLiteral("HH:mm"));
}

PanelMoment momentAt(int day, int minutes)
{
    const int days = minutes >= 0 ? minutes / kDay : -((kDay - 1 - minutes) / kDay);
    return {day + days, minutes - days * kDay};
}

QString dateText(int day)
{
    return DateFromDayNumber(day).toString(QStringLiteral("dd-MM-yyyy"));
}

// "14:00", "tomorrow 14:00" or "12-03-2027 14:00", seen from today.
QString timeSeenFrom(const PanelMoment& at, int today)
{
    if (at.day == today)
        return clock(at.minute);
    if (at.day == today + 1)
        return QStringLiteral("tomorrow ") + clock(at.minute);
    return dateText(at.day) + QLatin1Char(' ') + clock(at.minute);
}

} // namespace

int BookingBegin(const PanelBooking& b, int from)
{
    return (b.day - from) * kDay + b.start;
}

int BookingFinish(const PanelBooking& b, int from)
{
    return BookingBegin(b, from) + (b.end < b.start ? b.end + kDay : b.end) - b.start;
}

PanelItemState ComputeItemState(const PanelItemData& data, const PanelMoment& now)
{
    const int today = now.day;
    const int n = now.minute;
    QList<PanelBooking> bookings = data.bookings;
    std::sort(bookings.begin(), bookings.end(), [today](const auto& a, const auto& b) {
        const int x = BookingBegin(a, today), y = BookingBegin(b, today);
        return x != y ? x < y : a.bookingnr < b.bookingnr;
    });

    PanelItemState state;
    for (const PanelBooking& b : bookings) {
        const int begin = BookingBegin(b, today), finish = BookingFinish(b, today);
        // A booking that ends exactly now is over; one that starts now has begun.
        if (!state.current && begin <= n && n < finish) {
            state.current = b;
            continue;
        }
        if (!state.next && begin > n)
            state.next = b;
        if (b.day == today + 1)
            state.tomorrow << b;
        else if (finish > n && begin < kDay && finish > begin)
            state.laterToday << b;
    }

    if (state.current) {
        state.status = state.current->tentative ? PanelStatus::Tentative : PanelStatus::InUse;
        state.until = momentAt(today, BookingFinish(*state.current, today));
    } else if (state.next && BookingBegin(*state.next, today) < kDay) {
        state.until = PanelMoment{today, BookingBegin(*state.next, today)};
    }
    const bool unavailable = data.inactive && (!data.inactiveFrom || *data.inactiveFrom <= today)
                             && (!data.inactiveTo || *data.inactiveTo >= today);
    if (unavailable) {
        state.status = PanelStatus::Unavailable;
        state.until =
            data.inactiveTo ? std::optional(PanelMoment{*data.inactiveTo + 1, 0}) : std::nullopt;
    }
    return state;
}

QString StatusWord(PanelStatus status)
{
    switch (status) {
    case PanelStatus::Free:
        return QStringLiteral("Free");
    case PanelStatus::InUse:
        return QStringLiteral("In use");
    case PanelStatus::Tentative:
        return QStringLiteral("Tentative");
    case PanelStatus::Unavailable:
        return QStringLiteral("Unavailable");
    }
    return {};
}

QString UntilText(const PanelItemState& state, const PanelMoment& now)
{
    if (state.status == PanelStatus::Unavailable)
        return state.until ? QStringLiteral("back on ") + dateText(state.until->day)
                           : QStringLiteral("until further notice");
    if (!state.until)
        return QStringLiteral("all day");
    return QStringLiteral("until ") + timeSeenFrom(*state.until, now.day);
}

QString BookingTimes(const PanelBooking& b)
{
    return clock(b.start) + QChar(0x2013) + clock(b.end);
}

QString NextText(const PanelItemState& state, const PanelMoment& now)
{
    if (!state.next)
        return {};
    return QStringLiteral("Next: ")
           + timeSeenFrom(momentAt(state.next->day, state.next->start), now.day) + QLatin1Char(' ')
           + state.next->title;
}

int WalkInStart(const PanelItemData& data, const PanelMoment& now)
{
    int start = now.minute / 15 * 15;
    for (const PanelBooking& b : data.bookings) {
        const int finish = BookingFinish(b, now.day);
        if (finish <= now.minute && finish > start)
            start = finish;
    }
    return start;
}

QList<int> WalkInLengths(const PanelItemData& data, const PanelMoment& now)
{
    const PanelItemState state = ComputeItemState(data, now);
    if (state.status != PanelStatus::Free)
        return {};
    const int start = WalkInStart(data, now);
    QList<int> lengths;
    for (int length : {15, 30, 60}) {
        const bool fits = std::none_of(data.bookings.begin(), data.bookings.end(), [&](auto& b) {
            return BookingBegin(b, now.day) < start + length && BookingFinish(b, now.day) > start
                   && BookingFinish(b, now.day) > BookingBegin(b, now.day);
        });
        if (fits)
            lengths << length;
    }
    return lengths;
}

} // namespace vestra
