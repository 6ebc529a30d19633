#include "schedule/calmdag.h"

#include "data/dates.h"
#include "platform/messages.h"
#include "platform/schedulegrid.h"
#include "platform/windowregistry.h"
#include "schedule/calendar.h"
#include "schedule/editing.h"
#include "schedule/scheduledata.h"
#include "schedule/viewcommon.h"
#include "session/access.h"
#include "session/session.h"

#include <QAction>
#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace vestra {

CalMdag::CalMdag(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("CalMdag"));
    setWindowTitle(QStringLiteral("Vestra - Week"));
    resize(1180, 760);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* header = new QHBoxLayout;
    m_itemName = new QLabel(central);
    m_itemName->setObjectName(QStringLiteral("lnavn"));
    QFont big = m_itemName->font();
    big.setPointSizeF(big.pointSizeF() * 1.35);
    big.setBold(true);
    m_itemName->setFont(big);
    m_itemNo = new QLabel(central);
    m_itemNo->setObjectName(QStringLiteral("lokalenr"));
    m_itemNo->setForegroundRole(QPalette::PlaceholderText);
    m_weekStart = new QLabel(central);
    m_weekStart->setObjectName(QStringLiteral("mdato"));
    // The day the view was opened from; the way back to the day view starts there.
    m_date = new QLabel(central);
    m_date->setObjectName(QStringLiteral("gdato"));
    m_date->hide();
    m_deleting = new QLabel(central);
    m_deleting->setObjectName(QStringLiteral("slettenr"));
    m_deleting->hide();
    header->addWidget(m_itemName);
    header->addWidget(m_itemNo);
    header->addStretch();
    header->addWidget(m_weekStart);
    layout->addLayout(header);
    m_weekStart->setToolTip(QStringLiteral("First day of the shown week"));

    m_grid = new ScheduleGrid(central);
    m_grid->setObjectName(QStringLiteral("dd"));
    m_grid->setToolTip(QStringLiteral("Click start time and type text to make a booking."));
    layout->addWidget(m_grid, 1);
    setCentralWidget(central);

    AddCommandBars(this, this);
    // The week buttons sit beside the week they move.
    auto* weeks = new QToolBar(QStringLiteral("Week"), central);
    weeks->setObjectName(QStringLiteral("ctToolBar3"));
    weeks->setMovable(false);
    weeks->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* previous = weeks->addAction(style()->standardIcon(QStyle::SP_ArrowBack),
                                         QStringLiteral("Previous Week"));
    previous->setObjectName(QStringLiteral("previousWeek"));
    previous->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    QAction* next = weeks->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                                     QStringLiteral("Next Week"));
    next->setObjectName(QStringLiteral("nextWeek"));
    next->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    header->addWidget(weeks);
    connect(previous, &QAction::triggered, this, [this] { moveWeek(-7); });
    connect(next, &QAction::triggered, this, [this] { moveWeek(7); });

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("ctDrop"));

    connect(m_grid, &ScheduleGrid::blockTyped, this, &CalMdag::blockTyped);
    ConnectGridEvents(m_grid, this, this, m_menu, false, [this] { RefreshWeekView(); },
                      [this](int column) { SwitchToDayView(m_grid->columnDate(column)); });
}

void CalMdag::Load()
{
    Session& s = session();
    // A block still being typed belongs to the item shown so far.
    m_grid->commitEditing();
    FillContextMenu(m_menu, QStringLiteral("DayView"), [this](int n) { contextCommand(n); });
    loadItem();
    s.ActiveViewNo = 2;
    s.OpenViewNo = 2;
    m_grid->setDayNames({QStringLiteral("Sun"), QStringLiteral("Mon"), QStringLiteral("Tue"),
                         QStringLiteral("Wed"), QStringLiteral("Thu"), QStringLiteral("Fri"),
                         QStringLiteral("Sat")});
    m_grid->setWeekMode(true, 7);
    m_grid->setFirstDate(s.ShownWeekStart);
    m_weekStart->setText(LongDateText(s.ShownWeekStart));
    m_date->setText(LongDateText(s.SelectedDay));
    ApplyGridSettings(m_grid, s);
    RefreshWeekView();
}

void CalMdag::loadItem()
{
    Database db = BookingFile();
    auto q = db.query(QStringLiteral("SELECT Lokalenavn, lokalenr FROM lokale WHERE lokalenr = ?"),
                      {session().CurrentItemNo});
    const bool found = q && q->next();
    m_item = session().CurrentItemNo;
    m_itemName->setText(found ? q->value(0).toString() : QString());
    m_itemNo->setText(found ? q->value(1).toString() : QString());
}

