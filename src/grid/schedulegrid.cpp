#include "grid/schedulegrid.h"

#include "grid/gridpacking.h"

#include <QHelpEvent>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTextDocument>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <utility>

namespace vestra {

namespace {
constexpr int kDayMinutes = 24 * 60;
// Light blue, until the view gives the block its booking's colour.
constexpr int kDefaultColour = 0xF2D3A6;
const QDate kDayZero(1900, 1, 1);

QDate dateOfDay(int dayNumber)
{
    return kDayZero.addDays(dayNumber);
}
} // namespace

ScheduleGrid::ScheduleGrid(QWidget* parent) : QAbstractScrollArea(parent)
{
    installAccessibility();
    m_dayNames = {QStringLiteral("Sun"), QStringLiteral("Mon"), QStringLiteral("Tue"),
                  QStringLiteral("Wed"), QStringLiteral("Thu"), QStringLiteral("Fri"),
                  QStringLiteral("Sat")};
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true); // edge cursors while hovering
    viewport()->setBackgroundRole(QPalette::Base);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setMinimumSize(200, 150);
    updateScrollBars();
}

ScheduleGrid::~ScheduleGrid()
{
    // The editor would report losing focus while the children are deleted,
    // after the blocks are gone.
    if (m_editor) {
        disconnect(m_editor, nullptr, this, nullptr);
        delete m_editor;
    }
    for (int number : m_accessibleIds.keys())
        releaseAccessible(number);
}

// --- settings ---------------------------------------------------------------

void ScheduleGrid::setOpeningTime(int minutes)
{
    m_opening = std::clamp(minutes, 0, kDayMinutes);
    viewport()->update();
}

void ScheduleGrid::setClosingTime(int minutes)
{
    m_closing = std::clamp(minutes, 0, kDayMinutes);
    viewport()->update();
}

void ScheduleGrid::setPrimeTime(int start, int end)
{
    m_primeStart = std::clamp(start, 0, kDayMinutes);
    m_primeEnd = std::clamp(end, 0, kDayMinutes);
    viewport()->update();
}

void ScheduleGrid::setPrintRange(int start, int end)
{
    m_printStart = std::clamp(start, 0, kDayMinutes);
    m_printEnd = std::clamp(end, 0, kDayMinutes);
}

void ScheduleGrid::setSlotSize(int minutes)
{
    const int slot = std::clamp(minutes, 1, 60);
    if (slot == m_slot)
        return;
    // Keep the time at the top of the view where it was.
    const int top = minuteAt(headerHeight());
    m_slot = slot;
    if (m_slotStart >= 0)
        selectSlot(m_currentColumn, m_slotStart - m_slotStart % m_slot);
    updateScrollBars();
    scrollToTime(top);
    placeEditor();
}

void ScheduleGrid::setPrintSlotSize(int minutes)
{
    m_printSlot = std::clamp(minutes, 1, 60);
}

void ScheduleGrid::setShowAmPm(bool on)
{
    m_ampm = on;
    updateScrollBars(); // the time column's width follows its labels
}

void ScheduleGrid::setMilitaryTime(bool on)
{
    m_military = on;
    updateScrollBars();
}

void ScheduleGrid::setDateFormat(const QString& format)
{
    m_dateFormat = format;
    if (m_weekMode)
        rebuildWeekColumns();
}

void ScheduleGrid::setDayNames(const QStringList& sundayFirst)
{
    if (sundayFirst.size() != 7)
        return;
    m_dayNames = sundayFirst;
    if (m_weekMode)
        rebuildWeekColumns();
}

void ScheduleGrid::setWeekMode(bool on, int dayCount)
{
    m_weekMode = on;
    m_dayCount = std::max(1, dayCount);
    clearColumns();
}

void ScheduleGrid::setFirstDate(int dayNumber)
{
    m_firstDate = dayNumber;
    if (m_weekMode)
        rebuildWeekColumns();
}

