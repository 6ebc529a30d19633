#pragma once
// What the windows offer to send their data to other programs: the rows of a
// list or a report to a spreadsheet, bookings to a calendar file. Each asks
// for the file through the file-dialog service and says what went wrong
// through the message service.

#include "exchange/calendar.h"
#include "exchange/exchangesettings.h"
#include "exchange/sheet.h"

#include <QString>
#include <optional>

class QPrintPreviewDialog;

namespace vestra {

class ListControl;
class Report;

// The list's columns and cells: every row its source finds when the list
// stopped at its cap, else the rows as shown, in the order shown.
std::optional<SheetTable> ListSheet(const ListControl& list, QString* error = nullptr);
// A report's rows under the headings it prints, as the report's export
// columns say (day numbers as dates, minutes as times, amounts as money).
SheetTable ReportSheet(const Report& report);

// Asks where, then writes the table as .xlsx or CSV and says how many rows
// it wrote. False when cancelled or not written.
bool ExportSheetDialog(const SheetTable& table, const QString& title);
// The same for a list (every row it finds, see ListSheet).
bool ExportListDialog(const ListControl& list, const QString& title);

// Asks where, then writes the selection's bookings as an .ics file.
bool ExportCalendarDialog(const CalendarSelection& selection, const QString& calendarName);

// Adds "Export…" to a print preview's tool bar, writing the report's rows.
void AddExportToPreview(QPrintPreviewDialog* preview, const Report& report, const QString& title);

} // namespace vestra
