#pragma once
// The free-date window: the booking open in the form repeated on dates
// clicked one by one on a year calendar, each checked at once, then booked
// as one series.

#include <QPointer>
#include <QWidget>

namespace vestra {

class BookingForm;
class CandidatePanel;
class ListControl;
class YearCalendar;

class FreeDatesWindow : public QWidget {
    Q_OBJECT
public:
    explicit FreeDatesWindow(BookingForm* form, QWidget* parent = nullptr);

    ListControl* list() const;
    YearCalendar* calendar() const { return m_calendar; }

    void AddDate(const QDate& date);
    void BookSelectedDates();
    void Reload();
    void FindAlternative();
    // Empties the candidates and closes.
    void Exit();

private:
    QPointer<BookingForm> m_form;
    YearCalendar* m_calendar;
    CandidatePanel* m_candidates;
};

FreeDatesWindow* ShowFreeDatesWindow(BookingForm* form);

} // namespace vestra
