#include "startup/serverdialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLineEdit>

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

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Host:"), m_host);
    form->addRow(QStringLiteral("Port:"), m_port);
    form->addRow(QStringLiteral("Database:"), m_database);
    form->addRow(QStringLiteral("User:"), m_user);
    form->addRow(buttons);
}

ServerChoice ServerDialog::choice() const
{
    return {m_host->text(), m_port->text(), m_database->text(), m_user->text()};
}

std::optional<ServerChoice> AskForServer(QWidget* parent)
{
    ServerDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

} // namespace vestra
