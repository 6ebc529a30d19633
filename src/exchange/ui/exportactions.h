#pragma once
// What the windows offer to send their data to other programs: the rows of a
// list or a report to a spreadsheet, bookings to a calendar file. Each asks
// for the file through the file-dialog service and says what went wrong
// through the message service.

#include "exchange/calendar.h"
#include "exchange/sheet.h"

#include <QString>

class QPrintPreviewDialog;

namespace vestra {

class ListControl;
class Report;

// The exchange choices kept in the booking store: the folder calendars are
// published to (empty: none) and the byte-order mark in CSV files.
struct ExchangeSettings {
    QString publishFolder;
    bool csvByteOrderMark = false;
};
ExchangeSettings ReadExchangeSettings(Database& bookingFile);

// The list's columns and rows as shown, dates, times and amounts as values.
SheetTable ListSheet(const ListControl& list);
// A report's rows: day numbers of date fields ("...dato") as dates, booking
// times ("Bstart", "Bslut", minutes) as times, other values as they are.
SheetTable ReportSheet(const Report& report);

// Asks where, then writes the table as .xlsx or CSV (the CSV in the
// session's locale, with a byte-order mark when the store says so). False
// when cancelled or not written.
bool ExportSheetDialog(const SheetTable& table, const QString& title);

// Asks where, then writes the selection's bookings as an .ics file.
bool ExportCalendarDialog(const CalendarSelection& selection, const QString& calendarName);

// Adds "Export…" to a print preview's tool bar, writing the report's rows.
void AddExportToPreview(QPrintPreviewDialog* preview, const Report& report, const QString& title);

} // namespace vestra
