#include "settings/settingswindows.h"

#include "shell/commands.h"
#include "settings/about.h"
#include "settings/options.h"
#include "settings/paramform.h"
#include "settings/times.h"

namespace vestra {

void RegisterSettingsWindows()
{
    // The command bar checks the administrator entries before these run.
    RegisterMenuTarget(241, [](QWidget* owner) { ShowParamform(owner); });
    RegisterMenuTarget(242, [](QWidget* owner) { ShowTimes(owner); });
    RegisterMenuTarget(24, [](QWidget* owner) { ShowOptions(owner); });
    RegisterMenuTarget(62, [](QWidget* owner) { ShowAbout(owner); });
}

} // namespace vestra
