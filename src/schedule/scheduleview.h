#pragma once
// What a schedule window is, whichever way it lays bookings out: a grid of
// blocks that are typed, moved, resized, cut, copied, pasted and deleted in
// place, a context menu, the command bars, printing, and the close that ends
// the program. The day view (DayView, window "Calendar") lays a type's items out as columns,
// the week view (WeekView, window "CalMdag") an item's seven days; each says where a block
// lands and how the grid is filled, the rest is here.

#include "schedule/editing.h"
#include "shell/commands.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QSet>
#include <optional>

class QLabel;
class QMenu;

namespace vestra {

class ScheduleGrid;
struct ScheduleBlock;

class ScheduleView : public QMainWindow, public ScheduleActions {
    Q_OBJECT
public:
    ScheduleGrid* grid() const { return m_grid; }

    // Reads the bookings again and shows them, keeping what the user had
    // selected so that a click that also activated the window is not lost.
    virtual void reload();

    // Title, subtitle and print settings of the scheme, without printing.
    void preparePrint();
    // A banner above the schedule while the booking file can only be read
    // (damaged, or the drive or rights refuse writes), with the reason.
    void showStoreBanner();

    // ScheduleActions
    void paste() override;
    void printSchedule() override;

protected:
    // switchCaption names the other view in the context menu.
    ScheduleView(const QString& objectName, const QString& title, const QString& switchCaption,
                 QWidget* parent);

    // Creates the grid and wires its events, then the command bars, so that
    // the user tabs from the grid to the bars.
    ScheduleGrid* createGrid(const QString& objectName, QWidget* parent);

    // Placement: where a block typed into the grid lands, where a paste at
    // the selected slot lands, and what a moved block changes (the day view
    // moves bookings between items, the week view between days).
    virtual GridPlace placeOf(int block) const = 0;
    virtual GridPlace pastePlace() const = 0;
    virtual void moveTo(int block, BlockChange& change) const = 0;
    // The tentative flag of a typed booking; none leaves it to the file.
    virtual std::optional<bool> typedTentative() const { return std::nullopt; }

    // Reload: lays out the grid's columns and reads the bookings to show;
    // placeBlock puts one shown booking where it belongs.
    virtual QList<ScheduleBlock> layOut() = 0;
    virtual void placeBlock(int block, const ScheduleBlock& booking);
    // After a store found the booking's item deleted meanwhile.
    virtual void reloadAfterItemGone() { reload(); }
    // Every return to the window shows what other windows and workstations
    // changed.
    virtual void activated() = 0;

    // The way to the other view, from a column double-clicked beside the
    // blocks or from a block through the context menu.
    virtual void switchAtColumn(int column) = 0;
    virtual void switchAtBlock(int block) = 0;

    // Printing.
    virtual QString printTitle() const = 0;
    virtual QString printSubtitle() const = 0;
    // Asks for a file and writes the bookings the view shows as a calendar.
    virtual void exportCalendar() = 0;

    // The clipboard took a booking, or gave back the one it held after a cut.
    virtual void clipboardChanged(bool holdsBooking) { Q_UNUSED(holdsBooking); }

    // Stores a block still being typed and takes the selected block's booking
    // to the clipboard.
    enum class Clip { NoSelection, Gone, Refused, Done };
    Clip clipSelected(int clipboardMode);
    // Whether the user may act for the account; refused with Delete's message.
    bool mayActFor(int account);

    // The booking of the block when it still exists and the user may delete
    // it: a booking gone meanwhile leaves the view, a refused one is said.
    std::optional<int> deletableBooking(int block);
    void removeBooking(int block, int bookingnr);

    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

    ScheduleGrid* m_grid = nullptr;
    QLabel* m_deleting; // the number of the booking being deleted

private:
    // Another workstation, or here another window, changed bookings on the
    // days (any day when empty): a view showing one of them reads its
    // bookings again, keeping the selection and scroll position, once no
    // edit is in progress.
    void storeChanged(const QSet<int>& days, bool here);
    void connectGrid();
    void blockTyped(int block, int start, int end, bool& refuse);
    StoreStatus saveBlock(int block);
    // A block typed but refused by the file (not merely busy) stays on the
    // grid, marked, until it is stored again or deleted; reloads keep it.
    struct UnstoredBlock {
        QString text;
        int start = 0, end = 0, date = 0, columnKey = 0;
        QString reason;
        int shownAs = 0; // its block on the grid, 0 while not shown
    };
    UnstoredBlock* unstoredAt(int block);
    // Stores the marked block where it now is; says why when it cannot.
    StoreStatus storeTypedAgain(int block);
    void markUnstored(int block, const StoreResult& refused);
    void contextCommand(int number);
    // activated(), once no mouse button is held.
    void activatedWhenFree();

    QMenu* m_menu;
    // Each shown booking as read or last stored: its move or retype writes
    // only what changed since, beside what another window changed.
    QHash<int, BlockRow> m_seen;
    QList<UnstoredBlock> m_unstored;
    bool m_refreshWaiting = false;
    QElapsedTimer m_lastRead; // since the bookings were last read
    bool m_activationWaiting = false;
};

} // namespace vestra
