#include "schedule/dayview.h"

#include "data/dates.h"
#include "data/helpers.h"
#include "data/schema.h"
#include "db/database.h"
#include "exchange/ui/exportactions.h"
#include "grid/schedulegrid.h"
#include "resources/resourcemanager.h"
#include "schedule/editing.h"
#include "schedule/scheduledata.h"
#include "schedule/viewcommon.h"
#include "schedule/weekview.h"
#include "services/messages.h"
#include "session/access.h"
#include "session/session.h"
#include "widgets/windowregistry.h"

#include <QCalendarWidget>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace vestra {

namespace {

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

const QString kNoResources = QStringLiteral(
    "Currently no Resource Items are created.\r\n"
    "Use the Resource Manager to create\r\n"
    "Resource Groups\r\n"
    "Resource Types\r\n"
    "Resource Items\r\n"
    "\r\n"
    "Open the Resource Hierarchy Section of the Help File to get detailed information.\r\n"
    "\r\n"
    "Open the Resource Manager now?");

} // namespace

DayView::DayView(QWidget* parent)
    : ScheduleView(QStringLiteral("Calendar"), QStringLiteral("Vestra - Calendar"),
                   QStringLiteral("WeekView"), parent)
{
    auto* side = new QWidget(this);
    side->setObjectName(QStringLiteral("sidePanel"));
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(6, 6, 6, 6);

    m_date = new QLabel(side);
    m_date->setObjectName(QStringLiteral("gdato"));
    QFont big = m_date->font();
    big.setPointSizeF(big.pointSizeF() * 1.35);
    big.setBold(true);
    m_date->setFont(big);
    m_groupType = new QLabel(side);
    m_groupType->setObjectName(QStringLiteral("grouptype"));
    // Names as typed, never markup.
    m_groupType->setTextFormat(Qt::PlainText);
    m_groupType->setWordWrap(true);

    m_calendar = new QCalendarWidget(side);
    m_calendar->setObjectName(QStringLiteral("aktueldato"));
    m_calendar->setAccessibleName(QStringLiteral("Date"));
    for (QWidget* days : m_calendar->findChildren<QTableView*>())
        days->setAccessibleName(QStringLiteral("Date"));
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    m_calendar->setGridVisible(false);
    m_today = new QPushButton(QStringLiteral("Today"), side);
    m_today->setObjectName(QStringLiteral("Today"));

    m_groups = new QListWidget(side);
    m_groups->setObjectName(QStringLiteral("aktuelovergruppe"));
    m_groups->setAccessibleName(QStringLiteral("Resource Group"));
    m_types = new QListWidget(side);
    m_types->setObjectName(QStringLiteral("aktuelgruppe"));
    m_types->setAccessibleName(QStringLiteral("Resource Type"));

    m_user = new QLabel(side);
    m_user->setObjectName(QStringLiteral("CUser"));
    m_user->setTextFormat(Qt::PlainText);
    m_scissors = new QLabel(side);
    m_scissors->setObjectName(QStringLiteral("saks"));
    m_scissors->setPixmap(ScissorsIcon().pixmap(20, 20));
    m_scissors->setToolTip(QStringLiteral("A booking is on the clipboard"));

    sideLayout->addWidget(m_date);
    sideLayout->addWidget(m_groupType);
    sideLayout->addWidget(m_calendar);
    sideLayout->addWidget(m_today);
    sideLayout->addWidget(caption(QStringLiteral("Resource Group"), side));
    sideLayout->addWidget(m_groups, 1);
    sideLayout->addWidget(caption(QStringLiteral("Resource Type"), side));
    sideLayout->addWidget(m_types, 1);
    auto* userRow = new QHBoxLayout;
    userRow->addWidget(m_user, 1);
    userRow->addWidget(m_scissors);
    sideLayout->addLayout(userRow);
    side->setMaximumWidth(320);

    createGrid(QStringLiteral("cc"), this);
    auto* splitter = new QSplitter(this);
    // On a small or highly scaled screen the side panel scrolls rather than
    // pushing the window past the screen's bottom.
    auto* sideScroll = new QScrollArea(splitter);
    sideScroll->setObjectName(QStringLiteral("sidePanelScroll"));
    sideScroll->setWidget(side);
    sideScroll->setWidgetResizable(true);
    sideScroll->setFrameShape(QFrame::NoFrame);
    // The panel's controls take the focus, not the area around them.
    sideScroll->setFocusPolicy(Qt::NoFocus);
    sideScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int bar = sideScroll->verticalScrollBar()->sizeHint().width();
    // Only upright: the calendar keeps its width beside the scroll bar.
    sideScroll->setMinimumWidth(side->minimumSizeHint().width() + bar);
    sideScroll->setMaximumWidth(side->maximumWidth() + bar);
    splitter->addWidget(sideScroll);
    splitter->addWidget(m_grid);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);

    connect(m_calendar, &QCalendarWidget::selectionChanged, this, &DayView::dateChosen);
    connect(m_today, &QPushButton::clicked, this, [this] {
        m_calendar->setSelectedDate(QDate::currentDate());
        dateChosen();
    });
    connect(m_groups, &QListWidget::currentRowChanged, this, &DayView::groupChosen);
    connect(m_types, &QListWidget::currentRowChanged, this, &DayView::typeChosen);
    // New groups, types and items show as soon as the resource manager closes.
    connect(&resourceNotifier(), &ResourceNotifier::managerClosed, this, [this] {
        // A new booking file shows its first type once one exists.
        if (session().CurrentTypeNo == 0) {
            Database db = BookingFile();
            LoadFirstGroup(db, session().CurrentGroupNo, session().CurrentTypeNo);
        }
        fillGroups();
        reload();
    });
}

