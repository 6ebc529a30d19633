#include "schedule/registerwindows.h"

#include "booking/bookingform.h"
#include "booking/searchinfoform.h"
#include "schedule/calendar.h"
#include "schedule/viewcommon.h"
#include "session/introstart.h"
#include "session/navigator.h"

namespace vestra {

void RegisterWindows()
{
    navigator().showMainWindow = [] { ShowCalendar(); };
    navigator().showSplash = [] { ShowSplash(); };
    SetBookingOpeners([](int nr, QWidget* owner) { ShowBookingForm(nr, owner); },
                      [](int nr, QWidget* owner) { ShowSearchInfoForm(nr, owner); });
}

} // namespace vestra
