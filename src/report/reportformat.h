#pragma once
// The one converter for the format strings that reports, lists and windows
// carry over from the old program: number patterns ("0.00", "#,##0.00"),
// date/time patterns ("h:mm", "dddd", "mmmm d, yyyy") and the named formats
// ("Short Date", "Short Time", ...). Separators and names come from the
// locale passed in, so a Danish locale gives "1.250,00" and "mandag".

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>
#include <QVariant>

namespace vestra {

// Whether the value holds a number of any integer or floating type (a yes/no
// or a text of digits does not count).
bool IsNumericValue(const QVariant& value);

// Formats any value: numbers with a number pattern, dates and times with a
// date pattern. An empty format gives the value's plain text; a null value
// gives an empty text.
QString FormatValue(const QVariant& value, const QString& format,
                    const QLocale& locale = QLocale());

// Number patterns: '0' a digit always shown, '#' a digit shown when needed,
// ',' in the integer part turns on grouping, '.' the decimal point, '%'
// multiplies by 100. Text around the digits is kept; "pos;neg;zero" sections
// are honoured. The last digit shown rounds by RoundAmount's rule.
QString FormatNumber(double value, const QString& pattern, const QLocale& locale = QLocale());

// The one rounding for money and every printed figure: halves away from
// zero (312.625 gives 312.63, -0.125 gives -0.13). A value within binary
// noise of a half counts as that half, so 2.675 (stored as 2.67499999...)
// rounds as the decimal the user typed.
double RoundAmount(double value, int decimals = 2);

// The one amount format: the locale's digit grouping and two decimals
// ("1.250,00" in a Danish locale, "1,250.00" in an English one).
inline constexpr const char* kAmountFormat = "#,##0.00";
QString FormatAmount(double amount, const QLocale& locale = QLocale());

// Date/time patterns in the old program's letters (case-insensitive): d dd
// ddd dddd, m mm mmm mmmm (minutes after h or before s), n nn, yy yyyy, h hh,
// s ss, AM/PM and A/P; "quoted" and \escaped text is literal.
QString FormatDateTime(const QDateTime& value, const QString& pattern,
                       const QLocale& locale = QLocale());

// A number as the user would type it: no grouping, only the decimals it
// needs ("12.5", "25"; "12,5" in a Danish locale).
QString PlainNumber(double value, const QLocale& locale = QLocale());

// The booking file's date format in the old letters ("dd-mm-yyyy"). "Short
// Date", "General Date" and dates shown without a format follow it, so a
// date reads the same on every screen and report whatever the system
// locale; empty (no booking file yet) falls back to the locale's short date
// with a four-digit year.
void SetFileDateFormat(const QString& pattern);
QString FileDateFormat();

// True when the format is a date/time format rather than a number format.
bool IsDateTimeFormat(const QString& format);

// The reports' date and time expressions: a date stored as a day number
// counts days from 1900-01-01, a time stored as minutes counts from midnight.
QDate ReportDate(const QVariant& dayNumber);
QTime ReportTime(const QVariant& minutes);

} // namespace vestra
