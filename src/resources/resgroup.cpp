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
    // Only the empty string is refused; a name of blanks is a name.
    if (m_name->text().isEmpty()) {
        showMessage(kEmptyName, QStringLiteral("Message"));
        m_name->setFocus();
        return;
    }
    close();
}

bool Resgroup::mayLeaveRecord()
{
    // Closing by the window's frame must not store a new group without a
    // name either; a stored record left as it was closes freely.
    const bool changed =
        source()->isAdding()
        || m_name->text() != source()->value(QStringLiteral("OverGruppenavn")).toString();
    if (changed && m_name->text().isEmpty()) {
        showMessage(kEmptyName, QStringLiteral("Message"));
        return false;
    }
    return true;
}

void Resgroup::Delete()
{
    if (!source()->hasRecord())
        return;
    if (source()->isAdding()) {
        Cancel();
        return;
    }
    Database db = BookingFile();
    const int key = source()->key().toInt();
    if (!ConfirmAndDelete(CheckGroupDelete(db, key), QStringLiteral("Delete Info"),
                          [&] { return DeleteGroup(db, key); }))
        return;
    source()->refill(); // the record is gone: nothing is left to write
    close();
}

} // namespace vestra
