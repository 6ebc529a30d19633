#include "resources/fieldeditors.h"

#include "data/dates.h"

#include <QCalendarWidget>
#include <QDoubleValidator>
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
    auto* validator = new QDoubleValidator(-1e12, 1e12, 2, this);
    validator->setNotation(QDoubleValidator::StandardNotation);
    setValidator(validator);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QVariant AmountEdit::value() const
{
    if (text().trimmed().isEmpty())
        return QVariant();
    bool ok = false;
    const double v = locale().toDouble(text().trimmed(), &ok);
    return ok ? QVariant(v) : QVariant();
}

void AmountEdit::setValue(const QVariant& v)
{
    setText(isBlank(v) ? QString() : locale().toString(v.toDouble(), 'f', 2));
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
