#include "series/vilkdatover.h"

#include "booking/bookingform.h"
#include "data/dates.h"
#include "platform/listcontrol.h"
#include "platform/windowregistry.h"
#include "platform/yearcalendar.h"
#include "series/alternatives.h"
#include "series/candidates.h"
#include "series/serieswindows.h"
#include "session/session.h"

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

    auto* caption = new QLabel(QStringLiteral("Selected Dates"), this);
    m_list = new ListControl(this);
    m_list->setObjectName(QStringLiteral("vilklist"));
    m_list->setAccessibleName(QStringLiteral("Selected dates"));
    m_list->setRootIsDecorated(false);
    caption->setBuddy(m_list);
    SetUpCandidateList(m_list);

    auto* removeOne = button("remsel", "Delete Selected Booking", this);
    auto* removeColliding = button("remall", "Delete All Double Bookings", this);
    auto* alternative = button("alternates", "Find Alternative Resources", this);
    auto* book = button("book", "Book Selected Dates", this);
    auto* exit = button("Cancel", "Exit", this);

    auto* right = new QVBoxLayout;
    right->addWidget(caption);
    right->addWidget(m_list, 1);
    right->addWidget(removeOne);
    right->addWidget(removeColliding);
    right->addWidget(alternative);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(book);
    bottom->addWidget(exit);
    auto* top = new QHBoxLayout;
    top->addWidget(m_calendar, 1);
    top->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    connect(m_calendar, &YearCalendar::clicked, this, &FreeDatesWindow::AddDate);
    connect(book, &QPushButton::clicked, this, &FreeDatesWindow::BookSelectedDates);
    connect(exit, &QPushButton::clicked, this, &FreeDatesWindow::Exit);
    connect(removeOne, &QPushButton::clicked, this, [this] {
        RemoveSelectedCandidate(m_list);
        Reload();
    });
    connect(removeColliding, &QPushButton::clicked, this, [this] {
        Database work = WorkDatabase();
        RemoveCollidingCandidates(work);
        Reload();
    });
    connect(alternative, &QPushButton::clicked, this, &FreeDatesWindow::FindAlternative);
    connect(m_list, &ListControl::rowActivated, this, &FreeDatesWindow::FindAlternative);

    m_calendar->setCurrentDate(DateFromDayNumber(session().SelectedDay));
    Database work = WorkDatabase();
    ClearCandidates(work);
    Reload();
    m_list->setMinimumWidth(m_list->columnsWidth());
    m_calendar->setFocus();
}

void FreeDatesWindow::AddDate(const QDate& date)
{
    if (!m_form || !date.isValid())
        return;
    const SeriesTemplate t = TemplateFromForm(*m_form);
    Database work = WorkDatabase();
    Database db = BookingFile();
    AddCandidate(work, db, DayNumber(date), t.item, t.startMinutes, t.endMinutes);
    Reload();
    WarnWhenUnchecked();
}

void FreeDatesWindow::Reload()
{
    // Show the chosen days on the calendar as well.
    QList<QDate> chosen;
    for (const Candidate& c : ReloadCandidateList(m_list, QStringLiteral("HH.mm")))
        chosen << DateFromDayNumber(c.day);
    m_calendar->setMarkedDates(chosen);
}

void FreeDatesWindow::BookSelectedDates()
{
    // No dates chosen still makes the booking the head of a series.
    CommitFromWindow(this, m_form, 0);
}

void FreeDatesWindow::FindAlternative()
{
    if (m_form)
        FindAlternativeFor(m_list, *m_form, QStringLiteral("alternativesV"), this,
                           [self = QPointer<FreeDatesWindow>(this)] {
                               if (self)
                                   self->Reload();
                           });
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
