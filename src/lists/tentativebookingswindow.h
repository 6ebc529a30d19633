#pragma once
// The tentative bookings, for an administrator to confirm one, confirm all
// or delete one, and to print.

#include "lists/bookinglistwindow.h"

namespace vestra {

class TentativeBookingsWindow : public BookingListWindow {
    Q_OBJECT
public:
    explicit TentativeBookingsWindow(QWidget* parent = nullptr);

    // Clears the columns and rows and fills the list afresh.
    void Reload() override;
    // Clears Tentative when confirmed, sets it again when not; the row stays
    // until the next rebuild.
    void Confirm(int bookingnr, bool confirmed);
    // Asks first; the list is rebuilt whatever the answer.
    void Delete(int bookingnr);
    // Asks first; on Yes confirms every booking and closes the window.
    void ConfirmAll();
    void Print();

private:
    void boxToggled(int bookingnr, int column, bool checked);
    void bookingGone();
};

// Shown modal; the command bar has checked for an administrator.
TentativeBookingsWindow* ShowTentativeBookings(QWidget* owner);

} // namespace vestra
