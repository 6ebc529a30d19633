#include "data/dates.h"

#include <cmath>

namespace vestra {

namespace {
const QDate kDayZero(1900, 1, 1);
// Counted on the calendar, not the local clock: summer time or a zone's old
// local mean time would shift the count by minutes or an hour.
const QDateTime kEngineZero(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
} // namespace

int RoundHalfEven(double value)
{
    // nearbyint follows the current rounding mode, which is to-nearest-even.
    return static_cast<int>(std::nearbyint(value));
}

int DayNumber(const QDate& date)
{
    return static_cast<int>(kDayZero.daysTo(date));
}

QDate DateFromDayNumber(int dayNumber)
{
    return kDayZero.addDays(dayNumber);
}

int MinutesOfDay(const QTime& time)
{
    return time.msecsSinceStartOfDay() / 60000;
}

qint64 MinutesOfDay(const QDateTime& value)
{
    const QDateTime wall(value.date(), value.time(), Qt::UTC);
    return kEngineZero.secsTo(wall) / 60;
}

QTime TimeFromMinutes(int minutes)
{
    return QTime(0, 0).addSecs(minutes * 60);
}

int MinutesFromSeconds(int seconds)
{
    return RoundHalfEven(seconds / 60.0);
}

int HoursBetween(int startSeconds, int endSeconds)
{
    const int span = endSeconds >= startSeconds ? endSeconds - startSeconds
                                                : endSeconds + 86400 - startSeconds;
    return RoundHalfEven(span / 3600.0);
}

QDate WeekStart(const QDate& date, const QString& firstDay)
{
    return date.addDays(-date.dayOfWeek() + firstDay.toInt());
}

int IsoWeekNumber(const QDate& date)
{
    return date.weekNumber();
}

} // namespace vestra

namespace vestra {
QString QtDateFormat(const QString& format)
{
    QString out = format;
    out.replace(QLatin1Char('m'), QLatin1Char('M'));
    out.replace(QLatin1Char('Y'), QLatin1Char('y'));
    out.replace(QLatin1Char('D'), QLatin1Char('d'));
    return out.isEmpty() ? QStringLiteral("dd-MM-yyyy") : out;
}
} // namespace vestra
