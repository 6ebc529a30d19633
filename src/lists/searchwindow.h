#pragma once
// The booking search: the bookings of a period that match a keyword, by
// group kind. A found booking opens in the booking form, or read-only when
// the user may not act for its account, and the schedule moves to it.

#include "forms/periodpicker.h"
#include "lists/bookinglistwindow.h"
#include "lists/listdata.h"

class QLineEdit;
class QPushButton;

namespace vestra {

class OptionGroup;
class PeriodPicker;

class SearchWindow : public BookingListWindow {
    Q_OBJECT
public:
    explicit SearchWindow(QWidget* parent = nullptr);

    // Back to today's half year and all kinds, keeping the search text.
    void Activate();
    // Clears the rows and fills them for the current choices.
    void Reload() override;
    void Reset();
    // Opens the selected booking; says so when no row is selected.
    void OpenSelected();
    void OpenBooking(int bookingnr);

    const PeriodPicker* period() const { return m_period; }
    // The group kinds the search takes (gart1..gart3).
    GroupKinds kinds() const { return m_groupKinds; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void kindChosen(int option);
    void setKinds(int option);

    QLineEdit* m_keyword;
    PeriodPicker* m_period;
    OptionGroup* m_kinds;
    GroupKinds m_groupKinds{};
    // Set when another window of the program took the focus, so that coming
    // back starts afresh; message boxes and other programs do not count.
    bool m_returning = false;
};

SearchWindow* ShowSearchWindow(QWidget* owner);

} // namespace vestra
