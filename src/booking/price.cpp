#include "booking/price.h"

#include "data/dates.h"
#include "data/helpers.h"

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
    r.taxAmount = in.tax && in.taxPercent > 0 ? r.price * in.taxPercent / 100.0 : 0.0;
    r.total = r.price + r.taxAmount;
    return r;
}

QString FormatAmount(double amount, const QLocale& locale)
{
    return locale.toString(amount, 'f', 2);
}

QString PlainPrice(double amount, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(amount, 'g', 15);
}

std::optional<double> ParsePrice(const QString& text, const QLocale& locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0.0;
    bool ok = false;
    double v = locale.toDouble(t, &ok);
    if (!ok)
        v = QLocale::c().toDouble(t, &ok);
    if (!ok)
        return std::nullopt;
    return v;
}

} // namespace vestra
