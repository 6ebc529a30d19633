#pragma once
// The period window of the archive reports: datoarkivperiodeht for the
// period totals, datoarkivperiodeAC (with an account list) for the details
// of one account. Its print button opens the report in the print preview.

#include <QWidget>

class QListWidget;
class QPrintPreviewDialog;

namespace vestra {

class PeriodPicker;

class ArchivePeriodWindow : public QWidget {
    Q_OBJECT
public:
    explicit ArchivePeriodWindow(bool perAccount, QWidget* parent = nullptr);

    // The print button: the report of the chosen period (and account).
    QPrintPreviewDialog* print();
    const PeriodPicker* period() const { return m_period; }

private:
    void fillAccounts();

    PeriodPicker* m_period;
    QListWidget* m_accounts = nullptr;
};

// The command bar's "Period Totals" (false) and "Period Details" (true),
// owned by the schedule window.
ArchivePeriodWindow* ShowArchivePeriodWindow(bool perAccount, QWidget* owner = nullptr);

} // namespace vestra
