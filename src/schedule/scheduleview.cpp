#include "schedule/scheduleview.h"

#include "forms/openeditors.h"
#include "grid/schedulegrid.h"
#include "schedule/scheduledata.h"
#include "schedule/viewcommon.h"
#include "services/messages.h"
#include "session/access.h"
#include "session/session.h"
#include "session/storewatcher.h"
#include "shell/navigator.h"
#include "undo/undo.h"
#include "widgets/windowregistry.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>

namespace vestra {

namespace {

const QString kNotStored = QStringLiteral("The booking could not be stored:\n");
const QString kBookingTable = QStringLiteral("Booking");
constexpr qint64 kReadGap = 500; // ms between reads for other workstations' changes

// What the user had selected on the grid, kept across a reload.
struct GridSelection {
    QString blockKey;
    int columnKey = 0;
    int columnDate = 0;
    int slotStart = -1;
    int slotEnd = -1;
};

GridSelection saveSelection(const ScheduleGrid* grid)
{
    GridSelection sel;
    if (const int block = grid->selectedBlock(); block > 0)
        sel.blockKey = grid->blockKey(block);
    if (const int column = grid->currentColumn(); column >= 0) {
        sel.columnKey = grid->columnKey(column);
        sel.columnDate = grid->columnDate(column);
    }
    if (grid->currentSlot() >= 0) {
        sel.slotStart = grid->selectedSlotStart();
        sel.slotEnd = grid->selectedSlotEnd();
    }
    return sel;
}

void restoreSelection(ScheduleGrid* grid, const GridSelection& sel)
{
    // The slot as well as the block, as a click on a block leaves them: the
    // day view stores a retyped block only while a slot is current.
    if (sel.slotStart >= 0) {
        for (int c = 0; c < grid->columnCount(); ++c) {
            const bool same = grid->weekMode() ? grid->columnDate(c) == sel.columnDate
                                               : grid->columnKey(c) == sel.columnKey;
            if (same) {
                grid->selectSlot(c, sel.slotStart, sel.slotEnd);
                break;
            }
        }
    }
    if (sel.blockKey.isEmpty())
        return;
    for (int n : grid->blockNumbers()) {
        if (grid->blockKey(n) == sel.blockKey) {
            grid->selectBlock(n);
            return;
        }
    }
}

// Tells the user why a booking was not stored: its item is gone, or the
// file failed. A refused right stays silent, as on every move.
void reportStoreFailure(const StoreResult& result, const QString& failedText)
{
    switch (result.status) {
    case StoreStatus::ItemGone:
        showMessage(QStringLiteral("The resource no longer exists; it may have been deleted on "
                                   "another workstation."),
                    QStringLiteral("Service Message"), MsgIcon::Warning);
        break;
    case StoreStatus::Failed:
        showMessage(RefusalText(failedText, result.error), QStringLiteral("Error"),
                    MsgIcon::Critical);
        break;
    case StoreStatus::ChangedElsewhere:
        showMessage(
            result.error.isEmpty()
                ? QStringLiteral("This booking was changed on another workstation. Your "
                                 "change was not stored; the booking is shown as it is now.")
                : QStringLiteral("The %1 of this booking was changed in another window or "
                                 "on another workstation as well. Your change was not "
                                 "stored; the booking is shown as it is now.")
                      .arg(result.error),
            QStringLiteral("Service Message"), MsgIcon::Warning);
        break;
    case StoreStatus::Stored:
    case StoreStatus::Refused:
        break;
    }
}

} // namespace

ScheduleView::ScheduleView(const QString& objectName, const QString& title,
                           const QString& switchCaption, QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(objectName);
    setWindowTitle(ScheduleTitle(title, session().BookingFilePath));
    resize(1180, 760);

    m_deleting = new QLabel(this);
    m_deleting->setObjectName(QStringLiteral("slettenr"));
    m_deleting->hide();

    // Open, Cut, Copy, Delete and the switch to the other view, numbered 1 to 5.
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("ctDrop"));
    const QStringList items = {QStringLiteral("Open"), QStringLiteral("Cut"),
                               QStringLiteral("Copy"), QStringLiteral("Delete"), switchCaption};
    for (int i = 0; i < items.size(); ++i) {
        QAction* a = m_menu->addAction(items[i]);
        a->setData(i + 1);
        connect(a, &QAction::triggered, this, [this, n = i + 1] { contextCommand(n); });
    }
    QAction* exportCalendar = m_menu->addAction(QStringLiteral("Export Calendar…"));
    exportCalendar->setObjectName(QStringLiteral("exportCalendar"));
    connect(exportCalendar, &QAction::triggered, this, [this] { this->exportCalendar(); });
    // Paste belongs to an empty slot; on a block there is nothing to paste into.
    QAction* pasteHere = m_menu->addAction(QStringLiteral("Paste"));
    pasteHere->setObjectName(QStringLiteral("pasteHere"));
    connect(pasteHere, &QAction::triggered, this, [this] { paste(); });
    connect(m_menu, &QMenu::aboutToShow, this, [this, pasteHere] {
        pasteHere->setVisible(m_grid && m_grid->currentSlot() >= 0 && m_grid->selectedBlock() <= 0);
    });
    connect(&StoreWatcher::instance(), &StoreWatcher::bookingsChanged, this,
            &ScheduleView::storeChanged);
    StoreWatcher::instance().start();
}

