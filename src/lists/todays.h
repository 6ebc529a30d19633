#pragma once
// The bookings of one day, today unless another day is picked, optionally of
// one group kind; a chosen booking shows read-only. The day's list prints.

#include <QWidget>

class QDateEdit;
class QLineEdit;

namespace vestra {

class ListControl;
class OptionGroup;

class TodaysBookings : public QWidget {
    Q_OBJECT
public:
    explicit TodaysBookings(QWidget* parent = nullptr);

    ListControl* list() const { return m_list; }
    void Reload();
    // Shows the selected booking read-only; nothing without a selection.
    void ShowInfo();
    QString PrintTitle() const;
    void Print();

private:
    void kindChosen(int option);

    QDateEdit* m_date;
    OptionGroup* m_kinds;
    QLineEdit* m_kind[3];
    ListControl* m_list;
};

TodaysBookings* ShowTodaysBookings(QWidget* owner);

} // namespace vestra
