#include "report/reportlayout.h"

#include "report/reportformat.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <cmath>

namespace vestra {

QStringList LaidOutPage::texts() const
{
    QStringList out;
    for (const PlacedItem& item : items)
        if (item.kind == PlacedItem::Text)
            out << item.text;
    return out;
}

bool LaidOutPage::hasText(const QString& text) const
{
    return texts().contains(text);
}

QStringList LaidOutPage::textsNamed(const QString& name) const
{
    QStringList out;
    for (const PlacedItem& item : items)
        if (item.kind == PlacedItem::Text && item.name.compare(name, Qt::CaseInsensitive) == 0)
            out << item.text;
    return out;
}

const PlacedItem* LaidOutPage::find(const QString& name) const&
{
    for (const PlacedItem& item : items)
        if (item.name.compare(name, Qt::CaseInsensitive) == 0)
            return &item;
    return nullptr;
}

QVector<PlacedBand> LaidOutPage::bandsOf(BandKind kind, int group) const
{
    QVector<PlacedBand> out;
    for (const PlacedBand& band : bands)
        if (band.kind == kind && (group < 0 || band.group == group))
            out << band;
    return out;
}

int LaidOutReport::pageOf(const QString& text) const
{
    for (int i = 0; i < pages.size(); ++i)
        if (pages[i].hasText(text))
            return i;
    return -1;
}

QStringList LaidOutReport::textsNamed(const QString& name) const
{
    QStringList out;
    for (const LaidOutPage& page : pages)
        out << page.textsNamed(name);
    return out;
}

BandFormat::Instance* BandFormat::find(const QString& name) const
{
    for (Instance& i : *m_items)
        if (i.item->name.compare(name, Qt::CaseInsensitive) == 0)
            return &i;
    return nullptr;
}

QVariant BandFormat::value(const QString& name) const
{
    const Instance* i = find(name);
    return i ? i->value : QVariant();
}

QString BandFormat::text(const QString& name) const
{
    const Instance* i = find(name);
    return i ? i->text : QString();
}

void BandFormat::setText(const QString& name, const QString& text)
{
    if (Instance* i = find(name)) {
        i->value = text;
        i->text = text;
    }
}

void BandFormat::setValue(const QString& name, const QVariant& value)
{
    if (Instance* i = find(name)) {
        i->value = value;
        i->text = FormatValue(value, i->item->format, m_locale);
    }
}

void BandFormat::setVisible(const QString& name, bool visible)
{
    if (Instance* i = find(name))
        i->visible = visible;
}

namespace {

using Instance = BandFormat::Instance;

bool isText(ReportItemKind kind)
{
    return kind == ReportItemKind::Label || kind == ReportItemKind::Field
           || kind == ReportItemKind::Computed || kind == ReportItemKind::Summary
           || kind == ReportItemKind::PageNumber;
}

// Texts are measured at printer resolution, where glyph widths are those the
// printout gets. A text counts as too wide a little before it reaches the
// edge, so that a device measuring slightly wider still fits it on the lines
// planned here.
constexpr int kMeasureDpi = 1200;
constexpr qreal kFitSlack = 0.97;

class TextMeasure {
public:
    TextMeasure() : m_device(1, 1, QImage::Format_RGB32)
    {
        const int dpm = int(std::lround(kMeasureDpi / 0.0254));
        m_device.setDotsPerMeterX(dpm);
        m_device.setDotsPerMeterY(dpm);
    }

    // The height (mm) the text needs in a box widthMm wide; 0 when it fits
    // on one line of a box that is not word-wrapped.
    qreal neededHeight(const QString& text, const QFont& font, qreal widthMm, bool wordWrap)
    {
        const qreal width = std::max<qreal>(widthMm, 1) * kPixelsPerMm * kFitSlack;
        QString flowing = text;
        flowing.replace(u'\n', QChar::LineSeparator);
        if (!wordWrap && !flowing.contains(QChar::LineSeparator)
            && QFontMetricsF(font, &m_device).horizontalAdvance(flowing) <= width)
            return 0;
        QTextLayout layout(flowing, font, &m_device);
        layout.setTextOption(ReportTextOption(Qt::AlignLeft));
        layout.beginLayout();
        qreal height = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            height += line.height();
        }
        layout.endLayout();
        return height / kPixelsPerMm;
    }