void ScheduleGrid::setFirstDate(const QDate& date)
{
    setFirstDate(static_cast<int>(kDayZero.daysTo(date)));
}

void ScheduleGrid::setHeaderText(const QString& text)
{
    m_headerText = text;
    updateScrollBars();
}

void ScheduleGrid::setColumnDisplay(int columns)
{
    m_columnDisplay = std::max(1, columns);
    updateScrollBars();
}

void ScheduleGrid::setPrintColour(int bgr)
{
    m_printColour = bgr;
}

void ScheduleGrid::setPrintTitle(const QString& title)
{
    m_printTitle = title;
}

void ScheduleGrid::setPrintSubtitle(const QString& subtitle)
{
    m_printSubtitle = subtitle;
}

// --- commands ---------------------------------------------------------------

void ScheduleGrid::clearBlocks()
{
    finishEditing(true);
    m_drag = Drag::None;
    for (int number : m_blocks.keys())
        releaseAccessible(number);
    m_blocks.clear();
    setSelected(0);
    invalidateLayout();
}

void ScheduleGrid::commitEditing()
{
    finishEditing(true);
}

void ScheduleGrid::clearColumns()
{
    finishEditing(true);
    m_drag = Drag::None;
    m_columns.clear();
    m_currentColumn = -1;
    m_slotStart = m_slotEnd = -1;
    if (m_weekMode)
        rebuildWeekColumns();
    invalidateLayout();
    updateScrollBars();
    emit selectionChanged();
}

int ScheduleGrid::addColumn(int key, const QString& caption, int date)
{
    m_columns.append({key, date, caption});
    invalidateLayout();
    updateScrollBars();
    return columnCount() - 1;
}

void ScheduleGrid::rebuildWeekColumns()
{
    m_columns.clear();
    for (int i = 0; i < m_dayCount; ++i) {
        const int day = m_firstDate + i;
        m_columns.append({0, day, dateText(dateOfDay(day), m_dateFormat, m_dayNames)});
    }
    if (m_currentColumn >= columnCount())
        m_currentColumn = -1;
    invalidateLayout();
    updateScrollBars();
}

int ScheduleGrid::addBlock(int start, int end, int date, const QString& text, const QString& key)
{
    const int number = m_nextNumber++;
    Block b;
    b.key = key;
    b.text = text;
    b.start = std::clamp(start, 0, kDayMinutes);
    b.end = std::clamp(end, 0, kDayMinutes);
    b.date = date;
    b.colour = kDefaultColour;
    m_blocks.insert(number, b);
    invalidateLayout();
    return number;
}

void ScheduleGrid::removeBlock(int number)
{
    if (!m_blocks.contains(number))
        return;
    if (number == m_editBlock && m_editor) {
        m_editBlock = 0; // the editor has nothing left to commit
        finishEditing(false);
    }
    if (number == m_dragBlock)
        m_drag = Drag::None;
    releaseAccessible(number);
    m_blocks.remove(number);
    if (number == m_selected)
        setSelected(0);
    invalidateLayout();
}

bool ScheduleGrid::printToPdf(const QString& path) const
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(m_printTitle);
    return print(&printer);
}

void ScheduleGrid::printPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog dialog(&printer, this);
    dialog.setWindowTitle(m_printTitle);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { print(p); });
    dialog.exec();
}

void ScheduleGrid::scrollToTime(int minutes)
{
    verticalScrollBar()->setValue(static_cast<int>(std::lround(minutes * pixelsPerMinute())));
}

// --- blocks -----------------------------------------------------------------

QString ScheduleGrid::blockKey(int n) const
{
    return m_blocks.value(n).key;
}
QString ScheduleGrid::blockText(int n) const
{
    return m_blocks.value(n).text;
}
int ScheduleGrid::blockStart(int n) const
{
    return m_blocks.value(n).start;
}
int ScheduleGrid::blockEnd(int n) const
{
    return m_blocks.value(n).end;
}
int ScheduleGrid::blockDate(int n) const
{
    return m_blocks.value(n).date;
}
int ScheduleGrid::blockColumnKey(int n) const
{
    return m_blocks.value(n).columnKey;
}

