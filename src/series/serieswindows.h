#pragma once
// What the series windows share: the busy-file warning, booking the
// candidates from a window, and the registration of the windows with the
// booking form and the command bar.

#include "series/candidates.h"

#include <QString>

class QWidget;

namespace vestra {

class BookingForm;

// Tells the user when candidates could not be checked because the booking
// file was busy; they stay marked as colliding.
void WarnWhenUnchecked();
void ShowBookingFileBusy();

// Stores the form's booking, books every candidate as a copy of it in the
// series colour, then closes the window and the form. On failure says so and
// closes nothing.
bool CommitFromWindow(QWidget* window, BookingForm* form, int colour);

// Wires the form's repeated-booking button and the command bar's
// "Repeating Bookings" to the series windows.
void RegisterSeriesWindows();

} // namespace vestra
