// Screen readers see the grid as a list whose items are the placed blocks:
// name = the block's text, description = its times, column, second text
// and whether it is tentative. The list is also a table of one column with a
// row per block, which is how readers select in a list (a block is a cell).

#include "grid/schedulegrid.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDate>
#include <QLocale>
#include <QWindow>
#include <utility>

namespace vestra {

// A block's press action opens its booking, as a double-click does.
class GridBlockAccessible : public QAccessibleInterface,
                            public QAccessibleActionInterface,
                            public QAccessibleTableCellInterface {
public:
    GridBlockAccessible(ScheduleGrid* grid, int number) : m_grid(grid), m_number(number) {}

    bool isValid() const override { return m_grid && m_grid->hasBlock(m_number); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_grid ? m_grid->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override
    {
        return m_grid ? QAccessible::queryAccessibleInterface(m_grid) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }
    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    void doAction(const QString& action) override
    {
        if (!isValid())
            return;
        m_grid->selectBlock(m_number);
        if (action == pressAction())
            emit m_grid->blockDoubleClicked(m_number);
    }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name:
            return m_grid->blockText(m_number);
        case QAccessible::Description:
            return m_grid->blockDescription(m_number);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text t, const QString& text) override
    {
        if (isValid() && t == QAccessible::Name)
            m_grid->setBlockText(m_number, text);
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect r = m_grid->blockRect(m_number);
        return r.isEmpty() ? QRect()
                           : QRect(m_grid->viewport()->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        s.selected = m_grid->selectedBlock() == m_number;
        s.focused = s.selected && m_grid->hasFocus();
        s.offscreen = !m_grid->contentRect().intersects(m_grid->blockRect(m_number));
        return s;
    }

    bool isSelected() const override { return isValid() && m_grid->selectedBlock() == m_number; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return 0; }
    int rowIndex() const override
    {
        return isValid() ? static_cast<int>(m_grid->placedBlocksInOrder().indexOf(m_number)) : -1;
    }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<ScheduleGrid> m_grid;
    int m_number;
};

class ScheduleGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit ScheduleGridAccessible(ScheduleGrid* grid) : QAccessibleWidget(grid, QAccessible::List)
    {
        // Moving over empty slots changes what the grid's name says: the
        // reader hears the item, day and time the cursor is on.
        QObject::connect(grid, &ScheduleGrid::selectionChanged, grid, [grid] {
            if (!QAccessible::isActive() || grid->selectedBlock() > 0)
                return;
            QAccessibleEvent event(grid, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&event);
        });
    }
    ScheduleGrid* grid() const { return static_cast<ScheduleGrid*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override
    {
        return static_cast<int>(grid()->placedBlocksInOrder().size());
    }
    QAccessibleInterface* child(int index) const override
    {
        const QList<int> blocks = grid()->placedBlocksInOrder();
        return index >= 0 && index < blocks.size() ? grid()->accessibleBlock(blocks[index])
                                                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const QList<int> blocks = grid()->placedBlocksInOrder();
        for (int i = 0; i < blocks.size(); ++i)
            if (grid()->accessibleBlock(blocks[i]) == child)
                return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const int n = grid()->blockAt(grid()->viewport()->mapFromGlobal(QPoint(x, y)));
        return n > 0 ? grid()->accessibleBlock(n) : nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        return grid()->selectedBlock() > 0 ? grid()->accessibleBlock(grid()->selectedBlock())
                                           : nullptr;
    }
    // The grid's own name, as its header says it.
    QString gridName() const
    {
        const QString s = QAccessibleWidget::text(QAccessible::Name);
        if (!s.isEmpty())
            return s;
        return grid()->headerText().isEmpty() ? ScheduleGrid::tr("Schedule") : grid()->headerText();
    }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        QString s = gridName();
        if (const QString slot = slotText(); !slot.isEmpty())
            s += QStringLiteral(": ") + slot;
        return s;
    }

    // The empty slot under the cursor: "Hall A, Monday 07-12-2026, 09:30".
    QString slotText() const
    {
        const ScheduleGrid* g = grid();
        const int column = g->currentColumn();
        if (column < 0 || g->currentSlot() < 0 || g->selectedBlock() > 0)
            return {};
        const int day = g->weekMode() ? g->columnDate(column) : g->firstDate();
        const QDate date = QDate(1900, 1, 1).addDays(day);
        QStringList parts;
        if (!g->weekMode())
            parts << g->columnCaption(column);
        parts << QLocale().dayName(date.dayOfWeek()) + QLatin1Char(' ')
                     + QLocale().toString(date, QLocale::ShortFormat);
        parts << g->timeLabel(g->selectedSlotStart());
        return parts.join(QStringLiteral(", "));
    }

    // The table: one column, a row per placed block; one block at most is selected.
    int selectedRow() const
    {
        const int n = grid()->selectedBlock();
        return n > 0 ? static_cast<int>(grid()->placedBlocksInOrder().indexOf(n)) : -1;
    }
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override
    {
        return column == 0 ? child(row) : nullptr;
    }
    int selectedCellCount() const override { return selectedRow() < 0 ? 0 : 1; }
    QList<QAccessibleInterface*> selectedCells() const override
    {
        const int row = selectedRow();
        return row < 0 ? QList<QAccessibleInterface*>() : QList{child(row)};
    }
    QString columnDescription(int column) const override
    {
        return column == 0 ? gridName() : QString();
    }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return selectedCellCount(); }
    int columnCount() const override { return 1; }
    int rowCount() const override { return childCount(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override
    {
        const int row = selectedRow();
        return row < 0 ? QList<int>() : QList{row};
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return row >= 0 && row == selectedRow(); }
    // Selecting a row is a click on its block: the grid holds one selection.
    bool selectRow(int row) override
    {
        const QList<int> blocks = grid()->placedBlocksInOrder();
        if (row < 0 || row >= blocks.size())
            return false;
        grid()->selectBlock(blocks[row]);
        return true;
    }
    bool unselectRow(int row) override
    {
        if (row < 0 || row >= rowCount())
            return false;
        if (isRowSelected(row))
            grid()->selectBlock(0);
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}
};

void ScheduleGrid::installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory([](const QString&, QObject* object) -> QAccessibleInterface* {
            // Only the grid itself; subclasses of it are grids too.
            if (auto* grid = qobject_cast<ScheduleGrid*>(object); grid && object->isWidgetType())
                return new ScheduleGridAccessible(grid);
            return nullptr;
        });
        return true;
    }();
    Q_UNUSED(installed);
}

