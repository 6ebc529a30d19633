// How the user works the schedule grid: mouse, keyboard and the inline
// text editor.

#include "grid/schedulegrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <utility>

namespace vestra {

namespace {
constexpr int kDayMinutes = 24 * 60;
} // namespace

void ScheduleGrid::mousePressEvent(QMouseEvent* event)
{
    finishEditing(true);
    const QPoint pos = event->position().toPoint();
    const int column = columnAt(pos.x());
    if (column < 0)
        return;
    if (pos.y() < headerHeight()) {
        m_currentColumn = column;
        viewport()->update();
        emit selectionChanged();
        return;
    }
    const int minute = minuteAt(pos.y());
    const int n = blockAt(pos);
    if (n > 0) {
        setSelected(n);
        selectSlot(column, minute);
    } else {
        setSelected(0);
        selectSlot(column, minute);
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_pressPos = pos;
    m_pressMinute = minute;
    if (n > 0) {
        m_drag = Drag::Pending;
        m_pressEdge = edgeAt(n, pos);
        m_dragBlock = n;
        m_dragOrigin = m_blocks[n];
    } else {
        m_drag = Drag::SlotRange;
    }
}

void ScheduleGrid::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_drag == Drag::None || !(event->buttons() & Qt::LeftButton)) {
        const int n = blockAt(pos);
        const bool onEdge = n > 0 && edgeAt(n, pos) != Edge::None;
        viewport()->setCursor(onEdge ? Qt::SizeVerCursor : Qt::ArrowCursor);
        return;
    }
    if (m_drag == Drag::Pending) {
        if ((pos - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            return;
        m_drag = m_pressEdge == Edge::Top      ? Drag::ResizeTop
                 : m_pressEdge == Edge::Bottom ? Drag::ResizeBottom
                                               : Drag::Move;
    }
    // Scroll along when the pointer leaves the grid's top or bottom.
    QScrollBar* v = verticalScrollBar();
    if (pos.y() < headerHeight())
        v->setValue(v->value() - rowHeight());
    else if (pos.y() > viewport()->height())
        v->setValue(v->value() + rowHeight());

    const int minute = minuteAt(pos.y());
    if (m_drag == Drag::SlotRange) {
        const int a = m_pressMinute - m_pressMinute % m_slot;
        const int b = minute - minute % m_slot;
        selectSlot(m_currentColumn, std::min(a, b), std::max(a, b) + m_slot);
        return;
    }
    if (!m_blocks.contains(m_dragBlock))
        return;
    Block& b = m_blocks[m_dragBlock];
    const Block& o = m_dragOrigin;
    const int delta = static_cast<int>(std::lround((pos.y() - m_pressPos.y()) / pixelsPerMinute()));
    const int originEnd = displayEnd(o);
    switch (m_drag) {
    case Drag::Move: {
        const bool wraps = o.end < o.start;
        const int length = wraps ? kDayMinutes - o.start + o.end : originEnd - o.start;
        const int latest = wraps ? kDayMinutes - m_slot : kDayMinutes - length;
        b.start = std::clamp(snap(o.start + delta), 0, std::max(0, latest));
        b.end = o.end == o.start ? b.start : (b.start + length) % kDayMinutes;
        const int column = columnAt(std::clamp(pos.x(), gutterWidth(), viewport()->width() - 1));
        if (column >= 0)
            moveBlockTo(m_dragBlock, column);
        break;
    }
    case Drag::ResizeTop: {
        const int latest = originEnd - m_slot;
        b.start = std::clamp(snap(o.start + delta), 0, std::max(0, latest));
        break;
    }
    case Drag::ResizeBottom: {
        // Counted from the real end, which lies in the next day for a block
        // past midnight (its drawn bottom is only the end of this day).
        const int earliest = o.start + m_slot;
        const int latest = continuesPastMidnight(o) ? o.start + kDayMinutes - m_slot : kDayMinutes;
        b.end = std::clamp(fullEnd(o) + snap(delta), earliest, latest) % kDayMinutes;
        break;
    }
    default:
        break;
    }
    invalidateLayout();
}

void ScheduleGrid::moveBlockTo(int number, int column)
{
    Block& b = m_blocks[number];
    const Column& c = m_columns[column];
    if (!m_weekMode)
        b.columnKey = c.key;
    if (c.date != 0)
        b.date = c.date;
    m_currentColumn = column;
}

void ScheduleGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const Drag drag = std::exchange(m_drag, Drag::None);
    if (drag != Drag::Move && drag != Drag::ResizeTop && drag != Drag::ResizeBottom)
        return;
    const int n = m_dragBlock;
    if (!m_blocks.contains(n))
        return;
    layoutBlocks();
    const Block& b = m_blocks[n];
    const Block& o = m_dragOrigin;
    if (b.start != o.start || b.end != o.end || b.date != o.date || b.columnKey != o.columnKey) {
        selectSlot(b.column, b.start);
        notifyAccessibility(n);
        emit blockChanged(n);
    }
}

void ScheduleGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_drag = Drag::None;
    const QPoint pos = event->position().toPoint();
    const int n = blockAt(pos);
    if (n > 0) {
        setSelected(n);
        emit blockDoubleClicked(n);
        return;
    }
    const int column = columnAt(pos.x());
    if (column < 0)
        return;
    setSelected(0);
    if (pos.y() >= headerHeight())
        selectSlot(column, minuteAt(pos.y()));
    m_currentColumn = column;
    emit emptyDoubleClicked();
}

