#pragma once
// What room panels and lobby boards share: a full-screen window without
// menus, login or any way elsewhere, the date and time updated every
// second, a banner in plain sight when the store could not be read, and
// Ctrl+Alt+Q, which quits only after an administrator's password. Every
// other key does nothing.

#include "panel/panelfeed.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace vestra {

class KioskWindow : public QWidget {
    Q_OBJECT
public:
    KioskWindow(PanelFeed* feed, const QString& store, QWidget* parent = nullptr);

    PanelFeed* feed() const { return m_feed; }
    QString store() const { return m_store; }
    // The banner's text; empty while the store reads.
    QString staleText() const;
    // Asks for an administrator's user name and password; quits when they are one's.
    void askToQuit();

protected:
    // Shows the feed's picture as it stands at this second.
    virtual void showState() = 0;
    QVBoxLayout* body() const { return m_body; }
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void tick();

    PanelFeed* m_feed;
    QString m_store;
    QLabel* m_date;
    QLabel* m_time;
    QLabel* m_stale;
    QVBoxLayout* m_body;
    QTimer m_second;
    bool m_quitting = false;
};

} // namespace vestra
