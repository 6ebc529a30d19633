#pragma once
// The bookings of one day, today unless another day is picked, optionally of
// one group kind; a chosen booking shows read-only. The day's list prints.

#include "lists/bookinglistwindow.h"
#include "lists/listdata.h"

class QDateEdit;

namespace vestra {

class OptionGroup;

class TodaysBookingsWindow : public BookingListWindow {
    Q_OBJECT
public:
    explicit TodaysBookingsWindow(QWidget* parent = nullptr);

    void Reload() override;
    // Shows the selected booking read-only; nothing without a selection.
    void ShowInfo() { showSelectedInfo(); }
    QString PrintTitle() const;
    void Print();

private:
    void kindChosen(int option);

    QDateEdit* m_date;
    OptionGroup* m_kinds;
    GroupKinds m_groupKinds{1, 2, 3};
};

TodaysBookingsWindow* ShowTodaysBookings(QWidget* owner);

} // namespace vestra
