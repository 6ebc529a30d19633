#include "schedule/viewcommon.h"

#include "data/dates.h"
#include "platform/messages.h"
#include "platform/reportformat.h"
#include "platform/schedulegrid.h"
#include "schedule/editing.h"
#include "session/access.h"
#include "session/session.h"

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

} // namespace vestra
