#include "report/reportlist.h"

namespace vestra {

namespace {

QString columnField(int column)
{
    return QStringLiteral("c%1").arg(column);
}

constexpr qreal kColumnGap = 3.5; // mm between columns, clear of right-aligned numbers
constexpr qreal kRowHeight = 5;   // mm; fits 9 pt text with room between rows
constexpr qreal kHeadingHeight = 7;

} // namespace

ReportDefinition ListPrintDefinition(const QString& title, const QString& subtitle,
                                     const QVector<ListColumn>& columns)
{
    ReportDefinition def;
    def.title = title;

    qreal total = 0;
    for (const ListColumn& c : columns)
        total += c.width;
    if (total > def.contentWidth())
        def.orientation = QPageLayout::Landscape;
    const qreal width = def.contentWidth();
    const qreal scale = total > width ? width / total : 1.0;

    def.reportHeader.height = subtitle.isEmpty() ? 11 : 17;
    def.reportHeader.add(ReportItem::label(title, {0, 0, width, 9})
                             .named(QStringLiteral("title"))
                             .pointSize(14)
                             .bold());
    if (!subtitle.isEmpty())
        def.reportHeader.add(ReportItem::label(subtitle, {0, 9, width, 6})
                                 .named(QStringLiteral("subtitle"))
                                 .pointSize(10));

    def.pageHeader.height = kHeadingHeight + 1;
    def.detail.height = kRowHeight;
    qreal x = 0;
    for (int i = 0; i < columns.size(); ++i) {
        const ListColumn& c = columns[i];
        const qreal w = c.width * scale;
        const qreal textWidth = std::max<qreal>(w - kColumnGap, 1);
        const Qt::Alignment align = (c.alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
        def.pageHeader.add(ReportItem::label(c.heading, {x, 0, textWidth, kHeadingHeight})
                               .named(QStringLiteral("heading%1").arg(i))
                               .aligned(align)
                               .bold());
        def.detail.add(ReportItem::field(columnField(i), {x, 0, textWidth, kRowHeight})
                           .named(columnField(i))
                           .aligned(align));
        x += w;
    }
    def.pageHeader.add(ReportItem::line({0, kHeadingHeight}, {width, kHeadingHeight}));

    def.pageFooter.height = 8;
    def.pageFooter.add(ReportItem::line({0, 1}, {width, 1}));
    def.pageFooter.add(ReportItem::label(title, {0, 2, width * 0.7, 5})
                           .named(QStringLiteral("footertitle"))
                           .pointSize(8));
    def.pageFooter.add(ReportItem::pageNumber({width * 0.7, 2, width * 0.3, 5})
                           .named(QStringLiteral("page"))
                           .alignedRight()
                           .pointSize(8));
    return def;
}

ReportRows ListPrintRows(int columnCount, const QVector<QStringList>& rows)
{
    QStringList fields;
    for (int i = 0; i < columnCount; ++i)
        fields << columnField(i);
    ReportRows out(fields);
    for (const QStringList& row : rows) {
        QVariantList values;
        for (int i = 0; i < columnCount; ++i)
            values << (i < row.size() ? row[i] : QString());
        out.append(values);
    }
    return out;
}

Report ListPrintReport(const QString& title, const QString& subtitle,
                       const QVector<ListColumn>& columns, const QVector<QStringList>& rows)
{
    return Report(ListPrintDefinition(title, subtitle, columns),
                  ListPrintRows(int(columns.size()), rows));
}

} // namespace vestra