void CalMdag::RefreshWeekView()
{
    const Session& s = session();
    const GridSelection selection = SaveGridSelection(m_grid);
    m_grid->clearBlocks();
    m_grid->setFirstDate(s.ShownWeekStart);
    m_grid->setHeaderText(QStringLiteral("Week:") + QString::number(WeekNumberOfSelected()));
    Database db = BookingFile();
    for (const ScheduleBlock& b : LoadWeekBlocks(db, s.CurrentItemNo, s.ShownWeekStart)) {
        const int n = m_grid->addBlock(b.start, b.end, b.day, b.text, QString::number(b.bookingnr));
        m_grid->setBlockSecondText(n, b.second);
        m_grid->setBlockColour(n, b.color);
        m_grid->setBlockTentative(n, b.tentative);
    }
    RestoreGridSelection(m_grid, selection);
}

void CalMdag::moveWeek(int days)
{
    session().ShownWeekStart += days;
    m_weekStart->setText(LongDateText(session().ShownWeekStart));
    RefreshWeekView();
}

void CalMdag::closeEvent(QCloseEvent* event)
{
    // An open booking form stores its edits before the schedule goes.
    if (!WindowRegistry::closeOwnedWindows(this)) {
        event->ignore();
        return;
    }
    event->accept();
    QuitWhenClosedByUser(event);
}

void CalMdag::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        session().ActiveViewNo = 2;
        // The item may have been renamed or deleted meanwhile.
        loadItem();
        ApplyGridSettings(m_grid, session());
        RefreshWeekView();
    }
}

void CalMdag::blockTyped(int block, int start, int end, bool& refuse)
{
    if (StoreTypedBlock(m_grid, block, m_grid->blockDate(block), m_item, start, end, false, refuse)
        == StoreStatus::ItemGone)
        QMetaObject::invokeMethod(this, [this] {
            loadItem();
            RefreshWeekView();
        }, Qt::QueuedConnection);
}

void CalMdag::cutOrCopy(int clipboardMode)
{
    // A block still being typed is stored first and is what gets cut or copied.
    m_grid->commitEditing();
    const int block = m_grid->selectedBlock();
    if (block > 0 && !ClipGridBlock(m_grid, block, clipboardMode))
        RefreshWeekView();
}

void CalMdag::paste()
{
    const int column = m_grid->currentColumn();
    const StoreStatus pasted =
        PasteIntoGrid(m_grid, column >= 0 ? m_grid->columnDate(column) : session().ShownWeekStart,
                      m_item);
    if (pasted == StoreStatus::ItemGone)
        loadItem();
    if (pasted == StoreStatus::Stored || pasted == StoreStatus::ItemGone)
        RefreshWeekView();
}

void CalMdag::deleteSelected()
{
    m_grid->commitEditing();
    const int block = m_grid->selectedBlock();
    if (block < 1)
        return;
    if (!askYesNo(QStringLiteral("Confirm Delete ?"), QStringLiteral("Delete Info")))
        return;
    const int nr = m_grid->blockKey(block).toInt();
    Database db = BookingFile();
    const auto account = BookingAccount(db, nr);
    if (!account) {
        RefreshWeekView();
        return;
    }
    m_deleting->setText(QString::number(nr));
    if (!MayActForAccount(*account)) {
        showMessage(QStringLiteral("You have no authority to delete this booking !"), QString(),
                    MsgIcon::Warning);
        return;
    }
    m_grid->removeBlock(block);
    DeleteBooking(db, nr);
}

void CalMdag::contextCommand(int number)
{
    RunContextCommand(number, m_grid, this, this, [this](int block) {
        if (const int day = m_grid->blockDate(block); day != 0)
            SwitchToDayView(day);
    });
}

void CalMdag::SwitchToDayView(int day)
{
    if (!close())
        return;
    session().SelectedDay = day;
    ShowCalendar();
}

void CalMdag::PrintWeekSchedule()
{
    preparePrint();
    m_grid->printPreview();
}

void CalMdag::preparePrint()
{
    const Session& s = session();
    m_grid->setPrintColour(0xC0C0C0);
    // The week scheme prints the same hours as the day scheme.
    m_grid->setPrintRange(s.PrintTimeStart, s.PrintTimeEnd);
    m_grid->setPrintTitle(QStringLiteral("Ugeskema for uge ") + QString::number(WeekNumberOfSelected()));
    m_grid->setPrintSubtitle(m_itemName->text());
    m_grid->setPrintSlotSize(s.TimeUnits);
}

CalMdag* ShowCalMdag()
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<CalMdag>(QStringLiteral("CalMdag"), [] { return new CalMdag; });
    w->Load();
    windows.show(w, ShowMode::Free);
    return w;
}

} // namespace vestra
