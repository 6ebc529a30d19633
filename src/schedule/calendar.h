#pragma once
// The main window: the schedule of one resource type for one day.

#include <QMainWindow>

class QLabel;

namespace vestra {

class Calendar : public QMainWindow {
    Q_OBJECT
public:
    explicit Calendar(QWidget* parent = nullptr);
    void Load();

private:
    QLabel* m_user;
    QLabel* m_date;
};

Calendar* ShowCalendar();

} // namespace vestra
