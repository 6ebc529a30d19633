#include "booking/price.h"

#include "data/dates.h"
#include "data/helpers.h"

#include <algorithm>

namespace vestra {

double ItemFee(Database& db, int item)
{
    return LookupIn(db, QStringLiteral("gebyr"), QStringLiteral("lokale"),
                    QStringLiteral("lokalenr = ?"), {item})
        .toDouble();
}

PriceResult RecalculatePrice(Database& db, const PriceInput& in)
{
    PriceResult r;
    r.price = in.price;
    if (in.priceType == ListPrice)
        r.price = HoursBetween(in.startSeconds, in.endSeconds) * ItemFee(db, in.item);
    // Only the booking's own tax box counts, with a positive percentage.
    const TaxedAmount t = AddTax(r.price, in.tax && in.taxPercent > 0 ? in.taxPercent : 0.0);
    r.taxAmount = t.tax;
    r.total = t.total;
    return r;
}

TaxedAmount AddTax(double amount, double taxPercent)
{
    TaxedAmount t;
    t.amount = RoundAmount(amount);
    t.tax = RoundAmount(t.amount * taxPercent / 100.0);
    t.total = RoundAmount(t.amount + t.tax);
    return t;
}

QString PlainPrice(double amount, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(amount, 'g', 15);
}

} // namespace vestra
