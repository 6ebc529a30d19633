#include "data/amounts.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace vestra {

namespace {

// Digits with an optional sign, decimal separator `point` and group
// separator `group` placed between groups of three; nullopt otherwise.
std::optional<double> readAmount(QString t, QChar point, const QString& group, const QString& minus)
{
    bool negative = false;
    if (t.startsWith(u'-') || (!minus.isEmpty() && t.startsWith(minus))) {
        negative = true;
        t = t.mid(t.startsWith(u'-') ? 1 : minus.size());
    } else if (t.startsWith(u'+')) {
        t = t.mid(1);
    }
    const qsizetype at = t.indexOf(point);
    const QString whole = at < 0 ? t : t.left(at);
    const QString fraction = at < 0 ? QString() : t.mid(at + 1);
    const auto digits = [](const QString& s) {
        return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (!digits(fraction) || (whole.isEmpty() && fraction.isEmpty()))
        return std::nullopt;
    QString plain = whole;
    if (!group.isEmpty() && whole.contains(group)) {
        const QStringList parts = whole.split(group);
        if (parts[0].isEmpty() || parts[0].size() > 3)
            return std::nullopt;
        for (qsizetype i = 1; i < parts.size(); ++i)
            if (parts[i].size() != 3)
                return std::nullopt;
        plain = parts.join(QString());
    }
    if (!digits(plain))
        return std::nullopt;
    bool ok = false;
    const double v = QLocale::c().toDouble(
        (plain.isEmpty() ? QStringLiteral("0") : plain) + u'.' + fraction + u'0', &ok);
    if (!ok)
        return std::nullopt;
    return negative ? -v : v;
}

} // namespace

std::optional<double> ParsePrice(const QString& text, const QLocale& locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0.0;
    const QString point = locale.decimalPoint();
    if (point.size() != 1)
        return std::nullopt;
    if (auto v = readAmount(t, point[0], locale.groupSeparator(), locale.negativeSign()))
        return v;
    // A typed point where the locale writes a comma, unless the point is the
    // locale's group separator placed as one (then the locale reading held).
    if (point[0] != u'.' && !t.contains(point))
        return readAmount(t, u'.', QString(), locale.negativeSign());
    return std::nullopt;
}

std::optional<qint64> ParseWholeNumber(const QString& text, const QLocale& locale)
{
    const auto v = ParsePrice(text, locale);
    if (!v || std::trunc(*v) != *v || std::fabs(*v) > 1e15)
        return std::nullopt;
    return static_cast<qint64>(*v);
}

bool MayBecomeNumber(const QString& text, const QLocale& locale)
{
    const QString allowed = QStringLiteral("0123456789+-., ") + locale.decimalPoint()
                            + locale.groupSeparator() + locale.negativeSign();
    return std::all_of(text.begin(), text.end(), [&](QChar c) { return allowed.contains(c); });
}

QString NumberRefusal(const QString& caption, const QString& typed, bool whole,
                      const QLocale& locale)
{
    return whole ? QStringLiteral("%1: \"%2\" is not a whole number. Type it as in %3.")
                       .arg(caption, typed, locale.toString(1234))
                 : QStringLiteral("%1: \"%2\" is not a number. Type it as in %3.")
                       .arg(caption, typed, locale.toString(1234.5, 'f', 1));
}

} // namespace vestra