void ScheduleView::storeChanged(const QSet<int>& days, bool here)
{
    if (!m_grid || !isVisible())
        return; // a hidden view reads afresh when it comes back
    if (!days.isEmpty()) {
        const int first = m_grid->firstDate();
        const int last = first + (m_grid->weekMode() ? 6 : 0);
        if (std::none_of(days.begin(), days.end(),
                         [&](int day) { return day >= first && day <= last; }))
            return;
    }
    // Never under the user's hands: a block being typed or dragged, or the
    // open context menu, first ends; the refresh follows. Nor, for other
    // workstations' changes, more than twice a second: while many store at
    // once, each read takes the whole day from the server, for every
    // workstation showing it.
    const qint64 wait = here || !m_lastRead.isValid() ? 0 : kReadGap - m_lastRead.elapsed();
    if (m_grid->isBusy() || QApplication::activePopupWidget() || wait > 0) {
        if (!m_refreshWaiting) {
            m_refreshWaiting = true;
            QTimer::singleShot(wait > 0 ? wait : 250, this, [this] {
                m_refreshWaiting = false;
                storeChanged({}, false);
            });
        }
        return;
    }
    const int x = m_grid->horizontalScrollBar()->value();
    const int y = m_grid->verticalScrollBar()->value();
    reload();
    m_grid->horizontalScrollBar()->setValue(x);
    m_grid->verticalScrollBar()->setValue(y);
}

ScheduleGrid* ScheduleView::createGrid(const QString& objectName, QWidget* parent)
{
    m_grid = new ScheduleGrid(parent);
    m_grid->setObjectName(objectName);
    m_grid->setToolTip(QStringLiteral("Click start time and type text to make a booking."));
    connectGrid();
    AddCommandBars(this, this);
    return m_grid;
}

