#include "series/freedateswindow.h"

#include "booking/bookingform.h"
#include "data/dates.h"
#include "report/listcontrol.h"
#include "series/candidatepanel.h"
#include "series/serieswindows.h"
#include "session/session.h"
#include "widgets/scrolledbody.h"
#include "widgets/windowregistry.h"
#include "widgets/yearcalendar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

namespace {

QPushButton* button(const char* name, const char* caption, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

FreeDatesWindow::FreeDatesWindow(BookingForm* form, QWidget* parent)
    : QWidget(parent, Qt::Window), m_form(form)
{
    setWindowTitle(QStringLiteral("Vestra  -  Repeated booking - Arbitrary Dates Selector"));

    m_calendar = new YearCalendar(this);
    m_calendar->setObjectName(QStringLiteral("dat"));
    m_calendar->setFirstDayOfWeek(session().FirstDay == QStringLiteral("0") ? Qt::Sunday
                                                                            : Qt::Monday);

    auto* caption = new QLabel(QStringLiteral("Selected Dates"), this);
    m_candidates = new CandidatePanel({"vilklist",
                                       "Selected dates",
                                       {"remsel", "Delete Selected Booking"},
                                       {"remall", "Delete All Double Bookings"},
                                       {"alternates", "Find Alternative Resources"},
                                       "alternativesV",
                                       "HH.mm",
                                       true},
                                      form, this);
    caption->setBuddy(list());
    auto* book = button("book", "Book Selected Dates", this);
    auto* exit = button("Cancel", "Exit", this);

    auto* right = new QVBoxLayout;
    right->addWidget(caption);
    right->addWidget(m_candidates, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(book);
    bottom->addWidget(exit);
    auto* top = new QHBoxLayout;
    top->addWidget(m_calendar, 1);
    top->addLayout(right);
    auto* layout = new QVBoxLayout;
    SetScrolledBody(this, layout);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    connect(m_calendar, &YearCalendar::clicked, this, &FreeDatesWindow::AddDate);
    connect(book, &QPushButton::clicked, this, &FreeDatesWindow::BookSelectedDates);
    connect(exit, &QPushButton::clicked, this, &FreeDatesWindow::Exit);
    // Show the chosen days on the calendar as well.
    connect(m_candidates, &CandidatePanel::reloaded, this, [this](const QList<Candidate>& shown) {
        QList<QDate> chosen;
        for (const Candidate& c : shown)
            chosen << DateFromDayNumber(c.day);
        m_calendar->setMarkedDates(chosen);
    });

    m_calendar->setCurrentDate(DateFromDayNumber(session().SelectedDay));
    m_candidates->empty();
    list()->setMinimumWidth(list()->columnsWidth());
    m_calendar->setFocus();
}

ListControl* FreeDatesWindow::list() const
{
    return m_candidates->list();
}

void FreeDatesWindow::AddDate(const QDate& date)
{
    if (!m_form || !date.isValid())
        return;
    const BookingDetails t = m_form->details();
    Database work = WorkDatabase();
    Database db = BookingFile();
    AddCandidate(work, db, DayNumber(date), t.item, t.startMinutes(), t.endMinutes());
    Reload();
    WarnWhenUnchecked();
}

void FreeDatesWindow::Reload()
{
    m_candidates->reload();
}

void FreeDatesWindow::BookSelectedDates()
{
    // No dates chosen still makes the booking the head of a series.
    CommitFromWindow(this, m_form, 0);
}

void FreeDatesWindow::FindAlternative()
{
    m_candidates->findAlternative();
}

void FreeDatesWindow::Exit()
{
    Database work = WorkDatabase();
    ClearCandidates(work);
    close();
}

FreeDatesWindow* ShowFreeDatesWindow(BookingForm* form)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<FreeDatesWindow>(QStringLiteral("vilkdatover"),
                                              [form] { return new FreeDatesWindow(form, form); });
    windows.show(w, ShowMode::Modal);
    return w;
}

} // namespace vestra
