#include "app/registerwindows.h"

#include "accounts/gruppetilk.h"
#include "accounts/kontoliste.h"
#include "accounts/personkonto.h"
#include "booking/bookingform.h"
#include "booking/searchinfoform.h"
#include "lists/myboo.h"
#include "lists/searchform.h"
#include "lists/tentbookings.h"
#include "lists/todays.h"
#include "reports/datoarkivperiode.h"
#include "reports/datobookingperiode.h"
#include "reports/receipts.h"
#include "reports/referencelists.h"
#include "resources/resmanager.h"
#include "resources/unavaillist.h"
#include "schedule/calendar.h"
#include "shell/commands.h"
#include "schedule/viewcommon.h"
#include "series/serieswindows.h"
#include "startup/splashwindow.h"
#include "shell/navigator.h"
#include "settings/settingswindows.h"

namespace vestra {

void RegisterWindows()
{
    navigator().showMainWindow = [] { ShowCalendar(); };
    navigator().showSplash = [] { ShowSplash(); };
    navigator().showBookingInSchedule = ShowBookingInSchedule;
    SetBookingOpeners([](int nr, QWidget* owner) { ShowBookingForm(nr, owner); },
                      [](int nr, QWidget* owner) { ShowSearchInfoForm(nr, owner); });
    SetReceiptOpener([](int nr, bool repeated, int gennr, bool tax, QWidget* parent) {
        ShowReceipt(nr, repeated, gennr, tax, parent);
    });
    RegisterMenuTarget(21, [](QWidget* owner) { ShowResManager(owner); });
    RegisterMenuTarget(25, [](QWidget* owner) { ShowUnavailableList(owner); });
    RegisterMenuTarget(31, [](QWidget* owner) { ShowBookingOverviewWindow(owner); });
    RegisterMenuTarget(32, [](QWidget* owner) { ShowArchivePeriodWindow(false, owner); });
    RegisterMenuTarget(33, [](QWidget* owner) { ShowArchivePeriodWindow(true, owner); });
    for (int kind : {1, 2, 3})
        RegisterMenuTarget(340 + kind, [kind](QWidget* owner) { ShowResourceList(kind, owner); });
    RegisterMenuTarget(35, [](QWidget* owner) { ShowAccountList(owner); });
    RegisterMenuTarget(26, [](QWidget* owner) { ShowTentBookings(owner); });
    RegisterBookingTarget(14, [](QWidget* owner) { ShowSearchForm(owner); });
    RegisterBookingTarget(15, [](QWidget* owner) { ShowMyBookings(owner); });
    RegisterBookingTarget(16, [](QWidget* owner) { ShowTodaysBookings(owner); });
    RegisterMenuTarget(221, [](QWidget* owner) { ShowGroupAccountManager(owner); });
    RegisterMenuTarget(222, [](QWidget* owner) { ShowMyAccount(owner); });
    RegisterMenuTarget(223, [](QWidget* owner) { ShowAccountManager(owner); });
    RegisterSeriesWindows();
    RegisterSettingsWindows();
}

} // namespace vestra