// A moved or resized block is saved and the view reloaded, a retyped one
// saved, a double-clicked one saved and opened, a double-click beside the
// blocks goes to the other view, the right button pops up the menu and the
// Delete key deletes.
void ScheduleView::connectGrid()
{
    connect(m_grid, &ScheduleGrid::blockTyped, this, &ScheduleView::blockTyped);
    connect(m_grid, &ScheduleGrid::blockChanged, this, [this](int block) {
        saveBlock(block);
        reload();
    });
    // Reloaded later, not while the grid is still finishing its edit.
    connect(m_grid, &ScheduleGrid::blockEditEnded, this, [this](int block) {
        const StoreStatus saved =
            m_grid->currentSlot() >= 0 ? saveBlock(block) : StoreStatus::Stored;
        if (saved == StoreStatus::ItemGone || saved == StoreStatus::ChangedElsewhere)
            QMetaObject::invokeMethod(
                this, [this] { reload(); }, Qt::QueuedConnection);
    });
    connect(m_grid, &ScheduleGrid::blockDoubleClicked, this, [this](int block) {
        const bool typedOnly = unstoredAt(block) != nullptr;
        const StoreStatus saved = saveBlock(block);
        if (saved == StoreStatus::ItemGone || (typedOnly && saved != StoreStatus::Stored)) {
            reload();
            return;
        }
        const int bookingnr = m_grid->blockKey(block).toInt();
        if (saved == StoreStatus::ChangedElsewhere)
            reload();
        OpenBookingFromView(bookingnr, this);
    });
    connect(m_grid, &ScheduleGrid::emptyDoubleClicked, this, [this] {
        if (m_grid->selectedBlock() <= 0 && m_grid->currentColumn() >= 0)
            switchAtColumn(m_grid->currentColumn());
    });
    connect(m_grid, &ScheduleGrid::contextMenuRequested, m_menu,
            [this](const QPoint& pos) { m_menu->popup(pos); });
    connect(m_grid, &ScheduleGrid::deleteRequested, this, [this](int) { deleteSelected(); });
}

void ScheduleView::showStoreBanner()
{
    const QString why = ReadOnlyText(session().BookingFilePath);
    auto* banner = findChild<QToolBar*>(QStringLiteral("storeBanner"));
    if (why.isEmpty() || banner) {
        if (banner) {
            banner->findChild<QLabel*>(QStringLiteral("storeBannerText"))->setText(why);
            banner->setVisible(!why.isEmpty());
        }
        return;
    }
    // Above the command bars, on a line of its own, where it cannot be missed.
    banner = new QToolBar(QStringLiteral("Booking file"), this);
    banner->setObjectName(QStringLiteral("storeBanner"));
    banner->setMovable(false);
    banner->setFloatable(false);
    auto* text = new QLabel(why, banner);
    text->setObjectName(QStringLiteral("storeBannerText"));
    text->setWordWrap(true);
    text->setStyleSheet(QStringLiteral(
        "QLabel { background: #b3261e; color: white; font-weight: bold; padding: 6px; }"));
    text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    banner->addWidget(text);
    QToolBar* first = nullptr;
    for (QToolBar* bar : findChildren<QToolBar*>(Qt::FindDirectChildrenOnly))
        if (bar != banner && toolBarArea(bar) == Qt::TopToolBarArea && !first)
            first = bar;
    if (first) {
        insertToolBar(first, banner);
        insertToolBarBreak(first);
    } else {
        addToolBar(Qt::TopToolBarArea, banner);
    }
}

void ScheduleView::reload()
{
    m_lastRead.start();
    showStoreBanner();
    const GridSelection selection = saveSelection(m_grid);
    m_grid->clearBlocks();
    m_seen.clear();
    for (const ScheduleBlock& b : layOut()) {
        m_seen.insert(b.bookingnr, {b.text, b.start, b.end, b.item, b.day, b.rowversion});
        const int n = m_grid->addBlock(b.start, b.end, b.day, b.text, QString::number(b.bookingnr));
        m_grid->setBlockSecondText(n, b.second);
        m_grid->setBlockColour(n, b.color);
        placeBlock(n, b);
        m_grid->setBlockTentative(n, b.tentative);
    }
    const int first = m_grid->firstDate();
    const int last = first + (m_grid->weekMode() ? 6 : 0);
    for (UnstoredBlock& u : m_unstored) {
        u.shownAs = 0;
        if (u.date < first || u.date > last)
            continue;
        u.shownAs = m_grid->addBlock(u.start, u.end, u.date, u.text, QString());
        m_grid->setBlockColumnKey(u.shownAs, u.columnKey);
        m_grid->setBlockNotStored(u.shownAs, u.reason);
    }
    restoreSelection(m_grid, selection);
    StoreWatcher::instance().start();
}

void ScheduleView::placeBlock(int, const ScheduleBlock&) {}