// Changes that move a block lay the blocks out again; the others only repaint.
template <typename Change> void ScheduleGrid::editBlock(int number, bool moves, Change change)
{
    auto it = m_blocks.find(number);
    if (it == m_blocks.end())
        return;
    change(*it);
    if (moves)
        invalidateLayout();
    else
        viewport()->update();
}

void ScheduleGrid::setBlockKey(int n, const QString& v)
{
    editBlock(n, false, [&](Block& b) { b.key = v; });
}
void ScheduleGrid::setBlockText(int n, const QString& v)
{
    editBlock(n, false, [&](Block& b) { b.text = v; });
}
void ScheduleGrid::setBlockSecondText(int n, const QString& v)
{
    editBlock(n, false, [&](Block& b) { b.secondText = v; });
}
void ScheduleGrid::setBlockColour(int n, int v)
{
    editBlock(n, false, [&](Block& b) { b.colour = v; });
}
void ScheduleGrid::setBlockColumnKey(int n, int v)
{
    editBlock(n, true, [&](Block& b) { b.columnKey = v; });
}
void ScheduleGrid::setBlockTentative(int n, bool v)
{
    editBlock(n, false, [&](Block& b) { b.tentative = v; });
}

QString ScheduleGrid::blockNotStored(int n) const
{
    return m_blocks.value(n).notStored;
}

void ScheduleGrid::setBlockNotStored(int n, const QString& reason)
{
    editBlock(n, false, [&](Block& b) { b.notStored = reason; });
}

// --- state ------------------------------------------------------------------

void ScheduleGrid::selectBlock(int number)
{
    setSelected(m_blocks.contains(number) ? number : 0);
}

void ScheduleGrid::setSelected(int number)
{
    if (number == m_selected)
        return;
    const int before = std::exchange(m_selected, number);
    if (number > 0) {
        layoutBlocks();
        const Block& b = m_blocks[number];
        if (b.column >= 0)
            m_currentColumn = b.column;
    }
    viewport()->update();
    notifySelection(before, number);
    notifyAccessibility(number);
    emit selectionChanged();
}

int ScheduleGrid::columnKey(int column) const
{
    return column >= 0 && column < columnCount() ? m_columns[column].key : 0;
}

int ScheduleGrid::columnDate(int column) const
{
    return column >= 0 && column < columnCount() ? m_columns[column].date : 0;
}

QString ScheduleGrid::columnCaption(int column) const
{
    return column >= 0 && column < columnCount() ? m_columns[column].caption : QString();
}

int ScheduleGrid::currentSlot() const
{
    return m_slotStart >= 0 && m_currentColumn >= 0 ? m_slotStart / m_slot : -1;
}

void ScheduleGrid::selectSlot(int column, int start, int end)
{
    if (column < 0 || column >= columnCount())
        return;
    m_currentColumn = column;
    m_slotStart = std::clamp(start - start % m_slot, 0, kDayMinutes - m_slot);
    m_slotEnd = end > m_slotStart ? std::min(end, kDayMinutes) : m_slotStart + m_slot;
    viewport()->update();
    emit selectionChanged();
}

// --- geometry ---------------------------------------------------------------

int ScheduleGrid::headerHeight() const
{
    return fontMetrics().height() * 2 + 10;
}

int ScheduleGrid::gutterWidth() const
{
    const QFontMetrics fm = fontMetrics();
    int w = std::max(fm.horizontalAdvance(timeLabel(23 * 60 + 45)),
                     fm.horizontalAdvance(timeLabel(11 * 60 + 45)));
    QFont bold = font();
    bold.setBold(true);
    w = std::max(w, QFontMetrics(bold).horizontalAdvance(m_headerText));
    return w + 16;
}

int ScheduleGrid::rowHeight() const
{
    // Readable labels in short slots, at least 48 pixels an hour in long ones.
    return std::max(fontMetrics().height() + 6, 48 * m_slot / 60);
}

