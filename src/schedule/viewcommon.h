#pragma once
// What the schedule views and the windows around them share: the grid's
// display settings, opening a booking, the long date and the scissors.

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

// The date in the session's long format, e.g. "05-12-2026".
QString LongDateText(int dayNumber);

// Scissors: the theme's edit-cut icon, or the one built into the program.
QIcon ScissorsIcon();

} // namespace vestra
