#include "forms/periodpicker.h"

#include "data/dates.h"
#include "services/messages.h"
#include "session/session.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace vestra {

namespace {

QDateEdit* datePicker(const char* name, QWidget* parent)
{
    auto* d = new QDateEdit(parent);
    d->setObjectName(QString::fromLatin1(name));
    d->setCalendarPopup(true);
    // A date typed digit by digit counts once it is complete (Enter or
    // leaving the field), not at each intermediate date.
    d->setKeyboardTracking(false);
    return d;
}

} // namespace

PeriodPicker::PeriodPicker(QWidget* window, const Names& names, const QDate& from, const QDate& to)
    : QObject(window), m_start(datePicker(names.start, window)),
      m_end(datePicker(names.end, window))
{
    setPeriod(from, to);
    connect(m_start, &QDateEdit::dateChanged, this, &PeriodPicker::startChosen);
    connect(m_end, &QDateEdit::dateChanged, this, &PeriodPicker::endChosen);
}

QWidget* PeriodPicker::row() const
{
    auto* row = new QWidget(m_start->parentWidget());
    auto* from = new QLabel(QStringLiteral("&From"), row);
    from->setBuddy(m_start);
    auto* to = new QLabel(QStringLiteral("&To"), row);
    to->setBuddy(m_end);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(from);
    layout->addWidget(m_start);
    layout->addSpacing(12);
    layout->addWidget(to);
    layout->addWidget(m_end);
    layout->addStretch();
    return row;
}

void PeriodPicker::setPeriod(const QDate& from, const QDate& to)
{
    const QSignalBlocker quietStart(m_start);
    const QSignalBlocker quietEnd(m_end);
    const QString format = QtDateFormat(session().DateFormatLong);
    m_start->setDisplayFormat(format);
    m_end->setDisplayFormat(format);
    m_start->setDate(from);
    m_end->setDate(to);
    m_fromDay = DayNumber(from);
    m_toDay = DayNumber(to);
}

QDate PeriodPicker::fromDate() const
{
    return m_start->date();
}

QDate PeriodPicker::toDate() const
{
    return m_end->date();
}

QString PeriodPicker::fromText() const
{
    return m_start->text();
}

QString PeriodPicker::toText() const
{
    return m_end->text();
}

void PeriodPicker::startChosen(const QDate& date)
{
    if (date > m_end->date()) {
        showMessage(QStringLiteral("Startdate must be earlier than Enddate!"),
                    QStringLiteral("Date Info"));
        const QSignalBlocker quiet(m_start);
        m_start->setDate(DateFromDayNumber(m_fromDay));
    } else {
        m_fromDay = DayNumber(date);
    }
    emit changed();
}

void PeriodPicker::endChosen(const QDate& date)
{
    if (date < m_start->date()) {
        showMessage(QStringLiteral("Enddate must be later than Startdate!"),
                    QStringLiteral("Date Info"));
        const QSignalBlocker quiet(m_end);
        m_end->setDate(DateFromDayNumber(m_toDay));
    } else {
        m_toDay = DayNumber(date);
    }
    emit changed();
}

} // namespace vestra
