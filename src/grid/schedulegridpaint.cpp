// Drawing of the schedule grid on screen and on paper. Everything is drawn
// as vectors and text, so it stays crisp at any scale and on any printer.

#include "grid/schedulegrid.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace vestra {

namespace {
constexpr int kDayMinutes = 24 * 60;

QColor mixed(const QColor& a, const QColor& b, double towardB)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * towardB),
                            float(a.greenF() + (b.greenF() - a.greenF()) * towardB),
                            float(a.blueF() + (b.blueF() - a.blueF()) * towardB));
}

double linear(double channel)
{
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

} // namespace

double RelativeLuminance(const QColor& c)
{
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

QColor TextColourOn(const QColor& fill)
{
    // Whichever of black and white contrasts more with the fill.
    const double l = RelativeLuminance(fill);
    const double onWhite = 1.05 / (l + 0.05);
    const double onBlack = (l + 0.05) / 0.05;
    return onBlack >= onWhite ? QColor(Qt::black) : QColor(Qt::white);
}

GridShades GridShadesFor(const QPalette& palette)
{
    // Lines and shading are steps from the background toward the text, so a
    // dark palette gets dark shading with light lines.
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const bool dark = RelativeLuminance(base) < RelativeLuminance(text);
    return {mixed(base, text, 0.08),
            mixed(base, dark ? QColor(0x80, 0x60, 0x10) : QColor(0xFF, 0xE0, 0x90), 0.3),
            mixed(base, text, 0.11), mixed(base, text, 0.23)};
}

namespace {

// Diagonal stripes drawn as lines (not a pattern brush, whose spacing is in
// device pixels and would vanish on a high-resolution printer).
void hatch(QPainter& p, const QRectF& r, const QColor& colour, double spacing, double width)
{
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    p.setPen(QPen(colour, width));
    for (double x = r.left() - r.height(); x < r.right(); x += spacing)
        p.drawLine(QPointF(x, r.bottom()), QPointF(x + r.height(), r.top()));
    p.restore();
}
} // namespace

QString ElideWrapped(const QString& text, const QFont& font, qreal width, int maxLines,
                     const QPaintDevice* device)
{
    if (maxLines <= 0 || width <= 0)
        return {};
    QTextLayout layout(text, font, device);
    const QFontMetricsF fm(font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    int lastStart = 0;
    bool more = false;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            lastStart = line.textStart();
            more = line.textStart() + line.textLength() < text.size();
            lines << text.mid(lastStart);
            break;
        }
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (more || (lines.size() == maxLines && fm.horizontalAdvance(lines.last()) > width))
        lines.last() = fm.elidedText(lines.last(), Qt::ElideRight, width);
    return lines.join(QLatin1Char('\n'));
}

void ScheduleGrid::paintEvent(QPaintEvent* event)
{
    QPainter p(viewport());
    p.setRenderHint(QPainter::Antialiasing, false);
    paintGrid(p, event->rect());
    // Keyboard users see where their keys go: a frame round the grid while it has focus.
    if (hasFocus()) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(viewport()->rect().adjusted(1, 1, -1, -1));
    }
}