// Stores a block typed into an empty slot as a booking and gives the block
// its number, colour and second text; refuses the block when it cannot be
// stored. The block's own place counts: a reload for another day or type
// stores it before the view has moved on.
void ScheduleView::blockTyped(int block, int start, int end, bool& refuse)
{
    if (refuse)
        return;
    const Session& s = session();
    GridPlace place = placeOf(block);
    place.start = start;
    const std::optional<bool> tentative = typedTentative();
    Database db = BookingFile();
    const StoreResult stored =
        CreateBookingFromGrid(db, s, m_grid->blockText(block), place, end, tentative);
    if (!stored) {
        // Text refused only because the file was busy is kept for another
        // try in its editor; refused for another reason the block stays.
        if (stored.error == BusyText()) {
            refuse = true;
            m_grid->keepTypedText();
            reportStoreFailure(stored, kNotStored);
            return;
        }
        markUnstored(block, stored);
        if (stored.status == StoreStatus::ItemGone)
            QMetaObject::invokeMethod(
                this, [this] { reloadAfterItemGone(); }, Qt::QueuedConnection);
        return;
    }
    BookingChangeRecorder().record(db, UndoKind::Typed, *stored);
    m_grid->setBlockKey(block, QString::number(*stored));
    m_seen.insert(*stored, *stored.row);
    m_grid->setBlockColour(block, 255);
    m_grid->setBlockSecondText(block, s.LoginName);
    if (tentative)
        m_grid->setBlockTentative(block, *tentative);
}

ScheduleView::UnstoredBlock* ScheduleView::unstoredAt(int block)
{
    for (UnstoredBlock& u : m_unstored)
        if (block > 0 && u.shownAs == block)
            return &u;
    return nullptr;
}

void ScheduleView::markUnstored(int block, const StoreResult& refused)
{
    const QString reason = refused.status == StoreStatus::ItemGone
                               ? QStringLiteral("the resource no longer exists; it may have been "
                                                "deleted on another workstation")
                               : refused.error;
    UnstoredBlock* u = unstoredAt(block);
    if (!u) {
        m_unstored.append(UnstoredBlock{});
        u = &m_unstored.last();
    }
    *u = {m_grid->blockText(block),
          m_grid->blockStart(block),
          m_grid->blockEnd(block),
          m_grid->blockDate(block),
          m_grid->blockColumnKey(block),
          reason,
          block};
    m_grid->setBlockNotStored(block, reason);
    showMessage(QStringLiteral("The booking \"%1\" could not be stored: %2\nIt stays on the "
                               "schedule, marked as not stored, until you store it again "
                               "(retype, move or double-click it) or delete it.")
                    .arg(u->text, reason),
                QStringLiteral("Error"), MsgIcon::Critical);
}

StoreStatus ScheduleView::storeTypedAgain(int block)
{
    GridPlace place = placeOf(block);
    place.start = m_grid->blockStart(block);
    Database db = BookingFile();
    const StoreResult stored = CreateBookingFromGrid(db, session(), m_grid->blockText(block), place,
                                                     m_grid->blockEnd(block), typedTentative());
    if (!stored) {
        markUnstored(block, stored);
        return stored.status;
    }
    m_unstored.removeIf([block](const UnstoredBlock& u) { return u.shownAs == block; });
    m_grid->setBlockNotStored(block, QString());
    m_grid->setBlockKey(block, QString::number(*stored));
    m_seen.insert(*stored, *stored.row);
    m_grid->setBlockColour(block, 255);
    m_grid->setBlockSecondText(block, session().LoginName);
    return StoreStatus::Stored;
}

