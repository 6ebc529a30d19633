#pragma once
// Deletes the bookings of the form's series within a range of dates: all of
// them within a year either side of today, from the open booking on, or from
// the open booking up to a chosen day.

#include <QPointer>
#include <QWidget>

class QDateEdit;
class QRadioButton;

namespace vestra {

class BookingForm;

class SeriesDeleteWindow : public QWidget {
    Q_OBJECT
public:
    explicit SeriesDeleteWindow(BookingForm* form, QWidget* parent = nullptr);

    // Asks, deletes, and closes this window and the form.
    void Delete();

private:
    void scopeChosen();
    void lastDayPicked(const QDate& date);
    QDate bookingDate() const;

    QPointer<BookingForm> m_form;
    QRadioButton* m_all;
    QRadioButton* m_rest;
    QRadioButton* m_until;
    QDateEdit* m_lastDay;
};

SeriesDeleteWindow* ShowSeriesDelete(BookingForm* form);

} // namespace vestra
