#pragma once
// What the day view and the week view share: the grid's display settings,
// opening a booking, and the windows that open bookings.

#include <QString>
#include <functional>

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

// What the user had selected on the grid, kept across a reload so that a
// click that also activated the window is not lost.
struct GridSelection {
    QString blockKey;
    int columnKey = 0;
    int columnDate = 0;
    int slotStart = -1;
    int slotEnd = -1;
};
GridSelection SaveGridSelection(const ScheduleGrid* grid);
void RestoreGridSelection(ScheduleGrid* grid, const GridSelection& selection);

// The date in the session's long format, e.g. "05-12-2026".
QString LongDateText(int dayNumber);

} // namespace vestra
