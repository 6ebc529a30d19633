#include "exchange/exchangesettings.h"

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

CsvOptions StoreCsvOptions(Database& db, const QLocale& locale)
{
    CsvOptions csv;
    csv.locale = locale;
    csv.separator = CsvSeparator(locale);
    if (db.isValid())
        csv.byteOrderMark = ReadExchangeSettings(db).csvByteOrderMark;
    return csv;
}

} // namespace vestra
