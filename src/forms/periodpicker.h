#pragma once
// The "From" and "To" date pickers of a period, in the session's long date
// format, with the period's day numbers kept beside them. A start after the
// end (or an end before the start) is refused with a message and the picker
// returns to the date it had; equal dates are a period of one day.

#include <QDate>
#include <QObject>
#include <QString>

class QDateEdit;
class QWidget;

namespace vestra {

class PeriodPicker : public QObject {
    Q_OBJECT
public:
    // The objectNames of the two pickers.
    struct Names {
        const char* start = "startdate";
        const char* end = "slutdate";
    };
    // Creates the two pickers as children of window, on from and to.
    PeriodPicker(QWidget* window, const Names& names, const QDate& from, const QDate& to);

    QDateEdit* start() const { return m_start; }
    QDateEdit* end() const { return m_end; }
    // The pickers in a row after the labels "&From" and "&To", for windows
    // that show the period on one line.
    QWidget* row() const;

    // Sets both dates without a message or a changed() signal.
    void setPeriod(const QDate& from, const QDate& to);
    int fromDay() const { return m_fromDay; }
    int toDay() const { return m_toDay; }
    QDate fromDate() const;
    QDate toDate() const;
    // The dates as the pickers show them.
    QString fromText() const;
    QString toText() const;

signals:
    // After every date the user chose, accepted or restored.
    void changed();

private:
    void startChosen(const QDate& date);
    void endChosen(const QDate& date);

    QDateEdit* m_start;
    QDateEdit* m_end;
    int m_fromDay = 0;
    int m_toDay = 0;
};

} // namespace vestra
