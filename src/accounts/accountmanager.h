#pragma once
// The administrators' account list (Kontoliste): personal or group accounts,
// active or archived; opens an account for editing, starts a new personal
// account, deletes one account and clears out the archived accounts that no
// booking refers to.

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace vestra {

class ListControl;

class AccountManager : public QWidget {
    Q_OBJECT
public:
    explicit AccountManager(QWidget* parent = nullptr);

    ListControl* list() const { return m_list; }
    // "p" or "g".
    QString accountType() const;
    bool showsArchived() const;

    // Clears the rows and lists the accounts of the chosen type and status.
    void Reload();
    void EditAccount();
    void AddAccount();
    void DeleteAccount();
    void CleanUp();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void edit(int id);
    void applyOptions();

    ListControl* m_list;
    QLineEdit* m_accType; // hidden: the type shown
    QCheckBox* m_isarc;   // hidden: archived accounts are shown
    QRadioButton* m_private;
    QRadioButton* m_group;
    QRadioButton* m_active;
    QRadioButton* m_archived;
};

// Opens the list owned by owner (free without one). Only administrators
// may use it: the command bar checks first.
AccountManager* ShowAccountManager(QWidget* owner);

} // namespace vestra
