#pragma once
// How one window asks for another that lives in a layer it must not know:
// the start-up and login open the day view, the schedule reruns the start-up,
// a search shows a booking in the schedule, and any window ends the program.
// The program sets these hooks in one place at start; tests replace them.

#include <functional>

class QWidget;

namespace vestra {

// Where a booking sits in the schedule (the saved query bookingS).
struct BookingPlace {
    int day = 0;
    int group = 0;
    int type = 0;
    int item = 0;
    int account = 0;
};

struct Navigator {
    std::function<void()> showMainWindow; // after a good login
    std::function<void()> showSplash;     // to rerun the start-up from a schedule window
    std::function<void()> quit;           // end the program
    // Moves the schedule to the booking and opens it there; from is the
    // window that asked (a search), which closes unless it stays beside the
    // week view.
    std::function<void(int bookingnr, const BookingPlace& place, QWidget* from)>
        showBookingInSchedule;
};

Navigator& navigator();

} // namespace vestra
