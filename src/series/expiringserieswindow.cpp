#include "series/expiringserieswindow.h"

#include "data/dates.h"
#include "forms/periodpicker.h"
#include "lists/listdata.h"
#include "lists/listwidgets.h"
#include "report/listcontrol.h"
#include "report/reportformat.h"
#include "series/seriesdelete.h"
#include "session/session.h"
#include "widgets/windowregistry.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace vestra {

namespace {

QString shortDate(const QDate& date)
{
    return FormatValue(date, QStringLiteral("Short Date"));
}

} // namespace

ExpiringSeriesWindow::ExpiringSeriesWindow(QWidget* parent)
    : BookingListWindow(QStringLiteral("gudløbover"),
                        QStringLiteral("Vestra - Repeated Bookings / Expire Dates"), parent)
{
    m_period =
        new PeriodPicker(this, {"Cstart", "Cend"}, QDate::currentDate(), QDate::currentDate());
    rows()->addWidget(m_period->row());

    addList("ul", QStringLiteral("Expiring repeated bookings"));
    m_list->setColumns(ExpiringColumns());
    QPushButton* print = addPrintButton("PrintButton");
    addExitButton("luk");

    const QDate today = QDate::currentDate();
    m_period->setPeriod(today, today.addDays(31));
    connect(m_period, &PeriodPicker::changed, this, &ExpiringSeriesWindow::Reload);
    connect(print, &QPushButton::clicked, this, &ExpiringSeriesWindow::Print);

    Reload();
    const QMargins margins = rows()->contentsMargins();
    int width =
        std::max(m_list->columnsWidth(), m_list->unitWidth(590)) + margins.left() + margins.right();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        width = std::min(width, screen->availableGeometry().width() * 9 / 10);
    resize(width, 400);
    m_list->setFocus();
}

void ExpiringSeriesWindow::Reload()
{
    fillFrom(ExpiringFillSource(m_period->fromDay(), m_period->toDay()));
}

QString ExpiringSeriesWindow::PrintTitle() const
{
    return QStringLiteral("Repeating Bookings / Expire dates between ")
           + shortDate(m_period->fromDate()) + QStringLiteral(" and ")
           + shortDate(m_period->toDate());
}

void ExpiringSeriesWindow::Print()
{
    printList(PrintTitle(), QStringLiteral(", "));
}

ExpiringSeriesWindow* ShowExpiringSeries(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<ExpiringSeriesWindow>(QStringLiteral("gudløbover"),
                                                   [] { return new ExpiringSeriesWindow; });
    // Free, as every window of the booking tool bar: it stays when the
    // schedule switches between day and week.
    windows.show(w, ShowMode::Free, owner);
    return w;
}

} // namespace vestra
