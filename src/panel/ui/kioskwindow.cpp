#include "panel/ui/kioskwindow.h"

#include "panel/ui/panelstyle.h"
#include "panel/ui/quitdialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QShortcut>
#include <QVBoxLayout>

namespace vestra {

KioskWindow::KioskWindow(PanelFeed* feed, const QString& store, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_feed(feed), m_store(store)
{
    feed->setParent(this);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);

    m_date = new QLabel(this);
    m_date->setObjectName(QStringLiteral("paneldate"));
    m_time = new QLabel(this);
    m_time->setObjectName(QStringLiteral("paneltime"));
    m_time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_stale = new QLabel(this);
    m_stale->setObjectName(QStringLiteral("panelstale"));
    m_stale->setAlignment(Qt::AlignCenter);
    m_stale->setWordWrap(true);
    m_stale->setAutoFillBackground(true);
    const StatusColours stale = StaleColours();
    QPalette sp = m_stale->palette();
    sp.setColor(QPalette::Window, stale.background);
    sp.setColor(QPalette::WindowText, stale.text);
    m_stale->setPalette(sp);
    m_stale->hide();

    auto* top = new QHBoxLayout;
    top->addWidget(m_date, 1);
    top->addWidget(m_time);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_stale);
    m_body = new QVBoxLayout;
    layout->addLayout(m_body, 1);

    // Wherever the focus is, this one key combination leaves the panel.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Q), this);
    quit->setContext(Qt::ApplicationShortcut);
    connect(quit, &QShortcut::activated, this, &KioskWindow::askToQuit);

    m_second.setInterval(1000);
    connect(&m_second, &QTimer::timeout, this, &KioskWindow::tick);
    connect(feed, &PanelFeed::updated, this, &KioskWindow::tick);
    m_second.start();
}

QString KioskWindow::staleText() const
{
    return m_stale->isHidden() ? QString() : m_stale->text();
}

void KioskWindow::tick()
{
    const QDateTime now = m_feed->now();
    m_date->setText(QLocale().toString(now.date(), QStringLiteral("dddd d MMMM yyyy")));
    m_time->setText(now.time().toString(QStringLiteral("HH:mm:ss")));
    const bool stale = m_feed->stale() || !m_feed->snapshot();
    if (stale) {
        QString text =
            QString(QChar(0x26a0)) + QLatin1Char(' ') + NotUpdatedText(m_feed->lastRead(), now);
        if (!m_feed->error().isEmpty())
            text += QStringLiteral(" \u2013 the booking store cannot be read. Trying again.");
        // Before anything was read, whoever set the panel up needs the reason.
        if (!m_feed->snapshot())
            text += QLatin1Char('\n') + m_feed->error();
        m_stale->setText(text);
    }
    m_stale->setVisible(stale);
    showState();
}

void KioskWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int h = height();
    QFont f = font();
    f.setPixelSize(std::max(12, h / 24));
    m_date->setFont(f);
    f.setBold(true);
    m_time->setFont(f);
    f.setPixelSize(std::max(12, h / 22));
    m_stale->setFont(f);
    showState();
}

void KioskWindow::keyPressEvent(QKeyEvent* event)
{
    // A keyboard left at a panel changes nothing.
    event->accept();
}

void KioskWindow::closeEvent(QCloseEvent* event)
{
    if (m_quitting)
        event->accept();
    else
        event->ignore();
}

void KioskWindow::askToQuit()
{
    QuitDialog dialog(m_store, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_quitting = true;
    close();
    QApplication::quit();
}

} // namespace vestra
