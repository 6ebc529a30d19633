#include "reports/reportrun.h"

#include "exchange/ui/exportactions.h"
#include "forms/periodpicker.h"

#include "db/database.h"
#include "services/messages.h"
#include "session/session.h"

namespace vestra {

QPrintPreviewDialog* PreviewReport(const QString& title, const ReportBuilder& build,
                                   QWidget* parent)
{
    Database db = BookingFile();
    QString error;
    std::optional<Report> report;
    ProgressWindow shown(ReportProgressTexts(title), kReportStretchRows);
    if (db.isValid())
        report = build(db, &error, std::ref(shown));
    else
        error = QStringLiteral("The booking file could not be opened.");
    if (!report) {
        if (shown.cancelled())
            return nullptr;
        showMessage(QStringLiteral("The report could not be made:\n") + error, title,
                    MsgIcon::Warning);
        return nullptr;
    }
    QPrintPreviewDialog* preview = report->showPreview(parent);
    AddExportToPreview(preview, *report, title);
    return preview;
}

ProgressTexts ReportProgressTexts(const QString& title)
{
    return {title, QStringLiteral("Reading rows…"), QString(), QStringLiteral("ReportProgress")};
}

ReportPeriod ChosenPeriod(const PeriodPicker& picker)
{
    return {picker.fromDay(), picker.toDay(), picker.fromText(), picker.toText()};
}

} // namespace vestra
