#include "series/patternwindow.h"

#include "booking/bookingform.h"
#include "data/dates.h"
#include "report/listcontrol.h"
#include "series/candidatepanel.h"
#include "series/freedateswindow.h"
#include "series/serieswindows.h"
#include "services/messages.h"
#include "session/session.h"
#include "widgets/progresswindow.h"
#include "widgets/windowregistry.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vestra {

namespace {

struct Frequency {
    const char* name;
    const char* caption;
    int interval;
    int colour; // red in the lowest byte, then green, then blue
};

const Frequency kFrequencies[] = {
    {"Option1", "Daily", 1, 16777215},         {"Option2", "Weekly", 7, 16711680},
    {"Option3", "Every 2 weeks", 14, 6723891}, {"Option4", "Every 3 weeks", 21, 16776960},
    {"Option5", "Every 4 weeks", 28, 6697881},
};

QDateEdit* datePicker(const QString& name, QWidget* parent)
{
    auto* d = new QDateEdit(parent);
    d->setObjectName(name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QtDateFormat(session().DateFormatLong));
    return d;
}

} // namespace

PatternWindow::PatternWindow(BookingForm* form, QWidget* parent)
    : QWidget(parent, Qt::Window), m_form(form)
{
    setWindowTitle(QStringLiteral("Vestra - Repeat Booking"));

    auto* frequencyBox = new QGroupBox(QStringLiteral("Frequency"), this);
    auto* options = new QVBoxLayout(frequencyBox);
    for (const Frequency& f : kFrequencies) {
        auto* option = new QRadioButton(QString::fromLatin1(f.caption), frequencyBox);
        option->setObjectName(QString::fromLatin1(f.name));
        options->addWidget(option);
        connect(option, &QRadioButton::clicked, this,
                [this, f] { chooseInterval(f.interval, f.colour); });
    }
    auto* specific = new QRadioButton(QStringLiteral("Select specific dates"), frequencyBox);
    specific->setObjectName(QStringLiteral("Option6"));
    options->addWidget(specific);
    connect(specific, &QRadioButton::clicked, this, &PatternWindow::chooseSpecificDates);

    auto* datesBox = new QGroupBox(QStringLiteral("Period"), this);
    auto* dates = new QFormLayout(datesBox);
    m_start = datePicker(QStringLiteral("stcoy"), datesBox);
    m_end = datePicker(QStringLiteral("slcoy"), datesBox);
    dates->addRow(QStringLiteral("Start date:"), m_start);
    dates->addRow(QStringLiteral("End date:"), m_end);
    auto* generate = new QPushButton(QStringLiteral("Generate dates"), datesBox);
    generate->setObjectName(QStringLiteral("Udvalg"));
    dates->addRow(generate);

    m_candidates = new CandidatePanel({"genbook",
                                       "Generated dates",
                                       {"sletvalgt", "Delete selected booking"},
                                       {"sletdobbelt", "Delete  All Doublebookings"},
                                       {"findalternativ", "Find alternative resource"},
                                       "alternatives",
                                       "HH:mm",
                                       false},
                                      form, this);
    m_book = new QPushButton(QStringLiteral("Book Generated Dates"), this);
    m_book->setObjectName(QStringLiteral("bookingknap"));
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("annuller"));

    auto* left = new QVBoxLayout;
    left->addWidget(frequencyBox);
    left->addWidget(datesBox);
    left->addStretch();
    QVBoxLayout* listButtons = m_candidates->buttonColumn();
    listButtons->addStretch();
    listButtons->addWidget(m_book);
    listButtons->addWidget(exit);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addWidget(m_candidates, 1);

    // Other dates than the listed ones were generated from: Book waits for
    // the list to be generated again.
    connect(m_start, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        m_startDay = DayNumber(d);
        m_book->setEnabled(false);
    });
    connect(m_end, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        m_endDay = DayNumber(d);
        m_book->setEnabled(false);
    });
    connect(generate, &QPushButton::clicked, this, &PatternWindow::GenerateDates);
    connect(m_book, &QPushButton::clicked, this, &PatternWindow::BookGeneratedDates);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);

    m_book->setEnabled(false);
    ResetDates();
    m_candidates->empty();
    resize(sizeHint().width() + list()->columnsWidth() / 2, 420);
}

ListControl* PatternWindow::list() const
{
    return m_candidates->list();
}

void PatternWindow::ResetDates()
{
    const int start = session().SelectedDay;
    const int end = m_interval * 7 + start;
    m_start->setDate(DateFromDayNumber(start));
    m_end->setDate(DateFromDayNumber(end));
    // Set even when the pickers did not change and so did not report.
    m_startDay = start;
    m_endDay = end;
}

void PatternWindow::Reload()
{
    m_candidates->reload();
}

void PatternWindow::chooseInterval(int days, int colour)
{
    m_interval = days;
    m_colour = colour;
    m_candidates->empty();
    ResetDates();
    m_book->setEnabled(false);
}

void PatternWindow::chooseSpecificDates()
{
    QPointer<BookingForm> form = m_form;
    close();
    if (form)
        ShowFreeDatesWindow(form);
}

void PatternWindow::GenerateDates()
{
    const int f = m_interval;
    const int s = m_startDay;
    const int e = m_endDay;
    // Whatever the outcome, the old list no longer matches the window.
    m_book->setEnabled(false);
    if (e < s + f) {
        m_candidates->empty();
        // This one message carries the program's name as its title.
        showMessage(QStringLiteral("Dates are not valid !"), QStringLiteral("Vestra"),
                    MsgIcon::Warning);
        return;
    }
    // Without an interval the day would never advance: nothing to generate.
    if (f < 1) {
        m_candidates->empty();
        showMessage(QStringLiteral("Choose a frequency first."), QStringLiteral("Service Message"));
        return;
    }
    Database work = WorkDatabase();
    ClearCandidates(work);
    if (!generateCandidates())
        return;
    m_book->setEnabled(true);
}

bool PatternWindow::generateCandidates()
{
    if (m_start->date() > m_end->date()) {
        m_candidates->empty();
        showMessage(QStringLiteral("Startdate must be smaller than Enddate !"), QString(),
                    MsgIcon::Warning);
        ResetDates();
        return false;
    }
    if (!m_form)
        return false;
    Database work = WorkDatabase();
    Database db = BookingFile();
    ProgressWindow shown({QStringLiteral("Generate dates"), QStringLiteral("Checking dates…"),
                          QString(), QStringLiteral("SeriesProgress")},
                         kSeriesBigRun);
    GenerateCandidates(work, db, m_startDay, m_endDay, m_interval, m_form->details(),
                       std::ref(shown));
    Reload();
    // A stopped run leaves no dates to book.
    if (shown.cancelled())
        return false;
    WarnWhenUnchecked();
    return true;
}

void PatternWindow::BookGeneratedDates()
{
    if (list()->rowCount() == 0) {
        showMessage(QStringLiteral("No generated dates available"), QString());
        return;
    }
    CommitFromWindow(this, m_form, m_colour);
}

void PatternWindow::FindAlternative()
{
    m_candidates->findAlternative();
}

PatternWindow* ShowPatternWindow(BookingForm* form, bool modal)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<PatternWindow>(QStringLiteral("fastgen"),
                                            [form] { return new PatternWindow(form, form); });
    windows.show(w, modal ? ShowMode::Modal : ShowMode::Owned, form);
    return w;
}

} // namespace vestra
