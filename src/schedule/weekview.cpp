#include "schedule/weekview.h"

#include "data/dates.h"
#include "exchange/ui/exportactions.h"
#include "grid/schedulegrid.h"
#include "schedule/dayview.h"
#include "schedule/scheduledata.h"
#include "schedule/viewcommon.h"
#include "services/messages.h"
#include "session/session.h"
#include "widgets/windowregistry.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace vestra {

WeekView::WeekView(QWidget* parent)
    : ScheduleView(QStringLiteral("CalMdag"), QStringLiteral("Vestra - Week"),
                   QStringLiteral("DayView"), parent)
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* header = new QHBoxLayout;
    m_itemName = new QLabel(central);
    m_itemName->setObjectName(QStringLiteral("lnavn"));
    m_itemName->setTextFormat(Qt::PlainText); // names as typed, never markup
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
    header->addWidget(m_itemName);
    header->addWidget(m_itemNo);
    header->addStretch();
    header->addWidget(m_weekStart);
    layout->addLayout(header);
    m_weekStart->setToolTip(QStringLiteral("First day of the shown week"));

    layout->addWidget(createGrid(QStringLiteral("dd"), central), 1);
    setCentralWidget(central);
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
    // The way back to the day the view was opened from.
    QAction* dayView = weeks->addAction(QStringLiteral("&Day View"));
    dayView->setObjectName(QStringLiteral("dayView"));
    connect(dayView, &QAction::triggered, this, [this] { SwitchToDayView(session().SelectedDay); });
    header->addWidget(weeks);
    connect(previous, &QAction::triggered, this, [this] { moveWeek(-7); });
    connect(next, &QAction::triggered, this, [this] { moveWeek(7); });
}

void WeekView::Load()
{
    Session& s = session();
    // A block still being typed belongs to the item shown so far.
    m_grid->commitEditing();
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
    reload();
}

void WeekView::loadItem()
{
    Database db = BookingFile();
    auto q = db.query(QStringLiteral("SELECT Lokalenavn, lokalenr FROM lokale WHERE lokalenr = ?"),
                      {session().CurrentItemNo});
    const bool found = q && q->next();
    m_item = session().CurrentItemNo;
    m_itemName->setText(found ? q->value(0).toString() : QString());
    m_itemNo->setText(found ? q->value(1).toString() : QString());
}

QList<ScheduleBlock> WeekView::layOut()
{
    const Session& s = session();
    m_grid->setFirstDate(s.ShownWeekStart);
    m_grid->setHeaderText(QStringLiteral("Week:") + QString::number(WeekNumberOfSelected()));
    Database db = BookingFile();
    return LoadWeekBlocks(db, s.CurrentItemNo, s.ShownWeekStart);
}

// The item may have been deleted meanwhile.
void WeekView::reloadAfterItemGone()
{
    loadItem();
    reload();
}

// A block lands on its own day and the item the view shows.
GridPlace WeekView::placeOf(int block) const
{
    return {m_grid->blockDate(block), m_item, 0};
}

GridPlace WeekView::pastePlace() const
{
    const int column = m_grid->currentColumn();
    return {column >= 0 ? m_grid->columnDate(column) : session().ShownWeekStart, m_item, 0};
}

void WeekView::moveTo(int block, BlockChange& change) const
{
    change.day = m_grid->blockDate(block);
}

void WeekView::moveWeek(int days)
{
    session().ShownWeekStart += days;
    m_weekStart->setText(LongDateText(session().ShownWeekStart));
    reload();
}

void WeekView::activated()
{
    session().ActiveViewNo = 2;
    // The item may have been renamed or deleted meanwhile.
    loadItem();
    ApplyGridSettings(m_grid, session());
    reload();
}

void WeekView::cutOrCopy(int clipboardMode)
{
    if (clipSelected(clipboardMode) == Clip::Gone)
        reload();
}

void WeekView::deleteSelected()
{
    m_grid->commitEditing();
    const int block = m_grid->selectedBlock();
    if (block < 1 || !askYesNo(QStringLiteral("Confirm Delete ?"), QStringLiteral("Delete Info")))
        return;
    if (const auto nr = deletableBooking(block))
        removeBooking(block, *nr);
}

void WeekView::switchAtColumn(int column)
{
    SwitchToDayView(m_grid->columnDate(column));
}

void WeekView::switchAtBlock(int block)
{
    if (const int day = m_grid->blockDate(block); day != 0)
        SwitchToDayView(day);
}

void WeekView::SwitchToDayView(int day)
{
    // The day view takes the week view's place and size on the screen.
    const QRect place = geometry();
    if (!close())
        return;
    session().SelectedDay = day;
    if (DayView* shown = ShowDayView())
        shown->setGeometry(place);
}

QString WeekView::printTitle() const
{
    return QStringLiteral("Ugeskema for uge ") + QString::number(WeekNumberOfSelected());
}

void WeekView::exportCalendar()
{
    // The week as shown: the one item's bookings from the week's first day.
    const Session& s = session();
    const QDate first = DateFromDayNumber(s.ShownWeekStart);
    ExportCalendarDialog(
        {CalendarSelection::Scope::Item, s.CurrentItemNo, {}, first, first.addDays(6)},
        m_itemName->text());
}

QString WeekView::printSubtitle() const
{
    return m_itemName->text();
}

WeekView* ShowWeekView()
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<WeekView>(QStringLiteral("CalMdag"), [] { return new WeekView; });
    w->Load();
    windows.show(w, ShowMode::Free);
    return w;
}

} // namespace vestra
