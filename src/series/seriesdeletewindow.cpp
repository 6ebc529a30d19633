#include "series/seriesdeletewindow.h"

#include "undo/undo.h"

#include "booking/bookingform.h"
#include "data/dates.h"
#include "series/seriesdelete.h"
#include "services/messages.h"
#include "session/session.h"
#include "widgets/windowregistry.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vestra {

namespace {

QRadioButton* option(const char* name, const char* caption, QWidget* parent)
{
    auto* b = new QRadioButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

SeriesDeleteWindow::SeriesDeleteWindow(BookingForm* form, QWidget* parent)
    : QWidget(parent, Qt::Window), m_form(form)
{
    setWindowTitle(QStringLiteral("Delete Bookings"));

    m_all = option("optall", "All", this);
    m_rest = option("optrest", "This and rest", this);
    m_until = option("optuntil", "This and until ", this);
    m_all->setChecked(true);
    m_lastDay = new QDateEdit(this);
    m_lastDay->setObjectName(QStringLiteral("slcoy"));
    m_lastDay->setCalendarPopup(true);
    m_lastDay->setDisplayFormat(QtDateFormat(session().DateFormatLong));
    m_lastDay->hide();

    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("Knap12"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("annul"));

    auto* until = new QHBoxLayout;
    until->addWidget(m_until);
    until->addWidget(m_lastDay);
    until->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_all);
    layout->addWidget(m_rest);
    layout->addLayout(until);
    layout->addStretch();
    layout->addLayout(buttons);

    for (QRadioButton* b : {m_all, m_rest, m_until})
        connect(b, &QRadioButton::clicked, this, &SeriesDeleteWindow::scopeChosen);
    connect(m_lastDay, &QDateEdit::dateChanged, this, &SeriesDeleteWindow::lastDayPicked);
    connect(ok, &QPushButton::clicked, this, &SeriesDeleteWindow::Delete);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    // Room for the date picker that the third choice shows.
    resize(sizeHint().width() + m_lastDay->sizeHint().width(), sizeHint().height());
}

QDate SeriesDeleteWindow::bookingDate() const
{
    return m_form ? DateFromDayNumber(m_form->details().day) : QDate();
}

void SeriesDeleteWindow::scopeChosen()
{
    if (!m_until->isChecked()) {
        m_lastDay->hide();
        return;
    }
    m_lastDay->show();
    const QSignalBlocker quiet(m_lastDay);
    m_lastDay->setDate(bookingDate().addDays(31));
}

void SeriesDeleteWindow::lastDayPicked(const QDate& date)
{
    if (date < bookingDate()) {
        const QSignalBlocker quiet(m_lastDay);
        m_lastDay->setDate(bookingDate());
    }
}

void SeriesDeleteWindow::Delete()
{
    if (!m_form)
        return;
    if (messages().show({QStringLiteral("Confirm Delete! "), QStringLiteral("Delete Info"),
                         MsgButtons::OkCancel, MsgIcon::Warning, MsgAnswer::Cancel})
        != MsgAnswer::Ok)
        return;
    const SeriesDeleteScope scope = m_all->isChecked()    ? SeriesDeleteScope::All
                                    : m_rest->isChecked() ? SeriesDeleteScope::ThisAndRest
                                                          : SeriesDeleteScope::ThisAndUntil;
    // The picker's date, not its text: that would lose the century under a
    // two-digit year format.
    const BookingDetails booking = m_form->details();
    const DayRange range =
        SeriesDeleteRange(scope, booking.day, DayNumber(m_lastDay->date()), QDate::currentDate());
    Database db = BookingFile();
    const Statement selected = SeriesRangeSelection(booking.gennr, range);
    BookingChangeRecorder undo(db, selected.sql, selected.binds);
    if (DeleteSeriesRange(db, booking.gennr, range) < 0) {
        showMessage(QStringLiteral("The bookings could not be deleted:\n") + db.lastError(),
                    QStringLiteral("Error"), MsgIcon::Critical);
        return;
    }
    undo.record(db, UndoKind::DeleteSeries);
    // When the form's booking went with the series nothing is left to
    // store; a booking outside the range keeps what the form has typed,
    // stored as the form closes (which says why if it cannot).
    const QVariant left = db.scalar(
        QStringLiteral("SELECT count(*) FROM Booking WHERE Bookingnr = ?"), {booking.bookingnr});
    if (left.isValid() && left.toInt() == 0)
        m_form->Discard();
    QPointer<BookingForm> form = m_form;
    close();
    if (form)
        form->close();
}

SeriesDeleteWindow* ShowSeriesDelete(BookingForm* form)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<SeriesDeleteWindow>(QStringLiteral("sletgentagendeform"),
                                                 [form] { return new SeriesDeleteWindow(form); });
    windows.show(w, ShowMode::Owned, form);
    return w;
}

} // namespace vestra
