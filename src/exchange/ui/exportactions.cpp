#include "exchange/ui/exportactions.h"

#include "data/dates.h"
#include "report/listcontrol.h"
#include "report/reportoutput.h"
#include "services/filedialogs.h"
#include "services/messages.h"
#include "session/session.h"
#include "widgets/progresswindow.h"

#include <QAction>
#include <QDir>
#include <QPrintPreviewDialog>
#include <QToolBar>

namespace vestra {

std::optional<SheetTable> ListSheet(const ListControl& list, QString* error)
{
    QList<QVariantList> rows;
    if (list.capped()) {
        // Past the cap the rows are read again from the store, a stretch
        // at a time, with the count on screen.
        ProgressWindow shown({QStringLiteral("Export"), QStringLiteral("Reading rows…"), QString(),
                              QStringLiteral("ExportReadProgress")},
                             kSheetStretchRows);
        const auto all = ReadListRows(const_cast<ListControl&>(list).fillSource(), error,
                                      std::ref(shown), static_cast<int>(list.matching()));
        if (!all) {
            if (shown.cancelled() && error)
                error->clear(); // the user knows; no message follows
            return std::nullopt;
        }
        for (const ListRow& row : *all)
            rows << row.cells;
    } else {
        for (int r = 0; r < list.rowCount(); ++r)
            rows << list.rowCells(r);
    }
    return ListTable(list.columns(), rows);
}

SheetTable ReportSheet(const Report& report)
{
    const ReportRows& rows = report.rows;
    QVector<ReportExportColumn> columns = report.definition.exportColumns;
    if (columns.isEmpty())
        for (const QString& field : rows.fields())
            columns.append({field, field, CellKind::Text});
    SheetTable table;
    for (const ReportExportColumn& c : columns)
        table.headings << c.heading;
    for (int r = 0; r < rows.count(); ++r) {
        QVariantList cells;
        for (const ReportExportColumn& c : columns) {
            const QVariant v = rows.value(r, c.field);
            if (v.isNull()) {
                cells << QString();
                continue;
            }
            switch (c.kind) {
            case CellKind::Date:
                cells << QVariant(DateFromDayNumber(v.toInt()));
                break;
            case CellKind::Time:
                cells << QVariant(TimeFromMinutes(v.toInt() % 1440));
                break;
            case CellKind::Money:
                cells << QVariant::fromValue(Money{v.toDouble()});
                break;
            case CellKind::Number:
                cells << QVariant(v.toDouble());
                break;
            default:
                cells << QVariant(v.toString());
            }
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
    Database db = BookingFile();
    QString error;
    const qsizetype n = table.rows.size();
    // A long list shows its progress at once and can be stopped; a short
    // one is written before a window could be seen.
    std::optional<ProgressWindow> shown(std::in_place,
                                        ProgressTexts{QStringLiteral("Export"),
                                                      QStringLiteral("Writing rows…"), QString(),
                                                      QStringLiteral("ExportProgress")},
                                        kSheetStretchRows);
    (*shown)(0, static_cast<int>(n));
    if (!ExportSheet(table, choice.fullPath, title, StoreCsvOptions(db), &error,
                     std::ref(*shown))) {
        if (!shown->cancelled())
            showMessage(error, QStringLiteral("Export"), MsgIcon::Warning);
        return false;
    }
    shown.reset();
    showMessage(QStringLiteral("%1 written to %2.")
                    .arg(n == 1 ? QStringLiteral("1 row")
                                : QStringLiteral("%1 rows").arg(QLocale().toString(n)),
                         QDir::toNativeSeparators(choice.fullPath)),
                QStringLiteral("Export"), MsgIcon::Information);
    return true;
}

bool ExportListDialog(const ListControl& list, const QString& title)
{
    QString error;
    const auto table = ListSheet(list, &error);
    if (!table) {
        if (!error.isEmpty())
            showMessage(QStringLiteral("The rows could not be read:\n") + error,
                        QStringLiteral("Export"), MsgIcon::Warning);
        return false;
    }
    return ExportSheetDialog(*table, title);
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
