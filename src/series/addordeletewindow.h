#pragma once
// For a booking that belongs to a series: add further dates to it or delete
// bookings of it.

#include <QPointer>
#include <QWidget>

namespace vestra {

class BookingForm;

class AddOrDeleteWindow : public QWidget {
    Q_OBJECT
public:
    explicit AddOrDeleteWindow(BookingForm* form, QWidget* parent = nullptr);

private:
    QPointer<BookingForm> m_form;
};

AddOrDeleteWindow* ShowAddOrDelete(BookingForm* form);

} // namespace vestra
