#pragma once
// Twelve small month grids of one year, weeks starting on the chosen day. A click on
// a day (or Enter/Space on the current day) reports that date. The keyboard
// moves the current day: arrows by a day or a week, Page Up/Down by a month,
// Ctrl+Page Up/Down by a year; leaving the year shows the next one.

#include <QDate>
#include <QList>
#include <QSet>
#include <QWidget>

class QToolButton;

namespace vestra {

class YearCalendar : public QWidget {
    Q_OBJECT
public:
    explicit YearCalendar(QWidget* parent = nullptr);

    // Shows the date's year with the date as the current day.
    void setCurrentDate(const QDate& date);
    QDate currentDate() const { return m_current; }
    int year() const { return m_current.year(); }

    // The weekday of the first column (Sunday unless set).
    void setFirstDayOfWeek(Qt::DayOfWeek day);
    Qt::DayOfWeek firstDayOfWeek() const { return m_firstDay; }

    // Dates drawn as already chosen.
    void setMarkedDates(const QList<QDate>& dates);

    // Where a day of the shown year is drawn; empty for other years.
    QRect dateRect(const QDate& date) const;
    // The day drawn at the point, or an invalid date.
    QDate dateAt(const QPoint& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void clicked(const QDate& date);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect monthRect(int month) const;
    QSize cellSize() const;
    int headerHeight() const;
    void moveCurrent(const QDate& date);

    QDate m_current = QDate::currentDate();
    QSet<QDate> m_marked;
    Qt::DayOfWeek m_firstDay = Qt::Sunday;
    QToolButton* m_previous;
    QToolButton* m_next;
};

} // namespace vestra
