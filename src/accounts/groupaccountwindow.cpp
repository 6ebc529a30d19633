#include "accounts/groupaccountwindow.h"

#include "accounts/accounts.h"
#include "services/messages.h"
#include "session/session.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

GroupAccountWindow::GroupAccountWindow(QWidget* parent) : AccountWindow(parent)
{
    setObjectName(QStringLiteral("Gruppekonto"));
    setWindowTitle(QStringLiteral("Add/Edit Group Account"));

    auto* form = new QFormLayout;
    m_name = addLine(form, QStringLiteral("Group Name"), QStringLiteral("Kontonavn"));
    // Who owns the group is settled when it is made.
    for (auto* owner :
         {addLine(form, QStringLiteral("Owner"), QStringLiteral("kontokontakt")),
          addLine(form, QStringLiteral("Group Owner"), QStringLiteral("kontoowner"))}) {
        owner->setReadOnly(true);
        owner->setFocusPolicy(Qt::NoFocus);
    }
    addLine(form, QStringLiteral("Address"), QStringLiteral("Kontoadresse"));
    addLine(form, QStringLiteral("Zip"), QStringLiteral("Kontopnr"));
    addLine(form, QStringLiteral("County"), QStringLiteral("Kontoby"));
    addLine(form, QStringLiteral("Work Phone"), QStringLiteral("Kontotlf"));
    addLine(form, QStringLiteral("Email"), QStringLiteral("kontomail"));
    addDepartment(form);

    auto* save = new QPushButton(QStringLiteral("Ok"), this);
    save->setObjectName(QStringLiteral("gem"));
    save->setToolTip(QStringLiteral("Save Record"));
    save->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Fortryd"));
    cancel->setToolTip(QStringLiteral("Undo Record"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(buttons);
    setMinimumWidth(380);

    bindFields();

    connect(save, &QPushButton::clicked, this, &GroupAccountWindow::Save);
    connect(cancel, &QPushButton::clicked, this, &GroupAccountWindow::Discard);
}

bool GroupAccountWindow::nameFilled()
{
    if (!m_name->text().isEmpty())
        return true;
    showMessage(QStringLiteral("Fill in Account Name!"), QStringLiteral("Error Message"));
    m_name->setFocus();
    return false;
}

bool GroupAccountWindow::store()
{
    // A failure has been reported; the window stays.
    const int login = session().LoginAccountId;
    return writeWithMembership([login](int id) { return AddMembershipOnceStatement(id, login); });
}

void GroupAccountWindow::Save()
{
    if (!source()->hasRecord()) {
        close();
        return;
    }
    if (nameFilled() && store())
        close();
}

void GroupAccountWindow::Discard()
{
    source()->refill();
    close();
}

bool GroupAccountWindow::finishNewRecord()
{
    // A group without a name cannot be kept: closing drops it.
    if (m_name->text().isEmpty()) {
        source()->refill();
        return true;
    }
    return store();
}

bool GroupAccountWindow::mayLeaveRecord()
{
    // A stored group must keep a name when it is left other than by Ok.
    if (m_name->text() != source()->value(QStringLiteral("Kontonavn")).toString())
        return nameFilled();
    return true;
}

} // namespace vestra
