#pragma once
// The week view: the bookings of one resource item over seven days.

#include "schedule/scheduleview.h"

class QLabel;

namespace vestra {

class WeekView : public ScheduleView {
    Q_OBJECT
public:
    explicit WeekView(QWidget* parent = nullptr);

    void Load();
    void SwitchToDayView(int day);
    void moveWeek(int days);

    // ScheduleActions
    void cutOrCopy(int clipboardMode) override;
    void deleteSelected() override;

protected:
    GridPlace placeOf(int block) const override;
    GridPlace pastePlace() const override;
    void moveTo(int block, BlockChange& change) const override;
    QList<ScheduleBlock> layOut() override;
    void reloadAfterItemGone() override;
    void activated() override;
    void switchAtColumn(int column) override;
    void switchAtBlock(int block) override;
    QString printTitle() const override;
    QString printSubtitle() const override;
    void exportCalendar() override;

private:
    void loadItem();

    QLabel* m_itemName;
    QLabel* m_itemNo;
    QLabel* m_weekStart;
    QLabel* m_date;
    int m_item = 0; // the item the grid shows, which typed blocks are booked on
};

WeekView* ShowWeekView();

} // namespace vestra
