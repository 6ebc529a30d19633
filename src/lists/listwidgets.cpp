#include "lists/listwidgets.h"

#include "data/dates.h"
#include "platform/services/messages.h"
#include "session/session.h"

#include <QButtonGroup>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QVBoxLayout>

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

void CloseOnEscape(QWidget* window)
{
    new QShortcut(QKeySequence::Cancel, window, window, &QWidget::close);
}

QLineEdit* HiddenField(const char* name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->hide();
    return e;
}

OptionGroup::OptionGroup(const QString& title, const QList<Option>& options,
                         Qt::Orientation orientation, QWidget* parent)
    : QGroupBox(title, parent), m_buttons(new QButtonGroup(this))
{
    QBoxLayout* layout = orientation == Qt::Vertical
                             ? static_cast<QBoxLayout*>(new QVBoxLayout(this))
                             : new QHBoxLayout(this);
    for (int i = 0; i < options.size(); ++i) {
        auto* b = new QRadioButton(options[i].caption, this);
        b->setObjectName(QString::fromLatin1(options[i].name));
        m_buttons->addButton(b, i);
        layout->addWidget(b);
    }
    if (!options.isEmpty())
        m_buttons->button(0)->setChecked(true);
    connect(m_buttons, &QButtonGroup::idClicked, this, &OptionGroup::chosenChanged);
}

int OptionGroup::chosen() const
{
    return m_buttons->checkedId();
}

void OptionGroup::choose(int index)
{
    if (QAbstractButton* b = m_buttons->button(index))
        b->setChecked(true);
}

PeriodPicker::PeriodPicker(const Names& names, QWidget* parent) : QWidget(parent)
{
    m_start = datePicker(names.start, this);
    m_end = datePicker(names.end, this);
    m_startDay = HiddenField(names.startDay, this);
    m_endDay = HiddenField(names.endDay, this);

    auto* from = new QLabel(QStringLiteral("&From"), this);
    from->setBuddy(m_start);
    auto* to = new QLabel(QStringLiteral("&To"), this);
    to->setBuddy(m_end);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(from);
    layout->addWidget(m_start);
    layout->addSpacing(12);
    layout->addWidget(to);
    layout->addWidget(m_end);
    layout->addStretch();

    connect(m_start, &QDateEdit::dateChanged, this, &PeriodPicker::startChosen);
    connect(m_end, &QDateEdit::dateChanged, this, &PeriodPicker::endChosen);
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
    m_startDay->setText(QString::number(DayNumber(from)));
    m_endDay->setText(QString::number(DayNumber(to)));
}

int PeriodPicker::fromDay() const
{
    return m_startDay->text().toInt();
}
int PeriodPicker::toDay() const
{
    return m_endDay->text().toInt();
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
        m_start->setDate(DateFromDayNumber(fromDay()));
    } else {
        m_startDay->setText(QString::number(DayNumber(date)));
    }
    emit changed();
}

void PeriodPicker::endChosen(const QDate& date)
{
    if (date < m_start->date()) {
        showMessage(QStringLiteral("Enddate must be later than Startdate!"),
                    QStringLiteral("Date Info"));
        const QSignalBlocker quiet(m_end);
        m_end->setDate(DateFromDayNumber(toDay()));
    } else {
        m_endDay->setText(QString::number(DayNumber(date)));
    }
    emit changed();
}

} // namespace vestra
