#pragma once
// Controls the booking list windows share: the period pickers, the option
// groups and the hidden fields that hold the chosen values.

#include <QDate>
#include <QGroupBox>
#include <QWidget>

class QButtonGroup;
class QDateEdit;
class QLineEdit;

namespace vestra {

// Escape closes the window, as its Exit button does.
void CloseOnEscape(QWidget* window);

// A hidden text field named as the window keeps its state.
QLineEdit* HiddenField(const char* name, QWidget* parent);

// A titled group of option buttons, the first chosen.
class OptionGroup : public QGroupBox {
    Q_OBJECT
public:
    struct Option {
        const char* name; // objectName
        QString caption;
    };
    OptionGroup(const QString& title, const QList<Option>& options,
                Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);
    int chosen() const;
    // Chooses an option without emitting chosenChanged.
    void choose(int index);

signals:
    // The user chose another option.
    void chosenChanged(int index);

private:
    QButtonGroup* m_buttons;
};

// The "From" and "To" date pickers of the period lists, with the period's
// day numbers kept beside them (`startd`, `slutd`). An inverted period is
// refused with a message and the previous date comes back.

class PeriodPicker : public QWidget {
    Q_OBJECT
public:
    // The objectNames of the two pickers and of the two day-number fields.
    struct Names {
        const char* start = "startdate";
        const char* end = "slutdate";
        const char* startDay = "startd";
        const char* endDay = "slutd";
    };
    explicit PeriodPicker(QWidget* parent = nullptr) : PeriodPicker(Names(), parent) {}
    PeriodPicker(const Names& names, QWidget* parent);

    // Sets both dates without a message or a changed() signal; the pickers
    // take the session's long date format.
    void setPeriod(const QDate& from, const QDate& to);
    int fromDay() const;
    int toDay() const;
    QDate fromDate() const;
    QDate toDate() const;
    // The dates as the pickers show them.
    QString fromText() const;
    QString toText() const;

signals:
    // After every date the user chose, accepted or restored.
    void changed();

private:
    void startChosen(const QDate& date);
    void endChosen(const QDate& date);

    QDateEdit* m_start;
    QDateEdit* m_end;
    QLineEdit* m_startDay;
    QLineEdit* m_endDay;
};

} // namespace vestra
