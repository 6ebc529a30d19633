#pragma once
// The window datobookingperiode: period and kind of resource for the
// booking overview, which its print button opens in the print preview.

#include "reports/overview.h"

#include <QWidget>

class QPrintPreviewDialog;

namespace vestra {

class PeriodPicker;

class BookingOverviewWindow : public QWidget {
    Q_OBJECT
public:
    explicit BookingOverviewWindow(QWidget* parent = nullptr);

    // Udskriv: the overview of the chosen period and kind.
    QPrintPreviewDialog* print();
    const PeriodPicker* period() const { return m_period; }
    // The kinds and caption the overview prints (g1, g2, g3, Prtext).
    OverviewKinds kinds() const { return m_kinds; }

private:
    void choose(OverviewChoice choice);

    PeriodPicker* m_period;
    OverviewKinds m_kinds;
};

// The command bar's "Booking Overview", owned by the schedule window.
BookingOverviewWindow* ShowBookingOverviewWindow(QWidget* owner = nullptr);

} // namespace vestra
