#include "report/reportformat.h"

#include <QDateTime>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <optional>

namespace vestra {

namespace {

// The old program's day zero for numbers used as dates (0.5 is noon of it).
const QDate kSerialZero(1899, 12, 30);
const QDate kDayZero(1900, 1, 1);

// A number from a value that may also be text as SQLite hands it back.
std::optional<double> toNumber(const QVariant& value)
{
    if (IsNumericValue(value))
        return value.toDouble();
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? -1.0 : 0.0; // the old engine's True
    if (value.typeId() == QMetaType::QString) {
        bool ok = false;
        const double d = value.toString().trimmed().toDouble(&ok);
        if (ok)
            return d;
    }
    return std::nullopt;
}

std::optional<QDateTime> toDateTime(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return QDateTime(value.toDate(), QTime(0, 0));
    case QMetaType::QTime:
        return QDateTime(kSerialZero, value.toTime());
    case QMetaType::QDateTime:
        return value.toDateTime();
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        if (const QDate d = QDate::fromString(text, Qt::ISODate); d.isValid())
            return QDateTime(d, QTime(0, 0));
        if (const QDateTime dt = QDateTime::fromString(text, Qt::ISODate); dt.isValid())
            return dt;
        for (const char* f : {"h:mm:ss", "h:mm"})
            if (const QTime t = QTime::fromString(text, QLatin1String(f)); t.isValid())
                return QDateTime(kSerialZero, t);
        break;
    }
    default:
        break;
    }
    if (const auto n = toNumber(value)) {
        const qint64 ms = std::llround(*n * 86400000.0);
        return QDateTime(kSerialZero, QTime(0, 0)).addMSecs(ms);
    }
    return std::nullopt;
}

// Rounds a non-negative value scaled to whole units, halves up. A value
// within rounding noise of a half counts as a half.
double roundScaled(double scaled)
{
    const double floor = std::floor(scaled);
    const double frac = scaled - floor;
    if (std::abs(frac - 0.5) < 1e-9 * std::max(1.0, scaled))
        return floor + 1.0;
    return std::nearbyint(scaled);
}

// Text around the digits: quotes and backslashes only protect characters.
QString literalText(const QString& text)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"')
            quoted = !quoted;
        else if (c == u'\\' && !quoted && i + 1 < text.size())
            out += text[++i];
        else
            out += c;
    }
    return out;
}

QStringList splitSections(const QString& pattern)
{
    QStringList sections;
    QString current;
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == u'"')
            quoted = !quoted;
        if (c == u';' && !quoted) {
            sections << current;
            current.clear();
        } else {
            current += c;
        }
    }
    sections << current;
    return sections;
}

QString formatNumberSection(double value, const QString& pattern, const QLocale& locale,
                            bool* digitsNonZero)
{
    // Find the digit placeholders; what lies before and after is literal.
    qsizetype first = -1, last = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'"') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == u'\\') {
            ++i;
            continue;
        }
        const bool digit = c == u'0' || c == u'#';
        const bool leadingPoint = c == u'.' && i + 1 < pattern.size()
                                  && (pattern[i + 1] == u'0' || pattern[i + 1] == u'#');
        if (digit || leadingPoint || (first >= 0 && (c == u',' || c == u'.'))) {
            if (first < 0)
                first = i;
            if (digit)
                last = i;
        }
    }
    if (first < 0) {
        *digitsNonZero = false;
        return literalText(pattern);
    }
    const QString prefix = literalText(pattern.left(first));
    const QString suffix = literalText(pattern.mid(last + 1));
    const QString core = pattern.mid(first, last - first + 1);

    const qsizetype point = core.indexOf(u'.');
    const QString intPattern = point < 0 ? core : core.left(point);
    const QString decPattern = point < 0 ? QString() : core.mid(point + 1);
    const bool grouping = intPattern.contains(u',');
    const int minInt = int(intPattern.count(u'0'));
    const int minDec = int(decPattern.count(u'0'));
    const int maxDec = int(decPattern.count(u'0') + decPattern.count(u'#'));

    if (prefix.contains(u'%') || suffix.contains(u'%'))
        value *= 100.0;

    const double rounded = roundScaled(std::abs(value) * std::pow(10.0, maxDec));
    *digitsNonZero = rounded != 0.0;
    QString digits = QString::number(rounded, 'f', 0);
    if (digits.size() <= maxDec)
        digits = QString(maxDec - digits.size() + 1, u'0') + digits;
    QString intDigits = digits.left(digits.size() - maxDec);
    QString decDigits = digits.right(maxDec);

    while (decDigits.size() > minDec && decDigits.endsWith(u'0'))
        decDigits.chop(1);
    while (!intDigits.isEmpty() && intDigits.front() == u'0')
        intDigits.remove(0, 1);
    if (intDigits.size() < minInt)
        intDigits = QString(minInt - intDigits.size(), u'0') + intDigits;

    if (grouping) {
        const QString separator = locale.groupSeparator();
        for (qsizetype i = intDigits.size() - 3; i > 0; i -= 3)
            intDigits.insert(i, separator);
    }
    QString number = intDigits;
    if (!decDigits.isEmpty())
        number += locale.decimalPoint() + decDigits;
    return prefix + number + suffix;
}

