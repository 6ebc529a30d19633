#pragma once
// Editors for the stored forms the record windows bind: flags as -1/0, dates
// as day numbers or as date text, amounts and counts that may be empty, and
// a pick list that stores a key. Each has one user property ("value") that
// the widget mapper reads and writes; an empty editor gives a null value, so
// that opening and closing a record never turns NULL into 0 or "".

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QValidator>
#include <QVariant>
#include <optional>

namespace vestra {

// Yes/no field: checked is stored as -1, unchecked as 0.
class FlagBox : public QCheckBox {
    Q_OBJECT
    Q_PROPERTY(QVariant value READ value WRITE setValue USER true)
public:
    explicit FlagBox(const QString& text, QWidget* parent = nullptr);
    QVariant value() const;
    void setValue(const QVariant& v);
};

// A date that may be empty. The arrows and the up/down keys move it by one
// day; the drop-down shows a month calendar (today's month while empty).
// Typed into an empty field, or over the whole date, a date is read as the
// user writes it with digits: "31-12-2028", "31.12.28", "31/12/2028" or
// "2028-12-31", day and month in the order of the display format.
class DateField : public QDateEdit {
    Q_OBJECT
    Q_PROPERTY(QVariant value READ value WRITE setValue USER true)
public:
    enum class Storage { DayNumber, DateText };
    explicit DateField(Storage storage, QWidget* parent = nullptr);

    QVariant value() const;
    void setValue(const QVariant& v);
    // The shown date; null while the field is empty.
    QDate shownDate() const;
    void setShownDate(const QDate& date);
    bool isEmpty() const;

    void stepBy(int steps) override;
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;

protected:
    StepEnabled stepEnabled() const override;
    QDateTime dateTimeFromText(const QString& text) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<QDate> typedDate(const QString& text) const;

    Storage m_storage;
    // The user types a whole date as text, not section by section.
    bool m_typing = false;
};

// Keeps out of a number field what can never be part of a number (letters),
// so that "12abc" cannot be typed; text that may still become one ("12,5"
// in English) stays as typed, for RefuseTypedNumbers to refuse by name.
class NumberValidator : public QValidator {
    Q_OBJECT
public:
    NumberValidator(QString caption, bool whole, QObject* parent);
    State validate(QString& input, int& pos) const override;
    const QString& caption() const { return m_caption; }
    bool isWhole() const { return m_whole; }

private:
    QString m_caption;
    bool m_whole;
};

// Makes edit a number field shown as caption in refusals.
void SetNumberField(QLineEdit* edit, const QString& caption, bool whole);

// Before a window stores: the first of its number fields whose text is not
// a number is refused with a message naming it and the form expected, and
// gets the focus with its text as typed. Returns the refused field.
QLineEdit* RefuseTypedNumbers(QWidget* window);

// An amount of money; empty is null. Shown in the one amount format, read
// as the locale writes an amount (as a typed booking fee is).
class AmountEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QVariant value READ value WRITE setValue USER true)
public:
    explicit AmountEdit(const QString& caption, QWidget* parent = nullptr);
    // The typed amount; nullopt when the text is not one.
    std::optional<double> amount() const;
    // Empty, or text that reads as an amount.
    bool isAmount() const;
    QVariant value() const;
    void setValue(const QVariant& v);
};

// A whole number; empty is null.
class CountEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QVariant value READ value WRITE setValue USER true)
public:
    explicit CountEdit(const QString& caption, QWidget* parent = nullptr);
    QVariant value() const;
    void setValue(const QVariant& v);
};

// A list showing names and storing the chosen row's key; the first entry
// is empty and stores null. A stored key that is not in the list is kept
// and shown as its number, so that it is not lost by opening the record.
class KeyCombo : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(QVariant value READ value WRITE setValue USER true)
public:
    explicit KeyCombo(QWidget* parent = nullptr);
    void setRows(const QList<std::pair<QVariant, QString>>& rows);
    QVariant value() const;
    void setValue(const QVariant& v);
};

} // namespace vestra
