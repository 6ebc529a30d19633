#pragma once
// What the schedule views and the windows around them share: the grid's
// display settings, opening a booking, the long date and the scissors.

#include "shell/navigator.h"

#include <QString>
#include <functional>

class QIcon;
class QWidget;

namespace vestra {

class ScheduleGrid;
struct Session;

// Copies the session's display settings to the grid.
void ApplyGridSettings(ScheduleGrid* grid, const Session& s);

// The booking form and the read-only information window register here.
using BookingOpener = std::function<void(int bookingnr, QWidget* owner)>;
void SetBookingOpeners(BookingOpener form, BookingOpener info);

// Opens the booking in the form when the user may act for its account,
// otherwise in the information window.
void OpenBookingFromView(int bookingnr, QWidget* owner);

// A booking found by a search, shown in the schedule: the session moves to
// its day, group and type, and the week view, when it is the view in use, to
// its item and week. The booking opens in its form when the user may act for
// its account, otherwise in the information window, owned by the view so
// that it stays when the search (from) closes. The search stays open only
// beside the week view with the form.
void ShowBookingInSchedule(int bookingnr, const BookingPlace& place, QWidget* from);

// The date in the session's long format, e.g. "05-12-2026".
QString LongDateText(int dayNumber);

// A schedule window's title with the store it shows: the booking file's
// name, or the server's database and host ("Vestra - Calendar - club.mdb").
QString ScheduleTitle(const QString& title, const QString& store);

// Scissors: the theme's edit-cut icon, or the one built into the program.
QIcon ScissorsIcon();

} // namespace vestra