int ScheduleGrid::columnWidth() const
{
    if (m_columns.isEmpty())
        return 0;
    const int shown = std::clamp(m_columnDisplay, 1, columnCount());
    const int available = viewport()->width() - gutterWidth();
    return std::max(fontMetrics().averageCharWidth() * 14, available / shown);
}

int ScheduleGrid::yOfMinute(int minutes) const
{
    return headerHeight() + static_cast<int>(std::lround(minutes * pixelsPerMinute()))
           - verticalScrollBar()->value();
}

int ScheduleGrid::xOfColumn(int column) const
{
    return gutterWidth() + column * columnWidth() - horizontalScrollBar()->value();
}

int ScheduleGrid::minuteAt(int y) const
{
    const double m = (y - headerHeight() + verticalScrollBar()->value()) / pixelsPerMinute();
    return std::clamp(static_cast<int>(std::floor(m)), 0, kDayMinutes - 1);
}

int ScheduleGrid::columnAt(int x) const
{
    const int w = columnWidth();
    if (w <= 0 || x < gutterWidth())
        return -1;
    const int c = (x - gutterWidth() + horizontalScrollBar()->value()) / w;
    return c < columnCount() ? c : -1;
}

QRect ScheduleGrid::contentRect() const
{
    return viewport()->rect().adjusted(gutterWidth(), headerHeight(), 0, 0);
}

void ScheduleGrid::updateScrollBars()
{
    const int rows = (kDayMinutes + m_slot - 1) / m_slot;
    const QRect content = contentRect();
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, rows * rowHeight() - content.height()));
    v->setPageStep(content.height());
    v->setSingleStep(rowHeight());
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, columnCount() * columnWidth() - content.width()));
    h->setPageStep(content.width());
    h->setSingleStep(std::max(1, columnWidth() / 4));
    placeEditor();
    viewport()->update();
}

void ScheduleGrid::ensureSlotVisible()
{
    if (m_slotStart < 0)
        return;
    const QRect r = slotRect(m_currentColumn, m_slotStart);
    const QRect content = contentRect();
    QScrollBar* v = verticalScrollBar();
    if (r.top() < content.top())
        v->setValue(v->value() - (content.top() - r.top()));
    else if (r.bottom() > content.bottom())
        v->setValue(v->value() + (r.bottom() - content.bottom()));
    QScrollBar* h = horizontalScrollBar();
    if (r.left() < content.left())
        h->setValue(h->value() - (content.left() - r.left()));
    else if (r.right() > content.right())
        h->setValue(h->value() + std::min(r.right() - content.right(), r.left() - content.left()));
}

QRect ScheduleGrid::slotRect(int column, int minutes) const
{
    if (column < 0 || column >= columnCount())
        return {};
    const int start = minutes - minutes % m_slot;
    const int top = yOfMinute(start);
    return QRect(xOfColumn(column), top, columnWidth(), yOfMinute(start + m_slot) - top);
}

// --- placement --------------------------------------------------------------

int ScheduleGrid::displayEnd(const Block& b) const
{
    if (b.end > b.start)
        return b.end;
    if (b.end < b.start)
        return kDayMinutes; // runs past midnight: shown to the end of this day
    return std::min(b.start + m_slot, kDayMinutes);
}

int ScheduleGrid::fullEnd(const Block& b) const
{
    return b.end < b.start ? b.end + kDayMinutes : displayEnd(b);
}

int ScheduleGrid::columnFor(const Block& b) const
{
    for (int c = 0; c < columnCount(); ++c) {
        const Column& col = m_columns[c];
        if ((m_weekMode || col.key == b.columnKey) && (col.date == 0 || col.date == b.date))
            return c;
    }
    return -1;
}

void ScheduleGrid::invalidateLayout()
{
    m_layoutValid = false;
    placeEditor();
    viewport()->update();
}

