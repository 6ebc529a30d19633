#pragma once
// The two receipts: enkeltkvitto for one booking and multikvitto for every
// booking of a repeated series. Each lists the bookings with their fees,
// the sum, the tax line, the total and a signature line.

#include "data/statements.h"
#include "report/reportoutput.h"

#include <QLocale>
#include <optional>

class QPrintPreviewDialog;
class QWidget;

namespace vestra {

class Database;

// The rows a receipt prints: the booking (or every booking of series gennr)
// with its account and item. The item's homebase is joined from the right,
// so an item without a homebase does not hide its booking.
Statement SingleReceiptStatement(int bookingnr);
Statement SeriesReceiptStatement(int gennr);

// The footer's tax rule for the sum S (taken to the cent, as printed) and
// the tax percent P: with tax, "Tax P%", S*P/100 and S + S*P/100; without,
// "No Tax", 0 and S. Rounded as the booking form rounds (AddTax).
struct ReceiptTax {
    QString caption;
    double tax = 0;
    double total = 0;
};
ReceiptTax ReceiptTaxLine(double shownSum, bool taxbool, double taxPercent,
                          const QLocale& locale = QLocale());

// The receipts over the booking file db; nullopt (and the error text) when
// the rows cannot be read. The logo is read from db, the institution lines
// from the session. taxbool is the state of the receipt's tax check box.
std::optional<Report> BuildSingleReceipt(Database& db, int bookingnr, bool taxbool,
                                         double taxPercent, QString* error = nullptr);
// A series' receipt of hundreds of dates reads its rows with progress.
std::optional<Report> BuildSeriesReceipt(Database& db, int gennr, bool taxbool, double taxPercent,
                                         QString* error = nullptr,
                                         const RowProgress& progress = {});

// What the booking form's receipt button opens: the series receipt of gennr
// for a repeated booking, otherwise the receipt of bookingnr, in the print
// preview (the user prints from there), with the session's TaxPercent.
// The preview deletes itself when closed; nullptr (after a message) when the
// booking file cannot be read.
QPrintPreviewDialog* ShowReceipt(int bookingnr, bool repeated, int gennr, bool taxbool,
                                 QWidget* parent = nullptr);

} // namespace vestra
