#pragma once
// The group account manager (Gruppetilk): the group accounts, the personal
// accounts and the members of the chosen group, with the chosen group's
// owner. Anyone may create a group; only its owner edits or deletes it and
// adds or removes its members.

#include <QWidget>
#include <optional>

class QLineEdit;

namespace vestra {

class ListControl;

class GroupAccountManager : public QWidget {
    Q_OBJECT
public:
    explicit GroupAccountManager(QWidget* parent = nullptr);

    ListControl* groups() const { return m_groups; }
    ListControl* persons() const { return m_persons; }
    ListControl* members() const { return m_members; }

    // The chosen group's ID, if any.
    std::optional<int> selectedGroup() const;
    // Fills the groups list again, keeping the chosen group when it is still there.
    void ReloadGroups();
    // The members of the chosen group (of account 1 while none is chosen).
    void ReloadMembers();

    void AddGroup();
    void EditGroup();
    void DeleteGroup();
    void AddMember();
    void DeleteMember();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void groupChosen();
    // The chosen group; says "No Group Selected" when there is none.
    std::optional<int> requireGroup();
    // The logged-in account owns the group; otherwise beeps, says
    // notOwnerText and is false.
    bool requireOwner(int group, const QString& notOwnerText);
    void openGroupWindow(std::optional<int> group);

    ListControl* m_groups;
    ListControl* m_persons;
    ListControl* m_members;
    QLineEdit* m_ownerId;
    QLineEdit* m_ownerName;
};

// Opens the manager owned by owner (free without one).
GroupAccountManager* ShowGroupAccountManager(QWidget* owner);

} // namespace vestra
