#include "report/reportdefinition.h"

#include "report/reportformat.h"

#include <QDateTime>
#include <QRegularExpression>

namespace vestra {

ReportItem ReportItem::label(const QString& text, const QRectF& rect)
{
    ReportItem item;
    item.kind = ReportItemKind::Label;
    item.text = text;
    item.rect = rect;
    return item;
}

ReportItem ReportItem::field(const QString& field, const QRectF& rect, const QString& format)
{
    ReportItem item;
    item.rect = rect;
    item.format = format;
    item.text = field;
    if (field.startsWith(u'=')) {
        item.kind = ReportItemKind::Computed;
        QString error;
        item.compute = ReportExpression(field, &error);
        // Shown where the value would be, as the old engine did, so a bad
        // expression is seen on the first proof rather than silently blank.
        if (!item.compute)
            item.compute = [](const ReportRow&) { return QVariant(QStringLiteral("#Error")); };
    } else {
        item.kind = ReportItemKind::Field;
    }
    return item;
}

ReportItem ReportItem::computed(RowFunction fn, const QRectF& rect, const QString& format)
{
    ReportItem item;
    item.kind = ReportItemKind::Computed;
    item.compute = std::move(fn);
    item.rect = rect;
    item.format = format;
    return item;
}

ReportItem ReportItem::sum(const QString& field, const QRectF& rect, const QString& format,
                           int group)
{
    ReportItem item;
    item.kind = ReportItemKind::Summary;
    item.function = SummaryFunction::Sum;
    item.text = field;
    item.rect = rect;
    item.format = format;
    item.summaryGroup = group;
    if (field.startsWith(u'='))
        item.compute = ReportExpression(field);
    return item;
}

ReportItem ReportItem::count(const QString& field, const QRectF& rect, const QString& format,
                             int group)
{
    ReportItem item = sum(field, rect, format, group);
    item.function = SummaryFunction::Count;
    return item;
}

ReportItem ReportItem::pageNumber(const QRectF& rect, const QString& pattern)
{
    ReportItem item;
    item.kind = ReportItemKind::PageNumber;
    item.text = pattern;
    item.rect = rect;
    return item;
}

ReportItem ReportItem::picture(const QImage& image, const QRectF& rect)
{
    ReportItem item;
    item.kind = ReportItemKind::Image;
    item.image = image;
    item.rect = rect;
    item.alignment = Qt::AlignCenter;
    return item;
}

ReportItem ReportItem::pictureField(const QString& field, const QRectF& rect)
{
    ReportItem item = picture({}, rect);
    item.text = field;
    return item;
}

ReportItem ReportItem::line(const QPointF& from, const QPointF& to)
{
    ReportItem item;
    item.kind = ReportItemKind::Line;
    item.rect = QRectF(from, to);
    return item;
}

ReportItem ReportItem::box(const QRectF& rect)
{
    ReportItem item;
    item.kind = ReportItemKind::Box;
    item.rect = rect;
    return item;
}

QFont& ReportItem::ensureFont()
{
    if (!font)
        font = QFont();
    return *font;
}

ReportItem& ReportItem::named(const QString& itemName)
{
    name = itemName;
    return *this;
}

ReportItem& ReportItem::withFont(const QFont& f)
{
    font = f;
    return *this;
}

ReportItem& ReportItem::bold()
{
    // Resolved against the report's font when laid out.
    ensureFont().setBold(true);
    return *this;
}

ReportItem& ReportItem::pointSize(qreal size)
{
    ensureFont().setPointSizeF(size);
    return *this;
}

ReportItem& ReportItem::aligned(Qt::Alignment a)
{
    alignment = a;
    return *this;
}

ReportItem& ReportItem::wrapped()
{
    wordWrap = true;
    return *this;
}

ReportItem& ReportItem::hidden()
{
    visible = false;
    return *this;
}

ReportItem& ReportBand::add(const ReportItem& item)
{
    items.append(item);
    return items.back();
}

ReportItem* ReportBand::item(const QString& name)
{
    for (ReportItem& i : items)
        if (i.name.compare(name, Qt::CaseInsensitive) == 0)
            return &i;
    return nullptr;
}

const ReportItem* ReportBand::item(const QString& name) const
{
    return const_cast<ReportBand*>(this)->item(name);
}

QVariant ReportGroup::keyOf(const ReportRow& row) const
{
    return key ? key(row) : row.value(field);
}

ReportDefinition::ReportDefinition()
{
    font = QFont(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9);
}

ReportGroup& ReportDefinition::addGroup(const QString& field)
{
    ReportGroup group;
    group.name = field;
    group.field = field;
    groups.append(group);
    return groups.back();
}

ReportGroup& ReportDefinition::addGroup(const QString& name, RowFunction key)
{
    ReportGroup group;
    group.name = name;
    group.key = std::move(key);
    groups.append(group);
    return groups.back();
}

ReportItem* ReportDefinition::item(const QString& name)
{
    QVector<ReportBand*> bands{&reportHeader, &pageHeader, &detail, &pageFooter, &reportFooter};
    for (ReportGroup& g : groups)
        bands << &g.header << &g.footer;
    for (ReportBand* band : bands)
        if (ReportItem* i = band->item(name))
            return i;
    return nullptr;
}

const ReportItem* ReportDefinition::item(const QString& name) const
{
    return const_cast<ReportDefinition*>(this)->item(name);
}

QSizeF ReportDefinition::paperSize() const
{
    const QSizeF size = pageSize.size(QPageSize::Millimeter);
    return orientation == QPageLayout::Landscape ? size.transposed() : size;
}

RowFunction DayNumberDate(const QString& field)
{
    return [field](const ReportRow& row) -> QVariant {
        const QDate date = ReportDate(row.value(field));
        return date.isValid() ? QVariant(date) : QVariant();
    };
}

RowFunction MinuteTime(const QString& field)
{
    return [field](const ReportRow& row) -> QVariant {
        const QTime time = ReportTime(row.value(field));
        return time.isValid() ? QVariant(time) : QVariant();
    };
}

RowFunction ReportExpression(const QString& text, QString* error)
{
    const QString body = text.trimmed().mid(1).trimmed();
    static const QRegularExpression plainField(QStringLiteral("^\\[?([\\w]+)\\]?$"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    if (text.trimmed().startsWith(u'=')) {
        if (const auto m = plainField.match(body); m.hasMatch()) {
            const QString field = m.captured(1);
            return [field](const ReportRow& row) { return row.value(field); };
        }
    }
    static const QRegularExpression dateAdd(
        QStringLiteral(
            "^DateAdd\\s*\\(\\s*\"(\\w+)\"\\s*,\\s*\\[?(\\w+)\\]?\\s*,\\s*#([^#]+)#\\s*\\)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const auto m = dateAdd.match(body);
    if (!text.trimmed().startsWith(u'=') || !m.hasMatch()) {
        if (error)
            *error = QStringLiteral("Unsupported expression: %1").arg(text);
        return {};
    }
    const QString interval = m.captured(1).toLower();
    const QString field = m.captured(2);
    const QString baseText = m.captured(3).trimmed();

    // The base is a US date literal or a time literal, as the old engine wrote them.
    QDate baseDate = QDate::fromString(baseText, QStringLiteral("M/d/yyyy"));
    QTime baseTime;
    if (!baseDate.isValid()) {
        for (const char* f : {"h:mm:ss AP", "h:mm AP", "h:mm:ss", "h:mm"}) {
            baseTime = QLocale::c().toTime(baseText.toUpper(), QLatin1String(f));
            if (baseTime.isValid())
                break;
        }
    }
    if (!baseDate.isValid() && !baseTime.isValid()) {
        if (error)
            *error = QStringLiteral("Unsupported date literal: #%1#").arg(baseText);
        return {};
    }
    static const QStringList intervals{
        QStringLiteral("d"),  QStringLiteral("n"), QStringLiteral("h"),   QStringLiteral("s"),
        QStringLiteral("ww"), QStringLiteral("m"), QStringLiteral("yyyy")};
    if (!intervals.contains(interval)) {
        if (error)
            *error = QStringLiteral("Unsupported interval: %1").arg(interval);
        return {};
    }
    const bool timeOnly = !baseDate.isValid();
    const QDateTime base(timeOnly ? QDate(1899, 12, 30) : baseDate,
                         timeOnly ? baseTime : QTime(0, 0));
    return [=](const ReportRow& row) -> QVariant {
        const QVariant raw = row.value(field);
        bool ok = false;
        const qint64 n = raw.toLongLong(&ok);
        if (raw.isNull() || !ok)
            return {};
        QDateTime result;
        if (interval == u"d")
            result = base.addDays(n);
        else if (interval == u"ww")
            result = base.addDays(7 * n);
        else if (interval == u"m")
            result = base.addMonths(int(n));
        else if (interval == u"yyyy")
            result = base.addYears(int(n));
        else if (interval == u"h")
            result = base.addSecs(3600 * n);
        else if (interval == u"n")
            result = base.addSecs(60 * n);
        else
            result = base.addSecs(n);
        // A time literal gives a time of day; a date that stays at midnight a date.
        if (timeOnly && result.date() == base.date())
            return result.time();
        if (result.time() == QTime(0, 0))
            return result.date();
        return result;
    };
}

} // namespace vestra
