#include "accounts/accountmanager.h"

#include "accounts/accounts.h"
#include "accounts/personalaccountwindow.h"
#include "report/listcontrol.h"
#include "services/messages.h"
#include "session/session.h"
#include "widgets/windowregistry.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vestra {

namespace {

const QString kConfirmTitle = QStringLiteral("Confirm Deletion");

QRadioButton* option(QGroupBox* frame, const QString& name, const QString& text)
{
    auto* b = new QRadioButton(text, frame);
    b->setObjectName(name);
    frame->layout()->addWidget(b);
    return b;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

AccountManager::AccountManager(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Kontoliste"));
    setWindowTitle(QStringLiteral("Vestra  -  Administrators Account Manager"));

    m_accType = new QLineEdit(QStringLiteral("p"), this);
    m_accType->setObjectName(QStringLiteral("AccType"));
    m_accType->hide();
    m_isarc = new QCheckBox(this);
    m_isarc->setObjectName(QStringLiteral("isarc"));
    m_isarc->hide();

    auto* type = new QGroupBox(QStringLiteral("Type"), this);
    new QHBoxLayout(type);
    m_private = option(type, QStringLiteral("OptPri"), QStringLiteral("Private"));
    m_group = option(type, QStringLiteral("OptGrp"), QStringLiteral("Group"));
    auto* status = new QGroupBox(QStringLiteral("Status"), this);
    new QHBoxLayout(status);
    m_active = option(status, QStringLiteral("OptAct"), QStringLiteral("Active"));
    m_archived = option(status, QStringLiteral("OptArc"), QStringLiteral("Archived"));
    m_private->setChecked(true);
    m_active->setChecked(true);

    m_list = new ListControl(this);
    m_list->setObjectName(QStringLiteral("acclist"));
    m_list->setAccessibleName(QStringLiteral("Accounts"));

    auto* add = button(this, QStringLiteral("AddAcc"), QStringLiteral("Add"));
    auto* editAcc = button(this, QStringLiteral("EditAcc"), QStringLiteral("Edit"));
    auto* del = button(this, QStringLiteral("Slet"), QStringLiteral("Del"));
    auto* cleanup =
        button(this, QStringLiteral("Cleanup"), QStringLiteral("Clean Up Archived Accounts"));
    auto* exit = button(this, QStringLiteral("Luk"), QStringLiteral("Exit"));

    auto* options = new QHBoxLayout;
    options->addWidget(type);
    options->addWidget(status);
    options->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(editAcc);
    buttons->addWidget(del);
    buttons->addSpacing(12);
    buttons->addWidget(cleanup);
    buttons->addStretch();
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(m_list);
    layout->addLayout(buttons);

    for (QRadioButton* b : {m_private, m_group, m_active, m_archived})
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                applyOptions();
        });
    connect(add, &QPushButton::clicked, this, &AccountManager::AddAccount);
    connect(editAcc, &QPushButton::clicked, this, &AccountManager::EditAccount);
    connect(del, &QPushButton::clicked, this, &AccountManager::DeleteAccount);
    connect(cleanup, &QPushButton::clicked, this, &AccountManager::CleanUp);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    connect(m_list, &ListControl::rowActivated, this,
            [this](int, const QVariant& id) { edit(id.toInt()); });

    m_list->setColumns({{QStringLiteral("Account Name"), 130},
                        {QStringLiteral("Contact"), 130},
                        {QStringLiteral("Contact"), 130}});
    m_list->setFillSource({BookingFile, {}, {}, [](const QSqlRecord& r) -> std::optional<ListRow> {
                               return ListRow{
                                   QStringList{r.value(QStringLiteral("Kontonavn")).toString(),
                                               r.value(QStringLiteral("kontokontakt")).toString(),
                                               r.value(QStringLiteral("Kontotlf")).toString()}
                                       .join(QLatin1Char(';')),
                                   r.value(QStringLiteral("ID")).toInt()};
                           }});
    applyOptions();
    resize(m_list->columnsWidth() + 160, 420);
    m_list->setFocus();
}

QString AccountManager::accountType() const
{
    return m_accType->text();
}

bool AccountManager::showsArchived() const
{
    return m_isarc->isChecked();
}

void AccountManager::applyOptions()
{
    m_accType->setText(m_group->isChecked() ? QStringLiteral("g") : QStringLiteral("p"));
    m_isarc->setChecked(m_archived->isChecked());
    Reload();
}

void AccountManager::Reload()
{
    const Statement rows = AccountListStatement(accountType(), showsArchived());
    m_list->fillSource().sql = rows.sql;
    m_list->fillSource().binds = rows.binds;
    m_list->reload();
}

void AccountManager::EditAccount()
{
    const QVariant id = m_list->selectedData();
    if (!id.isValid()) {
        showMessage(QStringLiteral("No Account Selected."), QStringLiteral("Service Message2"));
        return;
    }
    edit(id.toInt());
}

void AccountManager::edit(int id)
{
    auto* w = ShowEditAccount(id, accountType() == QLatin1String("g"), this);
    if (!w) {
        Reload(); // deleted since the list was filled
        return;
    }
    // Connected once however often the window is reused.
    connect(w, &AccountWindow::closed, this, &AccountManager::Reload, Qt::UniqueConnection);
}

void AccountManager::AddAccount()
{
    if (auto* w = ShowAddAccount(this))
        connect(w, &AccountWindow::closed, this, &AccountManager::Reload, Qt::UniqueConnection);
}

void AccountManager::DeleteAccount()
{
    const QVariant id = m_list->selectedData();
    if (!id.isValid())
        return;
    if (!askYesNo(QStringLiteral("Confirm deletion of selected account."), kConfirmTitle))
        return;
    Database db = BookingFile();
    const AccountDeleteResult result = vestra::DeleteAccount(db, id.toInt());
    if (result.refusal == AccountRefusal::Admin || result.refusal == AccountRefusal::HasBookings)
        showMessage(AccountRefusalText(result.refusal), AccountRefusalTitle(result.refusal),
                    MsgIcon::Warning);
    else if (!result.error.isEmpty())
        showMessage(QStringLiteral("The account could not be deleted:\n") + result.error,
                    QStringLiteral("Error"), MsgIcon::Critical);
    Reload();
}

void AccountManager::CleanUp()
{
    if (!askYesNo(QStringLiteral("Confirm deletion of all archived accounts, with no "
                                 "corresponding active or archived bookings."),
                  kConfirmTitle))
        return;
    Database db = BookingFile();
    const CleanUpResult result = CleanUpArchivedAccounts(db);
    if (!result.error.isEmpty())
        showMessage(QStringLiteral("The archived accounts could not be removed:\n") + result.error,
                    QStringLiteral("Error"), MsgIcon::Critical);
    Reload();
}

void AccountManager::closeEvent(QCloseEvent* event)
{
    // The account windows are owned by the list and go with it, each
    // writing its record first.
    if (!WindowRegistry::closeOwnedWindows(this)) {
        event->ignore();
        return;
    }
    event->accept();
}

AccountManager* ShowAccountManager(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<AccountManager>(QStringLiteral("Kontoliste"),
                                             [] { return new AccountManager; });
    windows.show(w, owner ? ShowMode::Owned : ShowMode::Free, owner);
    return w;
}

} // namespace vestra
