#pragma once
// The window datobookingperiode: period and kind of resource for the
// booking overview, which its print button opens in the print preview.

#include <QWidget>

class QLineEdit;
class QPrintPreviewDialog;

namespace vestra {

class PeriodPickers;
enum class OverviewChoice;

class BookingOverviewWindow : public QWidget {
    Q_OBJECT
public:
    explicit BookingOverviewWindow(QWidget* parent = nullptr);

    // Udskriv: the overview of the chosen period and kind.
    QPrintPreviewDialog* print();

private:
    void choose(OverviewChoice choice);

    PeriodPickers* m_period;
    QLineEdit* m_g1;
    QLineEdit* m_g2;
    QLineEdit* m_g3;
    QLineEdit* m_text;
};

// The command bar's "Booking Overview", owned by the schedule window.
BookingOverviewWindow* ShowBookingOverviewWindow(QWidget* owner = nullptr);

} // namespace vestra