    // The height (mm) of one line of the font.
    qreal lineHeight(const QFont& font)
    {
        QTextLayout layout(QStringLiteral("X"), font, &m_device);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(1e6);
        const qreal h = line.height();
        layout.endLayout();
        return h / kPixelsPerMm;
    }

private:
    static constexpr qreal kPixelsPerMm = kMeasureDpi / 25.4;
    QImage m_device;
};

class Layouter {
public:
    Layouter(const ReportDefinition& def, const ReportRows& rows, const QLocale& locale)
        : m_def(def), m_rows(rows), m_locale(locale), m_levels(int(def.groups.size())),
          m_groupStart(m_levels, 0), m_groupEnd(m_levels, -1)
    {
        m_keys.resize(rows.count());
        for (int i = 0; i < rows.count(); ++i)
            for (const ReportGroup& g : def.groups)
                m_keys[i] << g.keyOf(rows.row(i));
        const QSizeF paper = def.paperSize();
        m_out.title = def.title;
        m_out.pageSize = def.pageSize;
        m_out.orientation = def.orientation;
        m_out.paperSize = paper;
        m_footerTop = paper.height() - def.margins.bottom()
                      - fittedHeight(def.pageFooter, BandKind::PageFooter, -1, pageRow());
    }

    LaidOutReport run()
    {
        const int n = m_rows.count();
        beginPage();
        emitBand(m_def.reportHeader, BandKind::ReportHeader, -1, n > 0 ? 0 : -1);
        placePageHeader();

        for (int i = 0; i < n; ++i) {
            m_currentRow = i;
            int level = 0;
            if (i > 0) {
                level = m_levels;
                for (int k = 0; k < m_levels; ++k)
                    if (m_keys[i][k] != m_keys[i - 1][k]) {
                        level = k;
                        break;
                    }
                closeGroups(level);
            }
            for (int k = level; k < m_levels; ++k) {
                m_groupStart[k] = i;
                m_groupEnd[k] = groupEnd(i, k);
                const ReportGroup& g = m_def.groups[k];
                emitBand(g.header, BandKind::GroupHeader, k, i, keepHeight(k, i));
                m_openGroups = k + 1;
            }
            emitBand(m_def.detail, BandKind::Detail, -1, i);
        }
        if (n > 0)
            closeGroups(0);
        emitBand(m_def.reportFooter, BandKind::ReportFooter, -1, n > 0 ? n - 1 : -1);
        finishPage();

        const int count = int(m_out.pages.size());
        for (const auto& [page, index] : m_pageNumbers) {
            PlacedItem& item = m_out.pages[page].items[index];
            item.text = QString(item.text)
                            .replace(QLatin1String("%1"), QString::number(page + 1))
                            .replace(QLatin1String("%2"), QString::number(count));
        }
        return m_out;
    }

private:
    static qreal height(const ReportBand& band) { return band.visible ? band.height : 0; }

    // Last row of the group of the given level that starts at row start.
    int groupEnd(int start, int level) const
    {
        int end = start;
        while (end + 1 < m_rows.count()) {
            bool same = true;
            for (int k = 0; k <= level && same; ++k)
                same = m_keys[end + 1][k] == m_keys[start][k];
            if (!same)
                break;
            ++end;
        }
        return end;
    }

    bool breaksBefore(int row, int level) const
    {
        for (int k = 0; k <= level; ++k)
            if (m_keys[row][k] != m_keys[row - 1][k])
                return true;
        return false;
    }