QAccessibleInterface* ScheduleGrid::accessibleBlock(int number) const
{
    if (!m_blocks.contains(number))
        return nullptr;
    auto it = m_accessibleIds.constFind(number);
    if (it != m_accessibleIds.constEnd())
        return QAccessible::accessibleInterface(*it);
    auto* iface = new GridBlockAccessible(const_cast<ScheduleGrid*>(this), number);
    m_accessibleIds.insert(number, QAccessible::registerAccessibleInterface(iface));
    return iface;
}

void ScheduleGrid::releaseAccessible(int number)
{
    const auto id = m_accessibleIds.take(number);
    if (id != 0)
        QAccessible::deleteAccessibleInterface(id);
}

// Readers mark the block that lost the selection and the one that got it.
void ScheduleGrid::notifySelection(int before, int after)
{
    if (!QAccessible::isActive())
        return;
    const QList<int> blocks = placedBlocksInOrder();
    for (const auto& [number, type] : {std::pair{before, QAccessible::SelectionRemove},
                                       std::pair{after, QAccessible::Selection}}) {
        const int index = number > 0 ? static_cast<int>(blocks.indexOf(number)) : -1;
        if (index < 0)
            continue;
        QAccessibleEvent event(this, type);
        event.setChild(index);
        QAccessible::updateAccessibility(&event);
    }
}

void ScheduleGrid::notifyAccessibility(int number)
{
    if (!QAccessible::isActive())
        return;
    const int index = placedBlocksInOrder().indexOf(number);
    if (index < 0)
        return;
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(index);
    QAccessible::updateAccessibility(&event);
}

} // namespace vestra
