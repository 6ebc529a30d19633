#pragma once
// The pattern window: the booking open in the form repeated every day, week
// or two, three or four weeks between two dates. The dates become candidates,
// each checked against the stored bookings, and the remaining ones are booked
// as one series.

#include <QPointer>
#include <QWidget>

class QDateEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vestra {

class BookingForm;
class ListControl;

class PatternWindow : public QWidget {
    Q_OBJECT
public:
    explicit PatternWindow(BookingForm* form, QWidget* parent = nullptr);

    ListControl* list() const { return m_list; }

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
    int interval() const;

    QPointer<BookingForm> m_form;
    QLineEdit* m_frequency;
    QLineEdit* m_colour;
    QDateEdit* m_start;
    QDateEdit* m_end;
    QLineEdit* m_startDay;
    QLineEdit* m_endDay;
    ListControl* m_list;
    QPushButton* m_book;
};

// Opens the pattern window on the form's booking: modal from the form's
// button, an ordinary window when adding dates to a series.
PatternWindow* ShowPatternWindow(BookingForm* form, bool modal);

} // namespace vestra