enum class Tok { Literal, Day, Month, Minute, Year, Hour, Second, AmPm };

struct DateToken {
    Tok kind;
    int length = 0;
    QString text; // literal text, or the AM/PM style as written
};

QList<DateToken> tokenizeDate(const QString& pattern)
{
    QList<DateToken> tokens;
    auto literal = [&](const QString& text) {
        if (!tokens.isEmpty() && tokens.back().kind == Tok::Literal)
            tokens.back().text += text;
        else
            tokens.append({Tok::Literal, 0, text});
    };
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = pattern[i];
        const QChar lower = c.toLower();
        if (c == u'"') {
            const qsizetype end = pattern.indexOf(u'"', i + 1);
            literal(pattern.mid(i + 1, (end < 0 ? n : end) - i - 1));
            i = end < 0 ? n : end + 1;
            continue;
        }
        if (c == u'\\') {
            if (i + 1 < n)
                literal(pattern[i + 1]);
            i += 2;
            continue;
        }
        if (lower == u'a') {
            qsizetype matched = 0;
            for (const QString& style :
                 {QStringLiteral("am/pm"), QStringLiteral("a/p"), QStringLiteral("ampm")}) {
                if (pattern.mid(i, style.size()).compare(style, Qt::CaseInsensitive) == 0) {
                    matched = style.size();
                    break;
                }
            }
            if (matched > 0)
                tokens.append({Tok::AmPm, 0, pattern.mid(i, matched)});
            else
                literal(c);
            i += std::max<qsizetype>(matched, 1);
            continue;
        }
        Tok kind;
        if (lower == u'd')
            kind = Tok::Day;
        else if (lower == u'm')
            kind = Tok::Month;
        else if (lower == u'n')
            kind = Tok::Minute;
        else if (lower == u'y')
            kind = Tok::Year;
        else if (lower == u'h')
            kind = Tok::Hour;
        else if (lower == u's')
            kind = Tok::Second;
        else {
            literal(c);
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < n && pattern[j].toLower() == lower)
            ++j;
        tokens.append({kind, int(j - i), {}});
        i = j;
    }
    // "m" means minutes right after an hour or right before seconds.
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Tok::Month || tokens[i].length > 2)
            continue;
        auto neighbour = [&](qsizetype from, int step) {
            for (qsizetype k = from + step; k >= 0 && k < tokens.size(); k += step)
                if (tokens[k].kind != Tok::Literal)
                    return tokens[k].kind;
            return Tok::Literal;
        };
        if (neighbour(i, -1) == Tok::Hour || neighbour(i, 1) == Tok::Second)
            tokens[i].kind = Tok::Minute;
    }
    return tokens;
}

