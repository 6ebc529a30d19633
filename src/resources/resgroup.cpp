#include "resources/resgroup.h"

#include "platform/messages.h"
#include "session/session.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

namespace {
const QString kEmptyName =
    QStringLiteral("Groupname can't be empty. Fill in or cancel the operation.");
}

Resgroup::Resgroup(QWidget* parent)
    : RecordWindow(QStringLiteral("overgruppenavne"), QStringLiteral("overgruppenr"), false, parent)
{
    setObjectName(QString::fromLatin1(windows::Resgroup));
    setWindowTitle(QStringLiteral("Ressourcegroup"));

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("OverGruppenavn"));
    m_name->setMinimumWidth(260);

    auto* save = new QPushButton(QStringLiteral("Ok"), this);
    save->setObjectName(QStringLiteral("save"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Canc"));
    auto* del = new QPushButton(QStringLiteral("Delete"), this);
    del->setObjectName(QStringLiteral("del"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Groupname"), m_name);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(del);
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(buttons);

    if (ensureOpen())
        source()->bind(m_name, QStringLiteral("OverGruppenavn"));

    connect(save, &QPushButton::clicked, this, &Resgroup::Save);
    connect(m_name, &QLineEdit::returnPressed, this, &Resgroup::Save);
    connect(cancel, &QPushButton::clicked, this, &Resgroup::Cancel);
    connect(del, &QPushButton::clicked, this, &Resgroup::Delete);
}

void Resgroup::Save()
{
    saveNamed(m_name, kEmptyName);
}

bool Resgroup::mayLeaveRecord()
{
    return mayLeaveNamed(m_name, QStringLiteral("OverGruppenavn"), kEmptyName);
}

void Resgroup::Delete()
{
    deleteShown(CheckGroupDelete, DeleteGroup);
}

} // namespace vestra
