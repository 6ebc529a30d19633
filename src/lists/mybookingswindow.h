#pragma once
// The bookings of a period that concern the logged-in user: on their own
// account, on groups they own and on groups they are a member of, narrowed
// by that relation, by group kind and by single or repeated booking.

#include "lists/bookinglistwindow.h"

class QLineEdit;

namespace vestra {

class OptionGroup;
class PeriodPicker;
struct MyBookingsFilter;

class MyBookingsWindow : public BookingListWindow {
    Q_OBJECT
public:
    explicit MyBookingsWindow(QWidget* parent = nullptr);

    MyBookingsFilter Filter() const;
    void Reload() override;
    // Shows the selected booking read-only; nothing without a selection.
    void ShowInfo() { showSelectedInfo(); }
    QString PrintTitle() const;
    void Print();

private:
    void optionChosen();

    PeriodPicker* m_period;
    OptionGroup* m_relation;
    OptionGroup* m_kinds;
    OptionGroup* m_type;
    QLineEdit* m_relations[3];
    QLineEdit* m_kind[3];
};

MyBookingsWindow* ShowMyBookings(QWidget* owner);

} // namespace vestra
