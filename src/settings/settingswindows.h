#pragma once
// The command bar entries of the settings windows.

namespace vestra {

// 241 "Company Info", 242 "Opening Hours", 24 "Options", 62 "About".
void RegisterSettingsWindows();

} // namespace vestra