    // Room the group header at row start asks for below it before it may be
    // placed; 0 when the group may split anywhere. Heights are those the
    // bands get with their texts wrapped.
    qreal keepHeight(int level, int start) const
    {
        const ReportGroup& group = m_def.groups[level];
        if (group.keep == GroupKeep::None)
            return 0;
        const bool firstLineOnly = group.keep == GroupKeep::WithFirstDetail;
        const auto header = [&](int k, int row) {
            return fittedHeight(m_def.groups[k].header, BandKind::GroupHeader, k, row);
        };
        const auto footer = [&](int k, int row) {
            return fittedHeight(m_def.groups[k].footer, BandKind::GroupFooter, k, row);
        };
        qreal need = header(level, start);
        const int end = groupEnd(start, level);
        // The header goes with the first line printed after the headers: the
        // first detail, or, where rows print nothing of their own (totals),
        // the first footer that closes.
        for (int i = start; i <= end; ++i) {
            for (int k = level + 1; k < m_levels; ++k)
                if (i == start || breaksBefore(i, k))
                    need += header(k, i);
            const qreal detail = fittedHeight(m_def.detail, BandKind::Detail, -1, i);
            need += detail;
            if (firstLineOnly && detail > 0)
                return need;
            for (int k = m_levels - 1; k > level; --k) {
                if (i == end || breaksBefore(i + 1, k)) {
                    const qreal closing = footer(k, i);
                    need += closing;
                    if (firstLineOnly && closing > 0)
                        return need;
                }
            }
        }
        return need + footer(level, end);
    }

    // Footers from the innermost group out to the given level.
    void closeGroups(int level)
    {
        for (int k = m_levels - 1; k >= level; --k) {
            emitBand(m_def.groups[k].footer, BandKind::GroupFooter, k, m_groupEnd[k]);
            m_openGroups = k;
        }
    }

    void beginPage()
    {
        m_out.pages.append(LaidOutPage());
        m_y = m_def.margins.top();
        m_pageHasBody = false;
        m_pageHasGroupOrDetail = false;
    }

    void placePageHeader()
    {
        if (height(m_def.pageHeader) > 0) {
            bool cancelled = false;
            const Fitted fitted =
                fit(m_def.pageHeader,
                    format(m_def.pageHeader, BandKind::PageHeader, -1, pageRow(), &cancelled));
            if (!cancelled) {
                place(BandKind::PageHeader, -1, pageRow(), fitted);
                m_y += fitted.height;
            }
        }
        m_bodyTop = m_y;
    }

    void finishPage()
    {
        if (height(m_def.pageFooter) <= 0)
            return;
        bool cancelled = false;
        const Fitted fitted = fit(m_def.pageFooter, format(m_def.pageFooter, BandKind::PageFooter,
                                                           -1, pageRow(), &cancelled));
        if (!cancelled) {
            m_y = m_footerTop;
            place(BandKind::PageFooter, -1, pageRow(), fitted);
        }
    }

    void newPage()
    {
        finishPage();
        beginPage();
        placePageHeader();
        m_breakPending = false;
        // Headers of the groups that go on over the page break.
        for (int k = 0; k < m_openGroups; ++k) {
            const ReportBand& header = m_def.groups[k].header;
            if (!header.repeatOnNewPage || height(header) <= 0)
                continue;
            bool cancelled = false;
            const Fitted fitted =
                fit(header, format(header, BandKind::GroupHeader, k, m_groupStart[k], &cancelled));
            if (cancelled)
                continue;
            place(BandKind::GroupHeader, k, m_groupStart[k], fitted);
            m_y += fitted.height;
        }
        m_bodyTop = m_y;
    }

    int pageRow() const
    {
        if (m_rows.count() == 0)
            return -1;
        return m_currentRow < 0 ? 0 : m_currentRow;
    }

    void emitBand(const ReportBand& band, BandKind kind, int group, int row, qreal keep = 0)
    {
        if (height(band) <= 0)
            return;
        bool cancelled = false;
        const Fitted fitted = fit(band, format(band, kind, group, row, &cancelled));
        if (cancelled)
            return;
        // A title in the report header keeps the first group company.
        if (m_breakPending || (band.newPageBefore && m_pageHasGroupOrDetail))
            newPage();
        // A page that holds nothing but headers takes the band whatever its
        // size, so a band taller than a page cannot move on forever; a group
        // kept together moves only when it would fit on the next page.
        const qreal room = m_footerTop - m_y + 1e-9;
        const qreal need = std::max(fitted.height, keep);
        if (m_pageHasBody
            && (fitted.height > room || (need > room && need <= m_footerTop - m_bodyTop)))
            newPage();
        place(kind, group, row, fitted);
        m_y += fitted.height;
        m_pageHasBody = true;
        m_pageHasGroupOrDetail = m_pageHasGroupOrDetail || kind != BandKind::ReportHeader;
        if (band.newPageAfter)
            m_breakPending = true;
    }

