#pragma once
// The change log for administrators: who changed which booking, account or
// resource, when and from which workstation, newest first, for a period and
// a search text. A logged booking that still exists can be shown in the
// schedule; the list prints like the other lists.

#include "lists/bookinglistwindow.h"
#include "report/listcontrol.h"

#include <QDate>

class QLineEdit;

namespace vestra {

class PeriodPicker;

struct ChangeLogFilter {
    QDate from; // local days, both included
    QDate to;
    QString search; // matched in account, workstation, action, key and summary
};

QVector<ListControlColumn> ChangeLogColumns();
ListFillSource ChangeLogFillSource(const ChangeLogFilter& filter);

// The booking a log row speaks of; nullopt for rows about accounts,
// resources or archiving runs.
std::optional<int> LoggedBooking(Database& bookingFile, int auditId);

class ChangeLogWindow : public BookingListWindow {
    Q_OBJECT
public:
    explicit ChangeLogWindow(QWidget* parent = nullptr);

    void Reload() override;
    // Shows the selected row's booking in the schedule; says why when it
    // cannot (nothing selected, not a booking, the booking is gone).
    void ShowBooking();
    void Print();
    PeriodPicker* period() const { return m_period; }

private:
    QLineEdit* m_search;
    PeriodPicker* m_period;
};

ChangeLogWindow* ShowChangeLog(QWidget* owner);

} // namespace vestra
