#include "lists/searchwindow.h"

#include "booking/bookingform.h"
#include "booking/bookinginfowindow.h"
#include "data/dates.h"
#include "lists/listdata.h"
#include "lists/listwidgets.h"
#include "report/listcontrol.h"
#include "services/messages.h"
#include "session/access.h"
#include "session/session.h"
#include "shell/navigator.h"
#include "widgets/windowregistry.h"

#include <QApplication>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vestra {

namespace {
const QString kGone = QStringLiteral("The booking no longer exists; another workstation may have "
                                     "deleted it.");
constexpr int kPeriodDays = 183;
} // namespace

SearchWindow::SearchWindow(QWidget* parent)
    : BookingListWindow(QStringLiteral("Searchform"), QStringLiteral("Vestra  -  Search  Bookings"),
                        parent)
{
    m_keyword = new QLineEdit(this);
    m_keyword->setObjectName(QStringLiteral("SSB"));
    m_keyword->setClearButtonEnabled(true);
    m_period = new PeriodPicker(this, {}, QDate::currentDate(), QDate::currentDate());
    m_kinds = new OptionGroup(QString(),
                              {{"optall", QStringLiteral("All")},
                               {"Optdom", QStringLiteral("Domestic")},
                               {"Optadd", QStringLiteral("Add-On")},
                               {"OptSA", QStringLiteral("Stand-Alone")}},
                              Qt::Horizontal, this);
    m_kinds->setFlat(true);

    auto* keywordLabel = new QLabel(QStringLiteral("&Keyword or bookingnumber"), this);
    keywordLabel->setBuddy(m_keyword);
    auto* keywordRow = new QHBoxLayout;
    keywordRow->addWidget(keywordLabel);
    keywordRow->addWidget(m_keyword, 1);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(m_period->row());
    filterRow->addStretch();
    filterRow->addWidget(m_kinds);
    rows()->addLayout(keywordRow);
    rows()->addLayout(filterRow);

    addList("SList", QStringLiteral("Found bookings"));
    rows()->addWidget(new QLabel(QStringLiteral("Doubleclick to access booking details"), this));
    QPushButton* info = addButton(QStringLiteral("Open Info"), "Info");
    QPushButton* reset = addButton(QStringLiteral("Reset !"), "Reset");
    addExportButton();
    addExportCalendarButton(QStringLiteral("Found bookings"));
    addExitButton("Close");

    connect(m_keyword, &QLineEdit::textChanged, this, &SearchWindow::Reload);
    connect(m_period, &PeriodPicker::changed, this, &SearchWindow::Reload);
    connect(m_kinds, &OptionGroup::chosenChanged, this, &SearchWindow::kindChosen);
    connect(m_list, &ListControl::rowActivated, this,
            [this](int, const QVariant& nr) { OpenBooking(nr.toInt()); });
    connect(info, &QPushButton::clicked, this, &SearchWindow::OpenSelected);
    connect(reset, &QPushButton::clicked, this, &SearchWindow::Reset);

    m_list->setColumns(SearchColumns());
    Activate();
    fitToList(640, 460);
    m_keyword->setFocus();
}

void SearchWindow::Activate()
{
    const QDate today = QDate::currentDate();
    m_period->setPeriod(today, today.addDays(kPeriodDays));
    // The option shown is the kinds listed.
    m_kinds->choose(0);
    setKinds(0);
    m_list->setColumns(SearchColumns());
    Reload();
}

void SearchWindow::setKinds(int option)
{
    m_groupKinds = KindsForOption(option);
}

void SearchWindow::kindChosen(int option)
{
    setKinds(option);
    Reload();
}

void SearchWindow::Reload()
{
    SearchFilter filter;
    filter.keyword = m_keyword->text();
    filter.fromDay = m_period->fromDay();
    filter.toDay = m_period->toDay();
    filter.kinds = m_groupKinds;
    fillFrom(SearchFillSource(filter));
}

void SearchWindow::Reset()
{
    m_kinds->choose(0);
    setKinds(0);
    {
        const QSignalBlocker quiet(m_keyword);
        m_keyword->clear();
    }
    const QDate today = QDate::currentDate();
    m_period->setPeriod(today, today.addDays(kPeriodDays));
    Reload();
}

void SearchWindow::OpenSelected()
{
    const QVariant nr = m_list->selectedData();
    if (!nr.isValid()) {
        showMessage(QStringLiteral("No Booking Selected"), QStringLiteral("Service Message"));
        return;
    }
    OpenBooking(nr.toInt());
}

void SearchWindow::OpenBooking(int bookingnr)
{
    Database db = BookingFile();
    const auto place = FindBookingPlace(db, bookingnr);
    if (!place) {
        showMessage(kGone, QStringLiteral("Service Message"), MsgIcon::Warning);
        Reload();
        return;
    }
    if (navigator().showBookingInSchedule)
        navigator().showBookingInSchedule(bookingnr, *place, this);
}

void SearchWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (!isActiveWindow()) {
        const QWidget* now = QApplication::activeWindow();
        m_returning = now && !qobject_cast<const QMessageBox*>(now);
    } else if (m_returning) {
        m_returning = false;
        Activate();
    }
}

SearchWindow* ShowSearchWindow(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w =
        windows.obtain<SearchWindow>(QStringLiteral("Searchform"), [] { return new SearchWindow; });
    windows.show(w, ShowMode::Free, owner);
    return w;
}

} // namespace vestra