// Writes a moved, resized or retyped block back (silently nothing when the
// user may not act for the booking).
StoreStatus ScheduleView::saveBlock(int block)
{
    if (unstoredAt(block))
        return storeTypedAgain(block);
    if (m_grid->selectedBlock() <= 0 || block <= 0)
        return StoreStatus::Refused;
    Database db = BookingFile();
    BlockChange change{m_grid->blockText(block),
                       m_grid->blockStart(block),
                       m_grid->blockEnd(block),
                       std::nullopt,
                       std::nullopt,
                       std::nullopt};
    moveTo(block, change);
    const int bookingnr = m_grid->blockKey(block).toInt();
    if (const auto seen = m_seen.constFind(bookingnr); seen != m_seen.constEnd())
        change.read = *seen;
    // A form open on the booking stores what is typed there first; the
    // change below then takes the fields the form did not change.
    if (!OpenEditors::storeTyped(kBookingTable, bookingnr))
        return StoreStatus::Refused;
    BookingChangeRecorder undo(db, bookingnr);
    const StoreResult saved = SaveBlockChange(db, session(), bookingnr, change);
    reportStoreFailure(saved, kNotStored);
    if (saved.status == StoreStatus::Stored) {
        if (auto step = undo.step(db, UndoKind::Move); step && !step->entries.isEmpty()) {
            const UndoStep::Entry& e = step->entries.first();
            if (e.before && e.after)
                step->kind = BlockChangeKind(*e.before, *e.after);
            UndoStack::instance().push(*step);
        }
    }
    if (saved.row)
        m_seen.insert(bookingnr, *saved.row);
    if (saved.status == StoreStatus::Stored)
        OpenEditors::reread(kBookingTable, bookingnr);
    // The block shows what the other change kept (a title, a time), as stored.
    if (saved.merged)
        QMetaObject::invokeMethod(
            this, [this] { reload(); }, Qt::QueuedConnection);
    return saved.status;
}

void ScheduleView::contextCommand(int number)
{
    const int block = m_grid->selectedBlock();
    switch (number) {
    case 1:
        if (block < 1)
            showMessage(QStringLiteral("No Booking Selected"), QStringLiteral("Service Message"));
        else
            OpenBookingFromView(m_grid->blockKey(block).toInt(), this);
        break;
    case 2:
        cutOrCopy(1);
        break;
    case 3:
        cutOrCopy(2);
        break;
    case 4:
        deleteSelected();
        break;
    case 5:
        if (block > 0)
            switchAtBlock(block);
        break;
    default:
        break;
    }
}

ScheduleView::Clip ScheduleView::clipSelected(int clipboardMode)
{
    // A block still being typed is stored first and is what gets cut or copied.
    m_grid->commitEditing();
    const int block = m_grid->selectedBlock();
    if (block <= 0)
        return Clip::NoSelection;
    // The booking goes to the clipboard first (a cut also takes it off the
    // schedule) and only then is the mode recorded: the mode must describe
    // the row the clipboard holds, or a later paste of a copied booking
    // would try to reuse its number.
    Database db = BookingFile();
    Database work = WorkDatabase();
    const auto op = clipboardMode == 1 ? ClipboardOp::Cut : ClipboardOp::Copy;
    const int bookingnr = m_grid->blockKey(block).toInt();
    BookingChangeRecorder undo(db, bookingnr);
    // A cut deletes the booking, so it asks the right to delete.
    if (op == ClipboardOp::Cut) {
        const auto account = BookingAccount(db, bookingnr);
        if (!account)
            return Clip::Gone;
        if (!mayActFor(*account))
            return Clip::Refused;
    }
    if (!CutOrCopyBooking(db, work, bookingnr, op))
        return Clip::Gone;
    if (op == ClipboardOp::Cut)
        undo.record(db, UndoKind::Cut);
    session().ClipboardMode = clipboardMode;
    if (op == ClipboardOp::Cut) {
        m_grid->removeBlock(block);
        OpenEditors::deleted(kBookingTable, bookingnr);
    }
    clipboardChanged(true);
    return Clip::Done;
}

