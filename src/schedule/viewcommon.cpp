#include "schedule/viewcommon.h"

#include "db/database.h"

#include "data/dates.h"
#include "grid/schedulegrid.h"
#include "report/reportformat.h"
#include "schedule/dayview.h"
#include "schedule/editing.h"
#include "schedule/weekview.h"
#include "services/messages.h"
#include "session/access.h"
#include "session/session.h"
#include "widgets/windowregistry.h"

#include <QFileInfo>
#include <QIcon>

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

void ShowBookingInSchedule(int bookingnr, const BookingPlace& place, QWidget* from)
{
    Session& s = session();
    s.SelectedDay = place.day;
    s.CurrentGroupNo = place.group;
    s.CurrentTypeNo = place.type;

    auto& windows = WindowRegistry::instance();
    auto* dayView = windows.findAs<DayView>(QStringLiteral("Calendar"));
    auto* weekView = windows.findAs<WeekView>(QStringLiteral("CalMdag"));
    const bool inWeekView = s.ActiveViewNo == 2 && weekView;
    if (inWeekView) {
        // The week view moves before the booking shows over it.
        s.CurrentItemNo = place.item;
        s.ShownWeekStart = DayNumber(WeekStart(DateFromDayNumber(place.day), s.FirstDay));
        weekView->Load();
    }
    // The booking's window belongs to the schedule, so that it stays when
    // the search closes.
    QWidget* view = inWeekView ? static_cast<QWidget*>(weekView) : dayView;
    const bool mayAct = MayActForAccount(place.account);
    if (!mayAct || !inWeekView)
        from->close();
    if (const BookingOpener& opener = mayAct ? g_form : g_info)
        opener(bookingnr, view);
    if (!inWeekView && dayView)
        dayView->Load();
}

QString ScheduleTitle(const QString& title, const QString& store)
{
    if (store.isEmpty())
        return title;
    QString shown = QFileInfo(store).fileName();
    if (IsServerAddress(store)) {
        const std::optional<ServerAddress> a = ParseServerAddress(store);
        shown = a ? QStringLiteral("%1 on %2").arg(a->database, a->host) : store;
    }
    return QStringLiteral("%1 - %2").arg(title, shown);
}

} // namespace vestra
