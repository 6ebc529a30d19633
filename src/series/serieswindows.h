#pragma once
// What the series windows share: the template as the open booking form shows
// it, the candidate list, booking the candidates from a window, and the
// registration of the windows with the booking form and the command bar.

#include "series/candidates.h"

#include <QString>

class QWidget;

namespace vestra {

class BookingForm;
class ListControl;

// The form's current values, edits not yet stored included: the series
// copies what the user sees.
SeriesTemplate TemplateFromForm(const BookingForm& form);
// The form's date as a day number, and its series number.
int FormDay(const BookingForm& form);
int FormSeries(const BookingForm& form);

// The four columns "Date", "Start", "End", "DB", the collision mark in "DB".
void SetUpCandidateList(ListControl* list);
// Clears the list and fills it from gendatogent; startFormat is the start
// column's time format ("HH:mm", or "HH.mm" in the free-date window).
// Returns the candidates shown.
QList<Candidate> ReloadCandidateList(ListControl* list, const QString& startFormat);
// The selected row's candidate: removed, or (with none) nothing happens.
void RemoveSelectedCandidate(ListControl* list);

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
