#include "schedule/registerwindows.h"

#include "accounts/gruppetilk.h"
#include "accounts/kontoliste.h"
#include "accounts/personkonto.h"
#include "booking/bookingform.h"
#include "booking/searchinfoform.h"
#include "reports/receipts.h"
#include "resources/resmanager.h"
#include "resources/unavaillist.h"
#include "schedule/commands.h"
#include "schedule/calendar.h"
#include "schedule/viewcommon.h"
#include "series/serieswindows.h"
#include "session/introstart.h"
#include "session/navigator.h"

namespace vestra {

void RegisterWindows()
{
    navigator().showMainWindow = [] { ShowCalendar(); };
    navigator().showSplash = [] { ShowSplash(); };
    SetBookingOpeners([](int nr, QWidget* owner) { ShowBookingForm(nr, owner); },
                      [](int nr, QWidget* owner) { ShowSearchInfoForm(nr, owner); });
    SetReceiptOpener([](int nr, bool repeated, int gennr, bool tax, QWidget* parent) {
        ShowReceipt(nr, repeated, gennr, tax, parent);
    });
    RegisterMenuTarget(21, [](QWidget* owner) { ShowResManager(owner); });
    RegisterMenuTarget(25, [](QWidget* owner) { ShowUnavailableList(owner); });
    RegisterMenuTarget(221, [](QWidget* owner) { ShowGroupAccountManager(owner); });
    RegisterMenuTarget(222, [](QWidget* owner) { ShowMyAccount(owner); });
    RegisterMenuTarget(223, [](QWidget* owner) { ShowAccountList(owner); });
    RegisterSeriesWindows();
}

} // namespace vestra
