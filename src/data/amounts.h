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

} // namespace vestra
