#include "startup/passworddialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace vestra {

std::optional<QString> AskForServerPassword(const QString& address)
{
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("ServerPassword"));
    dialog.setWindowTitle(QStringLiteral("Vestra - Database password"));
    auto* label = new QLabel(
        QStringLiteral("The database server asks for a password for\n") + address, &dialog);
    auto* password = new QLineEdit(&dialog);
    password->setObjectName(QStringLiteral("serverpassword"));
    password->setEchoMode(QLineEdit::Password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(password);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return password->text();
}

} // namespace vestra
