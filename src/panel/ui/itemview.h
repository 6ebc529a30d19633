#pragma once
// One item on a room panel: its name and type, the status in a large
// coloured box (word, symbol, until when, the booking's title and account),
// the walk-in buttons while it is free, and the rest of today's and
// tomorrow's bookings, cut to the room the screen leaves.

#include "panel/panelstate.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace vestra {

// Lines of text painted in the room they get; what does not fit ends in
// "+ N more".
class BookingLines : public QWidget {
    Q_OBJECT
public:
    explicit BookingLines(QWidget* parent = nullptr);
    // Headings are painted bold.
    void setLines(const QStringList& lines, const QList<bool>& headings);
    QStringList lines() const { return m_lines; }
    // How many lines the last paint showed.
    int shownLines() const { return m_shown; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList m_lines;
    QList<bool> m_headings;
    int m_shown = 0;
};

class ItemView : public QWidget {
    Q_OBJECT
public:
    explicit ItemView(QWidget* parent = nullptr);

    // lengths: the walk-in buttons to offer (none hides them); message: what
    // the last walk-in tap came to.
    void showItem(const PanelItemData& data, const PanelItemState& state, const PanelMoment& now,
                  const QList<int>& lengths, const QString& message);
    // Text sizes for a screen of this height.
    void setScreenHeight(int height);

    int item() const { return m_item; }
    QString statusText() const;
    QLabel* statusLabel() const { return m_status; }

signals:
    void bookRequested(int item, int minutes);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitStatus();

    int m_item = 0;
    int m_screenHeight = 0;
    QLabel* m_name;
    QLabel* m_type;
    QWidget* m_box;
    QLabel* m_status;
    QLabel* m_until;
    QLabel* m_current;
    QLabel* m_message;
    QList<QPushButton*> m_book;
    BookingLines* m_lines;
};

} // namespace vestra
