#include "schedule/viewcommon.h"

#include "data/dates.h"
#include "platform/messages.h"
#include "platform/reportformat.h"
#include "platform/schedulegrid.h"
#include "schedule/commands.h"
#include "schedule/editing.h"
#include "session/access.h"
#include "session/session.h"

#include "session/navigator.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QMenu>

// The pictures are compiled into this static library; its resources must be
// registered by hand before the first use.
static void initScheduleResources()
{
    Q_INIT_RESOURCE(schedule);
}

namespace vestra {

namespace {
BookingOpener g_form;
BookingOpener g_info;
} // namespace

void ApplyGridSettings(ScheduleGrid* grid, const Session& s)
{
    grid->setOpeningTime(s.OpeningTime);
    grid->setClosingTime(s.ClosingTime);
    grid->setPrimeTime(s.PrimeTimeStart, s.PrimeTimeEnd);
    grid->setPrintRange(s.PrintTimeStart, s.PrintTimeEnd);
    grid->setSlotSize(s.TimeUnits > 0 ? s.TimeUnits : 15);
    grid->setPrintSlotSize(s.TimeUnits > 0 ? s.TimeUnits : 15);
    grid->setShowAmPm(s.ShowAmPm);
    grid->setMilitaryTime(s.MilitaryTime);
    grid->setDateFormat(s.DateFormatShort);
}

void SetBookingOpeners(BookingOpener form, BookingOpener info)
{
    g_form = std::move(form);
    g_info = std::move(info);
}

void OpenBookingFromView(int bookingnr, QWidget* owner)
{
    Database db = BookingFile();
    const auto account = BookingAccount(db, bookingnr);
    if (!account) {
        showMessage(QStringLiteral("The booking no longer exists; another workstation may have "
                                   "deleted it."),
                    QStringLiteral("Service Message"), MsgIcon::Warning);
        return;
    }
    const BookingOpener& opener = MayActForAccount(*account) ? g_form : g_info;
    if (opener)
        opener(bookingnr, owner);
    else
        showMessage(QStringLiteral("Booking %1 cannot be opened: the booking form is not "
                                   "available in this version of Vestra.")
                        .arg(bookingnr),
                    QStringLiteral("Service Message"));
}

GridSelection SaveGridSelection(const ScheduleGrid* grid)
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

void RestoreGridSelection(ScheduleGrid* grid, const GridSelection& sel)
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

void FillContextMenu(QMenu* menu, const QString& switchCaption,
                     const std::function<void(int number)>& chosen)
{
    menu->clear();
    const QStringList items = {QStringLiteral("Open"), QStringLiteral("Cut"), QStringLiteral("Copy"),
                               QStringLiteral("Delete"), switchCaption};
    for (int i = 0; i < items.size(); ++i) {
        QAction* a = menu->addAction(items[i]);
        a->setData(i + 1);
        QObject::connect(a, &QAction::triggered, menu, [chosen, n = i + 1] { chosen(n); });
    }
}

void RunContextCommand(int number, const ScheduleGrid* grid, QWidget* owner,
                       ScheduleActions* actions, const std::function<void(int block)>& switchView)
{
    const int block = grid->selectedBlock();
    switch (number) {
    case 1:
        if (block < 1)
            showMessage(QStringLiteral("No Booking Selected"), QStringLiteral("Service Message"));
        else
            OpenBookingFromView(grid->blockKey(block).toInt(), owner);
        break;
    case 2: actions->cutOrCopy(1); break;
    case 3: actions->cutOrCopy(2); break;
    case 4: actions->deleteSelected(); break;
    case 5:
        if (block > 0)
            switchView(block);
        break;
    default: break;
    }
}

void ConnectGridEvents(ScheduleGrid* grid, QWidget* view, ScheduleActions* actions, QMenu* menu,
                       bool dayView, const std::function<void()>& reload,
                       const std::function<void(int column)>& emptyDoubleClick)
{
    QObject::connect(grid, &ScheduleGrid::blockChanged, view, [=](int block) {
        SaveGridBlock(grid, block, dayView);
        reload();
    });
    // Reloaded later, not while the grid is still finishing its edit.
    QObject::connect(grid, &ScheduleGrid::blockEditEnded, view, [=](int block) {
        if (grid->currentSlot() >= 0 && SaveGridBlock(grid, block, dayView) == StoreStatus::ItemGone)
            QMetaObject::invokeMethod(view, reload, Qt::QueuedConnection);
    });
    QObject::connect(grid, &ScheduleGrid::blockDoubleClicked, view, [=](int block) {
        if (SaveGridBlock(grid, block, dayView) == StoreStatus::ItemGone) {
            reload();
            return;
        }
        OpenBookingFromView(grid->blockKey(block).toInt(), view);
    });
    QObject::connect(grid, &ScheduleGrid::emptyDoubleClicked, view, [=] {
        if (grid->selectedBlock() <= 0 && grid->currentColumn() >= 0)
            emptyDoubleClick(grid->currentColumn());
    });
    QObject::connect(grid, &ScheduleGrid::contextMenuRequested, menu,
                     [menu](const QPoint& pos) { menu->popup(pos); });
    QObject::connect(grid, &ScheduleGrid::deleteRequested, view,
                     [actions](int) { actions->deleteSelected(); });
}

void ReportStoreFailure(const StoreResult& result, const QString& failedText)
{
    switch (result.status) {
    case StoreStatus::ItemGone:
        showMessage(QStringLiteral("The resource no longer exists; it may have been deleted on "
                                   "another workstation."),
                    QStringLiteral("Service Message"), MsgIcon::Warning);
        break;
    case StoreStatus::Failed:
        showMessage(failedText + result.error, QStringLiteral("Error"), MsgIcon::Critical);
        break;
    case StoreStatus::Stored:
    case StoreStatus::Refused:
        break;
    }
}

StoreStatus StoreTypedBlock(ScheduleGrid* grid, int block, int day, int item, int start, int end,
                            bool dayView, bool& refuse)
{
    if (refuse)
        return StoreStatus::Refused;
    const Session& s = session();
    Database db = BookingFile();
    const StoreResult stored =
        CreateBookingFromGrid(db, s, grid->blockText(block), {day, item, start}, end, dayView);
    if (!stored) {
        refuse = true;
        ReportStoreFailure(stored, QStringLiteral("The booking could not be stored:\n"));
        return stored.status;
    }
    grid->setBlockKey(block, QString::number(*stored));
    grid->setBlockColour(block, 255);
    grid->setBlockSecondText(block, s.LoginName);
    if (dayView)
        grid->setBlockTentative(block, s.TentativeDefault);
    return StoreStatus::Stored;
}

StoreStatus SaveGridBlock(const ScheduleGrid* grid, int block, bool dayView)
{
    if (grid->selectedBlock() <= 0 || block <= 0)
        return StoreStatus::Refused;
    Database db = BookingFile();
    BlockChange change{grid->blockText(block), grid->blockStart(block), grid->blockEnd(block),
                       std::nullopt, std::nullopt};
    if (dayView)
        change.item = grid->blockColumnKey(block);
    else
        change.day = grid->blockDate(block);
    const StoreResult saved = SaveBlockChange(db, session(), grid->blockKey(block).toInt(), change);
    ReportStoreFailure(saved, QStringLiteral("The booking could not be stored:\n"));
    return saved.status;
}

bool ClipGridBlock(ScheduleGrid* grid, int block, int clipboardMode)
{
    Database db = BookingFile();
    Database work = WorkDatabase();
    const auto op = clipboardMode == 1 ? ClipboardOp::Cut : ClipboardOp::Copy;
    if (!CutOrCopyBooking(db, work, grid->blockKey(block).toInt(), op))
        return false;
    session().ClipboardMode = clipboardMode;
    if (op == ClipboardOp::Cut)
        grid->removeBlock(block);
    return true;
}

StoreStatus PasteIntoGrid(const ScheduleGrid* grid, int day, int item)
{
    Database work = WorkDatabase();
    if (ClipboardRows(work) <= 0) {
        showMessage(QStringLiteral("No Booking on Clipboard !"), QStringLiteral("Information"));
        return StoreStatus::Refused;
    }
    if (!(grid->currentSlot() >= 0 && grid->selectedBlock() <= 0)) {
        showMessage(QStringLiteral("Select Entrypoint!"), QStringLiteral("Information"));
        return StoreStatus::Refused;
    }
    Database db = BookingFile();
    const StoreResult pasted =
        PasteBooking(db, work, session().ClipboardMode, {day, item, grid->selectedSlotStart()});
    ReportStoreFailure(pasted, QStringLiteral("The booking could not be pasted:\n"));
    return pasted.status;
}

QString LongDateText(int dayNumber)
{
    return FormatValue(DateFromDayNumber(dayNumber), session().DateFormatLong);
}

QIcon ScissorsIcon()
{
    static const bool registered = (initScheduleResources(), true);
    Q_UNUSED(registered);
    QIcon builtIn;
    builtIn.addFile(QStringLiteral(":/schedule/edit-cut-16.png"));
    builtIn.addFile(QStringLiteral(":/schedule/edit-cut-32.png"));
    return QIcon::fromTheme(QStringLiteral("edit-cut"), builtIn);
}

void QuitWhenClosedByUser(const QCloseEvent* event)
{
    // Only the window system sends a spontaneous close. Queued: the quit
    // closes every window, this one included, which is still closing.
    if (event->spontaneous())
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { navigator().quit(); }, Qt::QueuedConnection);
}

} // namespace vestra