void ScheduleGrid::layoutBlocks() const
{
    if (m_layoutValid)
        return;
    m_columnBlocks = QList<QList<int>>(columnCount());
    auto& blocks = const_cast<QMap<int, Block>&>(m_blocks);
    for (auto it = blocks.begin(); it != blocks.end(); ++it) {
        it->column = columnFor(*it);
        if (it->column >= 0)
            m_columnBlocks[it->column].append(it.key());
    }
    for (QList<int>& numbers : m_columnBlocks) {
        std::stable_sort(numbers.begin(), numbers.end(),
                         [&](int a, int b) { return blocks[a].start < blocks[b].start; });
        QList<PackItem> items;
        for (int n : numbers)
            items.append({n, blocks[n].start, displayEnd(blocks[n])});
        for (const PackPlace& place : PackColumn(items)) {
            Block& b = blocks[place.id];
            b.lane = place.lane;
            b.lanes = place.lanes;
        }
    }
    m_layoutValid = true;
}

QRect ScheduleGrid::blockRectIn(const Block& b, int x, int width, int top, double pxPerMinute) const
{
    // A strip on the right stays free so that a slot beside a block can be clicked.
    const int margin = std::min(10, width / 8);
    const int usable = width - margin - 2;
    const int left = x + 1 + usable * b.lane / b.lanes;
    const int right = x + 1 + usable * (b.lane + 1) / b.lanes;
    const int y0 = top + static_cast<int>(std::lround(b.start * pxPerMinute));
    const int y1 = top + static_cast<int>(std::lround(displayEnd(b) * pxPerMinute));
    return QRect(QPoint(left, y0 + 1), QPoint(right - 2, std::max(y0 + 4, y1 - 1)));
}

QRect ScheduleGrid::blockRect(int number) const
{
    layoutBlocks();
    auto it = m_blocks.constFind(number);
    if (it == m_blocks.constEnd() || it->column < 0)
        return {};
    return blockRectIn(*it, xOfColumn(it->column), columnWidth(), yOfMinute(0), pixelsPerMinute());
}

int ScheduleGrid::blockAt(const QPoint& pos) const
{
    if (!contentRect().contains(pos))
        return 0;
    const int column = columnAt(pos.x());
    if (column < 0)
        return 0;
    layoutBlocks();
    for (int n : m_columnBlocks[column])
        if (blockRect(n).contains(pos))
            return n;
    return 0;
}

int ScheduleGrid::blockCovering(int column, int minutes) const
{
    layoutBlocks();
    if (column < 0 || column >= columnCount())
        return 0;
    int found = 0;
    int foundLane = 0;
    for (int n : m_columnBlocks[column]) {
        const Block& b = *m_blocks.constFind(n);
        if (b.start <= minutes && minutes < displayEnd(b) && (found == 0 || b.lane < foundLane)) {
            found = n;
            foundLane = b.lane;
        }
    }
    return found;
}

QList<int> ScheduleGrid::placedBlocksInOrder() const
{
    layoutBlocks();
    QList<int> all;
    for (const QList<int>& numbers : m_columnBlocks)
        all += numbers;
    return all;
}

ScheduleGrid::Edge ScheduleGrid::edgeAt(int number, const QPoint& pos) const
{
    const QRect r = blockRect(number);
    if (r.isEmpty())
        return Edge::None;
    const int zone = std::clamp(r.height() / 4, 2, 6);
    if (pos.y() < r.top() + zone)
        return Edge::Top;
    if (pos.y() > r.bottom() - zone)
        return Edge::Bottom;
    return Edge::None;
}

int ScheduleGrid::snap(int minutes) const
{
    return static_cast<int>(std::lround(double(minutes) / m_slot)) * m_slot;
}

