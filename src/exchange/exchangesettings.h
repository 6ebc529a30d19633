#pragma once
// The exchange choices kept in the booking store: the folder calendars are
// published to (empty: none) and the byte-order mark in CSV files.

#include "db/database.h"
#include "exchange/sheet.h"

namespace vestra {

struct ExchangeSettings {
    QString publishFolder;
    bool csvByteOrderMark = false;
};
ExchangeSettings ReadExchangeSettings(Database& bookingFile);

// CSV as the locale writes it (its separator and decimal mark), with the
// store's byte-order mark.
CsvOptions StoreCsvOptions(Database& bookingFile, const QLocale& locale = QLocale());

} // namespace vestra