void ScheduleGrid::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void ScheduleGrid::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void ScheduleGrid::paintGrid(QPainter& p, const QRect& exposed) const
{
    layoutBlocks();
    const QPalette pal = palette();
    const QRect content = contentRect();
    const int header = headerHeight();
    const int gutter = gutterWidth();
    const int colW = columnWidth();
    const int columnsRight = std::min(content.right() + 1, xOfColumn(columnCount()));

    p.fillRect(exposed, pal.color(QPalette::Base));
    if (columnsRight < content.right() + 1)
        p.fillRect(QRect(QPoint(columnsRight, header), content.bottomRight()),
                   pal.color(QPalette::Window));

    // Only the rows and columns inside the exposed area are drawn.
    const QRect area = exposed.intersected(content);
    const int firstRow = minuteAt(std::max(area.top(), header)) / m_slot;
    const int lastRow = minuteAt(area.bottom()) / m_slot;
    const int firstCol = std::max(0, columnAt(std::max(area.left(), gutter)));
    const int lastCol = columnAt(area.right()) < 0 ? columnCount() - 1 : columnAt(area.right());
    const QColor highlight = pal.color(QPalette::Highlight);
    const GridShades shades = GridShadesFor(pal);
    const QColor kHourLine = shades.hourLine;
    const QColor kSlotLine = shades.slotLine;

    if (!area.isEmpty() && columnCount() > 0) {
        p.save();
        p.setClipRect(content);
        const int left = std::max(gutter, xOfColumn(firstCol));
        for (int row = firstRow; row <= lastRow; ++row) {
            const int m = row * m_slot;
            const int y0 = yOfMinute(m);
            const int y1 = yOfMinute(m + m_slot);
            QColor shade;
            if (m < m_opening || m >= m_closing)
                shade = shades.closed;
            else if (m >= m_primeStart && m < m_primeEnd)
                shade = shades.prime;
            if (shade.isValid())
                p.fillRect(QRect(left, y0, columnsRight - left, y1 - y0), shade);
            p.setPen(m % 60 == 0 ? kHourLine : kSlotLine);
            p.drawLine(left, y0, columnsRight - 1, y0);
        }
        if (m_selected <= 0 && currentSlot() >= 0) {
            const int x = xOfColumn(m_currentColumn);
            const QRect sel(x, yOfMinute(m_slotStart), colW,
                            yOfMinute(m_slotEnd) - yOfMinute(m_slotStart));
            QColor fill = highlight;
            fill.setAlpha(hasFocus() ? 70 : 35);
            p.fillRect(sel, fill);
            p.setPen(QPen(highlight, 1));
            p.drawRect(sel.adjusted(0, 0, -1, -1));
        }
        p.setPen(kHourLine);
        for (int c = firstCol; c <= lastCol + 1 && c <= columnCount(); ++c)
            p.drawLine(xOfColumn(c) - (c > 0 ? 1 : 0), header, xOfColumn(c) - (c > 0 ? 1 : 0),
                       content.bottom());

        p.setRenderHint(QPainter::Antialiasing, true);
        const int top = yOfMinute(0);
        for (int c = firstCol; c <= lastCol; ++c) {
            for (int n : m_columnBlocks[c]) {
                const Block& b = *m_blocks.constFind(n);
                const QRect r = blockRectIn(b, xOfColumn(c), colW, top, pixelsPerMinute());
                if (r.intersects(area))
                    paintBlock(p, b, r, header, n == m_selected, 1.0, false);
            }
        }
        p.restore();
    }

    // Time column, frozen on the left.
    const QRect gutterRect(0, header, gutter, content.height());
    if (exposed.intersects(gutterRect)) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(gutterRect, pal.color(QPalette::Window));
        p.save();
        p.setClipRect(gutterRect);
        QFont small = font();
        small.setPointSizeF(font().pointSizeF() * 0.85);
        const int rowH = rowHeight();
        for (int row = firstRow; row <= lastRow + 1; ++row) {
            const int m = row * m_slot;
            const int y = yOfMinute(m);
            if (m % 60 == 0) {
                p.setPen(kHourLine);
                p.drawLine(gutter - 6, y, gutter, y);
                p.setFont(font());
                p.setPen(pal.color(QPalette::WindowText));
                p.drawText(QRect(0, y + 1, gutter - 6, rowH), Qt::AlignRight | Qt::AlignTop,
                           timeLabel(m));
            } else if (m_slot >= 15) {
                p.setFont(small);
                p.setPen(pal.color(QPalette::PlaceholderText));
                p.drawText(QRect(0, y + 1, gutter - 6, rowH), Qt::AlignRight | Qt::AlignTop,
                           QStringLiteral(":%1").arg(m % 60, 2, 10, QLatin1Char('0')));
            }
        }
        p.restore();
        p.setPen(kHourLine);
        p.drawLine(gutter - 1, header, gutter - 1, content.bottom());
    }

    // Column captions, frozen at the top; the corner holds the header text.
    if (exposed.top() < header) {
        p.setRenderHint(QPainter::Antialiasing, false);
        const QRect band(0, 0, viewport()->width(), header);
        p.fillRect(band, pal.color(QPalette::Window));
        p.save();
        p.setClipRect(QRect(gutter, 0, band.width() - gutter, header));
        for (int c = firstCol; c <= lastCol; ++c) {
            const QRect cell(xOfColumn(c), 0, colW, header);
            QFont f = font();
            f.setBold(c == m_currentColumn);
            p.setFont(f);
            p.setPen(pal.color(QPalette::WindowText));
            const QRect textRect = cell.adjusted(4, 3, -4, -3);
            const QString caption = m_columns[c].caption;
            const QFontMetrics fm(f);
            // Two lines at most; the second elided when the caption is longer still.
            QString shown = caption;
            if (fm.boundingRect(textRect, Qt::TextWordWrap, caption).height() > textRect.height())
                shown = fm.elidedText(caption, Qt::ElideRight,
                                      textRect.width() * 2 - fm.averageCharWidth());
            p.drawText(textRect, Qt::AlignCenter | Qt::TextWordWrap, shown);
            if (c == m_currentColumn) {
                p.fillRect(QRect(cell.left(), header - 3, cell.width(), 3), highlight);
            }
            p.setPen(kHourLine);
            p.drawLine(cell.right(), 0, cell.right(), header);
        }
        p.restore();
        p.setPen(kHourLine);
        p.drawLine(0, header - 1, band.width(), header - 1);
        p.drawLine(gutter - 1, 0, gutter - 1, header);
        QFont bold = font();
        bold.setBold(true);
        p.setFont(bold);
        p.setPen(pal.color(QPalette::WindowText));
        p.drawText(QRect(0, 0, gutter - 1, header), Qt::AlignCenter, m_headerText);
    }
}

