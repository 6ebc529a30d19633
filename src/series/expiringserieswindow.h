#pragma once
// The repeated series whose last booking falls between two dates, so that
// staff can contact the accounts whose standing bookings run out; printable.

#include "lists/bookinglistwindow.h"

namespace vestra {

class PeriodPicker;

class ExpiringSeriesWindow : public BookingListWindow {
    Q_OBJECT
public:
    explicit ExpiringSeriesWindow(QWidget* parent = nullptr);

    void Reload() override;
    QString PrintTitle() const;
    void Print();

private:
    PeriodPicker* m_period;
};

ExpiringSeriesWindow* ShowExpiringSeries(QWidget* owner);

} // namespace vestra
