#include "exchange/sheet.h"

#include "exchange/safewrite.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <clocale>
#include <locale.h>
#include <xlsxwriter.h>

namespace vestra {

CellKind KindOf(const QVariant& cell)
{
    if (cell.metaType() == QMetaType::fromType<Money>())
        return CellKind::Money;
    switch (cell.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return CellKind::Number;
    case QMetaType::QDate:
        return CellKind::Date;
    case QMetaType::QTime:
        return CellKind::Time;
    case QMetaType::QDateTime:
        return CellKind::Stamp;
    default:
        return CellKind::Text;
    }
}

QChar CsvSeparator(const QLocale& locale)
{
    return locale.decimalPoint() == QStringLiteral(",") ? QLatin1Char(';') : QLatin1Char(',');
}

namespace {

QString numberText(double value, const QLocale& locale, int decimals)
{
    QString text =
        decimals < 0 ? locale.toString(value, 'g', 15) : locale.toString(value, 'f', decimals);
    return text.remove(locale.groupSeparator());
}

QString csvField(const QVariant& cell, const CsvOptions& o)
{
    QString text;
    switch (KindOf(cell)) {
    case CellKind::Number:
        text = numberText(cell.toDouble(), o.locale, -1);
        break;
    case CellKind::Money:
        text = numberText(cell.value<Money>().amount, o.locale, 2);
        break;
    case CellKind::Date:
        text = cell.toDate().toString(Qt::ISODate);
        break;
    case CellKind::Time:
        text = cell.toTime().toString(QStringLiteral("HH:mm"));
        break;
    case CellKind::Stamp:
        text = cell.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        break;
    case CellKind::Text:
        text = cell.toString();
        // A spreadsheet runs a cell that starts so as a formula; the quote
        // makes it text there.
        if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text[0]))
            text.prepend(QLatin1Char('\''));
        break;
    }
    if (text.contains(o.separator) || text.contains(QLatin1Char('"'))
        || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
        text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

QString csvLine(const QVariantList& cells, const CsvOptions& o)
{
    QStringList fields;
    for (const QVariant& cell : cells)
        fields << csvField(cell, o);
    return fields.join(o.separator) + QStringLiteral("\r\n");
}

// libxlsxwriter prints numbers with the C library's printf, which follows
// LC_NUMERIC: under a Danish locale "0,5" lands in the XML and the workbook
// is corrupt. This thread uses the C numeric rules while it exists.
class CNumericLocale {
public:
    CNumericLocale()
    {
        if (locale_t base = duplocale(LC_GLOBAL_LOCALE)) {
            m_c = newlocale(LC_NUMERIC_MASK, "C", base);
            if (!m_c)
                freelocale(base);
        }
        if (m_c)
            m_old = uselocale(m_c);
    }
    ~CNumericLocale()
    {
        if (m_c) {
            uselocale(m_old);
            freelocale(m_c);
        }
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t m_c = nullptr;
    locale_t m_old = nullptr;
};

lxw_datetime dateTimeOf(const QDate& d, const QTime& t)
{
    return {d.isValid() ? d.year() : 0,
            d.isValid() ? d.month() : 0,
            d.isValid() ? d.day() : 0,
            t.hour(),
            t.minute(),
            double(t.second())};
}

// Whether the export goes on after row r (counted from 0).
bool goOn(const SheetProgress& progress, qsizetype r, qsizetype total)
{
    const int done = static_cast<int>(r + 1);
    return !progress || (done % kSheetStretchRows != 0 && done != total)
           || progress(done, static_cast<int>(total));
}

} // namespace

QByteArray CsvBytes(const SheetTable& table, const CsvOptions& options,
                    const SheetProgress& progress)
{
    QString text = csvLine(QVariantList(table.headings.begin(), table.headings.end()), options);
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        text += csvLine(table.rows[r], options);
        if (!goOn(progress, r, table.rows.size()))
            return {};
    }
    QByteArray bytes = text.toUtf8();
    if (options.byteOrderMark)
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

QByteArray XlsxBytes(const SheetTable& table, const QString& sheetName, QString* error,
                     const SheetProgress& progress)
{
    // libxlsxwriter writes to a named file only; it goes to a private folder
    // and its bytes are then written safely where the user asked.
    QTemporaryDir dir;
    if (!dir.isValid()) {
        if (error)
            *error = QStringLiteral("No temporary folder for the workbook.");
        return {};
    }
    const CNumericLocale numbers;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("sheet.xlsx")));
    lxw_workbook* book = workbook_new(path.constData());
    if (!book) {
        if (error)
            *error = QStringLiteral("The workbook could not be made.");
        return {};
    }
    // Sheet names may not hold []:*?/\ and are at most 31 characters.
    QString name = sheetName;
    name.replace(QRegularExpression(QStringLiteral("[\\[\\]:*?/\\\\]")), QStringLiteral("_"));
    const QByteArray sheetUtf8 =
        (name.isEmpty() ? QStringLiteral("Sheet1") : name.left(31)).toUtf8();
    lxw_worksheet* sheet = workbook_add_worksheet(book, sheetUtf8.constData());
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* date = workbook_add_format(book);
    format_set_num_format(date, "yyyy-mm-dd");
    lxw_format* time = workbook_add_format(book);
    format_set_num_format(time, "hh:mm");
    lxw_format* stamp = workbook_add_format(book);
    format_set_num_format(stamp, "yyyy-mm-dd hh:mm");
    lxw_format* money = workbook_add_format(book);
    format_set_num_format(money, "#,##0.00");
    lxw_format* text = workbook_add_format(book);
    format_set_num_format(text, "@");