QString twoDigits(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

// The locale's short date with a four-digit year: two-digit years are
// ambiguous on printed lists that span decades (warranties, archives).
QString shortDatePattern(const QLocale& locale)
{
    QString f = locale.dateFormat(QLocale::ShortFormat);
    if (!f.contains(QLatin1String("yyyy")))
        f.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return f;
}

QString& fileDateFormat()
{
    static QString pattern;
    return pattern;
}

// A date as the booking file writes it.
QString shortDate(const QDate& date, const QLocale& locale)
{
    // "ddddd" itself means the short date; such a file format cannot be used.
    if (fileDateFormat().isEmpty()
        || fileDateFormat().contains(QLatin1String("ddddd"), Qt::CaseInsensitive))
        return locale.toString(date, shortDatePattern(locale));
    return FormatDateTime(date.startOfDay(), fileDateFormat(), locale);
}

QString formatNamed(const QVariant& value, const QString& name, const QLocale& locale,
                    bool* handled)
{
    *handled = true;
    const QString key = name.trimmed().toLower();
    if (key == u"general number") {
        if (const auto n = toNumber(value))
            return PlainNumber(*n, locale);
    } else if (key == u"currency") {
        if (const auto n = toNumber(value))
            return locale.toCurrencyString(*n);
    } else if (key == u"fixed") {
        if (const auto n = toNumber(value))
            return FormatNumber(*n, QStringLiteral("0.00"), locale);
    } else if (key == u"standard") {
        if (const auto n = toNumber(value))
            return FormatNumber(*n, QStringLiteral("#,##0.00"), locale);
    } else if (key == u"percent") {
        if (const auto n = toNumber(value))
            return FormatNumber(*n, QStringLiteral("0.00%"), locale);
    } else if (key == u"short date" || key == u"long date" || key == u"medium date"
               || key == u"general date" || key == u"short time" || key == u"medium time"
               || key == u"long time") {
        const auto dt = toDateTime(value);
        if (!dt)
            return value.toString();
        if (key == u"short date")
            return shortDate(dt->date(), locale);
        if (key == u"long date")
            return locale.toString(dt->date(), QLocale::LongFormat);
        if (key == u"medium date")
            return FormatDateTime(*dt, QStringLiteral("dd-mmm-yy"), locale);
        if (key == u"short time")
            return FormatDateTime(*dt, QStringLiteral("hh:nn"), locale);
        if (key == u"medium time")
            return FormatDateTime(*dt, QStringLiteral("hh:nn AM/PM"), locale);
        if (key == u"long time")
            return FormatDateTime(*dt, QStringLiteral("h:nn:ss"), locale);
        // General date: leave out the part that is zero.
        const bool hasTime = dt->time() != QTime(0, 0);
        const bool hasDate = dt->date() != kSerialZero;
        QStringList parts;
        if (hasDate || !hasTime)
            parts << shortDate(dt->date(), locale);
        if (hasTime)
            parts << FormatDateTime(*dt, QStringLiteral("h:nn:ss"), locale);
        return parts.join(u' ');
    } else {
        *handled = false;
        return {};
    }
    return value.toString(); // a named number format on text that is no number
}

QString plainText(const QVariant& value, const QLocale& locale)
{
    if (IsNumericValue(value))
        return PlainNumber(value.toDouble(), locale);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate:
    case QMetaType::QDateTime:
    case QMetaType::QTime: {
        bool handled = false;
        return formatNamed(value, QStringLiteral("General Date"), locale, &handled);
    }
    case QMetaType::QByteArray:
        return {}; // pictures and other bytes have no text
    default:
        return value.toString();
    }
}

} // namespace

void SetFileDateFormat(const QString& pattern)
{
    fileDateFormat() = pattern;
}

QString FileDateFormat()
{
    return fileDateFormat();
}

bool IsDateTimeFormat(const QString& format)
{
    const QString key = format.trimmed().toLower();
    if (key.endsWith(u" date") || key.endsWith(u" time"))
        return true;
    bool quoted = false;
    bool dateLetter = false;
    for (qsizetype i = 0; i < key.size(); ++i) {
        const QChar c = key[i];
        if (c == u'"') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == u'\\') {
            ++i;
            continue;
        }
        if (c == u'0' || c == u'#')
            return false;
        if (QStringLiteral("dmynhs").contains(c))
            dateLetter = true;
    }
    return dateLetter;
}

QString FormatNumber(double value, const QString& pattern, const QLocale& locale)
{
    const QStringList sections = splitSections(pattern);
    bool nonZero = false;
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty())
        return formatNumberSection(-value, sections[1], locale, &nonZero);
    if (value == 0 && sections.size() >= 3 && !sections[2].isEmpty())
        return formatNumberSection(0, sections[2], locale, &nonZero);
    const QString text = formatNumberSection(value, sections[0], locale, &nonZero);
    // A value that rounds to zero shows no sign.
    return value < 0 && nonZero ? locale.negativeSign() + text : text;
}

