#include "panel/ui/quitdialog.h"

#include "db/database.h"
#include "panel/panelstore.h"
#include "session/login.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace vestra {

QuitDialog::QuitDialog(const QString& store, QWidget* parent) : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("panelquit"));
    setWindowTitle(QStringLiteral("Leave the panel"));
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("quituser"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("quitpassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_refusal = new QLabel(this);
    m_refusal->setObjectName(QStringLiteral("quitrefusal"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QuitDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(IsServerAddress(store) ? QStringLiteral("Administrator role:")
                                        : QStringLiteral("Administrator:"),
                 m_user);
    form->addRow(QStringLiteral("Password:"), m_password);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("An administrator's password is needed to leave "
                                                "the panel."),
                                 this));
    layout->addLayout(form);
    layout->addWidget(m_refusal);
    layout->addWidget(buttons);
}

void QuitDialog::accept()
{
    // Guessing at a panel in a corridor waits as long as at the login window.
    LoginThrottle& throttle = WorkstationLoginThrottle();
    const QString user = m_user->text();
    if (const qint64 wait = throttle.waitMs(user); wait > 0) {
        m_refusal->setText(QStringLiteral("Too many wrong passwords; try again in %1 s.")
                               .arg((wait + 999) / 1000));
        return;
    }
    if (IsAdministratorLogin(m_store, user, m_password->text())) {
        throttle.succeeded(user);
        QDialog::accept();
        return;
    }
    throttle.failed(user);
    m_password->clear();
    m_refusal->setText(QStringLiteral("Not an administrator's user name and password."));
}

} // namespace vestra