    // Each column as wide as its widest cell, in characters, within reason.
    QList<double> widths;
    for (const QString& heading : table.headings)
        widths << heading.size() + 2.0;
    auto widen = [&widths](int column, double wanted) {
        while (widths.size() <= column)
            widths << 8.0;
        widths[column] = std::max(widths[column], std::min(wanted, 60.0));
    };
    for (int c = 0; c < table.headings.size(); ++c)
        worksheet_write_string(sheet, 0, c, table.headings[c].toUtf8().constData(), bold);
    for (int r = 0; r < table.rows.size(); ++r) {
        const QVariantList& row = table.rows[r];
        for (int c = 0; c < row.size(); ++c) {
            const QVariant& cell = row[c];
            const lxw_row_t at = r + 1;
            switch (KindOf(cell)) {
            case CellKind::Number:
                worksheet_write_number(sheet, at, c, cell.toDouble(), nullptr);
                widen(c, QString::number(cell.toDouble(), 'g', 15).size() + 2);
                break;
            case CellKind::Money: {
                const double amount = cell.value<Money>().amount;
                worksheet_write_number(sheet, at, c, amount, money);
                widen(c, QString::number(amount, 'f', 2).size() * 1.3 + 2);
                break;
            }
            case CellKind::Date: {
                lxw_datetime v = dateTimeOf(cell.toDate(), QTime(0, 0));
                worksheet_write_datetime(sheet, at, c, &v, date);
                widen(c, 12);
                break;
            }
            case CellKind::Time: {
                lxw_datetime v = dateTimeOf(QDate(), cell.toTime());
                worksheet_write_datetime(sheet, at, c, &v, time);
                widen(c, 7);
                break;
            }
            case CellKind::Stamp: {
                const QDateTime s = cell.toDateTime();
                lxw_datetime v = dateTimeOf(s.date(), s.time());
                worksheet_write_datetime(sheet, at, c, &v, stamp);
                widen(c, 18);
                break;
            }
            case CellKind::Text: {
                const QString value = cell.toString();
                if (!value.isEmpty())
                    worksheet_write_string(sheet, at, c, value.toUtf8().constData(), text);
                widen(c, value.section(QLatin1Char('\n'), 0, 0).size() + 2);
                break;
            }
            }
        }
        if (!goOn(progress, r, table.rows.size())) {
            workbook_close(book);
            if (error)
                *error = QStringLiteral("The export was cancelled; nothing was written.");
            return {};
        }
    }
    for (int c = 0; c < widths.size(); ++c)
        worksheet_set_column(sheet, c, c, widths[c], nullptr);
    if (const lxw_error e = workbook_close(book); e != LXW_NO_ERROR) {
        if (error)
            *error = QStringLiteral("The workbook could not be made: %1.")
                         .arg(QString::fromUtf8(lxw_strerror(e)));
        return {};
    }
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("The workbook could not be read back.");
        return {};
    }
    return file.readAll();
}

bool ExportSheet(const SheetTable& table, const QString& path, const QString& sheetName,
                 const CsvOptions& csv, QString* error, const SheetProgress& progress)
{
    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) {
        const QByteArray bytes = XlsxBytes(table, sheetName, error, progress);
        return !bytes.isEmpty() && WriteFileSafely(path, bytes, error);
    }
    bool stopped = false;
    const QByteArray bytes = CsvBytes(table, csv, [&](int done, int total) {
        stopped = progress && !progress(done, total);
        return !stopped;
    });
    if (stopped && error)
        *error = QStringLiteral("The export was cancelled; nothing was written.");
    return !stopped && WriteFileSafely(path, bytes, error);
}

} // namespace vestra