    QVariant summary(const ReportItem& item, BandKind kind, int group) const
    {
        int scope = item.summaryGroup;
        if (scope == kOwnGroup)
            scope = kind == BandKind::GroupHeader || kind == BandKind::GroupFooter ? group
                                                                                   : kWholeReport;
        int first = 0, last = m_rows.count() - 1;
        if (scope >= 0 && scope < m_levels) {
            first = m_groupStart[scope];
            last = m_groupEnd[scope];
        }
        double sum = 0;
        int count = 0;
        for (int i = first; i <= last; ++i) {
            const ReportRow row = m_rows.row(i);
            const QVariant v = item.compute ? item.compute(row) : row.value(item.text);
            if (!v.isValid() || v.isNull())
                continue;
            ++count;
            sum += v.toDouble();
        }
        if (item.function == SummaryFunction::Count)
            return count;
        return sum;
    }

    QVector<Instance> format(const ReportBand& band, BandKind kind, int group, int rowIndex,
                             bool* cancelled) const
    {
        const ReportRow row = rowIndex >= 0 ? m_rows.row(rowIndex) : ReportRow();
        QVector<Instance> items;
        items.reserve(band.items.size());
        for (const ReportItem& item : band.items) {
            Instance inst;
            inst.item = &item;
            inst.visible = item.visible;
            switch (item.kind) {
            case ReportItemKind::Label:
            case ReportItemKind::PageNumber:
                inst.value = item.text;
                inst.text = item.text;
                break;
            case ReportItemKind::Field:
                inst.value = row.value(item.text);
                break;
            case ReportItemKind::Computed:
                inst.value = item.compute ? item.compute(row) : QVariant();
                break;
            case ReportItemKind::Summary:
                inst.value = summary(item, kind, group);
                break;
            case ReportItemKind::Image:
                inst.image = item.text.isEmpty()
                                 ? item.image
                                 : QImage::fromData(row.value(item.text).toByteArray());
                break;
            case ReportItemKind::Line:
            case ReportItemKind::Box:
                break;
            }
            if (item.kind == ReportItemKind::Field || item.kind == ReportItemKind::Computed
                || item.kind == ReportItemKind::Summary)
                inst.text = FormatValue(inst.value, item.format, m_locale);
            items << inst;
        }
        if (band.onFormat) {
            BandFormat event(kind, group, row, m_locale, &items);
            band.onFormat(event);
            *cancelled = event.cancelled();
        }
        return items;
    }

    // A band instance with its items where they land once texts that do not
    // fit have grown.
    struct Fitted {
        QVector<Instance> items;
        QVector<QRectF> rects;
        QVector<Qt::Alignment> alignments;
        qreal height = 0;
    };

    QFont fontOf(const ReportItem& item) const
    {
        return item.font ? item.font->resolve(m_def.font) : m_def.font;
    }

