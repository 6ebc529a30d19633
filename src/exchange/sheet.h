#pragma once
// Rows of a list or a report for spreadsheets: CSV (RFC 4180, UTF-8) and
// .xlsx. Cells keep their kind (number, money, date, time, text) from the
// query to the file, so that a sheet can sum and sort them and a text that
// looks like a number ("0042") stays the text it is.

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QLocale>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace vestra {

// An amount of money: shown and written with two decimals.
struct Money {
    double amount = 0;
    bool operator==(const Money& other) const { return amount == other.amount; }
};

// What a cell holds, by the type of its value.
enum class CellKind { Text, Number, Money, Date, Time, Stamp };
CellKind KindOf(const QVariant& cell);

struct SheetTable {
    QStringList headings; // as printed
    // Each cell a QString, an int or double, a Money, a QDate, a QTime or a QDateTime.
    QList<QVariantList> rows;
};

// ";" where the locale writes decimals with a comma (spreadsheets there
// read "," as the decimal mark), "," elsewhere.
QChar CsvSeparator(const QLocale& locale);

// CSV: dates ISO 8601 ("2026-12-09"), times "HH:MM", numbers and amounts
// with the locale's decimal mark; a text a spreadsheet would run as a
// formula starts with "'".
struct CsvOptions {
    QChar separator = QLatin1Char(',');
    bool byteOrderMark = false;    // for spreadsheet programs that guess the encoding without one
    QLocale locale = QLocale::c(); // writes numbers with its decimal mark
};
// Told after every stretch of rows how many are written; a false answer
// stops the export (the bytes come back empty, nothing is written).
using SheetProgress = std::function<bool(int done, int total)>;
constexpr int kSheetStretchRows = 1000;
QByteArray CsvBytes(const SheetTable& table, const CsvOptions& options,
                    const SheetProgress& progress = {});

// The workbook's bytes, headings in bold, whatever the process's numeric
// locale; empty (and error) when libxlsxwriter fails.
QByteArray XlsxBytes(const SheetTable& table, const QString& sheetName, QString* error,
                     const SheetProgress& progress = {});

// Writes the table to path, as .xlsx when the name ends so, else CSV.
bool ExportSheet(const SheetTable& table, const QString& path, const QString& sheetName,
                 const CsvOptions& csv, QString* error, const SheetProgress& progress = {});

} // namespace vestra

Q_DECLARE_METATYPE(vestra::Money)
