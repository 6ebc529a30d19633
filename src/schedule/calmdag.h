#pragma once
// The week view: the bookings of one resource item over seven days.

#include "schedule/commands.h"

#include <QMainWindow>

class QLabel;
class QMenu;

namespace vestra {

class ScheduleGrid;

class CalMdag : public QMainWindow, public ScheduleActions {
    Q_OBJECT
public:
    explicit CalMdag(QWidget* parent = nullptr);

    void Load();
    void RefreshWeekView();
    void SwitchToDayView(int day);
    void PrintWeekSchedule();
    // Title, subtitle and print settings of the scheme, without printing.
    void preparePrint();
    void moveWeek(int days);
    ScheduleGrid* grid() const { return m_grid; }

    void cutOrCopy(int clipboardMode) override;
    void paste() override;
    void deleteSelected() override;
    void printSchedule() override { PrintWeekSchedule(); }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void loadItem();
    void blockTyped(int block, int start, int end, bool& refuse);
    void contextCommand(int number);

    ScheduleGrid* m_grid;
    QLabel* m_itemName;
    QLabel* m_itemNo;
    QLabel* m_weekStart;
    QLabel* m_date;
    QLabel* m_deleting;
    QMenu* m_menu;
    int m_item = 0; // the item the grid shows, which typed blocks are booked on
};

CalMdag* ShowCalMdag();

} // namespace vestra
