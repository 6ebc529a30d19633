#include "accounts/groupaccountmanager.h"

#include "accounts/accounts.h"
#include "accounts/groupaccountwindow.h"
#include "report/listcontrol.h"
#include "services/messages.h"
#include "session/session.h"
#include "widgets/scrolledbody.h"
#include "widgets/windowregistry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

namespace {

const QString kGroupWindow = QStringLiteral("Gruppekonto");
const QString kErrorTitle = QStringLiteral("Error");

// A one-column list of account names, each row keyed by the account's ID.
ListControl* accountList(QWidget* parent, const QString& name, const QString& heading,
                         const Statement& rows)
{
    auto* list = new ListControl(parent);
    list->setObjectName(name);
    list->setAccessibleName(heading);
    list->setColumns({{heading, 150}});
    list->setFillSource(
        {BookingFile, rows.sql, rows.binds, [](const QSqlRecord& r) -> std::optional<ListRow> {
             return ListRow{r.value(QStringLiteral("Kontonavn")).toString(),
                            r.value(QStringLiteral("ID")).toInt()};
         }});
    list->setMinimumHeight(260);
    return list;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

std::optional<int> selectedKey(const ListControl* list)
{
    const QVariant key = list->selectedData();
    if (!key.isValid())
        return std::nullopt;
    return key.toInt();
}

} // namespace

GroupAccountManager::GroupAccountManager(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Gruppetilk"));
    setWindowTitle(QStringLiteral("Vestra - Group Account Manager"));

    m_groups = accountList(this, QStringLiteral("Gruppe"), QStringLiteral("Groups"),
                           {QStringLiteral("SELECT ID, Kontonavn FROM KontiG"), {}});
    m_persons = accountList(this, QStringLiteral("personer"), QStringLiteral("Personal Accounts"),
                            {QStringLiteral("SELECT ID, Kontonavn FROM KontiP"), {}});
    m_members = accountList(this, QStringLiteral("medlemmer"), QStringLiteral("Group Members"),
                            MembersStatement(std::nullopt));

    auto* ownerBox = new QGroupBox(QStringLiteral("Group Owner"), this);
    auto* ownerForm = new QFormLayout(ownerBox);
    m_ownerId = new QLineEdit(ownerBox);
    m_ownerId->setObjectName(QStringLiteral("kontoowner"));
    m_ownerName = new QLineEdit(ownerBox);
    m_ownerName->setObjectName(QStringLiteral("kontokontakt"));
    for (QLineEdit* e : {m_ownerId, m_ownerName}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
    }
    ownerForm->addRow(QStringLiteral("Account"), m_ownerId);
    ownerForm->addRow(QStringLiteral("Name"), m_ownerName);

    auto* newGroup = button(this, QStringLiteral("NyGruppe"), QStringLiteral("Add New Group"));
    auto* editGroup = button(this, QStringLiteral("editgroup"), QStringLiteral("Edit Group"));
    auto* deleteGroup = button(this, QStringLiteral("Slet_Gruppe"), QStringLiteral("Delete Group"));
    auto* addMember = button(this, QString::fromUtf8("tilføjmedlem"), QStringLiteral("Add Member"));
    auto* deleteMember =
        button(this, QStringLiteral("Sletmedlem"), QStringLiteral("Delete Member"));
    auto* exit = button(this, QStringLiteral("Luk"), QStringLiteral("Exit"));

    auto* groupButtons = new QHBoxLayout;
    groupButtons->addWidget(newGroup);
    groupButtons->addWidget(editGroup);
    groupButtons->addWidget(deleteGroup);

    auto* grid = new QGridLayout;
    grid->addWidget(m_groups, 0, 0);
    grid->addWidget(m_persons, 0, 1);
    grid->addWidget(m_members, 0, 2);
    grid->addWidget(ownerBox, 1, 0);
    grid->addWidget(addMember, 1, 1, Qt::AlignTop);
    grid->addWidget(deleteMember, 1, 2, Qt::AlignTop);
    grid->addLayout(groupButtons, 2, 0);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(exit);
    auto* layout = new QVBoxLayout;
    SetScrolledBody(this, layout);
    layout->addLayout(grid);
    layout->addLayout(bottom);

    connect(m_groups, &QTreeWidget::itemSelectionChanged, this, &GroupAccountManager::groupChosen);
    connect(newGroup, &QPushButton::clicked, this, &GroupAccountManager::AddGroup);
    connect(editGroup, &QPushButton::clicked, this, &GroupAccountManager::EditGroup);
    connect(deleteGroup, &QPushButton::clicked, this, &GroupAccountManager::DeleteGroup);
    connect(addMember, &QPushButton::clicked, this, &GroupAccountManager::AddMember);
    connect(deleteMember, &QPushButton::clicked, this, &GroupAccountManager::DeleteMember);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);

    m_groups->fill();
    m_persons->fill();
    groupChosen();
}

std::optional<int> GroupAccountManager::selectedGroup() const
{
    return selectedKey(m_groups);
}

void GroupAccountManager::ReloadGroups()
{
    const std::optional<int> chosen = selectedGroup();
    {
        // Refilling is not the user choosing; the choice is restored below.
        const QSignalBlocker blocker(m_groups);
        m_groups->reload();
        if (chosen)
            m_groups->selectRow(m_groups->findRow(*chosen));
    }
    groupChosen();
}

