#pragma once
// The price of a booking: the list price (whole hours times the item's
// hourly fee) or a price agreed with the customer, plus tax when the
// booking's tax box is ticked.

#include "platform/database.h"

#include <QLocale>
#include <QString>

namespace vestra {

enum PriceType { ListPrice = 1, AgreedPrice = 2 };

struct PriceInput {
    int item = 0;
    int startSeconds = 0;
    int endSeconds = 0;
    int priceType = AgreedPrice;
    double price = 0;        // the current price; kept when agreed
    bool tax = false;        // the booking's tax box
    double taxPercent = 0;   // the institution's percentage
};

struct PriceResult {
    double price = 0;
    double taxAmount = 0;
    double total = 0;
};

// The item's hourly fee, 0 when the item has none (or is gone).
double ItemFee(Database& bookingFile, int item);

PriceResult RecalculatePrice(Database& bookingFile, const PriceInput& in);

// An amount with two decimals and the locale's grouping, e.g. "1.250,00".
QString FormatAmount(double amount, const QLocale& locale = QLocale());
// A price as plain number text: no grouping, no fixed decimals ("300", "12.5").
QString PlainPrice(double amount, const QLocale& locale = QLocale());
// Reads a typed price in the locale's form or with a point; nullopt when it is not a number.
std::optional<double> ParsePrice(const QString& text, const QLocale& locale = QLocale());

} // namespace vestra
