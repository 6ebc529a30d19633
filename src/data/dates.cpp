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

int FirstPossibleDay()
{
    return DayNumber(QDate(1900, 1, 1));
}

int LastPossibleDay()
{
    return DayNumber(QDate(9999, 12, 31));
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
    const int span =
        endSeconds >= startSeconds ? endSeconds - startSeconds : endSeconds + 86400 - startSeconds;
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
QString QtDateFormat(const QString& pattern)
{
    // The old letters are case-insensitive; Qt wants d, M and y for dates.
    // Anything else is kept literally (quoted, so that Qt does not read it).
    QString out;
    QString literal;
    auto flushLiteral = [&] {
        if (!literal.isEmpty())
            out += QLatin1Char('\'') + literal + QLatin1Char('\'');
        literal.clear();
    };
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i).toLower();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern.at(i + run).toLower() == c)
            ++run;
        if (c == QLatin1Char('d') || c == QLatin1Char('m') || c == QLatin1Char('y')) {
            flushLiteral();
            if (c == QLatin1Char('d'))
                out += QString(qMin<qsizetype>(run, 4), QLatin1Char('d'));
            else if (c == QLatin1Char('m'))
                out += QString(qMin<qsizetype>(run, 4), QLatin1Char('M'));
            else
                out += run <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
        } else if (c.isLetter() || c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Quotes of the old pattern only delimit literal text.
            if (c.isLetter())
                literal += pattern.mid(i, run);
        } else {
            flushLiteral();
            out += pattern.mid(i, run);
        }
        i += run;
    }
    flushLiteral();
    const bool complete = out.contains(QLatin1Char('d')) && out.contains(QLatin1Char('M'))
                          && out.contains(QLatin1Char('y'));
    return complete ? out : QStringLiteral("dd-MM-yyyy");
}

QString QtDateFormatForNumber(int dateFormatNo)
{
    return dateFormatNo == 0 ? QStringLiteral("MM-dd-yyyy") : QStringLiteral("dd-MM-yyyy");
}
} // namespace vestra