void ScheduleGrid::paintBlock(QPainter& p, const Block& b, const QRectF& r, double visibleTop,
                              bool selected, double scale, bool printing) const
{
    const QColor fill = colorFromBgr(printing ? m_printColour : b.colour);
    const QColor ink = TextColourOn(fill);
    const double radius = std::min(3.0 * scale, r.height() / 3);

    p.save();
    QPainterPath shape;
    shape.addRoundedRect(r, radius, radius);
    p.fillPath(shape, fill);
    if (b.tentative) {
        QColor stripe = ink;
        stripe.setAlphaF(0.22);
        if (printing) {
            p.setClipPath(shape);
            hatch(p, r, stripe, 7 * scale, 1.5 * scale);
            p.setClipping(false);
        } else {
            // On screen a pattern brush draws the same stripes at a fraction of the cost.
            p.fillPath(shape, QBrush(stripe, Qt::BDiagPattern));
        }
    }
    QPen border(printing ? QColor(Qt::black) : fill.darker(150), 1 * scale);
    if (b.tentative) {
        border.setStyle(Qt::DashLine);
        border.setWidthF(1.5 * scale);
    }
    if (!b.notStored.isEmpty() && !printing) {
        border = QPen(QColor(200, 0, 0), 2.5 * scale, Qt::DashLine);
    }
    p.setPen(border);
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    if (selected) {
        // A light inner line keeps the ring visible on blocks of the highlight's own hue.
        const QColor h = palette().color(QPalette::Highlight);
        p.setPen(QPen(h.darker(120), 3 * scale));
        p.drawRoundedRect(r.adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
        p.setPen(QPen(QColor(255, 255, 255, 200), 1 * scale));
        p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), radius, radius);
        // Grips on the two edges that can be dragged.
        const double gw = std::min(18.0, r.width() / 3);
        p.setPen(Qt::NoPen);
        p.setBrush(h);
        p.drawRect(QRectF(r.center().x() - gw / 2, r.top() - 1, gw, 3));
        p.drawRect(QRectF(r.center().x() - gw / 2, r.bottom() - 2, gw, 3));
    }

    if (!overlappedTexts(b).isEmpty()) {
        // Another booking of the same item at the same time: a red edge down
        // the block's left side, on paper too.
        const double edge = std::min(4.0 * scale, r.width() / 4);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(220, 0, 0));
        p.drawRect(QRectF(r.left(), r.top(), edge, r.height()));
    }

    if (continuesPastMidnight(b)) {
        // The block goes on into the next day: a dotted bottom edge and an
        // arrow pointing down past it.
        p.setPen(QPen(ink, 1.5 * scale, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(r.left() + 2 * scale, r.bottom() - 2 * scale),
                   QPointF(r.right() - 2 * scale, r.bottom() - 2 * scale));
        const double w = std::min(10.0 * scale, r.width() / 3);
        const double h = std::min(6.0 * scale, r.height() / 2);
        const QPointF tip(r.right() - w, r.bottom() - 3 * scale);
        QPolygonF arrow{tip + QPointF(-w / 2, -h), tip + QPointF(w / 2, -h), tip};
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPolygon(arrow);
    }

    // Text, then second text, then the times when there is room for them.
    // The texts stay in sight when the block's top is scrolled away.
    QRectF inner = r.adjusted(4 * scale, 2 * scale, -3 * scale, -2 * scale);
    inner.setTop(std::max(inner.top(), visibleTop + 2 * scale));
    if (inner.height() > 4 && inner.width() > 4) {
        p.setClipRect(inner);
        p.setPen(ink);
        QFont f = p.font();
        f.setBold(true);
        p.setFont(f);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        QRectF used;
        const QFontMetricsF titleMetrics(f, p.device());
        const int titleLines = std::max(1, int(inner.height() / titleMetrics.lineSpacing()));
        p.drawText(inner, flags, ElideWrapped(b.text, f, inner.width(), titleLines, p.device()),
                   &used);
        f.setBold(false);
        p.setFont(f);
        QRectF rest = inner.adjusted(0, used.height(), 0, 0);
        if (!b.secondText.isEmpty() && rest.height() > 2) {
            p.drawText(rest, flags, b.secondText, &used);
            rest.adjust(0, used.height(), 0, 0);
        }
        const QFontMetricsF fm(f, p.device());
        QString times = timeLabel(b.start) + QStringLiteral(" - ") + timeLabel(b.end);
        if (fm.horizontalAdvance(times) > rest.width())
            times = timeLabel(b.start);
        if (rest.height() >= fm.height() && fm.horizontalAdvance(times) <= rest.width()) {
            QColor soft = ink;
            soft.setAlphaF(0.75);
            p.setPen(soft);
            p.drawText(rest, Qt::AlignLeft | Qt::AlignTop, times);
        }
    }
    p.restore();
}