void GroupAccountManager::ReloadMembers()
{
    const Statement members = MembersStatement(selectedGroup());
    m_members->fillSource().sql = members.sql;
    m_members->fillSource().binds = members.binds;
    m_members->reload();
}

void GroupAccountManager::groupChosen()
{
    std::optional<GroupOwner> owner;
    if (const auto group = selectedGroup()) {
        Database db = BookingFile();
        owner = LoadGroupOwner(db, *group);
    }
    m_ownerId->setText(owner ? owner->kontoowner.toString() : QString());
    m_ownerName->setText(owner ? owner->kontokontakt : QString());
    ReloadMembers();
}

std::optional<int> GroupAccountManager::requireGroup()
{
    const std::optional<int> group = selectedGroup();
    if (!group)
        showMessage(QStringLiteral("No Group Selected"), kErrorTitle);
    return group;
}

bool GroupAccountManager::requireOwner(int group, const QString& notOwnerText)
{
    Database db = BookingFile();
    const std::optional<GroupOwner> owner = LoadGroupOwner(db, group);
    if (!owner) {
        ReloadGroups(); // deleted on another workstation since the list was filled
        return false;
    }
    if (IsOwnedByLogin(owner->kontoowner))
        return true;
    QApplication::beep();
    showMessage(notOwnerText, QString());
    return false;
}

void GroupAccountManager::AddGroup()
{
    openGroupWindow(std::nullopt);
}

void GroupAccountManager::EditGroup()
{
    const std::optional<int> group = requireGroup();
    if (!group
        || !requireOwner(*group, QStringLiteral("Projects can only be edited by the owner!")))
        return;
    openGroupWindow(group);
}

void GroupAccountManager::openGroupWindow(std::optional<int> group)
{
    auto& windows = WindowRegistry::instance();
    if (auto* open = windows.find(kGroupWindow); open && open->isVisible()) {
        // One group at a time: the one being typed is finished first.
        windows.show(open, ShowMode::Owned, this);
        return;
    }
    auto* w = windows.obtain<GroupAccountWindow>(kGroupWindow, [this] {
        auto* window = new GroupAccountWindow;
        connect(window, &AccountWindow::closed, this, &GroupAccountManager::ReloadGroups);
        return window;
    });
    const bool positioned =
        group ? w->OpenOn(*group) : w->OpenNew(NewGroupAccountValues(session()));
    if (!positioned) {
        windows.unload(w);
        ReloadGroups(); // the group was deleted on another workstation
        return;
    }
    w->setWindowModality(Qt::ApplicationModal);
    windows.show(w, ShowMode::Owned, this);
}

void GroupAccountManager::DeleteGroup()
{
    const std::optional<int> group = requireGroup();
    if (!group
        || !requireOwner(*group, QStringLiteral("Projects can only be deleted by the owner!")))
        return;
    Database db = BookingFile();
    const QString hasBookings =
        QStringLiteral("Project can't be deleted due to existing bookings !");
    if (GroupHasBookings(db, *group)) {
        showMessage(hasBookings, QString());
        return;
    }
    if (!askYesNo(QStringLiteral("Confirm Deletion ?"), QStringLiteral("Delete Info")))
        return;
    const AccountDeleteResult result = DeleteGroupAccount(db, *group);
    if (result.refusal == AccountRefusal::HasBookings)
        showMessage(hasBookings, QString());
    else if (!result.error.isEmpty())
        showMessage(QStringLiteral("The record could not be deleted:\n") + result.error,
                    kErrorTitle, MsgIcon::Critical);
    ReloadGroups();
}

void GroupAccountManager::AddMember()
{
    const std::optional<int> group = requireGroup();
    if (!group)
        return;
    const std::optional<int> person = selectedKey(m_persons);
    if (!person) {
        showMessage(QStringLiteral("No Personal Account Selected"), kErrorTitle);
        return;
    }
    if (!requireOwner(*group, QStringLiteral("Projects can only be edited by the owner!!")))
        return;
    Database db = BookingFile();
    vestra::AddMember(db, *group, *person);
    ReloadMembers();
}

void GroupAccountManager::DeleteMember()
{
    const std::optional<int> group = requireGroup();
    if (!group)
        return;
    const std::optional<int> member = selectedKey(m_members);
    if (!member) {
        showMessage(QStringLiteral("No Member Account Selected"), kErrorTitle);
        return;
    }
    if (!requireOwner(*group, QStringLiteral("Projects can only be edited by the owner!")))
        return;
    Database db = BookingFile();
    vestra::DeleteMember(db, *group, *member);
    ReloadMembers();
}

void GroupAccountManager::closeEvent(QCloseEvent* event)
{
    // The group window goes with the manager, writing its record first.
    if (!WindowRegistry::closeOwnedWindows(this)) {
        event->ignore();
        return;
    }
    event->accept();
}

GroupAccountManager* ShowGroupAccountManager(QWidget* owner)
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<GroupAccountManager>(QStringLiteral("Gruppetilk"),
                                                  [] { return new GroupAccountManager; });
    windows.show(w, owner ? ShowMode::Owned : ShowMode::Free, owner);
    return w;
}

} // namespace vestra
