#pragma once
// The booking information window: a booking the user may not change,
// shown read-only.

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;

namespace vestra {

class BookingInfoWindow : public QWidget {
    Q_OBJECT
public:
    explicit BookingInfoWindow(QWidget* parent = nullptr);
    // Shows the booking; false when it no longer exists.
    bool OpenOn(int bookingnr);

private:
    QList<QLineEdit*> m_fields;
    QLineEdit* m_title;
    QPlainTextEdit* m_description;
};

BookingInfoWindow* ShowBookingInfoWindow(int bookingnr, QWidget* owner);

} // namespace vestra
