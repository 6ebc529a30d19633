#include "startup/splashwindow.h"

#include "session/startup.h"
#include "startup/startupsequence.h"
#include "widgets/windowregistry.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>

namespace vestra {

QPixmap VestraPicture(const QSize& size, const QString& subtitle)
{
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    g.setColorAt(1, QColor(0x2e, 0x86, 0x8c));
    p.fillRect(QRect(QPoint(0, 0), size), g);

    // A stylised schedule: three columns of blocks.
    const int cell = size.height() / 9;
    const QColor blocks[] = {QColor(255, 255, 255, 70), QColor(255, 214, 102, 200),
                             QColor(255, 255, 255, 120)};
    for (int c = 0; c < 3; ++c) {
        for (int r = 0; r < 3; ++r) {
            if ((c + r) % 2 == 0)
                continue;
            QRectF rect(size.width() - (4 - c) * cell * 1.3, cell * (1.5 + r * 2.2), cell * 1.1,
                        cell * 1.8);
            p.setPen(Qt::NoPen);
            p.setBrush(blocks[(c + r) % 3]);
            p.drawRoundedRect(rect, 4, 4);
        }
    }
    p.setPen(Qt::white);
    QFont title = p.font();
    title.setPixelSize(std::max(12, size.height() / 5));
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(size.width() / 14, size.height() / 5, size.width(), size.height() / 3),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vestra"));
    QFont sub = p.font();
    sub.setPixelSize(std::max(9, size.height() / 14));
    sub.setBold(false);
    p.setFont(sub);
    p.drawText(QRect(size.width() / 14, size.height() / 2, size.width(), size.height() / 5),
               Qt::AlignLeft | Qt::AlignVCenter, subtitle);
    return pm;
}

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("introstart"));
    setWindowTitle(QStringLiteral("Vestra"));
    setFixedSize(520, 300);
    setFocusPolicy(Qt::StrongFocus);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(5000);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &SplashWindow::timerFired);
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, VestraPicture(size(), QStringLiteral("Professional Ressource Booking")));
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(rect().adjusted(0, 0, -12, -10), Qt::AlignRight | Qt::AlignBottom,
               QStringLiteral("Starting..."));
}

void SplashWindow::mousePressEvent(QMouseEvent*)
{
    if (m_timer->isActive()) {
        m_timer->stop();
        timerFired();
    }
}

void SplashWindow::keyPressEvent(QKeyEvent* event)
{
    mousePressEvent(nullptr);
    event->accept();
}

void SplashWindow::timerFired()
{
    // Out of the way of the windows and messages the start-up shows.
    hide();
    RunStartup();
    close();
}

SplashWindow* ShowSplash()
{
    auto& windows = WindowRegistry::instance();
    auto* splash =
        windows.obtain<SplashWindow>(QStringLiteral("introstart"), [] { return new SplashWindow; });
    windows.show(splash, ShowMode::Free);
    splash->activateWindow();
    splash->setFocus();
    splash->timer()->start();
    return splash;
}

} // namespace vestra
