#include "app/registerwindows.h"

#include "app/undoedit.h"

#include "accounts/accountmanager.h"
#include "accounts/groupaccountmanager.h"
#include "accounts/personalaccountwindow.h"
#include "booking/bookingform.h"
#include "booking/bookinginfowindow.h"
#include "help/helpwindow.h"
#include "lists/changelogwindow.h"
#include "lists/mybookingswindow.h"
#include "lists/searchwindow.h"
#include "lists/tentativebookingswindow.h"
#include "lists/todaysbookingswindow.h"
#include "reports/archiveperiodwindow.h"
#include "reports/bookingoverviewwindow.h"
#include "reports/receipts.h"
#include "reports/referencelists.h"
#include "resources/resourcemanager.h"
#include "resources/unavailablelist.h"
#include "schedule/dayview.h"
#include "schedule/viewcommon.h"
#include "series/serieswindows.h"
#include "settings/settingswindows.h"
#include "shell/commands.h"
#include "shell/navigator.h"
#include "startup/splashwindow.h"
#include "startup/startupsequence.h"
#include "widgets/widgetservices.h"

namespace vestra {

void RegisterWindows()
{
    InstallHelpKey();
    SetMessageHelp(ShowHelpPage);
    navigator().showMainWindow = [] { ShowDayView(); };
    // Another booking file starts again without the splash's wait.
    navigator().showSplash = [] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { RunStartup(); }, Qt::QueuedConnection);
    };
    navigator().showBookingInSchedule = ShowBookingInSchedule;
    SetBookingOpeners([](int nr, QWidget* owner) { ShowBookingForm(nr, owner); },
                      [](int nr, QWidget* owner) { ShowBookingInfoWindow(nr, owner); });
    SetReceiptOpener([](int nr, bool repeated, int gennr, bool tax, QWidget* parent) {
        ShowReceipt(nr, repeated, gennr, tax, parent);
    });
    RegisterMenuTarget(Command::ResourceManager,
                       [](QWidget* owner) { ShowResourceManager(owner); });
    RegisterMenuTarget(Command::UnavailableList,
                       [](QWidget* owner) { ShowUnavailableList(owner); });
    RegisterMenuTarget(Command::BookingOverview,
                       [](QWidget* owner) { ShowBookingOverviewWindow(owner); });
    RegisterMenuTarget(Command::PeriodTotals,
                       [](QWidget* owner) { ShowArchivePeriodWindow(false, owner); });
    RegisterMenuTarget(Command::PeriodDetails,
                       [](QWidget* owner) { ShowArchivePeriodWindow(true, owner); });
    for (int kind : {1, 2, 3})
        RegisterMenuTarget(ResourceListCommand(kind),
                           [kind](QWidget* owner) { ShowResourceList(kind, owner); });
    RegisterMenuTarget(Command::AccountList, [](QWidget* owner) { ShowAccountList(owner); });
    RegisterMenuTarget(Command::TentativeBookings,
                       [](QWidget* owner) { ShowTentativeBookings(owner); });
    RegisterMenuTarget(Command::ChangeLog, [](QWidget* owner) { ShowChangeLog(owner); });
    RegisterBookingTarget(BookingCommand::Search, [](QWidget* owner) { ShowSearchWindow(owner); });
    RegisterBookingTarget(BookingCommand::MyBookings,
                          [](QWidget* owner) { ShowMyBookings(owner); });
    RegisterBookingTarget(BookingCommand::TodaysBookings,
                          [](QWidget* owner) { ShowTodaysBookings(owner); });
    RegisterMenuTarget(Command::GroupAccountManager,
                       [](QWidget* owner) { ShowGroupAccountManager(owner); });
    RegisterMenuTarget(Command::PersonalAccount, [](QWidget* owner) { ShowMyAccount(owner); });
    RegisterMenuTarget(Command::AccountManager, [](QWidget* owner) { ShowAccountManager(owner); });
    RegisterUndoTarget(RunUndo);
    RegisterSeriesWindows();
    RegisterSettingsWindows();
}

} // namespace vestra
