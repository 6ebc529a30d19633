#pragma once
// What the report windows and command bar entries share: the chosen period
// with its dates as the pickers show them, and opening a built report in
// the print preview.

#include "report/reportoutput.h"
#include "widgets/progresswindow.h"

#include <QString>
#include <functional>
#include <optional>

class QPrintPreviewDialog;
class QWidget;

namespace vestra {

class Database;

// A period as day numbers (both ends included) and as the pickers' texts.
struct ReportPeriod {
    int from = 0;
    int to = 0;
    QString fromText;
    QString toText;
};

class PeriodPicker;
// The period the pickers hold, with the dates as they show them.
ReportPeriod ChosenPeriod(const PeriodPicker& picker);

using ReportBuilder =
    std::function<std::optional<Report>(Database& db, QString* error, const RowProgress& progress)>;

// The window a long report shows while it reads its rows.
ProgressTexts ReportProgressTexts(const QString& title);

// Builds the report on the session's booking file and opens it in the print
// preview, from which the user prints; a report of many rows shows its
// progress at once and can be cancelled. When the booking file cannot be read
// a message titled with the report's title says so, and nullptr returns.
QPrintPreviewDialog* PreviewReport(const QString& title, const ReportBuilder& build,
                                   QWidget* parent = nullptr);

} // namespace vestra
