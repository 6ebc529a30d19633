// Screen readers see the grid as a list whose items are the placed blocks:
// name = the block's text, description = its times, column, second text
// and whether it is tentative.

#include "grid/schedulegrid.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDate>
#include <QLocale>
#include <QWindow>

namespace vestra {

// A block's press action opens its booking, as a double-click does.
class GridBlockAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
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
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
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

private:
    QPointer<ScheduleGrid> m_grid;
    int m_number;
};

class ScheduleGridAccessible : public QAccessibleWidget {
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
    QString text(QAccessible::Text t) const override
    {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty())
            s = grid()->headerText().isEmpty() ? ScheduleGrid::tr("Schedule")
                                               : grid()->headerText();
        if (t == QAccessible::Name) {
            if (const QString slot = slotText(); !slot.isEmpty())
                s += QStringLiteral(": ") + slot;
        }
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
