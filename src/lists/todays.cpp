#include "lists/todays.h"

#include "booking/searchinfoform.h"
#include "data/dates.h"
#include "lists/listdata.h"
#include "lists/listwidgets.h"
#include "platform/listcontrol.h"
#include "platform/messages.h"
#include "platform/windowregistry.h"
#include "session/session.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

TodaysBookings::TodaysBookings(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Todays"));
    setWindowTitle(QStringLiteral("Vestra  -  Todays Bookings"));

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
    for (int i = 0; i < 3; ++i) {
        m_kind[i] = HiddenField(i == 0 ? "r1" : i == 1 ? "r2" : "r3", this);
        m_kind[i]->setText(QString::number(i + 1));
    }

    m_list = new ListControl(this);
    m_list->setObjectName(QStringLiteral("Todaylist"));
    m_list->setAccessibleName(QStringLiteral("Bookings of the day"));
    m_list->setRootIsDecorated(false);

    auto* info = new QPushButton(QStringLiteral("Info"), this);
    info->setObjectName(QStringLiteral("Info"));
    auto* print = new QPushButton(QIcon::fromTheme(QStringLiteral("document-print")),
                                  QStringLiteral("Print"), this);
    print->setObjectName(QStringLiteral("Printbutton"));
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("exit"));

    auto* dateLabel = new QLabel(QStringLiteral("&Date:"), this);
    dateLabel->setBuddy(m_date);
    auto* top = new QHBoxLayout;
    top->addWidget(dateLabel);
    top->addWidget(m_date);
    top->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(info);
    buttons->addWidget(print);
    buttons->addStretch();
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_kinds);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_date, &QDateEdit::dateChanged, this, &TodaysBookings::Reload);
    connect(m_kinds, &OptionGroup::chosenChanged, this, &TodaysBookings::kindChosen);
    connect(m_list, &ListControl::rowActivated, this, &TodaysBookings::ShowInfo);
    connect(info, &QPushButton::clicked, this, &TodaysBookings::ShowInfo);
    connect(print, &QPushButton::clicked, this, &TodaysBookings::Print);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    CloseOnEscape(this);

    m_list->setColumns(TodaysColumns());
    Reload();
    resize(std::max(m_list->columnsWidth() + 24, 520), 420);
    m_list->setFocus();
}

void TodaysBookings::kindChosen(int option)
{
    const GroupKinds kinds = KindsForOption(option);
    for (int i = 0; i < 3; ++i)
        m_kind[i]->setText(QString::number(kinds[i]));
    Reload();
}

void TodaysBookings::Reload()
{
    m_list->setFillSource(TodaysFillSource(
        DayNumber(m_date->date()),
        {m_kind[0]->text().toInt(), m_kind[1]->text().toInt(), m_kind[2]->text().toInt()}));
    if (m_list->reload() < 0)
        showMessage(m_list->lastFillError(), QStringLiteral("Error"), MsgIcon::Critical);
}

void TodaysBookings::ShowInfo()
{
    const QVariant nr = m_list->selectedData();
    // A booking deleted elsewhere since the fill leaves the list.
    if (nr.isValid() && !ShowSearchInfoForm(nr.toInt(), this))
        Reload();
}

QString TodaysBookings::PrintTitle() const
{
    return QStringLiteral("Bookings on ") + m_date->text();
}

void TodaysBookings::Print()
{
    m_list->printPreview(PrintTitle(),
                         ListPrintSubtitle(session(), QStringLiteral(", "), QDate::currentDate()));
}

TodaysBookings* ShowTodaysBookings(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w =
        windows.obtain<TodaysBookings>(QStringLiteral("Todays"), [] { return new TodaysBookings; });
    windows.show(w, ShowMode::Free, owner);
    return w;
}

} // namespace vestra
