#include "accounts/personalaccountwindow.h"

#include "accounts/accounts.h"
#include "data/passwords.h"
#include "forms/fieldeditors.h"
#include "services/messages.h"
#include "session/login.h"
#include "session/session.h"
#include "widgets/setpassworddialog.h"
#include "widgets/windowregistry.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>
#include <QVBoxLayout>

namespace vestra {

namespace {

QString windowName(PersonkontoMode mode)
{
    switch (mode) {
    case PersonkontoMode::Add:
        return QStringLiteral("PersonkontoAdd");
    case PersonkontoMode::Edit:
        return QStringLiteral("Personkonto");
    case PersonkontoMode::Mine:
        break;
    }
    return QStringLiteral("Minkonto");
}

QString caption(PersonkontoMode mode)
{
    switch (mode) {
    case PersonkontoMode::Add:
        return QStringLiteral("Vestra  -  Add Account");
    case PersonkontoMode::Edit:
        return QStringLiteral("Vestra  -  Edit Account");
    case PersonkontoMode::Mine:
        break;
    }
    return QStringLiteral("Vestra  -  My Account");
}

PersonalAccountWindow* obtain(PersonkontoMode mode)
{
    return WindowRegistry::instance().obtain<PersonalAccountWindow>(
        windowName(mode), [mode] { return new PersonalAccountWindow(mode); });
}

// Opens the window on a stored account; a window that was only made for
// this and found nothing goes again.
PersonalAccountWindow* openOn(PersonkontoMode mode, int id, QWidget* owner)
{
    PersonalAccountWindow* w = obtain(mode);
    if (!w->OpenOn(id)) {
        if (!w->isVisible())
            WindowRegistry::instance().unload(w);
        return nullptr;
    }
    WindowRegistry::instance().show(w, ShowMode::Owned, owner);
    return w;
}

} // namespace

PersonalAccountWindow::PersonalAccountWindow(PersonkontoMode mode, QWidget* parent)
    : AccountWindow(parent), m_mode(mode)
{
    setObjectName(windowName(mode));
    setWindowTitle(caption(mode));

    auto* accountBox = new QGroupBox(QStringLiteral("Account"), this);
    auto* account = new QFormLayout(accountBox);
    m_name = addLine(account, QStringLiteral("Account Name"), QStringLiteral("Kontonavn"));
    m_contact = addLine(account, QStringLiteral("Contact Name"), QStringLiteral("kontokontakt"));
    m_user = addLine(account, QStringLiteral("Username"), QStringLiteral("Kontouser"));
    // The stored password is never shown; it can only be set anew.
    m_setPassword = new QPushButton(QStringLiteral("Set password…"), this);
    m_setPassword->setObjectName(QStringLiteral("SetPasswordButton"));
    account->addRow(QStringLiteral("Password"), m_setPassword);
    connect(m_setPassword, &QPushButton::clicked, this, &PersonalAccountWindow::SetPassword);
    addLine(account, QStringLiteral("Post"), QStringLiteral("Kontostilling"));
    addDepartment(account);
    if (mode != PersonkontoMode::Mine) {
        addFlag(account, QStringLiteral("Administrator"), QStringLiteral("admin"));
        addFlag(account, QStringLiteral("Archived"), QStringLiteral("archived"));
    }

    auto* addressBox = new QGroupBox(QStringLiteral("Address"), this);
    auto* address = new QFormLayout(addressBox);
    addLine(address, QStringLiteral("Address"), QStringLiteral("Kontoadresse"));
    addLine(address, QStringLiteral("Zip"), QStringLiteral("Kontopnr"));
    addLine(address, QStringLiteral("County"), QStringLiteral("Kontoby"));
    addLine(address, QStringLiteral("Work Phone"), QStringLiteral("Kontotlf"));
    addLine(address, QStringLiteral("Private Phone"), QStringLiteral("Kontotlfp"));
    addLine(address, QStringLiteral("Mobile Phone:"), QStringLiteral("Kontomobil"));
    addLine(address, QStringLiteral("Fax"), QStringLiteral("Kontofax"));
    addLine(address, QStringLiteral("Email"), QStringLiteral("kontomail"));

    auto* columns = new QHBoxLayout;
    columns->addWidget(accountBox, 1, Qt::AlignTop);
    columns->addWidget(addressBox, 1, Qt::AlignTop);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    if (mode == PersonkontoMode::Add) {
        auto* add = new QPushButton(QStringLiteral("Add"), this);
        add->setObjectName(QStringLiteral("addknap"));
        add->setDefault(true);
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
        cancel->setObjectName(QStringLiteral("Canc"));
        buttons->addWidget(add);
        buttons->addWidget(cancel);
        connect(add, &QPushButton::clicked, this, &PersonalAccountWindow::Add);
        connect(cancel, &QPushButton::clicked, this, &PersonalAccountWindow::Cancel);
    } else {
        auto* ok = new QPushButton(QStringLiteral("Ok"), this);
        ok->setObjectName(QStringLiteral("Command22"));
        ok->setDefault(true);
        buttons->addWidget(ok);
        connect(ok, &QPushButton::clicked, this, &QWidget::close);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addStretch();
    layout->addLayout(buttons);
    setMinimumWidth(620);

    bindFields();
}

void PersonalAccountWindow::setCredentialsEnabled(bool enabled)
{
    m_user->setEnabled(enabled);
    m_setPassword->setEnabled(enabled);
}

void PersonalAccountWindow::SetPassword()
{
    RecordSource* s = source();
    if (!s->hasRecord())
        return;
    if (s->isAdding()) {
        // On a server the password is the login role's: the account is
        // stored with its login first, then the password set as for any.
        if (Database db = BookingFile(); ServerKeepsLogins(db)) {
            if (!storeNew())
                return;
            SetPassword();
            return;
        }
        // Kept as its hash in the new record, written with it.
        ShowSetPassword(
            this, false, [this](const QString&, const QString& password, QString* error) {
                const QString hash = HashPassword(password);
                if (hash.isEmpty()) {
                    *error = QStringLiteral("The password could not be hashed.");
                    return false;
                }
                RecordSource* s = source();
                QSqlTableModel* model = s->model();
                const int row = s->mapper()->currentIndex();
                return model->setData(
                    model->index(row, model->fieldIndex(QStringLiteral("KontoPass"))), hash);
            });
        return;
    }
    // The password is written on its own and moves the record's change
    // counter on, so what is typed (here and in any other window on the
    // account) is written first and the record read again after: the
    // windows' next write must not look like another workstation's change.
    if (!leaveRecord())
        return;
    const int id = s->key().toInt();
    // Users setting their own password prove they know the old one.
    const bool own = m_mode == PersonkontoMode::Mine;
    ShowSetPassword(
        this, own, [id, own](const QString& oldPassword, const QString& password, QString* error) {
            const QString table = QStringLiteral("konti");
            if (!OpenEditors::storeTyped(table, id)) {
                *error = QStringLiteral("The password was not set: what is typed in another "
                                        "window on the account could not be stored first.");
                return false;
            }
            Database db = BookingFile();
            const bool stored = own ? ChangeOwnPassword(db, id, oldPassword, password, error)
                                    : SetAccountPassword(db, id, password, error);
            if (stored)
                OpenEditors::reread(table, id);
            return stored;
        });
}

bool PersonalAccountWindow::requiredFilled()
{
    if (!m_name->text().isEmpty() && !m_contact->text().isEmpty())
        return true;
    showMessage(QStringLiteral("Account Name and Account Contact are required parameters."),
                QStringLiteral("Service Message"));
    return false;
}

void PersonalAccountWindow::Add()
{
    if (!source()->isAdding()) {
        close();
        return;
    }
    Database db = BookingFile();
    const bool serverLogin = ServerKeepsLogins(db);
    if (!storeNew())
        return;
    if (!serverLogin) {
        close();
        return;
    }
    // The new login's first password, asked at once; the window closes with the dialog.
    SetPassword();
    if (auto* dialog = findChild<SetPasswordDialog*>())
        connect(dialog, &QDialog::finished, this, &QWidget::close);
    else
        close();
}

bool PersonalAccountWindow::storeNew()
{
    if (!requiredFilled())
        return false;
    // A personal account is a member of itself, so that it may book for itself.
    Database db = BookingFile();
    const bool serverLogin = ServerKeepsLogins(db);
    return writeWithMembership(
        [serverLogin](int id) { return NewPersonMembershipStatement(id, serverLogin); });
}

bool PersonalAccountWindow::finishNewRecord()
{
    // Closed before anything required was typed: nothing to keep.
    if (m_name->text().isEmpty() && m_contact->text().isEmpty()) {
        source()->refill();
        return true;
    }
    return storeNew();
}

PersonalAccountWindow* ShowAddAccount(QWidget* owner)
{
    auto& registry = WindowRegistry::instance();
    // A new account already being typed is shown again, not replaced.
    auto* w = registry.findAs<PersonalAccountWindow>(windowName(PersonkontoMode::Add));
    if (!w || !w->source()->isAdding()) {
        w = obtain(PersonkontoMode::Add);
        if (!w->OpenNew(NewPersonalAccountValues())) {
            if (!w->isVisible())
                registry.unload(w);
            return nullptr;
        }
    }
    registry.show(w, ShowMode::Owned, owner);
    return w;
}

PersonalAccountWindow* ShowEditAccount(int id, bool groupAccount, QWidget* owner)
{
    PersonalAccountWindow* w = openOn(PersonkontoMode::Edit, id, owner);
    if (w)
        w->setCredentialsEnabled(!groupAccount);
    return w;
}

PersonalAccountWindow* ShowMyAccount(QWidget* owner)
{
    return openOn(PersonkontoMode::Mine, session().LoginAccountId, owner);
}

} // namespace vestra
