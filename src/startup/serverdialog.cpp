#include "startup/serverdialog.h"

#include "services/filedialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>

namespace vestra {

ServerDialog::ServerDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ConnectServer"));
    setWindowTitle(QStringLiteral("Vestra - Connect to booking database server"));
    auto field = [this](const char* name, const QString& placeholder) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setPlaceholderText(placeholder);
        // Wide enough for a host name or socket folder and the hint, whole.
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
        return edit;
    };
    m_host = field("serverhost", QStringLiteral("server name, or socket folder"));
    m_port = field("serverport", QStringLiteral("5432"));
    m_port->setValidator(new QIntValidator(1, 65535, m_port));
    m_database = field("serverdb", QString());
    m_user = field("serveruser", QString());
    m_verified = new QCheckBox(QStringLiteral("&Require an encrypted, verified connection"), this);
    m_verified->setObjectName(QStringLiteral("serververified"));
    m_rootCert = field("serverrootcert", QStringLiteral("the system's trusted certificates"));
    m_rootCert->setAccessibleName(QStringLiteral("Root certificate"));
    auto* browse = new QPushButton(QStringLiteral("&Browse…"), this);
    browse->setObjectName(QStringLiteral("serverrootbrowse"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const FileChoice file = fileDialogs().openFile(
            QStringLiteral("Root certificate"),
            QStringLiteral("Certificates (*.crt *.pem *.cer);;All files (*)"), m_rootCert->text());
        if (file.chosen)
            m_rootCert->setText(file.fullPath);
    });
    // The root certificate only matters for a verified connection.
    auto enable = [this, browse](bool on) {
        m_rootCert->setEnabled(on);
        browse->setEnabled(on);
    };
    connect(m_verified, &QCheckBox::toggled, this, enable);
    enable(false);
    auto* root = new QHBoxLayout;
    root->addWidget(m_rootCert);
    root->addWidget(browse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Host:"), m_host);
    form->addRow(QStringLiteral("Port:"), m_port);
    form->addRow(QStringLiteral("Database:"), m_database);
    form->addRow(QStringLiteral("User:"), m_user);
    form->addRow(m_verified);
    form->addRow(QStringLiteral("Root certificate:"), root);
    form->addRow(buttons);
}

ServerChoice ServerDialog::choice() const
{
    return {m_host->text(), m_port->text(),          m_database->text(),
            m_user->text(), m_verified->isChecked(), m_rootCert->text()};
}

void ServerDialog::setChoice(const ServerChoice& c)
{
    m_host->setText(c.host);
    m_port->setText(c.port);
    m_database->setText(c.database);
    m_user->setText(c.user);
    m_verified->setChecked(c.verified);
    m_rootCert->setText(c.rootCert);
}

std::optional<ServerChoice> AskForServer(QWidget* parent, const ServerChoice& typed)
{
    ServerDialog dialog(parent);
    dialog.setChoice(typed);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

} // namespace vestra