void DayView::Load()
{
    m_loading = true;
    Session& s = session();
    ApplyGridSettings(m_grid, s);
    fillGroups();
    m_calendar->setFirstDayOfWeek(s.FirstDay == QStringLiteral("0") ? Qt::Sunday : Qt::Monday);
    m_scissors->hide();
    s.OpenViewNo = 1;
    m_user->setText(s.LoginName);
    showDate(s.SelectedDay);
    // A permanent label: menu hints would wipe a status message.
    auto* file = statusBar()->findChild<QLabel*>(QStringLiteral("bookingFile"));
    if (!file) {
        file = new QLabel(statusBar());
        file->setObjectName(QStringLiteral("bookingFile"));
        file->setTextFormat(Qt::PlainText);
        statusBar()->addWidget(file);
    }
    file->setText(StoreDisplayName(s.BookingFilePath));
    m_loading = false;
    reload();

    Database db = BookingFile();
    if (!AnyResourceItems(db))
        QMetaObject::invokeMethod(this, &DayView::askForResources, Qt::QueuedConnection);
}

void DayView::askForResources()
{
    // The text sends the user to the manual's section on the hierarchy; Help opens it.
    if (messages().show({kNoResources, QStringLiteral("Service Message"), MsgButtons::YesNo,
                         MsgIcon::Question, MsgAnswer::Yes,
                         QStringLiteral("resources.html#hierarchy")})
        == MsgAnswer::Yes)
        ShowResourceManager(this);
}

void DayView::fillGroups()
{
    const bool was = m_loading;
    m_loading = true;
    m_groups->clear();
    Database db = BookingFile();
    auto q =
        db.query(QStringLiteral("SELECT overgruppenr, OverGruppenavn FROM OvergruppenavneFor"));
    int current = -1;
    while (q && q->next()) {
        auto* item = new QListWidgetItem(q->value(1).toString(), m_groups);
        item->setData(Qt::UserRole, q->value(0).toInt());
        if (q->value(0).toInt() == session().CurrentGroupNo)
            current = m_groups->count() - 1;
    }
    m_groups->setCurrentRow(current);
    fillTypes(session().CurrentGroupNo);
    m_loading = was;
}

void DayView::fillTypes(int group)
{
    const bool was = m_loading;
    m_loading = true;
    m_types->clear();
    Database db = BookingFile();
    auto q =
        db.query(QStringLiteral("SELECT Lokalitetsnr, Lokalitetsnavn FROM lokaliteter "
                                "WHERE Overgruppenr = ? ORDER BY Lokalitetsnavn, Lokalitetsnr"),
                 {group});
    int current = -1;
    while (q && q->next()) {
        auto* item = new QListWidgetItem(q->value(1).toString(), m_types);
        item->setData(Qt::UserRole, q->value(0).toInt());
        if (q->value(0).toInt() == session().CurrentTypeNo)
            current = m_types->count() - 1;
    }
    m_types->setCurrentRow(current);
    const QString groupName = m_groups->currentItem() ? m_groups->currentItem()->text() : QString();
    const QString typeName =
        m_types->currentItem() ? m_types->currentItem()->text() : QStringLiteral("None Created");
    m_groupType->setText(groupName.isEmpty() ? QString()
                                             : groupName + QStringLiteral("/") + typeName);
    m_loading = was;
}

void DayView::groupChosen()
{
    if (m_loading || !m_groups->currentItem())
        return;
    Session& s = session();
    s.CurrentGroupNo = m_groups->currentItem()->data(Qt::UserRole).toInt();
    m_loading = true;
    fillTypes(s.CurrentGroupNo);
    m_loading = false;
    if (m_types->count() > 0) {
        m_types->setCurrentRow(0);
        s.CurrentTypeNo = m_types->currentItem()->data(Qt::UserRole).toInt();
    } else {
        s.CurrentTypeNo = 0;
    }
    typeChosen();
}

void DayView::typeChosen()
{
    if (m_loading || !m_groups->currentItem())
        return;
    Session& s = session();
    const QString groupName = m_groups->currentItem()->text();
    if (m_types->currentItem()) {
        s.CurrentTypeNo = m_types->currentItem()->data(Qt::UserRole).toInt();
        m_groupType->setText(groupName + QStringLiteral("/") + m_types->currentItem()->text());
    } else {
        s.CurrentTypeNo = 0;
        m_groupType->setText(groupName + QStringLiteral("/") + QStringLiteral("None Created"));
    }
    reload();
}

