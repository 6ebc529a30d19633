#pragma once
// The opening-hours window: opening and closing time, prime time and the
// times printed on schedules. Closing it puts the six times into the session
// (the schedule views show them when next activated) and stores the row.

#include "settings/settings.h"

#include <QWidget>
#include <array>

namespace vestra {

class TimeStepEdit;

class OpeningHoursWindow : public QWidget {
    Q_OBJECT
public:
    explicit OpeningHoursWindow(QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    InstitutionRow m_row;
    std::array<TimeStepEdit*, 6> m_editors{}; // in the order of kTimeFields
};

// Opened from the command bar; waits until closed.
OpeningHoursWindow* ShowOpeningHoursWindow(QWidget* owner);

} // namespace vestra
