#include "lists/mybookingswindow.h"

#include "lists/listdata.h"
#include "lists/listwidgets.h"
#include "report/listcontrol.h"
#include "session/session.h"
#include "widgets/windowregistry.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

namespace {

constexpr int kPeriodDays = 31;

// The relations each ownership option admits.
QStringList relationsForOption(int option)
{
    static const QStringList all{QStringLiteral("Private"), QStringLiteral("Owner"),
                                 QStringLiteral("Member")};
    if (option >= 1 && option <= 3)
        return {all[option - 1], all[option - 1], all[option - 1]};
    return all;
}

} // namespace

MyBookingsWindow::MyBookingsWindow(QWidget* parent)
    : BookingListWindow(QStringLiteral("myboo"), QStringLiteral("My Bookings"), parent)
{
    m_period = new PeriodPicker(this, {}, QDate::currentDate(), QDate::currentDate());
    auto* period = new QGroupBox(QStringLiteral("Select Period"), this);
    (new QVBoxLayout(period))->addWidget(m_period->row());
    m_relation = new OptionGroup(QStringLiteral("Select Ownership"),
                                 {{"OptO1", QStringLiteral("All Bookings")},
                                  {"OptO2", QStringLiteral("Private Bookings")},
                                  {"OptO3", QStringLiteral("Groupowner Bookings")},
                                  {"OptO4", QStringLiteral("Groupmember Bookings")}},
                                 Qt::Vertical, this);
    m_kinds = new OptionGroup(QStringLiteral("Select Group"),
                              {{"OptG1", QStringLiteral("All Groups")},
                               {"OptG2", QStringLiteral("Domestic")},
                               {"OptG3", QStringLiteral("Add-On")},
                               {"OptG4", QStringLiteral("Stand-Alone")}},
                              Qt::Vertical, this);
    m_type = new OptionGroup(QStringLiteral("SelectType"),
                             {{"OptT1", QStringLiteral("All Bookings")},
                              {"OptT2", QStringLiteral("Single Bookings")},
                              {"OptT3", QStringLiteral("Repeated Bookings")}},
                             Qt::Vertical, this);

    auto* options = new QHBoxLayout;
    options->addWidget(m_relation);
    options->addWidget(m_kinds);
    options->addWidget(m_type);
    options->addStretch();
    rows()->addWidget(period);
    rows()->addLayout(options);

    addList("MBlist", QStringLiteral("My bookings"));
    QPushButton* info = addButton(QStringLiteral("Info"), "Info");
    QPushButton* print = addPrintButton("Printbutton");
    addExportCalendarButton(QStringLiteral("My bookings"));
    addExitButton("Luk");

    connect(m_period, &PeriodPicker::changed, this, &MyBookingsWindow::Reload);
    for (OptionGroup* g : {m_relation, m_kinds, m_type})
        connect(g, &OptionGroup::chosenChanged, this, &MyBookingsWindow::optionChosen);
    connect(m_list, &ListControl::rowActivated, this, &MyBookingsWindow::ShowInfo);
    connect(info, &QPushButton::clicked, this, &MyBookingsWindow::ShowInfo);
    connect(print, &QPushButton::clicked, this, &MyBookingsWindow::Print);

    const QDate today = QDate::currentDate();
    m_period->setPeriod(today, today.addDays(kPeriodDays));
    m_list->setColumns(MyBookingsColumns());
    optionChosen();
    fitToList(640, 560);
}

void MyBookingsWindow::optionChosen()
{
    m_relations = relationsForOption(m_relation->chosen());
    m_groupKinds = KindsForOption(m_kinds->chosen());
    Reload();
}

MyBookingsFilter MyBookingsWindow::Filter() const
{
    MyBookingsFilter f;
    f.account = session().LoginAccountId;
    f.fromDay = m_period->fromDay();
    f.toDay = m_period->toDay();
    f.kinds = m_groupKinds;
    f.relations = {m_relations.value(0), m_relations.value(1), m_relations.value(2)};
    const int type = m_type->chosen();
    f.seriesValue = type == 2;
    f.allTypes = type != 1;
    return f;
}

void MyBookingsWindow::Reload()
{
    fillFrom(MyBookingsFillSource(Filter()));
}

QString MyBookingsWindow::PrintTitle() const
{
    return session().LoginName + QStringLiteral(" bookings between ") + m_period->fromText()
           + QStringLiteral(" and ") + m_period->toText();
}

void MyBookingsWindow::Print()
{
    printList(PrintTitle(), QStringLiteral("   "));
}

MyBookingsWindow* ShowMyBookings(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<MyBookingsWindow>(QStringLiteral("myboo"),
                                               [] { return new MyBookingsWindow; });
    windows.show(w, ShowMode::Free, owner);
    return w;
}

} // namespace vestra
