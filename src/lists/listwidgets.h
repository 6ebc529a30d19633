#pragma once
// Controls the booking list windows share: the option groups, and closing on
// Escape (widgets/accessibility.h). (Their period pickers are forms/periodpicker.h.)

#include "widgets/accessibility.h"
#include <QDate>
#include <QGroupBox>
#include <QWidget>

class QButtonGroup;

namespace vestra {

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

} // namespace vestra
