#include "lists/bookinglistwindow.h"

#include "booking/bookinginfowindow.h"
#include "exchange/ui/exportactions.h"
#include "lists/listdata.h"
#include "lists/listwidgets.h"
#include "report/listcontrol.h"
#include "services/messages.h"
#include "session/session.h"
#include "session/storewatcher.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace vestra {

BookingListWindow::BookingListWindow(const QString& objectName, const QString& title,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), m_rows(new QVBoxLayout(this)), m_buttons(new QHBoxLayout)
{
    setObjectName(objectName);
    setWindowTitle(title);
    connect(&StoreWatcher::instance(), &StoreWatcher::bookingsChanged, this,
            &BookingListWindow::storeChanged);
    StoreWatcher::instance().start();
}

void BookingListWindow::storeChanged()
{
    // A hidden list, or one never filled, fills when it is shown.
    if (!m_list || !isVisible() || m_list->fillSource().sql.isEmpty())
        return;
    const QVariant selected = m_list->selectedData();
    const int y = m_list->verticalScrollBar()->value();
    if (m_list->reload() < 0)
        return; // the next change or the user's own reload says why
    for (int row = 0; selected.isValid() && row < m_list->rowCount(); ++row) {
        if (m_list->rowData(row) == selected) {
            m_list->selectRow(row);
            break;
        }
    }
    m_list->verticalScrollBar()->setValue(y);
}

ListControl* BookingListWindow::addList(const char* name, const QString& accessibleName)
{
    m_list = new ListControl(this);
    m_list->setObjectName(QString::fromLatin1(name));
    m_list->setAccessibleName(accessibleName);
    m_list->setRootIsDecorated(false);
    m_rows->addWidget(m_list, 1);
    return m_list;
}

QPushButton* BookingListWindow::addButton(const QString& caption, const char* name)
{
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    m_buttons->addWidget(b);
    return b;
}

QPushButton* BookingListWindow::addPrintButton(const char* name)
{
    QPushButton* print = addButton(QStringLiteral("Print"), name);
    print->setIcon(QIcon::fromTheme(QStringLiteral("document-print")));
    addExportButton();
    return print;
}

QPushButton* BookingListWindow::addExportButton()
{
    QPushButton* exportRows = addButton(QStringLiteral("Export…"), "ExportButton");
    connect(exportRows, &QPushButton::clicked, this,
            [this] { ExportListDialog(*m_list, windowTitle()); });
    return exportRows;
}

QPushButton* BookingListWindow::addExportCalendarButton(const QString& calendarName)
{
    QPushButton* b = addButton(QStringLiteral("Export Calendar…"), "ExportCalendarButton");
    connect(b, &QPushButton::clicked, this, [this, calendarName] {
        CalendarSelection selection{CalendarSelection::Scope::Bookings, 0, {}, {}, {}};
        for (int row = 0; row < m_list->rowCount(); ++row)
            selection.bookings << m_list->rowData(row).toInt();
        ExportCalendarDialog(selection, calendarName);
    });
    return b;
}

void BookingListWindow::addExitButton(const char* name)
{
    m_buttons->addStretch();
    QPushButton* exit = addButton(QStringLiteral("Exit"), name);
    m_rows->addLayout(m_buttons);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    CloseOnEscape(this);
}

void BookingListWindow::fitToList(int minWidth, int height)
{
    resize(std::max(m_list->columnsWidth() + 24, minWidth), height);
    m_list->setFocus();
}

void BookingListWindow::fillFrom(const ListFillSource& source)
{
    m_list->setFillSource(source);
    reportFillError(m_list->reload());
    StoreWatcher::instance().start();
}

void BookingListWindow::reportFillError(int filled)
{
    if (filled < 0)
        showMessage(m_list->lastFillError(), QStringLiteral("Error"), MsgIcon::Critical);
}

void BookingListWindow::showSelectedInfo()
{
    const QVariant nr = m_list->selectedData();
    if (nr.isValid() && !ShowBookingInfoWindow(nr.toInt(), this))
        Reload();
}

void BookingListWindow::printList(const QString& title, const QString& separator)
{
    m_list->printPreview(title, ListPrintSubtitle(session(), separator, QDate::currentDate()));
}

} // namespace vestra