void ScheduleGrid::contextMenuEvent(QContextMenuEvent* event)
{
    QPoint global = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse) {
        const QRect r = m_selected > 0 ? blockRect(m_selected)
                                       : slotRect(m_currentColumn, std::max(0, m_slotStart));
        if (!r.isEmpty())
            global = viewport()->mapToGlobal(r.center());
    }
    emit contextMenuRequested(global);
}

void ScheduleGrid::keyPressEvent(QKeyEvent* event)
{
    if (m_drag != Drag::None && event->key() == Qt::Key_Escape) {
        // Put the block back where it was before the drag.
        if (m_drag != Drag::SlotRange && m_blocks.contains(m_dragBlock)) {
            Block& b = m_blocks[m_dragBlock];
            b.start = m_dragOrigin.start;
            b.end = m_dragOrigin.end;
            b.date = m_dragOrigin.date;
            b.columnKey = m_dragOrigin.columnKey;
            invalidateLayout();
        }
        m_drag = Drag::None;
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        handleArrow(event->key(), event->modifiers());
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        if (m_selected > 0)
            beginEditing(m_selected);
        return;
    case Qt::Key_Delete:
        if (m_selected > 0)
            emit deleteRequested(m_selected);
        else
            event->ignore();
        return;
    default:
        break;
    }
    const QString text = event->text();
    const bool plain =
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && !text.isEmpty() && text.at(0).isPrint()) {
        if (m_selected <= 0 && currentSlot() >= 0)
            beginTyping(text);
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void ScheduleGrid::handleArrow(int key, Qt::KeyboardModifiers modifiers)
{
    if (columnCount() == 0)
        return;
    if (m_selected > 0 && nudgeSelected(key, modifiers))
        return;
    if (currentSlot() < 0) {
        selectSlot(std::max(0, m_currentColumn), m_opening);
        ensureSlotVisible();
        return;
    }
    int column = m_currentColumn;
    int start = m_slotStart;
    if (modifiers & Qt::ShiftModifier) {
        // Shift stretches the slot selection downwards from its start.
        const int end = m_slotEnd
                        + (key == Qt::Key_Down ? m_slot
                           : key == Qt::Key_Up ? -m_slot
                                               : 0);
        if (end > m_slotStart && end <= kDayMinutes)
            selectSlot(column, m_slotStart, end);
        return;
    }
    if (m_selected > 0) {
        // Step off the block rather than through each of its slots.
        const Block& b = m_blocks[m_selected];
        if (key == Qt::Key_Down)
            start = displayEnd(b) - m_slot;
        else if (key == Qt::Key_Up)
            start = b.start - b.start % m_slot;
    }
    switch (key) {
    case Qt::Key_Up:
        start -= m_slot;
        break;
    case Qt::Key_Down:
        start += m_slot;
        break;
    case Qt::Key_Left:
        column = std::max(0, column - 1);
        break;
    default:
        column = std::min(columnCount() - 1, column + 1);
        break;
    }
    start = std::clamp(start - start % m_slot, 0, kDayMinutes - m_slot);
    selectSlot(column, start);
    setSelected(blockCovering(column, start));
    ensureSlotVisible();
}

// Ctrl+arrows move the selected block a slot or a column, Shift+Up/Down
// change its length: the keyboard way to do what dragging does.
bool ScheduleGrid::nudgeSelected(int key, Qt::KeyboardModifiers modifiers)
{
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool vertical = key == Qt::Key_Up || key == Qt::Key_Down;
    if (!ctrl && !(shift && vertical))
        return false;
    layoutBlocks();
    Block& b = m_blocks[m_selected];
    const Block before = b;
    const int step = key == Qt::Key_Up ? -m_slot : m_slot;
    if (ctrl && vertical) {
        const int length = displayEnd(b) - b.start;
        const int start = std::clamp(b.start + step, 0, kDayMinutes - length);
        if (b.end != b.start)
            b.end = (b.end + (start - b.start) + kDayMinutes) % kDayMinutes;
        b.start = start;
    } else if (ctrl) {
        const int column = b.column + (key == Qt::Key_Left ? -1 : 1);
        if (b.column >= 0 && column >= 0 && column < columnCount())
            moveBlockTo(m_selected, column);
    } else {
        const int end = fullEnd(b) + step;
        const int latest = continuesPastMidnight(b) ? b.start + kDayMinutes - m_slot : kDayMinutes;
        if (end >= b.start + m_slot && end <= latest)
            b.end = end % kDayMinutes;
    }
    if (b.start == before.start && b.end == before.end && b.date == before.date
        && b.columnKey == before.columnKey)
        return true;
    invalidateLayout();
    layoutBlocks();
    selectSlot(b.column, b.start);
    ensureSlotVisible();
    notifyAccessibility(m_selected);
    emit blockChanged(m_selected);
    return true;
}

// --- inline editing -----------------------------------------------------------

void ScheduleGrid::beginTyping(const QString& firstText)
{
    const Column& c = m_columns[m_currentColumn];
    const int n =
        addBlock(m_slotStart, m_slotEnd, c.date != 0 ? c.date : m_firstDate, QString(), QString());
    m_blocks[n].columnKey = m_weekMode ? 0 : c.key;
    setSelected(n);
    openNewBlockEditor(n, firstText);
}

void ScheduleGrid::openNewBlockEditor(int number, const QString& text)
{
    m_editIsNew = true;
    m_editBlock = number;
    m_editor = new QLineEdit(viewport());
    m_editor->setObjectName(QStringLiteral("blockeditor"));
    m_editor->setText(text);
    m_editor->setFrame(false);
    m_editor->installEventFilter(this);
    connect(m_editor, &QLineEdit::editingFinished, this, [this] { finishEditing(true); });
    placeEditor();
    m_editor->show();
    m_editor->setFocus();
    m_editor->end(false);
}

void ScheduleGrid::keepTypedText()
{
    m_keepTyped = true;
}

void ScheduleGrid::beginEditing(int number)
{
    if (!m_blocks.contains(number) || blockRect(number).isEmpty())
        return;
    finishEditing(true);
    m_editIsNew = false;
    m_editBlock = number;
    m_editor = new QLineEdit(viewport());
    m_editor->setObjectName(QStringLiteral("blockeditor"));
    m_editor->setText(m_blocks[number].text);
    m_editor->setFrame(false);
    m_editor->selectAll();
    m_editor->installEventFilter(this);
    connect(m_editor, &QLineEdit::editingFinished, this, [this] { finishEditing(true); });
    placeEditor();
    m_editor->show();
    m_editor->setFocus();
}

void ScheduleGrid::placeEditor()
{
    if (!m_editor)
        return;
    const QRect r = blockRect(m_editBlock);
    if (r.isEmpty())
        return;
    const int h = m_editor->sizeHint().height();
    m_editor->setGeometry(r.left() + 1, r.top() + 1, std::max(r.width() - 2, 40), h);
}

void ScheduleGrid::finishEditing(bool commit)
{
    if (!m_editor)
        return;
    QLineEdit* editor = m_editor;
    m_editor = nullptr;
    disconnect(editor, nullptr, this, nullptr);
    editor->removeEventFilter(this);
    editor->setObjectName(QString()); // until deleted, it is not the editor any more
    const QString text = editor->text();
    const bool hadFocus = editor->hasFocus();
    editor->hide();
    editor->deleteLater();
    if (hadFocus)
        setFocus();

    const int n = std::exchange(m_editBlock, 0);
    if (!m_blocks.contains(n))
        return;
    if (m_editIsNew) {
        if (!commit || text.trimmed().isEmpty()) {
            removeBlock(n);
            return;
        }
        m_blocks[n].text = text;
        bool refuse = false;
        m_keepTyped = false;
        emit blockTyped(n, m_blocks[n].start, m_blocks[n].end, refuse);
        if (refuse && std::exchange(m_keepTyped, false) && m_blocks.contains(n))
            openNewBlockEditor(n, text);
        else if (refuse)
            removeBlock(n);
        else
            notifyAccessibility(n);
        viewport()->update();
        return;
    }
    if (commit && text != m_blocks[n].text) {
        m_blocks[n].text = text;
        viewport()->update();
        notifyAccessibility(n);
        emit blockEditEnded(n);
    }
}

bool ScheduleGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        // Taken here: the line edit lets Return travel on to the grid,
        // which would open the editor again on the selected block.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            finishEditing(key != Qt::Key_Escape);
            return true;
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

} // namespace vestra
