#pragma once
// The bookings of a period that concern the logged-in user: on their own
// account, on groups they own and on groups they are a member of, narrowed
// by that relation, by group kind and by single or repeated booking.

#include "forms/periodpicker.h"
#include "lists/bookinglistwindow.h"
#include "lists/listdata.h"

#include <QStringList>

namespace vestra {

class OptionGroup;

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
    // The chosen ownership and group options as the filter takes them.
    QStringList m_relations;
    GroupKinds m_groupKinds{};
};

MyBookingsWindow* ShowMyBookings(QWidget* owner);

} // namespace vestra