// Pastes the clipboard at the selected slot, after the checks and messages
// every view shows.
void ScheduleView::paste()
{
    Database work = WorkDatabase();
    if (ClipboardRows(work) <= 0) {
        showMessage(QStringLiteral("No Booking on Clipboard !"), QStringLiteral("Information"));
        return;
    }
    if (!(m_grid->currentSlot() >= 0 && m_grid->selectedBlock() <= 0)) {
        showMessage(QStringLiteral("Select Entrypoint!"), QStringLiteral("Information"));
        return;
    }
    // A paste makes a booking for the clipboard's account, so it asks the
    // same right as making or deleting one for it.
    if (!mayActFor(work.scalar(QStringLiteral("SELECT kontonr FROM standby LIMIT 1")).toInt()))
        return;
    GridPlace place = pastePlace();
    place.start = m_grid->selectedSlotStart();
    Database db = BookingFile();
    const StoreResult pasted = PasteBooking(db, work, session().ClipboardMode, place);
    reportStoreFailure(pasted, QStringLiteral("The booking could not be pasted:\n"));
    if (pasted.status == StoreStatus::Stored) {
        BookingChangeRecorder().record(db, UndoKind::Paste, *pasted);
        if (session().ClipboardMode == 1)
            clipboardChanged(false);
        reload();
    } else if (pasted.status == StoreStatus::ItemGone) {
        reloadAfterItemGone();
    }
}

std::optional<int> ScheduleView::deletableBooking(int block)
{
    // A block never stored is the user's own text: no booking to check.
    if (unstoredAt(block))
        return 0;
    const int nr = m_grid->blockKey(block).toInt();
    Database db = BookingFile();
    const auto account = BookingAccount(db, nr);
    if (!account) {
        reload();
        return std::nullopt;
    }
    m_deleting->setText(QString::number(nr));
    if (!mayActFor(*account))
        return std::nullopt;
    return nr;
}

bool ScheduleView::mayActFor(int account)
{
    if (MayActForAccount(account))
        return true;
    showMessage(QStringLiteral("You have no authority to delete this booking !"), QString(),
                MsgIcon::Warning);
    return false;
}

void ScheduleView::removeBooking(int block, int bookingnr)
{
    m_grid->removeBlock(block);
    if (m_unstored.removeIf([block](const UnstoredBlock& u) { return u.shownAs == block; }))
        return;
    Database db = BookingFile();
    BookingChangeRecorder undo(db, bookingnr);
    if (DeleteBooking(db, bookingnr)) {
        undo.record(db, UndoKind::Delete);
        OpenEditors::deleted(kBookingTable, bookingnr);
    }
}

void ScheduleView::printSchedule()
{
    preparePrint();
    m_grid->printPreview();
}

void ScheduleView::preparePrint()
{
    const Session& s = session();
    m_grid->setPrintColour(0xC0C0C0);
    // The week scheme prints the same hours as the day scheme.
    m_grid->setPrintRange(s.PrintTimeStart, s.PrintTimeEnd);
    m_grid->setPrintTitle(printTitle());
    m_grid->setPrintSubtitle(printSubtitle());
    m_grid->setPrintSlotSize(s.TimeUnits);
}

void ScheduleView::closeEvent(QCloseEvent* event)
{
    // An open booking form stores its edits before the schedule goes.
    if (!WindowRegistry::closeOwnedWindows(this)) {
        event->ignore();
        return;
    }
    event->accept();
    // Closed by the user (its close button, Alt+F4) the window ends the
    // program as "Exit Program" does; the views closing each other, or every
    // window closing for another booking file, do not. Only the window system
    // sends a spontaneous close. Queued: the quit closes every window, this
    // one included, which is still closing.
    if (event->spontaneous())
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { navigator().quit(); }, Qt::QueuedConnection);
}

void ScheduleView::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        activatedWhenFree();
}

void ScheduleView::activatedWhenFree()
{
    // The click that brings the window back may start a drag: a reload
    // under the pressed button would take the block from under it. The
    // reload follows once the button is up.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        if (!m_activationWaiting) {
            m_activationWaiting = true;
            QTimer::singleShot(100, this, [this] {
                m_activationWaiting = false;
                if (isActiveWindow())
                    activatedWhenFree();
            });
        }
        return;
    }
    activated();
}

} // namespace vestra
