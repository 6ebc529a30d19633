#include "forms/fieldeditors.h"

#include "data/amounts.h"
#include "data/dates.h"
#include "report/reportformat.h"

#include <QCalendarWidget>
#include <QIntValidator>
#include <QLocale>

namespace vestra {

namespace {
bool isBlank(const QVariant& v)
{
    return !v.isValid() || v.isNull() || v.toString().trimmed().isEmpty();
}

// The day before the earliest day number marks an empty date field.
const QDate kEmptyDate(1899, 12, 31);
} // namespace

FlagBox::FlagBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

QVariant FlagBox::value() const
{
    return isChecked() ? -1 : 0;
}

void FlagBox::setValue(const QVariant& v)
{
    setChecked(!isBlank(v) && v.toInt() != 0);
}

DateField::DateField(Storage storage, QWidget* parent) : QDateEdit(parent), m_storage(storage)
{
    setMinimumDate(kEmptyDate);
    setMaximumDate(QDate(9999, 12, 31));
    setSpecialValueText(QStringLiteral(" "));
    setCalendarPopup(true);
    setDate(kEmptyDate);
}

QDate DateField::shownDate() const
{
    return isEmpty() ? QDate() : date();
}

bool DateField::isEmpty() const
{
    return date() == kEmptyDate;
}

void DateField::setShownDate(const QDate& d)
{
    setDate(d.isValid() ? d : kEmptyDate);
}

QVariant DateField::value() const
{
    if (isEmpty())
        return QVariant();
    if (m_storage == Storage::DayNumber)
        return DayNumber(date());
    return date().toString(Qt::ISODate);
}

void DateField::setValue(const QVariant& v)
{
    if (isBlank(v)) {
        setShownDate({});
        return;
    }
    if (m_storage == Storage::DayNumber) {
        setShownDate(DateFromDayNumber(v.toInt()));
        return;
    }
    // Date text as the engine keeps it; a date with a time part also reads.
    QDate d = v.typeId() == QMetaType::QDate
                  ? v.toDate()
                  : QDate::fromString(v.toString().left(10), Qt::ISODate);
    if (!d.isValid())
        d = v.toDateTime().date();
    setShownDate(d);
}

void DateField::stepBy(int steps)
{
    if (isReadOnly())
        return;
    // One day per step whatever section the cursor is in; an empty field
    // starts from today.
    const QDate base = isEmpty() ? QDate::currentDate() : date();
    setDate(isEmpty() ? base : base.addDays(steps));
}

QAbstractSpinBox::StepEnabled DateField::stepEnabled() const
{
    if (isReadOnly())
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

AmountEdit::AmountEdit(QWidget* parent) : QLineEdit(parent)
{
    // No validator: it would swallow keys, and text the locale cannot read
    // is refused as a whole when the record is written, as typed.
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

std::optional<double> AmountEdit::amount() const
{
    return ParsePrice(text(), locale());
}

bool AmountEdit::isAmount() const
{
    return text().trimmed().isEmpty() || amount().has_value();
}

QVariant AmountEdit::value() const
{
    if (text().trimmed().isEmpty())
        return QVariant();
    const auto v = amount();
    return v ? QVariant(*v) : QVariant();
}

void AmountEdit::setValue(const QVariant& v)
{
    setText(isBlank(v) ? QString() : FormatAmount(v.toDouble(), locale()));
}

CountEdit::CountEdit(QWidget* parent) : QLineEdit(parent)
{
    setValidator(new QIntValidator(0, 1000000, this));
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QVariant CountEdit::value() const
{
    bool ok = false;
    const int v = text().trimmed().toInt(&ok);
    return ok ? QVariant(v) : QVariant();
}

void CountEdit::setValue(const QVariant& v)
{
    setText(isBlank(v) ? QString() : QString::number(v.toInt()));
}

KeyCombo::KeyCombo(QWidget* parent) : QComboBox(parent)
{
    addItem(QString(), QVariant());
}

void KeyCombo::setRows(const QList<std::pair<QVariant, QString>>& rows)
{
    const QVariant current = value();
    clear();
    addItem(QString(), QVariant());
    for (const auto& [key, text] : rows)
        addItem(text, key);
    setValue(current);
}

QVariant KeyCombo::value() const
{
    return currentData();
}

void KeyCombo::setValue(const QVariant& v)
{
    if (isBlank(v)) {
        setCurrentIndex(0);
        return;
    }
    for (int i = 1; i < count(); ++i)
        if (!itemData(i).isNull() && itemData(i).toInt() == v.toInt()) {
            setCurrentIndex(i);
            return;
        }
    addItem(QString::number(v.toInt()), v.toInt());
    setCurrentIndex(count() - 1);
}

} // namespace vestra