QString FormatDateTime(const QDateTime& value, const QString& pattern, const QLocale& locale)
{
    const QList<DateToken> tokens = tokenizeDate(pattern);
    const bool twelveHour = std::any_of(tokens.begin(), tokens.end(),
                                        [](const DateToken& t) { return t.kind == Tok::AmPm; });
    const QDate date = value.date();
    const QTime time = value.time();
    QString out;
    for (const DateToken& t : tokens) {
        switch (t.kind) {
        case Tok::Literal:
            out += t.text;
            break;
        case Tok::Day:
            if (t.length == 1)
                out += QString::number(date.day());
            else if (t.length == 2)
                out += twoDigits(date.day());
            else if (t.length == 3)
                out += locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
            else if (t.length == 4)
                out += locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
            else if (t.length == 5)
                out += shortDate(date, locale);
            else
                out += locale.toString(date, QLocale::LongFormat);
            break;
        case Tok::Month:
            if (t.length == 1)
                out += QString::number(date.month());
            else if (t.length == 2)
                out += twoDigits(date.month());
            else if (t.length == 3)
                out += locale.monthName(date.month(), QLocale::ShortFormat);
            else
                out += locale.monthName(date.month(), QLocale::LongFormat);
            break;
        case Tok::Minute:
            out += t.length == 1 ? QString::number(time.minute()) : twoDigits(time.minute());
            break;
        case Tok::Second:
            out += t.length == 1 ? QString::number(time.second()) : twoDigits(time.second());
            break;
        case Tok::Year:
            if (t.length == 1)
                out += QString::number(date.dayOfYear());
            else if (t.length == 2)
                out += twoDigits(date.year() % 100);
            else
                out += QString::number(date.year());
            break;
        case Tok::Hour: {
            int h = time.hour();
            if (twelveHour)
                h = h % 12 == 0 ? 12 : h % 12;
            out += t.length == 1 ? QString::number(h) : twoDigits(h);
            break;
        }
        case Tok::AmPm: {
            const bool pm = time.hour() >= 12;
            const QString style = t.text.toLower();
            if (style == u"ampm") {
                out += pm ? locale.pmText() : locale.amText();
            } else {
                // The case of the first letter as written picks the case.
                const bool upper = t.text[0].isUpper();
                QString mark = style == u"a/p" ? (pm ? QStringLiteral("p") : QStringLiteral("a"))
                                               : (pm ? QStringLiteral("pm") : QStringLiteral("am"));
                out += upper ? mark.toUpper() : mark;
            }
            break;
        }
        }
    }
    return out;
}

double RoundAmount(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double rounded = roundScaled(std::abs(value) * scale) / scale;
    return value < 0 && rounded != 0 ? -rounded : rounded;
}

QString FormatAmount(double amount, const QLocale& locale)
{
    return FormatNumber(amount, QLatin1String(kAmountFormat), locale);
}

QString PlainNumber(double value, const QLocale& locale)
{
    QString text = QString::number(std::abs(value), 'f', 10);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    text.replace(u'.', locale.decimalPoint());
    if (value < 0 && text != u"0")
        text.prepend(locale.negativeSign());
    return text;
}

bool IsNumericValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

QString FormatValue(const QVariant& value, const QString& format, const QLocale& locale)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (format.trimmed().isEmpty())
        return plainText(value, locale);
    bool handled = false;
    const QString named = formatNamed(value, format, locale, &handled);
    if (handled)
        return named;
    if (IsDateTimeFormat(format)) {
        if (const auto dt = toDateTime(value))
            return FormatDateTime(*dt, format, locale);
        return value.toString();
    }
    if (const auto n = toNumber(value))
        return FormatNumber(*n, format, locale);
    return plainText(value, locale);
}

QDate ReportDate(const QVariant& dayNumber)
{
    bool ok = false;
    const qint64 n = dayNumber.toLongLong(&ok);
    if (!ok || dayNumber.isNull())
        return {};
    return kDayZero.addDays(n);
}

QTime ReportTime(const QVariant& minutes)
{
    bool ok = false;
    const qint64 n = minutes.toLongLong(&ok);
    if (!ok || minutes.isNull())
        return {};
    return QTime(0, 0).addSecs(int((n % 1440 + 1440) % 1440) * 60);
}

} // namespace vestra
