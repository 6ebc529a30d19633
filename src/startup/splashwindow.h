#pragma once
// The splash window: shown at program start; its timer runs the start-up
// once, 5 seconds later (or at a click or key), and closes the splash.

#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace vestra {

// The program's picture, drawn at any size (splash and connect window).
QPixmap VestraPicture(const QSize& size, const QString& subtitle);

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);
    QTimer* timer() const { return m_timer; }

protected:
    void paintEvent(QPaintEvent*) override;
    // A click or any key ends the wait at once.
    void mousePressEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    void timerFired();
    QTimer* m_timer;
};

// Shows the splash window (creating it when needed) and starts its timer.
SplashWindow* ShowSplash();

} // namespace vestra
