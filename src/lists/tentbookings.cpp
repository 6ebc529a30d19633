#include "lists/tentbookings.h"

#include "lists/listdata.h"
#include "lists/listwidgets.h"
#include "platform/listcontrol.h"
#include "platform/messages.h"
#include "platform/windowregistry.h"
#include "schedule/editing.h"
#include "session/session.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vestra {

namespace {

void reportFailure(const Database& db)
{
    showMessage(QStringLiteral("The booking file could not be changed: %1").arg(db.lastError()),
                QStringLiteral("Error"), MsgIcon::Critical);
}

} // namespace

TentBookings::TentBookings(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TentBookings"));
    setWindowTitle(QStringLiteral("Vestra - Tentative Bookings Administration"));

    m_list = new ListControl(this);
    m_list->setObjectName(QStringLiteral("tentList"));
    m_list->setAccessibleName(QStringLiteral("Tentative bookings"));
    m_list->setRootIsDecorated(false);

    auto* confirmAll = new QPushButton(QStringLiteral("Confirm All"), this);
    confirmAll->setObjectName(QStringLiteral("ConAll"));
    auto* refresh = new QPushButton(QStringLiteral("Refresh"), this);
    refresh->setObjectName(QStringLiteral("Refresh"));
    auto* print = new QPushButton(QIcon::fromTheme(QStringLiteral("document-print")),
                                  QStringLiteral("Print"), this);
    print->setObjectName(QStringLiteral("Printbutton"));
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("Luk"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(confirmAll);
    buttons->addWidget(refresh);
    buttons->addWidget(print);
    buttons->addStretch();
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    // The rows are rebuilt after a box is handled, which must not happen
    // inside the list's own handling of the click.
    connect(m_list, &ListControl::checkToggled, this, [this](int row, int column, bool checked) {
        const int nr = m_list->rowData(row).toInt();
        QTimer::singleShot(0, this,
                           [this, nr, column, checked] { boxToggled(nr, column, checked); });
    });
    connect(confirmAll, &QPushButton::clicked, this, &TentBookings::ConfirmAll);
    connect(refresh, &QPushButton::clicked, this, &TentBookings::Rebuild);
    connect(print, &QPushButton::clicked, this, &TentBookings::Print);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    CloseOnEscape(this);

    m_list->setFillSource(TentativeFillSource());
    Rebuild();
    resize(std::max(m_list->columnsWidth() + 24, 560), 420);
    m_list->setFocus();
}

void TentBookings::Rebuild()
{
    m_list->clearColumns();
    m_list->setColumns(TentativeColumns());
    if (m_list->fill() < 0)
        showMessage(m_list->lastFillError(), QStringLiteral("Error"), MsgIcon::Critical);
}

void TentBookings::boxToggled(int bookingnr, int column, bool checked)
{
    // The first box confirms; any other asks to delete.
    if (column == 0)
        Confirm(bookingnr, checked);
    else
        Delete(bookingnr);
}

void TentBookings::bookingGone()
{
    showMessage(QStringLiteral("The booking no longer exists; another workstation may have "
                               "deleted it."),
                QStringLiteral("Service Message"), MsgIcon::Warning);
    Rebuild();
}

void TentBookings::Confirm(int bookingnr, bool confirmed)
{
    Database db = BookingFile();
    switch (SetTentative(db, bookingnr, !confirmed)) {
    case BookingChange::Done:
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

void TentBookings::Delete(int bookingnr)
{
    Database db = BookingFile();
    if (!BookingAccount(db, bookingnr)) {
        bookingGone();
        return;
    }
    if (askYesNo(QStringLiteral("Confirm deletion ?"), QStringLiteral("Confirm"))
        && !DeleteBooking(db, bookingnr) && !db.lastError().isEmpty())
        reportFailure(db);
    Rebuild();
}

void TentBookings::ConfirmAll()
{
    if (messages().show({QStringLiteral("Approve confirmation of all tentative bookings"),
                         QStringLiteral("Bulk Confirmation"), MsgButtons::YesNo, MsgIcon::Question,
                         MsgAnswer::No})
        != MsgAnswer::Yes)
        return;
    Database db = BookingFile();
    if (!ConfirmAllBookings(db)) {
        reportFailure(db);
        return;
    }
    close();
}

void TentBookings::Print()
{
    m_list->printPreview(QStringLiteral("Tentative Bookings"),
                         ListPrintSubtitle(session(), QStringLiteral(", "), QDate::currentDate()));
}

TentBookings* ShowTentBookings(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<TentBookings>(QStringLiteral("TentBookings"),
                                           [] { return new TentBookings; });
    windows.show(w, ShowMode::Modal, owner);
    return w;
}

} // namespace vestra
