#pragma once
// The start and end pickers of the report windows, with the hidden boxes
// that hold their day numbers. A start after the end (or an end before the
// start) is refused with a message and the picker returns to its last date.

#include "reports/reportrun.h"

#include <QObject>

class QDateEdit;
class QLineEdit;
class QWidget;

namespace vestra {

class PeriodPickers : public QObject {
public:
    struct Names {
        const char* start;
        const char* end;
        const char* startDay;
        const char* endDay;
    };

    // Creates the controls as children of window, shown in DateFormatLong.
    PeriodPickers(QWidget* window, const Names& names, const QDate& start, const QDate& end);

    QDateEdit* start() const { return m_start; }
    QDateEdit* end() const { return m_end; }
    // The period as the hidden boxes hold it, with the pickers' texts.
    ReportPeriod period() const;

private:
    void startChanged(const QDate& date);
    void endChanged(const QDate& date);

    QDateEdit* m_start;
    QDateEdit* m_end;
    QLineEdit* m_startDay;
    QLineEdit* m_endDay;
};

} // namespace vestra
