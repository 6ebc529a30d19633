#include "exchange/ui/exportactions.h"

#include "data/dates.h"
#include "report/listcontrol.h"
#include "report/reportoutput.h"
#include "services/filedialogs.h"
#include "services/messages.h"
#include "session/session.h"

#include <QAction>
#include <QPrintPreviewDialog>
#include <QToolBar>

namespace vestra {

ExchangeSettings ReadExchangeSettings(Database& db)
{
    ExchangeSettings s;
    auto q = db.query(QStringLiteral("SELECT publishfolder, csvbom FROM institutionsoplysninger"));
    if (q && q->next()) {
        s.publishFolder = q->value(0).toString().trimmed();
        s.csvByteOrderMark = q->value(1).toInt() != 0;
    }
    return s;
}

SheetTable ListSheet(const ListControl& list)
{
    QStringList headings;
    for (const ListControlColumn& column : list.columns())
        headings << column.heading;
    QList<QStringList> rows;
    for (int r = 0; r < list.rowCount(); ++r)
        rows << list.rowTexts(r).mid(0, headings.size());
    // Lists show dates in the short or the long format.
    return TypedSheet(
        headings, rows, QLocale(),
        {QtDateFormat(session().DateFormatShort), QtDateFormat(session().DateFormatLong)});
}

SheetTable ReportSheet(const Report& report)
{
    const ReportRows& rows = report.rows;
    SheetTable table{rows.fields(), {}};
    for (int r = 0; r < rows.count(); ++r) {
        QVariantList cells;
        for (const QString& field : table.headings) {
            const QVariant v = rows.value(r, field);
            const QString f = field.toLower();
            if (!v.isNull() && f.endsWith(QStringLiteral("dato")) && v.canConvert<int>())
                cells << QVariant(DateFromDayNumber(v.toInt()));
            else if (!v.isNull() && (f == QStringLiteral("bstart") || f == QStringLiteral("bslut")))
                cells << QVariant(TimeFromMinutes(v.toInt() % 1440));
            else
                cells << v;
        }
        table.rows << cells;
    }
    return table;
}

bool ExportSheetDialog(const SheetTable& table, const QString& title)
{
    const FileChoice choice = fileDialogs().saveFile(
        QStringLiteral("Export"),
        QStringLiteral("Excel workbook (*.xlsx);;CSV, semicolon or comma separated (*.csv)"), {},
        QStringLiteral("xlsx"));
    if (!choice.chosen)
        return false;
    CsvOptions csv;
    csv.locale = QLocale();
    csv.separator = CsvSeparator(csv.locale);
    csv.qtDateFormat = QtDateFormat(session().DateFormatShort);
    if (Database db = BookingFile(); db.isValid())
        csv.byteOrderMark = ReadExchangeSettings(db).csvByteOrderMark;
    QString error;
    if (!ExportSheet(table, choice.fullPath, title, csv, &error)) {
        showMessage(error, QStringLiteral("Export"), MsgIcon::Warning);
        return false;
    }
    return true;
}

bool ExportCalendarDialog(const CalendarSelection& selection, const QString& calendarName)
{
    const FileChoice choice =
        fileDialogs().saveFile(QStringLiteral("Export Calendar"),
                               QStringLiteral("iCalendar (*.ics)"), {}, QStringLiteral("ics"));
    if (!choice.chosen)
        return false;
    Database db = BookingFile();
    QString error = QStringLiteral("The booking file could not be opened.");
    if (!db.isValid() || !ExportCalendar(db, selection, calendarName, choice.fullPath, &error)) {
        showMessage(error, QStringLiteral("Export Calendar"), MsgIcon::Warning);
        return false;
    }
    return true;
}

void AddExportToPreview(QPrintPreviewDialog* preview, const Report& report, const QString& title)
{
    if (!preview)
        return;
    QToolBar* bar = preview->findChild<QToolBar*>();
    if (!bar)
        return;
    QAction* exportRows = bar->addAction(QStringLiteral("Export…"));
    exportRows->setObjectName(QStringLiteral("exportRows"));
    QObject::connect(exportRows, &QAction::triggered, preview,
                     [table = ReportSheet(report), title] { ExportSheetDialog(table, title); });
}

} // namespace vestra
