#include "lists/tentativebookingswindow.h"

#include "data/helpers.h"
#include "forms/openeditors.h"
#include "lists/listdata.h"
#include "lists/listwidgets.h"
#include "report/listcontrol.h"
#include "services/messages.h"
#include "session/session.h"
#include "undo/undo.h"
#include "widgets/windowregistry.h"

#include <QPushButton>
#include <QTimer>

namespace vestra {

namespace {

void reportFailure(const Database& db)
{
    showMessage(QStringLiteral("The booking file could not be changed: %1").arg(db.lastError()),
                QStringLiteral("Error"), MsgIcon::Critical);
}

} // namespace

TentativeBookingsWindow::TentativeBookingsWindow(QWidget* parent)
    : BookingListWindow(QStringLiteral("TentBookings"),
                        QStringLiteral("Vestra - Tentative Bookings Administration"), parent)
{
    addList("tentList", QStringLiteral("Tentative bookings"));
    QPushButton* confirmAll = addButton(QStringLiteral("Confirm All"), "ConAll");
    QPushButton* refresh = addButton(QStringLiteral("Refresh"), "Refresh");
    QPushButton* print = addPrintButton("Printbutton");
    addExportCalendarButton(QStringLiteral("Tentative bookings"));
    addExitButton("Luk");

    // The rows are rebuilt after a box is handled, which must not happen
    // inside the list's own handling of the click.
    connect(m_list, &ListControl::checkToggled, this, [this](int row, int column, bool checked) {
        const int nr = m_list->rowData(row).toInt();
        QTimer::singleShot(0, this,
                           [this, nr, column, checked] { boxToggled(nr, column, checked); });
    });
    connect(confirmAll, &QPushButton::clicked, this, &TentativeBookingsWindow::ConfirmAll);
    connect(refresh, &QPushButton::clicked, this, &TentativeBookingsWindow::Reload);
    connect(print, &QPushButton::clicked, this, &TentativeBookingsWindow::Print);

    m_list->setFillSource(TentativeFillSource());
    Reload();
    fitToList(560, 420);
}

void TentativeBookingsWindow::Reload()
{
    m_list->clearColumns();
    m_list->setColumns(TentativeColumns());
    reportFillError(m_list->fill());
}

void TentativeBookingsWindow::boxToggled(int bookingnr, int column, bool checked)
{
    // The first box confirms; any other asks to delete.
    if (column == 0)
        Confirm(bookingnr, checked);
    else
        Delete(bookingnr);
}

void TentativeBookingsWindow::bookingGone()
{
    showMessage(QStringLiteral("The booking no longer exists; another workstation may have "
                               "deleted it."),
                QStringLiteral("Service Message"), MsgIcon::Warning);
    Reload();
}

void TentativeBookingsWindow::Confirm(int bookingnr, bool confirmed)
{
    // The booking form open on the booking stores what is typed there first
    // and shows the booking as stored after.
    const QString table = QStringLiteral("Booking");
    if (!OpenEditors::storeTyped(table, bookingnr)) {
        if (const int row = m_list->findRow(bookingnr); row >= 0)
            m_list->setChecked(row, 0, !confirmed);
        return;
    }
    Database db = BookingFile();
    BookingChangeRecorder undo(db, bookingnr);
    switch (SetTentative(db, bookingnr, !confirmed)) {
    case BookingChange::Done:
        undo.record(db, UndoKind::Confirm);
        OpenEditors::reread(table, bookingnr);
        return;
    case BookingChange::Missing:
        bookingGone();
        return;
    case BookingChange::Failed:
        reportFailure(db);
        // The box shows what is stored.
        if (const int row = m_list->findRow(bookingnr); row >= 0)
            m_list->setChecked(row, 0, !confirmed);
        return;
    }
}

void TentativeBookingsWindow::Delete(int bookingnr)
{
    Database db = BookingFile();
    if (!BookingAccount(db, bookingnr)) {
        bookingGone();
        return;
    }
    if (askYesNo(QStringLiteral("Confirm deletion ?"), QStringLiteral("Confirm"))) {
        BookingChangeRecorder undo(db, bookingnr);
        if (DeleteBooking(db, bookingnr)) {
            undo.record(db, UndoKind::Delete);
            OpenEditors::deleted(QStringLiteral("Booking"), bookingnr);
        } else if (!db.lastError().isEmpty())
            reportFailure(db);
    }
    Reload();
}

void TentativeBookingsWindow::ConfirmAll()
{
    if (messages().show({QStringLiteral("Approve confirmation of all tentative bookings"),
                         QStringLiteral("Bulk Confirmation"), MsgButtons::YesNo, MsgIcon::Question,
                         MsgAnswer::No})
        != MsgAnswer::Yes)
        return;
    if (!OpenEditors::storeTyped(QStringLiteral("Booking")))
        return;
    Database db = BookingFile();
    BookingChangeRecorder undo(db, QStringLiteral("Tentative <> 0 OR Tentative IS NULL"), {});
    if (!ConfirmAllBookings(db)) {
        reportFailure(db);
        return;
    }
    undo.record(db, UndoKind::Confirm);
    OpenEditors::reread(QStringLiteral("Booking"));
    close();
}

void TentativeBookingsWindow::Print()
{
    printList(QStringLiteral("Tentative Bookings"), QStringLiteral(", "));
}

TentativeBookingsWindow* ShowTentativeBookings(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<TentativeBookingsWindow>(QStringLiteral("TentBookings"),
                                                      [] { return new TentativeBookingsWindow; });
    windows.show(w, ShowMode::Modal, owner);
    return w;
}

} // namespace vestra