    // A text too wide for its box wraps and its box grows downwards; what
    // lies below it in the band moves down as far, and the band grows with
    // it. Nothing is ever cut.
    Fitted fit(const ReportBand& band, QVector<Instance> items) const
    {
        Fitted f;
        f.height = band.height;
        const int n = int(items.size());
        QVector<qreal> extra(n, 0);
        for (int i = 0; i < n; ++i) {
            const Instance& inst = items[i];
            const ReportItem& item = *inst.item;
            f.rects << item.rect;
            f.alignments << item.alignment;
            if (!inst.visible || !isText(item.kind) || inst.text.isEmpty())
                continue;
            const QFont font = fontOf(item);
            const qreal need =
                m_measure.neededHeight(inst.text, font, item.rect.width(), item.wordWrap);
            if (need <= item.rect.height() + 1e-6)
                continue;
            // The lines hang from where a single line of the box would
            // stand, so every cell of a grown row starts on the row's first
            // line, however many lines the printer ends up using.
            const qreal room = item.rect.height() - m_measure.lineHeight(font);
            qreal drop = 0;
            if (item.alignment & Qt::AlignVCenter)
                drop = room / 2;
            else if (item.alignment & Qt::AlignBottom)
                drop = room;
            drop = std::max<qreal>(drop, 0);
            f.rects[i].translate(0, drop);
            f.alignments[i] = (item.alignment & Qt::AlignHorizontal_Mask) | Qt::AlignTop;
            extra[i] = drop + need - item.rect.height();
        }
        qreal growth = 0;
        for (int j = 0; j < n; ++j) {
            const QRectF own = items[j].item->rect.normalized();
            qreal shift = 0;
            for (int i = 0; i < n; ++i)
                if (extra[i] > 0 && i != j && items[i].item->rect.bottom() <= own.top() + 1e-6)
                    shift = std::max(shift, extra[i]);
            f.rects[j].translate(0, shift);
            if (extra[j] > 0)
                f.rects[j].setBottom(own.bottom() + shift + extra[j]);
            growth = std::max(growth, shift + extra[j]);
        }
        f.height += growth;
        f.items = std::move(items);
        return f;
    }

    qreal fittedHeight(const ReportBand& band, BandKind kind, int group, int row) const
    {
        if (height(band) <= 0)
            return 0;
        bool cancelled = false;
        const Fitted f = fit(band, format(band, kind, group, row, &cancelled));
        return cancelled ? 0 : f.height;
    }

    void place(BandKind kind, int group, int row, const Fitted& fitted)
    {
        LaidOutPage& page = m_out.pages.back();
        const QPointF origin(m_def.margins.left(), m_y);
        page.bands << PlacedBand{kind, group, row,
                                 QRectF(origin, QSizeF(m_def.contentWidth(), fitted.height))};
        for (int index = 0; index < fitted.items.size(); ++index) {
            const Instance& inst = fitted.items[index];
            const ReportItem& item = *inst.item;
            if (!inst.visible)
                continue;
            PlacedItem p;
            p.rect = fitted.rects[index].translated(origin);
            p.name = item.name;
            p.text = inst.text;
            p.font = fontOf(item);
            p.alignment = fitted.alignments[index];
            p.wordWrap = item.wordWrap;
            p.lineWidth = item.lineWidth;
            p.band = kind;
            p.group = group;
            switch (item.kind) {
            case ReportItemKind::Image:
                if (inst.image.isNull())
                    continue;
                p.kind = PlacedItem::Image;
                p.image = inst.image;
                break;
            case ReportItemKind::Line:
                p.kind = PlacedItem::Line;
                break;
            case ReportItemKind::Box:
                p.kind = PlacedItem::Box;
                break;
            case ReportItemKind::PageNumber:
                m_pageNumbers.append({int(m_out.pages.size()) - 1, int(page.items.size())});
                break;
            default:
                break;
            }
            page.items << p;
        }
    }

    const ReportDefinition& m_def;
    const ReportRows& m_rows;
    const QLocale& m_locale;
    const int m_levels;
    QVector<QVariantList> m_keys; // per row, the key of each group level
    QVector<int> m_groupStart;    // rows of the current instance of each group level
    QVector<int> m_groupEnd;
    int m_openGroups = 0; // levels whose header is out and footer not yet
    int m_currentRow = -1;
    qreal m_y = 0;
    qreal m_bodyTop = 0;
    qreal m_footerTop = 0;
    bool m_pageHasBody = false;          // a band besides the page's headers
    bool m_pageHasGroupOrDetail = false; // ... and besides the report header
    bool m_breakPending = false;
    QVector<QPair<int, int>> m_pageNumbers; // page, item index
    LaidOutReport m_out;
    mutable TextMeasure m_measure;
};

} // namespace

QTextOption ReportTextOption(Qt::Alignment alignment)
{
    QTextOption option(alignment);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

LaidOutReport LayoutReport(const ReportDefinition& definition, const ReportRows& rows,
                           const QLocale& locale)
{
    return Layouter(definition, rows, locale).run();
}

} // namespace vestra