// --- printing -----------------------------------------------------------------

bool ScheduleGrid::print(QPrinter* printer) const
{
    layoutBlocks();
    QPainter p;
    if (!printer || !p.begin(printer))
        return false;
    const double pt = printer->resolution() / 72.0; // device pixels per point
    const QRectF page(QPointF(0, 0), printer->pageRect(QPrinter::DevicePixel).size());

    QFont base = font();
    base.setPointSizeF(8);
    QFont titleFont = base;
    titleFont.setPointSizeF(14);
    titleFont.setBold(true);
    QFont subFont = base;
    subFont.setPointSizeF(10);
    QFont headFont = base;
    headFont.setBold(true);
    p.setFont(base);
    const QFontMetricsF fm(base, printer);

    const double titleH = QFontMetricsF(titleFont, printer).height();
    const double subH = m_printSubtitle.isEmpty() ? 0 : QFontMetricsF(subFont, printer).height();
    const double headH = fm.height() * 2 + 6 * pt;
    const double footH = fm.height() + 4 * pt;
    const double gridTop = titleH + subH + 8 * pt + headH;
    // The time column is wide enough for the corner's header ("Week:23") too.
    const double gutterW =
        std::max({fm.horizontalAdvance(timeLabel(23 * 60 + 45)),
                  fm.horizontalAdvance(timeLabel(11 * 60 + 45)),
                  QFontMetricsF(headFont, printer).horizontalAdvance(m_headerText) + 2 * pt})
        + 10 * pt;

    // The print range in print slots; an empty range prints the whole day.
    int from = m_printStart;
    int to = m_printEnd > m_printStart ? m_printEnd : kDayMinutes;
    if (m_printEnd <= m_printStart)
        from = 0;
    const int slot = m_printSlot;
    from -= from % slot;
    const int rows = std::max(1, (to - from + slot - 1) / slot);
    to = from + rows * slot;

    // Rows share the page height and need no more than their time label's
    // height, so a working day in quarter hours fits one page; only lower
    // rows continue the day on further pages. Columns get at least ~1.2
    // inches each.
    const double gridH = page.height() - gridTop - footH;
    const double minRow = fm.height();
    const int rowsPerPage = std::clamp(static_cast<int>(gridH / minRow), 1, rows);
    const double rowH = gridH / rowsPerPage;
    const int colsPerPage = std::clamp(static_cast<int>((page.width() - gutterW) / (90 * pt)), 1,
                                       std::max(1, columnCount()));
    const double colW = (page.width() - gutterW) / colsPerPage;
    const int downPages = (rows + rowsPerPage - 1) / rowsPerPage;
    const int acrossPages = std::max(1, (columnCount() + colsPerPage - 1) / colsPerPage);
    const int pages = downPages * acrossPages;
    const double ppm = rowH / slot;

    int pageNo = 0;
    for (int down = 0; down < downPages; ++down) {
        const int rowFrom = down * rowsPerPage;
        const int rowTo = std::min(rows, rowFrom + rowsPerPage);
        const int mFrom = from + rowFrom * slot;
        const int mTo = from + rowTo * slot;
        for (int across = 0; across < acrossPages; ++across) {
            if (pageNo++ > 0)
                printer->newPage();
            const int cFrom = across * colsPerPage;
            const int cTo = std::min(columnCount(), cFrom + colsPerPage);
            const double right = gutterW + (cTo - cFrom) * colW;

            p.setPen(Qt::black);
            p.setFont(titleFont);
            p.drawText(QRectF(0, 0, page.width(), titleH), Qt::AlignLeft | Qt::AlignVCenter,
                       m_printTitle);
            if (subH > 0) {
                p.setFont(subFont);
                p.drawText(QRectF(0, titleH, page.width(), subH), Qt::AlignLeft | Qt::AlignVCenter,
                           m_printSubtitle);
            }

            // Header cells.
            const double headTop = gridTop - headH;
            p.setFont(headFont);
            p.drawText(QRectF(0, headTop, gutterW, headH), Qt::AlignCenter, m_headerText);
            for (int c = cFrom; c < cTo; ++c) {
                const QRectF cell(gutterW + (c - cFrom) * colW, headTop, colW, headH);
                p.fillRect(cell, colorFromBgr(m_printColour).lighter(115));
                p.drawText(cell.adjusted(3 * pt, 2 * pt, -3 * pt, -2 * pt),
                           Qt::AlignCenter | Qt::TextWordWrap, m_columns[c].caption);
            }

            // Rows: closed hours lightly shaded, time labels, lines.
            p.setFont(base);
            for (int row = rowFrom; row < rowTo; ++row) {
                const int m = from + row * slot;
                const double y = gridTop + (row - rowFrom) * rowH;
                if (m < m_opening || m >= m_closing)
                    p.fillRect(QRectF(gutterW, y, right - gutterW, rowH), QColor(0xF2, 0xF2, 0xF2));
                p.setPen(QPen(m % 60 == 0 ? QColor(0x80, 0x80, 0x80) : QColor(0xC8, 0xC8, 0xC8),
                              0.5 * pt));
                p.drawLine(QPointF(0, y), QPointF(right, y));
                p.setPen(Qt::black);
                p.drawText(QRectF(0, y, gutterW - 4 * pt, rowH), Qt::AlignRight | Qt::AlignVCenter,
                           timeLabel(m));
            }
            const double bottom = gridTop + (rowTo - rowFrom) * rowH;
            p.setPen(QPen(QColor(0x80, 0x80, 0x80), 0.5 * pt));
            for (int c = cFrom; c <= cTo; ++c) {
                const double x = gutterW + (c - cFrom) * colW;
                p.drawLine(QPointF(x, headTop), QPointF(x, bottom));
            }
            p.drawLine(QPointF(0, bottom), QPointF(right, bottom));
            p.drawLine(QPointF(0, headTop), QPointF(right, headTop));

            // Blocks, cut to this page's part of the day.
            p.setRenderHint(QPainter::Antialiasing, true);
            const QRectF band(gutterW, gridTop, right - gutterW, bottom - gridTop);
            for (int c = cFrom; c < cTo; ++c) {
                for (int n : m_columnBlocks[c]) {
                    const Block& b = *m_blocks.constFind(n);
                    if (b.start >= mTo || displayEnd(b) <= mFrom)
                        continue;
                    const double x = gutterW + (c - cFrom) * colW;
                    const QRect r = blockRectIn(b, static_cast<int>(x), static_cast<int>(colW),
                                                static_cast<int>(gridTop - mFrom * ppm), ppm);
                    p.save();
                    p.setClipRect(band);
                    paintBlock(p, b, QRectF(r).adjusted(pt, 0, 0, 0), gridTop, false, pt, true);
                    p.restore();
                }
            }
            p.setRenderHint(QPainter::Antialiasing, false);

            p.setFont(base);
            p.setPen(Qt::black);
            if (pages > 1)
                p.drawText(QRectF(0, page.height() - footH, page.width(), footH),
                           Qt::AlignRight | Qt::AlignBottom,
                           tr("Page %1 of %2").arg(pageNo).arg(pages));
        }
    }
    return p.end();
}

} // namespace vestra
