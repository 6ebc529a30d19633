#pragma once
// The main window: the bookings of one resource type on one day, a column
// per resource item.

#include "schedule/scheduleview.h"

class QCalendarWidget;
class QLabel;
class QListWidget;
class QPushButton;

namespace vestra {

class DayView : public ScheduleView {
    Q_OBJECT
public:
    explicit DayView(QWidget* parent = nullptr);

    void Load();
    void reload() override;
    void SwitchToWeekView(int item);

    // ScheduleActions
    void cutOrCopy(int clipboardMode) override;
    void deleteSelected() override;

protected:
    GridPlace placeOf(int block) const override;
    GridPlace pastePlace() const override;
    void moveTo(int block, BlockChange& change) const override;
    std::optional<bool> typedTentative() const override;
    QList<ScheduleBlock> layOut() override;
    void placeBlock(int block, const ScheduleBlock& booking) override;
    void activated() override;
    void switchAtColumn(int column) override;
    void switchAtBlock(int block) override;
    QString printTitle() const override;
    QString printSubtitle() const override;
    void exportCalendar() override;
    void clipboardChanged(bool holdsBooking) override;

private:
    void fillGroups();
    void fillTypes(int group);
    void groupChosen();
    void typeChosen();
    void dateChosen();
    void showDate(int day);
    void askForResources();

    QListWidget* m_groups;
    QListWidget* m_types;
    QCalendarWidget* m_calendar;
    QLabel* m_groupType;
    QLabel* m_date;
    QLabel* m_user;
    QLabel* m_scissors;
    QPushButton* m_today;
    bool m_loading = false;
};

DayView* ShowDayView();

} // namespace vestra
