#include "schedule/calendar.h"

#include "data/dates.h"
#include "platform/windowregistry.h"
#include "session/navigator.h"
#include "session/session.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

namespace vestra {

Calendar::Calendar(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Calendar"));
    setWindowTitle(QStringLiteral("Vestra - Calendar"));
    resize(1100, 720);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_user = new QLabel(central);
    m_user->setObjectName(QStringLiteral("CUser"));
    m_date = new QLabel(central);
    m_date->setObjectName(QStringLiteral("gdato"));
    QFont big = m_date->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    m_date->setFont(big);
    layout->addWidget(m_date);
    layout->addWidget(m_user);
    layout->addStretch();
    setCentralWidget(central);

    auto* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* exitAction = file->addAction(QStringLiteral("Exit Program"));
    exitAction->setShortcut(QKeySequence::Quit);
    connect(exitAction, &QAction::triggered, this, [] { navigator().quit(); });
}

void Calendar::Load()
{
    const Session& s = session();
    m_user->setText(s.LoginName);
    m_date->setText(DateFromDayNumber(s.SelectedDay).toString(QStringLiteral("dddd d MMMM yyyy")));
    statusBar()->showMessage(s.BookingFilePath);
}

Calendar* ShowCalendar()
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<Calendar>(QStringLiteral("Calendar"), [] { return new Calendar; });
    w->Load();
    windows.show(w, ShowMode::Free);
    return w;
}

} // namespace vestra
