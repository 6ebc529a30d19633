#include "reports/periodpickers.h"

#include "data/dates.h"
#include "platform/services/messages.h"
#include "session/session.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QSignalBlocker>

namespace vestra {

namespace {

QDateEdit* picker(QWidget* window, const char* name, const QDate& date)
{
    auto* p = new QDateEdit(date, window);
    p->setObjectName(QString::fromLatin1(name));
    p->setCalendarPopup(true);
    p->setDisplayFormat(QtDateFormat(session().DateFormatLong));
    // A typed date counts once it is complete, not at every digit.
    p->setKeyboardTracking(false);
    return p;
}

QLineEdit* dayBox(QWidget* window, const char* name, const QDate& date)
{
    auto* e = new QLineEdit(QString::number(DayNumber(date)), window);
    e->setObjectName(QString::fromLatin1(name));
    e->hide();
    return e;
}

} // namespace

PeriodPickers::PeriodPickers(QWidget* window, const Names& names, const QDate& start,
                             const QDate& end)
    : QObject(window), m_start(picker(window, names.start, start)),
      m_end(picker(window, names.end, end)), m_startDay(dayBox(window, names.startDay, start)),
      m_endDay(dayBox(window, names.endDay, end))
{
    connect(m_start, &QDateEdit::dateChanged, this, &PeriodPickers::startChanged);
    connect(m_end, &QDateEdit::dateChanged, this, &PeriodPickers::endChanged);
}

void PeriodPickers::startChanged(const QDate& date)
{
    if (date > m_end->date()) {
        showMessage(QStringLiteral("Startdate must be earlier than Enddate!"),
                    QStringLiteral("Date Info"));
        const QSignalBlocker quiet(m_start);
        m_start->setDate(DateFromDayNumber(m_startDay->text().toInt()));
    }
    m_startDay->setText(QString::number(DayNumber(m_start->date())));
}

void PeriodPickers::endChanged(const QDate& date)
{
    if (date < m_start->date()) {
        showMessage(QStringLiteral("Enddate must be later than Startdate!"),
                    QStringLiteral("Date Info"));
        const QSignalBlocker quiet(m_end);
        m_end->setDate(DateFromDayNumber(m_endDay->text().toInt()));
    }
    m_endDay->setText(QString::number(DayNumber(m_end->date())));
}

ReportPeriod PeriodPickers::period() const
{
    return {m_startDay->text().toInt(), m_endDay->text().toInt(), m_start->text(), m_end->text()};
}

} // namespace vestra
