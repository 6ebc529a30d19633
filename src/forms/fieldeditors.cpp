#include "forms/fieldeditors.h"

#include "data/amounts.h"
#include "data/dates.h"
#include "report/reportformat.h"
#include "services/messages.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>

namespace vestra {

namespace {
bool isBlank(const QVariant& v)
{
    return !v.isValid() || v.isNull() || v.toString().trimmed().isEmpty();
}

// The day before the earliest day number marks an empty date field.
const QDate kEmptyDate(1899, 12, 31);

// Digits and separators on the way to a date.
bool mayBecomeDate(const QString& text)
{
    static const QRegularExpression partial(QStringLiteral("^\\d{1,8}([-./ ]\\d{0,4}){0,2}$"));
    return partial.match(text).hasMatch();
}

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
    // The popup would open on the empty marker's month, December 1899.
    calendarWidget()->installEventFilter(this);
}

bool DateField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == calendarWidget() && event->type() == QEvent::Show && isEmpty()) {
        const QDate today = QDate::currentDate();
        calendarWidget()->setCurrentPage(today.year(), today.month());
    }
    return QDateEdit::eventFilter(watched, event);
}

std::optional<QDate> DateField::typedDate(const QString& text) const
{
    static const QRegularExpression yearFirst(
        QStringLiteral("^(\\d{4})[-./](\\d{1,2})[-./](\\d{1,2})$"));
    static const QRegularExpression yearLast(
        QStringLiteral("^(\\d{1,2})[-./ ](\\d{1,2})[-./ ](\\d{4})$"));
    static const QRegularExpression compact(QStringLiteral("^(\\d{2})(\\d{2})(\\d{4})$"));
    const QString t = text.trimmed();
    const QString format = displayFormat();
    const qsizetype month = format.indexOf(QLatin1Char('M'));
    const bool dayFirst = month < 0 || format.indexOf(QLatin1Char('d')) < month;
    QDate d;
    if (const auto m = yearFirst.match(t); m.hasMatch())
        d = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    else if (auto n = yearLast.match(t); n.hasMatch() || (n = compact.match(t)).hasMatch()) {
        const int a = n.captured(1).toInt();
        const int b = n.captured(2).toInt();
        d = QDate(n.captured(3).toInt(), dayFirst ? b : a, dayFirst ? a : b);
    }
    if (!d.isValid() || d < minimumDate() || d > maximumDate())
        return std::nullopt;
    return d;
}

QValidator::State DateField::validate(QString& text, int& pos) const
{
    if (!m_typing)
        return QDateEdit::validate(text, pos);
    // Emptied: the date is cleared.
    const QString t = text.trimmed();
    if (t.isEmpty() || typedDate(t))
        return QValidator::Acceptable;
    return mayBecomeDate(t) ? QValidator::Intermediate : QValidator::Invalid;
}

void DateField::fixup(QString& text) const
{
    if (!m_typing)
        QDateEdit::fixup(text);
}

QDateTime DateField::dateTimeFromText(const QString& text) const
{
    if (!m_typing)
        return QDateEdit::dateTimeFromText(text);
    return QDateTime(typedDate(text).value_or(kEmptyDate), QTime(0, 0));
}

void DateField::keyPressEvent(QKeyEvent* event)
{
    const bool printable = !event->text().isEmpty() && event->text().at(0).isPrint()
                           && !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
    if (!m_typing && printable && !isReadOnly()
        && (isEmpty() || lineEdit()->selectedText() == lineEdit()->text())) {
        // The sections would take "-" as a jump to the next one and keep the
        // empty field's blank before the digits: the text is typed as a whole.
        m_typing = true;
        lineEdit()->clear();
    }
    const bool editing = printable || event->key() == Qt::Key_Backspace
                         || event->key() == Qt::Key_Delete || event->key() == Qt::Key_Left
                         || event->key() == Qt::Key_Right || event->key() == Qt::Key_Home
                         || event->key() == Qt::Key_End;
    if (m_typing && editing) {
        QAbstractSpinBox::keyPressEvent(event);
        return;
    }
    QDateEdit::keyPressEvent(event);
}

void DateField::focusOutEvent(QFocusEvent* event)
{
    QDateEdit::focusOutEvent(event);
    m_typing = false;
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
    m_typing = false;
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

NumberValidator::NumberValidator(QString caption, bool whole, QObject* parent)
    : QValidator(parent), m_caption(std::move(caption)), m_whole(whole)
{
}

QValidator::State NumberValidator::validate(QString& input, int&) const
{
    const QString t = input.trimmed();
    if (t.isEmpty())
        return Acceptable;
    if (m_whole ? ParseWholeNumber(t).has_value() : ParsePrice(t).has_value())
        return Acceptable;
    return MayBecomeNumber(t) ? Intermediate : Invalid;
}

void SetNumberField(QLineEdit* edit, const QString& caption, bool whole)
{
    edit->setValidator(new NumberValidator(caption, whole, edit));
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QLineEdit* RefuseTypedNumbers(QWidget* window)
{
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
        const auto* number = qobject_cast<const NumberValidator*>(edit->validator());
        if (!number || edit->isReadOnly() || edit->hasAcceptableInput())
            continue;
        showMessage(NumberRefusal(number->caption(), edit->text(), number->isWhole()),
                    QStringLiteral("Error"), MsgIcon::Warning);
        edit->setFocus();
        return edit;
    }
    return nullptr;
}

AmountEdit::AmountEdit(const QString& caption, QWidget* parent) : QLineEdit(parent)
{
    SetNumberField(this, caption, false);
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

CountEdit::CountEdit(const QString& caption, QWidget* parent) : QLineEdit(parent)
{
    SetNumberField(this, caption, true);
}

QVariant CountEdit::value() const
{
    if (text().trimmed().isEmpty())
        return QVariant();
    const auto v = ParseWholeNumber(text());
    return v ? QVariant(*v) : QVariant();
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
