#pragma once
// The price of a booking: the list price (whole hours times the item's
// hourly fee) or a price agreed with the customer, plus tax when the
// booking's tax box is ticked.

#include "data/amounts.h"
#include "db/database.h"
#include "report/reportformat.h"

#include <QLocale>
#include <QString>

namespace vestra {

enum PriceType { ListPrice = 1, AgreedPrice = 2 };

struct PriceInput {
    int item = 0;
    int startSeconds = 0;
    int endSeconds = 0;
    int priceType = AgreedPrice;
    double price = 0;      // the current price; kept when agreed
    bool tax = false;      // the booking's tax box
    double taxPercent = 0; // the institution's percentage
};

struct PriceResult {
    double price = 0;
    double taxAmount = 0;
    double total = 0;
};

// Tax on an amount as every window and receipt shows it: the amount is
// taken to the cent, the tax is rounded on its own and the total is their
// sum, so the printed lines always add up. No tax for a percent of 0.
struct TaxedAmount {
    double amount = 0;
    double tax = 0;
    double total = 0;
};
TaxedAmount AddTax(double amount, double taxPercent);

// The item's hourly fee, 0 when the item has none (or is gone).
double ItemFee(Database& bookingFile, int item);

PriceResult RecalculatePrice(Database& bookingFile, const PriceInput& in);

// A price as plain number text: no grouping, no fixed decimals ("300", "12.5").
QString PlainPrice(double amount, const QLocale& locale = QLocale());

} // namespace vestra
