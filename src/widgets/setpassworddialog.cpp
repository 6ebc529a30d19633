#include "widgets/setpassworddialog.h"

#include "services/messages.h"
#include "widgets/passwordfield.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

SetPasswordDialog::SetPasswordDialog(bool askOld, Store store, QWidget* parent)
    : QDialog(parent), m_store(std::move(store))
{
    setObjectName(QStringLiteral("SetPassword"));
    setWindowTitle(QStringLiteral("Vestra  -  Set Password"));
    auto* form = new QFormLayout;
    auto line = [this, form](const QString& label, const QString& name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        MakePasswordField(edit);
        form->addRow(label, edit);
        return edit;
    };
    if (askOld)
        m_old = line(QStringLiteral("Old password"), QStringLiteral("oldpassword"));
    m_new = line(QStringLiteral("New password"), QStringLiteral("newpassword"));
    m_repeat = line(QStringLiteral("Repeat new password"), QStringLiteral("repeatpassword"));
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    box->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    connect(box, &QDialogButtonBox::accepted, this, &SetPasswordDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(box);
    setMinimumWidth(340);
}

void SetPasswordDialog::accept()
{
    QString error;
    if (m_new->text().isEmpty())
        error = QStringLiteral("The password must not be empty.");
    else if (m_new->text() != m_repeat->text())
        error = QStringLiteral("The two new passwords differ.");
    else if (m_store(m_old ? m_old->text() : QString(), m_new->text(), &error))
        return QDialog::accept();
    showMessage(error, QStringLiteral("Set Password"), MsgIcon::Warning);
    m_new->clear();
    m_repeat->clear();
    m_new->setFocus();
}

SetPasswordDialog* ShowSetPassword(QWidget* owner, bool askOld, SetPasswordDialog::Store store)
{
    auto* dialog = new SetPasswordDialog(askOld, std::move(store), owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    return dialog;
}

} // namespace vestra
