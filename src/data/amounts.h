#pragma once
// Amounts of money as the user types them: in the locale's way of writing
// numbers, or with a point where the locale writes a comma.

#include <QLocale>
#include <QString>
#include <optional>

namespace vestra {

// Reads a typed price as one amount in the locale's form: its decimal
// separator, and its group separator only between groups of three digits
// ("1.250,5" in Danish). Where the locale's decimal separator is not a point,
// a point that cannot be a group separator is read as the decimal point
// ("1250.5"). Empty text is 0; anything else (English "150,50") is nullopt.
std::optional<double> ParsePrice(const QString& text, const QLocale& locale = QLocale());

// A count typed the same way: an amount without decimals ("1.000" persons
// in Danish); "12,5" or "12.5" is nullopt. Empty text is 0.
std::optional<qint64> ParseWholeNumber(const QString& text, const QLocale& locale = QLocale());

// Whether text may still become a number as typing goes on: digits, signs,
// spaces and the locale's (or a typed) decimal and group separators only.
bool MayBecomeNumber(const QString& text, const QLocale& locale = QLocale());

// Why typed text is refused as a number, naming the field by its caption and
// showing the form the locale expects ("Tax %: \"12,5\" is not a number. Type
// it as in 1,234.5.").
QString NumberRefusal(const QString& caption, const QString& typed, bool whole,
                      const QLocale& locale = QLocale());

} // namespace vestra
