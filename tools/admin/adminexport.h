#pragma once
// vestra-admin export: a list or a report of a booking store to CSV or
// .xlsx, through the same rows and sheets as the windows' Export, for
// scripts and nightly jobs. Reports need Qt's GUI module (fonts, pictures),
// so the program runs this command under a QGuiApplication.

#include "adminstore.h"

namespace vestra::admin {

AdminCommand ExportCommand();

} // namespace vestra::admin
