#include "lists/listwidgets.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vestra {

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

} // namespace vestra
