#pragma once
// What the day view and the week view share: the grid's display settings,
// opening a booking, and the windows that open bookings.

#include "schedule/editing.h"

#include <QString>
#include <optional>
#include <functional>

class QCloseEvent;
class QIcon;
class QMenu;
class QWidget;

namespace vestra {

class ScheduleGrid;
struct Session;

// Copies the session's display settings to the grid.
void ApplyGridSettings(ScheduleGrid* grid, const Session& s);

// The booking form and the read-only information window register here.
using BookingOpener = std::function<void(int bookingnr, QWidget* owner)>;
void SetBookingOpeners(BookingOpener form, BookingOpener info);

// Opens the booking in the form when the user may act for its account,
// otherwise in the information window.
void OpenBookingFromView(int bookingnr, QWidget* owner);

// What the user had selected on the grid, kept across a reload so that a
// click that also activated the window is not lost.
struct GridSelection {
    QString blockKey;
    int columnKey = 0;
    int columnDate = 0;
    int slotStart = -1;
    int slotEnd = -1;
};
GridSelection SaveGridSelection(const ScheduleGrid* grid);
void RestoreGridSelection(ScheduleGrid* grid, const GridSelection& selection);

// The context menu of a schedule view: Open, Cut, Copy, Delete and the
// switch to the other view, numbered 1 to 5.
void FillContextMenu(QMenu* menu, const QString& switchCaption,
                     const std::function<void(int number)>& chosen);

// Runs a context-menu item: Open, Cut, Copy, Delete, or (5) the switch to the
// other view, which gets the selected block.
class ScheduleActions;
void RunContextCommand(int number, const ScheduleGrid* grid, QWidget* owner,
                       ScheduleActions* actions, const std::function<void(int block)>& switchView);

// The grid events both views answer alike: a moved or resized block is saved
// and the view reloaded, a retyped one saved, a double-clicked one saved and
// opened, a double-click beside the blocks goes to the other view through
// emptyDoubleClick (with the current column), the right button pops up the
// menu and the Delete key deletes.
void ConnectGridEvents(ScheduleGrid* grid, QWidget* view, ScheduleActions* actions, QMenu* menu,
                       bool dayView, const std::function<void()>& reload,
                       const std::function<void(int column)>& emptyDoubleClick);

// Tells the user why a booking was not stored: its item is gone, or the
// file failed. A refused right stays silent, as on every move.
void ReportStoreFailure(const StoreResult& result, const QString& failedText);

// Stores a block typed into an empty slot as a booking and gives the block
// its number, colour and second text; refuses the block when it cannot be
// stored. ItemGone asks the view to reload.
StoreStatus StoreTypedBlock(ScheduleGrid* grid, int block, int day, int item, int start, int end,
                            bool dayView, bool& refuse);

// Writes a moved, resized or retyped block back (silently nothing when the
// user may not act for the booking). The day view moves items, the week view days.
StoreStatus SaveGridBlock(const ScheduleGrid* grid, int block, bool dayView);

// Puts the block's booking on the clipboard (a cut also takes it off the
// schedule) and only then records the clipboard mode, 1 cut or 2 copy: the
// mode must describe the row the clipboard holds, or a later paste of a
// copied booking would try to reuse its number. False when the booking is gone.
bool ClipGridBlock(ScheduleGrid* grid, int block, int clipboardMode);

// Pastes the clipboard at the grid's selected slot, after the checks and
// messages every view shows; Refused when a check stopped it.
StoreStatus PasteIntoGrid(const ScheduleGrid* grid, int day, int item);

// The date in the session's long format, e.g. "05-12-2026".
QString LongDateText(int dayNumber);

// Scissors: the theme's edit-cut icon, or the one built into the program.
QIcon ScissorsIcon();

// A schedule window closed by the user (its close button, Alt+F4) ends the
// program as "Exit Program" does; the views closing each other, or every
// window closing for another booking file, do not. Call once the close is
// accepted.
void QuitWhenClosedByUser(const QCloseEvent* event);

} // namespace vestra