void DayView::showDate(int day)
{
    const bool was = m_loading;
    m_loading = true;
    m_calendar->setSelectedDate(DateFromDayNumber(day));
    const QDate date = DateFromDayNumber(day);
    m_date->setText(QLocale().dayName(date.dayOfWeek()) + QStringLiteral(" ") + LongDateText(day));
    m_loading = was;
}

void DayView::dateChosen()
{
    if (m_loading)
        return;
    session().SelectedDay = DayNumber(m_calendar->selectedDate());
    showDate(session().SelectedDay);
    reload();
}

void DayView::reload()
{
    if (!m_loading)
        ScheduleView::reload();
}

QList<ScheduleBlock> DayView::layOut()
{
    const Session& s = session();
    m_grid->clearColumns();
    // A block typed from now on carries this day, whatever the view shows
    // by the time it is stored.
    m_grid->setFirstDate(s.SelectedDay);
    ApplyGridSettings(m_grid, s);
    Database db = BookingFile();
    for (const ScheduleColumn& c : LoadDayColumns(db, s.CurrentTypeNo, s.SelectedDay))
        m_grid->addColumn(c.key, c.caption);
    m_grid->setColumnDisplay(255);
    return LoadDayBlocks(db, s.CurrentTypeNo, s.SelectedDay);
}

void DayView::placeBlock(int block, const ScheduleBlock& booking)
{
    m_grid->setBlockColumnKey(block, booking.item);
}

void DayView::activated()
{
    session().ActiveViewNo = 1;
    reload();
    m_calendar->setFirstDayOfWeek(session().FirstDay == QStringLiteral("0") ? Qt::Sunday
                                                                            : Qt::Monday);
}

// A typed block lands on its own day and item.
GridPlace DayView::placeOf(int block) const
{
    return {m_grid->blockDate(block), m_grid->blockColumnKey(block), 0};
}

GridPlace DayView::pastePlace() const
{
    const int column = m_grid->currentColumn();
    return {DayNumber(m_calendar->selectedDate()), column >= 0 ? m_grid->columnKey(column) : 0, 0};
}

void DayView::moveTo(int block, BlockChange& change) const
{
    change.item = m_grid->blockColumnKey(block);
}

std::optional<bool> DayView::typedTentative() const
{
    return session().TentativeDefault;
}

void DayView::clipboardChanged(bool holdsBooking)
{
    m_scissors->setVisible(holdsBooking);
}

void DayView::cutOrCopy(int clipboardMode)
{
    switch (clipSelected(clipboardMode)) {
    case Clip::NoSelection:
        showMessage(QStringLiteral("No Booking Selected."), QStringLiteral("Service message"));
        break;
    case Clip::Gone:
        showMessage(QStringLiteral("The booking no longer exists; another workstation may have "
                                   "deleted it."),
                    QStringLiteral("Service Message"), MsgIcon::Warning);
        reload();
        break;
    case Clip::Refused:
    case Clip::Done:
        break;
    }
}

void DayView::deleteSelected()
{
    m_grid->commitEditing();
    const int block = m_grid->selectedBlock();
    if (block < 1) {
        showMessage(QStringLiteral("No Booking Selected"), QStringLiteral("Service Message"));
        return;
    }
    const auto nr = deletableBooking(block);
    if (nr && askYesNo(QStringLiteral("Confirm deletion ?"), QStringLiteral("Slettemeddelelse")))
        removeBooking(block, *nr);
}

void DayView::switchAtColumn(int column)
{
    if (const int item = m_grid->columnKey(column); item != 0)
        SwitchToWeekView(item);
}

void DayView::switchAtBlock(int block)
{
    if (const int item = m_grid->blockColumnKey(block); item != 0)
        SwitchToWeekView(item);
}

void DayView::SwitchToWeekView(int item)
{
    if (!WindowRegistry::closeOwnedWindows(this))
        return;
    Session& s = session();
    s.CurrentItemNo = item;
    s.ShownWeekStart = DayNumber(WeekStart(m_calendar->selectedDate(), s.FirstDay));
    // The week view takes the day view's place and size on the screen.
    const QRect place = geometry();
    if (WeekView* shown = ShowWeekView())
        shown->setGeometry(place);
    close();
}

QString DayView::printTitle() const
{
    return QStringLiteral("Day Scheme") + QStringLiteral("  - ")
           + LongDateText(DayNumber(m_calendar->selectedDate()));
}

void DayView::exportCalendar()
{
    // The day as shown: every item of the shown type.
    const Session& s = session();
    const QDate day = DateFromDayNumber(s.SelectedDay);
    ExportCalendarDialog({CalendarSelection::Scope::Type, s.CurrentTypeNo, {}, day, day},
                         m_groupType->text());
}

QString DayView::printSubtitle() const
{
    return m_groupType->text();
}

DayView* ShowDayView()
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<DayView>(QStringLiteral("Calendar"), [] { return new DayView; });
    w->Load();
    windows.show(w, ShowMode::Free);
    return w;
}

} // namespace vestra
