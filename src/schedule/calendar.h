#pragma once
// The main window: the bookings of one resource type on one day, a column
// per resource item.

#include "schedule/commands.h"

#include <QMainWindow>

class QCalendarWidget;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace vestra {

class ScheduleGrid;

class Calendar : public QMainWindow, public ScheduleActions {
    Q_OBJECT
public:
    explicit Calendar(QWidget* parent = nullptr);

    void Load();
    void RefreshDayView();
    void SwitchToWeekView(int item);
    void PrintDaySchedule();
    // Title, subtitle and print settings of the scheme, without printing.
    void preparePrint();
    ScheduleGrid* grid() const { return m_grid; }

    // ScheduleActions
    void cutOrCopy(int clipboardMode) override;
    void paste() override;
    void deleteSelected() override;
    void printSchedule() override { PrintDaySchedule(); }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void fillGroups();
    void fillTypes(int group);
    void groupChosen();
    void typeChosen();
    void dateChosen();
    void showDate(int day);
    void blockTyped(int block, int start, int end, bool& refuse);
    void contextCommand(int number);
    void askForResources();

    ScheduleGrid* m_grid;
    QListWidget* m_groups;
    QListWidget* m_types;
    QCalendarWidget* m_calendar;
    QLabel* m_groupType;
    QLabel* m_date;
    QLabel* m_user;
    QLabel* m_scissors;
    QLabel* m_deleting;
    QPushButton* m_today;
    QMenu* m_menu;
    bool m_loading = false;
};

Calendar* ShowCalendar();

} // namespace vestra
