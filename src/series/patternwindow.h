#pragma once
// The pattern window: the booking open in the form repeated every day, week
// or two, three or four weeks between two dates. The dates become candidates,
// each checked against the stored bookings, and the remaining ones are booked
// as one series.

#include <QPointer>
#include <QWidget>

class QDateEdit;
class QPushButton;

namespace vestra {

class BookingForm;
class CandidatePanel;
class ListControl;

class PatternWindow : public QWidget {
    Q_OBJECT
public:
    explicit PatternWindow(BookingForm* form, QWidget* parent = nullptr);

    ListControl* list() const;
    // The period's first and last day as day numbers, kept equal to the pickers.
    int startDay() const { return m_startDay; }
    int endDay() const { return m_endDay; }

    // Both dates back to the schedule's day and seven intervals after it.
    void ResetDates();
    void GenerateDates();
    void BookGeneratedDates();
    void Reload();
    void FindAlternative();

private:
    void chooseInterval(int interval, int colour);
    void chooseSpecificDates();
    bool generateCandidates();

    QPointer<BookingForm> m_form;
    int m_interval = 0; // in days; 0 until a frequency is chosen
    int m_colour = 0;   // the series colour of the chosen frequency
    int m_startDay = 0;
    int m_endDay = 0;
    QDateEdit* m_start;
    QDateEdit* m_end;
    CandidatePanel* m_candidates;
    QPushButton* m_book;
};

// Opens the pattern window on the form's booking: modal from the form's
// button, an ordinary window when adding dates to a series.
PatternWindow* ShowPatternWindow(BookingForm* form, bool modal);

} // namespace vestra
