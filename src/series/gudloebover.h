#pragma once
// The repeated series whose last booking falls between two dates, so that
// staff can contact the accounts whose standing bookings run out; printable.

#include <QWidget>

class QDateEdit;
class QLineEdit;

namespace vestra {

class ListControl;

class ExpiringSeriesWindow : public QWidget {
    Q_OBJECT
public:
    explicit ExpiringSeriesWindow(QWidget* parent = nullptr);

    ListControl* list() const { return m_list; }
    void Reload();
    QString PrintTitle() const;
    void Print();

private:
    void startChanged(const QDate& date);
    void endChanged(const QDate& date);

    QDateEdit* m_start;
    QDateEdit* m_end;
    QLineEdit* m_fromDay;
    QLineEdit* m_toDay;
    ListControl* m_list;
};

ExpiringSeriesWindow* ShowExpiringSeries(QWidget* owner);

} // namespace vestra
