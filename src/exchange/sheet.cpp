#include "exchange/sheet.h"

#include "exchange/safewrite.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <xlsxwriter.h>

namespace vestra {

QVariant TypedCell(const QString& text, const QLocale& locale, const QStringList& qtDateFormats)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return text;
    static const QRegularExpression clock(QStringLiteral("^\\d{1,2}[:.]\\d{2}$"));
    if (clock.match(t).hasMatch()) {
        const QTime time(t.section(QRegularExpression(QStringLiteral("[:.]")), 0, 0).toInt(),
                         t.right(2).toInt());
        if (time.isValid())
            return time;
    }
    for (const QString& format : qtDateFormats) {
        const QDate date = locale.toDate(t, format);
        if (date.isValid())
            return date;
    }
    // Booking numbers and counts are whole; amounts carry the locale's marks.
    static const QRegularExpression numeric(QStringLiteral("^-?[\\d.,\\s\\x{a0}]*\\d$"));
    if (numeric.match(t).hasMatch()) {
        bool ok = false;
        const double value = locale.toDouble(t, &ok);
        if (ok)
            return value;
    }
    return text;
}

SheetTable TypedSheet(const QStringList& headings, const QList<QStringList>& rows,
                      const QLocale& locale, const QStringList& qtDateFormats)
{
    SheetTable table{headings, {}};
    for (const QStringList& row : rows) {
        QVariantList cells;
        for (const QString& text : row)
            cells << TypedCell(text, locale, qtDateFormats);
        table.rows << cells;
    }
    return table;
}

QChar CsvSeparator(const QLocale& locale)
{
    return locale.decimalPoint() == QStringLiteral(",") ? QLatin1Char(';') : QLatin1Char(',');
}

namespace {

QString csvField(const QVariant& cell, const CsvOptions& o)
{
    QString text;
    switch (cell.typeId()) {
    case QMetaType::Double:
        text = o.locale.toString(cell.toDouble(), 'g', 15);
        text.remove(o.locale.groupSeparator());
        break;
    case QMetaType::QDate:
        text = cell.toDate().toString(o.qtDateFormat);
        break;
    case QMetaType::QTime:
        text = cell.toTime().toString(QStringLiteral("HH:mm"));
        break;
    case QMetaType::QDateTime:
        text = cell.toDateTime().toString(o.qtDateFormat + QStringLiteral(" HH:mm"));
        break;
    default:
        text = cell.toString();
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

} // namespace

QByteArray CsvBytes(const SheetTable& table, const CsvOptions& options)
{
    QString text = csvLine(QVariantList(table.headings.begin(), table.headings.end()), options);
    for (const QVariantList& row : table.rows)
        text += csvLine(row, options);
    QByteArray bytes = text.toUtf8();
    if (options.byteOrderMark)
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

QByteArray XlsxBytes(const SheetTable& table, const QString& sheetName, QString* error)
{
    // libxlsxwriter writes to a named file only; it goes to a private folder
    // and its bytes are then written safely where the user asked.
    QTemporaryDir dir;
    if (!dir.isValid()) {
        if (error)
            *error = QStringLiteral("No temporary folder for the workbook.");
        return {};
    }
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

    for (int c = 0; c < table.headings.size(); ++c)
        worksheet_write_string(sheet, 0, c, table.headings[c].toUtf8().constData(), bold);
    for (int r = 0; r < table.rows.size(); ++r) {
        const QVariantList& row = table.rows[r];
        for (int c = 0; c < row.size(); ++c) {
            const QVariant& cell = row[c];
            const lxw_row_t at = r + 1;
            switch (cell.typeId()) {
            case QMetaType::Double:
            case QMetaType::Int:
            case QMetaType::LongLong:
                worksheet_write_number(sheet, at, c, cell.toDouble(), nullptr);
                break;
            case QMetaType::QDate: {
                const QDate d = cell.toDate();
                lxw_datetime v{d.year(), d.month(), d.day(), 0, 0, 0};
                worksheet_write_datetime(sheet, at, c, &v, date);
                break;
            }
            case QMetaType::QTime: {
                const QTime t = cell.toTime();
                lxw_datetime v{0, 0, 0, t.hour(), t.minute(), double(t.second())};
                worksheet_write_datetime(sheet, at, c, &v, time);
                break;
            }
            case QMetaType::QDateTime: {
                const QDateTime s = cell.toDateTime();
                lxw_datetime v{s.date().year(), s.date().month(),  s.date().day(),
                               s.time().hour(), s.time().minute(), double(s.time().second())};
                worksheet_write_datetime(sheet, at, c, &v, stamp);
                break;
            }
            default: {
                const QString text = cell.toString();
                if (!text.isEmpty())
                    worksheet_write_string(sheet, at, c, text.toUtf8().constData(), nullptr);
            }
            }
        }
    }
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
                 const CsvOptions& csv, QString* error)
{
    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) {
        const QByteArray bytes = XlsxBytes(table, sheetName, error);
        return !bytes.isEmpty() && WriteFileSafely(path, bytes, error);
    }
    return WriteFileSafely(path, CsvBytes(table, csv), error);
}

} // namespace vestra
