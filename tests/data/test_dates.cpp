#include "data/dates.h"

#include "support/printers.h"

#include <ctime>

#include <gtest/gtest.h>

using namespace vestra;

TEST(Dates, DayNumbersCountFrom1900)
{
    EXPECT_EQ(DayNumber(QDate(1900, 1, 1)), 0);
    EXPECT_EQ(DayNumber(QDate(2000, 1, 1)), 36524);
    EXPECT_EQ(DayNumber(QDate(1899, 12, 31)), -1);
    EXPECT_EQ(DateFromDayNumber(36524), QDate(2000, 1, 1));
    // Leap days on both sides of the century rule.
    EXPECT_EQ(DayNumber(QDate(2000, 3, 1)) - DayNumber(QDate(2000, 2, 28)), 2);
    EXPECT_EQ(DayNumber(QDate(1900, 3, 1)) - DayNumber(QDate(1900, 2, 28)), 1);
    for (int n : {0, 1, 36524, 45000, 60000})
        EXPECT_EQ(DayNumber(DateFromDayNumber(n)), n);
}

TEST(Dates, MinutesOfDay)
{
    EXPECT_EQ(MinutesOfDay(QTime(13, 45)), 825);
    EXPECT_EQ(MinutesOfDay(QTime(13, 45, 59)), 825);
    EXPECT_EQ(MinutesOfDay(QTime(0, 0)), 0);
    EXPECT_EQ(MinutesOfDay(QTime(23, 59)), 1439);
    EXPECT_EQ(TimeFromMinutes(825), QTime(13, 45));
    EXPECT_EQ(TimeFromMinutes(0), QTime(0, 0));
    // A full date/time counts from the engine's day zero, 1899-12-30.
    EXPECT_EQ(MinutesOfDay(QDateTime(QDate(1899, 12, 30), QTime(13, 45))), 825);
    EXPECT_EQ(MinutesOfDay(QDateTime(QDate(1899, 12, 31), QTime(0, 1))), 1441);
    // Whatever the local clock: neither summer time nor a zone's 1899 local
    // mean time moves the count.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Copenhagen");
    tzset();
    const qint64 summer = MinutesOfDay(QDateTime(QDate(2004, 7, 1), QTime(13, 45)));
    zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
    tzset();
    EXPECT_EQ(summer, (DayNumber(QDate(2004, 7, 1)) + 2) * qint64(1440) + 825);
}

TEST(Dates, SecondsBecomeMinutesWithHalvesToEven)
{
    EXPECT_EQ(MinutesFromSeconds(8 * 3600), 480);
    EXPECT_EQ(MinutesFromSeconds(8 * 3600 + 30), 480); // 480.5 -> 480
    EXPECT_EQ(MinutesFromSeconds(8 * 3600 + 90), 482); // 481.5 -> 482
    EXPECT_EQ(MinutesFromSeconds(8 * 3600 + 31), 481);
}

TEST(Dates, HoursBetween)
{
    struct Case {
        int start, end, hours;
    } cases[] = {
        {3600, 10800, 2},  // 01:00-03:00
        {5400, 10800, 2},  // 01:30-03:00: 1.5 rounds to the even 2
        {9000, 10800, 0},  // 02:30-03:00: 0.5 rounds to 0
        {1800, 10800, 2},  // 2.5 h rounds to the even 2
        {79200, 7200, 4},  // 22:00-02:00 passes midnight
        {28800, 28800, 0}, // empty
        {28800, 30600, 0}, // 08:00-08:30
    };
    for (const Case& c : cases)
        EXPECT_EQ(HoursBetween(c.start, c.end), c.hours) << c.start << "-" << c.end;
}

TEST(Dates, WeekStartFollowsFirstDay)
{
    // Monday 8, Wednesday 10 and Sunday 14 March 2004: a Sunday belongs to
    // the week that began on the Sunday before.
    for (int day : {8, 10, 14}) {
        EXPECT_EQ(WeekStart(QDate(2004, 3, day), "1"), QDate(2004, 3, 8)) << day;
        EXPECT_EQ(WeekStart(QDate(2004, 3, day), "0"), QDate(2004, 3, 7)) << day;
    }
}
