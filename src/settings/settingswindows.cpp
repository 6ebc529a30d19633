#include "settings/settingswindows.h"

#include "settings/about.h"
#include "settings/companyinfowindow.h"
#include "settings/openinghourswindow.h"
#include "settings/options.h"
#include "shell/commands.h"

namespace vestra {

void RegisterSettingsWindows()
{
    // The command bar checks the administrator entries before these run.
    RegisterMenuTarget(Command::CompanyInfo, [](QWidget* owner) { ShowCompanyInfoWindow(owner); });
    RegisterMenuTarget(Command::OpeningHours,
                       [](QWidget* owner) { ShowOpeningHoursWindow(owner); });
    RegisterMenuTarget(Command::Options, [](QWidget* owner) { ShowOptions(owner); });
    RegisterMenuTarget(Command::About, [](QWidget* owner) { ShowAbout(owner); });
}

} // namespace vestra
