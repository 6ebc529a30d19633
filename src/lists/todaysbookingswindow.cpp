#include "lists/todaysbookingswindow.h"

#include "data/dates.h"
#include "lists/listdata.h"
#include "lists/listwidgets.h"
#include "report/listcontrol.h"
#include "session/session.h"
#include "widgets/windowregistry.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

TodaysBookingsWindow::TodaysBookingsWindow(QWidget* parent)
    : BookingListWindow(QStringLiteral("Todays"), QStringLiteral("Vestra  -  Todays Bookings"),
                        parent)
{
    m_date = new QDateEdit(QDate::currentDate(), this);
    m_date->setObjectName(QStringLiteral("Fixdate"));
    m_date->setCalendarPopup(true);
    m_date->setKeyboardTracking(false);
    m_date->setDisplayFormat(QtDateFormat(session().DateFormatLong));
    m_kinds = new OptionGroup(QStringLiteral("Booking Group"),
                              {{"OptGr1", QStringLiteral("All Groups")},
                               {"OptGr2", QStringLiteral("Domestic")},
                               {"OptGr3", QStringLiteral("Add-On")},
                               {"OptGr4", QStringLiteral("Stand-Alone")}},
                              Qt::Horizontal, this);

    auto* dateLabel = new QLabel(QStringLiteral("&Date:"), this);
    dateLabel->setBuddy(m_date);
    auto* top = new QHBoxLayout;
    top->addWidget(dateLabel);
    top->addWidget(m_date);
    top->addStretch();
    rows()->addLayout(top);
    rows()->addWidget(m_kinds);

    addList("Todaylist", QStringLiteral("Bookings of the day"));
    QPushButton* info = addButton(QStringLiteral("Info"), "Info");
    QPushButton* print = addPrintButton("Printbutton");
    addExportCalendarButton(QStringLiteral("Today's bookings"));
    addExitButton("exit");

    connect(m_date, &QDateEdit::dateChanged, this, &TodaysBookingsWindow::Reload);
    connect(m_kinds, &OptionGroup::chosenChanged, this, &TodaysBookingsWindow::kindChosen);
    connect(m_list, &ListControl::rowActivated, this, &TodaysBookingsWindow::ShowInfo);
    connect(info, &QPushButton::clicked, this, &TodaysBookingsWindow::ShowInfo);
    connect(print, &QPushButton::clicked, this, &TodaysBookingsWindow::Print);

    m_list->setColumns(TodaysColumns());
    Reload();
    fitToList(520, 420);
}

void TodaysBookingsWindow::kindChosen(int option)
{
    m_groupKinds = KindsForOption(option);
    Reload();
}

void TodaysBookingsWindow::Reload()
{
    fillFrom(TodaysFillSource(DayNumber(m_date->date()), m_groupKinds));
}

QString TodaysBookingsWindow::PrintTitle() const
{
    return QStringLiteral("Bookings on ") + m_date->text();
}

void TodaysBookingsWindow::Print()
{
    printList(PrintTitle(), QStringLiteral(", "));
}

TodaysBookingsWindow* ShowTodaysBookings(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<TodaysBookingsWindow>(QStringLiteral("Todays"),
                                                   [] { return new TodaysBookingsWindow; });
    windows.show(w, ShowMode::Free, owner);
    return w;
}

} // namespace vestra
