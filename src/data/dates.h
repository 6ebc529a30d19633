#pragma once
// Dates are stored as day numbers (days since 1900-01-01), booking times as
// minutes since midnight, the institution's times of day as seconds.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

namespace vestra {

// Rounds to the nearest whole number, halves to the even one (1.5 -> 2, 0.5 -> 0).
int RoundHalfEven(double value);

int DayNumber(const QDate& date);
QDate DateFromDayNumber(int dayNumber);
// The days a booking can fall on: the years 1900 to 9999. A row dated
// outside them was written by something else; runs over dates leave it alone.
int FirstPossibleDay();
int LastPossibleDay();

// Minutes since midnight for a time of day.
int MinutesOfDay(const QTime& time);
// Minutes since the engine's day zero (1899-12-30 00:00) for a full date/time value.
qint64 MinutesOfDay(const QDateTime& value);
QTime TimeFromMinutes(int minutes);

// Seconds since midnight divided by 60, halves to even (08:00:30 -> 480).
int MinutesFromSeconds(int seconds);

// Whole hours between two times of day given in seconds; a booking that
// passes midnight counts the hours across it.
int HoursBetween(int startSeconds, int endSeconds);

// First day of the week holding the date: firstDay "1" gives the Monday on or
// before it, "0" the Sunday before it (a Sunday gives the Sunday a week earlier).
QDate WeekStart(const QDate& date, const QString& firstDay);

// ISO week number (weeks start on Monday; week 1 holds at least four days of the year).
int IsoWeekNumber(const QDate& date);

} // namespace vestra

namespace vestra {
// The program's date format texts ("dd-mm-yyyy", "mm/dd/yyyy", "mmmm d, yyyy")
// as Qt date formats for date editors ("dd-MM-yyyy"); a text without day,
// month and year gives "dd-MM-yyyy".
QString QtDateFormat(const QString& format);
// The editor format of a date format number: 0 is month first.
QString QtDateFormatForNumber(int dateFormatNo);
} // namespace vestra
