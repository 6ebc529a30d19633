#pragma once
// Rows of a list or a report for spreadsheets: CSV (RFC 4180, UTF-8) and
// .xlsx. Cells keep their kind (number, date, time, text) so that a sheet
// can sum and sort them.

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace vestra {

struct SheetTable {
    QStringList headings;
    // Each cell a QString, a double or int, a QDate, a QTime or a QDateTime.
    QList<QVariantList> rows;
};

// Reads cell texts as shown on screen back into typed cells: amounts and
// counts in the locale's format, times "hh:mm", dates in one of the date
// formats given (Qt's notation, e.g. "dd-MM-yyyy"). Anything else stays text.
QVariant TypedCell(const QString& text, const QLocale& locale, const QStringList& qtDateFormats);
SheetTable TypedSheet(const QStringList& headings, const QList<QStringList>& rows,
                      const QLocale& locale, const QStringList& qtDateFormats);

// ";" where the locale writes decimals with a comma (spreadsheets there
// read "," as the decimal mark), "," elsewhere.
QChar CsvSeparator(const QLocale& locale);

struct CsvOptions {
    QChar separator = QLatin1Char(',');
    bool byteOrderMark = false;    // for spreadsheet programs that guess the encoding without one
    QLocale locale = QLocale::c(); // writes numbers with its decimal mark
    QString qtDateFormat = QStringLiteral("yyyy-MM-dd");
};
QByteArray CsvBytes(const SheetTable& table, const CsvOptions& options);

// The workbook's bytes, headings in bold; empty (and error) when libxlsxwriter fails.
QByteArray XlsxBytes(const SheetTable& table, const QString& sheetName, QString* error);

// Writes the table to path, as .xlsx when the name ends so, else CSV.
bool ExportSheet(const SheetTable& table, const QString& path, const QString& sheetName,
                 const CsvOptions& csv, QString* error);

} // namespace vestra