QString ScheduleGrid::blockDescription(int number) const
{
    // The column below comes from the placement, which a change of the
    // columns leaves out of date until the next layout.
    layoutBlocks();
    auto it = m_blocks.constFind(number);
    if (it == m_blocks.constEnd())
        return {};
    QStringList parts{timeLabel(it->start) + QStringLiteral(" - ") + timeLabel(it->end)};
    if (it->column >= 0)
        parts << m_columns[it->column].caption;
    if (!it->secondText.isEmpty())
        parts << it->secondText;
    if (it->tentative)
        parts << tr("tentative");
    if (continuesPastMidnight(*it))
        parts << tr("continues the next day");
    for (const QString& other : overlappedTexts(*it))
        parts << tr("overlaps %1").arg(other);
    if (!it->notStored.isEmpty())
        parts << tr("not stored: %1").arg(it->notStored);
    return parts.join(QStringLiteral(", "));
}

QStringList ScheduleGrid::overlappedTexts(const Block& b) const
{
    QStringList texts;
    const int column = columnFor(b);
    if (column < 0)
        return texts;
    // Only the blocks of its own column: painting asks this of every block
    // it draws, and a busy day holds thousands.
    layoutBlocks();
    QList<int> overlapping;
    for (int n : m_columnBlocks[column]) {
        const Block& other = *m_blocks.constFind(n);
        if (other.start >= displayEnd(b) || b.start >= displayEnd(other))
            continue;
        // The block itself, which painting may hand in as a copy.
        const bool itself = other.key == b.key && other.text == b.text && other.start == b.start
                            && other.end == b.end && other.date == b.date
                            && other.columnKey == b.columnKey;
        if (!itself)
            overlapping << n;
    }
    std::sort(overlapping.begin(), overlapping.end());
    for (int n : overlapping)
        texts << QStringLiteral("'%1'").arg(m_blocks.constFind(n)->text);
    return texts;
}

// --- helpers ----------------------------------------------------------------

QColor ScheduleGrid::colorFromBgr(int bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QString ScheduleGrid::timeText(int minutes, bool ampm, bool military)
{
    const int m = ((minutes % kDayMinutes) + kDayMinutes) % kDayMinutes;
    const int hour = m / 60;
    const QString mm = QStringLiteral("%1").arg(m % 60, 2, 10, QLatin1Char('0'));
    if (military)
        return QStringLiteral("%1:%2").arg(hour, 2, 10, QLatin1Char('0')).arg(mm);
    const int h12 = hour % 12 == 0 ? 12 : hour % 12;
    QString text = QStringLiteral("%1:%2").arg(h12).arg(mm);
    if (ampm)
        text += hour < 12 ? QStringLiteral(" am") : QStringLiteral(" pm");
    return text;
}

QString ScheduleGrid::dateText(const QDate& date, const QString& format,
                               const QStringList& dayNames)
{
    static const QStringList english{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const QStringList& names = dayNames.size() == 7 ? dayNames : english;
    QString out;
    for (const QChar ch : format) {
        switch (ch.unicode()) {
        case 'D':
            out += names[date.dayOfWeek() % 7];
            break;
        case 'N':
            out += QString::number(date.day());
            break;
        case 'm':
            out += QString::number(date.month());
            break;
        case 'y':
            out += QString::number(date.year());
            break;
        default:
            out += ch;
        }
    }
    return out;
}

// --- events -----------------------------------------------------------------

void ScheduleGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ScheduleGrid::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    if (!m_scrolledToOpening) {
        m_scrolledToOpening = true;
        updateScrollBars();
        scrollToTime(m_opening);
    }
}

void ScheduleGrid::hideEvent(QHideEvent* event)
{
    // A window closing (or the view switching) takes the typed text along.
    finishEditing(true);
    QAbstractScrollArea::hideEvent(event);
}

void ScheduleGrid::scrollContentsBy(int, int)
{
    placeEditor();
    viewport()->update();
}

void ScheduleGrid::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateScrollBars();
}

bool ScheduleGrid::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int n = blockAt(help->pos());
        if (n > 0)
            // Titles and accounts as typed: a tip would take "<b>" for markup.
            QToolTip::showText(
                help->globalPos(),
                Qt::convertFromPlainText(blockText(n) + QLatin1Char('\n') + blockDescription(n)),
                viewport(), blockRect(n));
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace vestra
