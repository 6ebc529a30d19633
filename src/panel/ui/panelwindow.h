#pragma once
// The room panel: up to four items side by side, each with its status and
// its bookings of today and tomorrow, live from the store. Started with a
// walk-in account it offers "Book 15 / 30 / 60 min" while an item is free.

#include "panel/panelstore.h"
#include "panel/ui/kioskwindow.h"

namespace vestra {

class ItemView;

class PanelWindow : public KioskWindow {
    Q_OBJECT
public:
    // walkIn: the account (name or number) walk-in bookings go on; empty: none.
    PanelWindow(PanelFeed* feed, const QString& store, const QString& walkIn = {},
                QWidget* parent = nullptr);

    QList<ItemView*> views() const { return m_views; }
    // A tap on a walk-in button: books the item from the current quarter hour.
    void book(int item, int minutes);

protected:
    void showState() override;

private:
    QString m_walkIn;
    QList<ItemView*> m_views;
    QHBoxLayout* m_columns;
    QString m_message; // what the last tap came to, shown under its item
    int m_messageItem = 0;
    QDateTime m_messageUntil;
};

} // namespace vestra
