#pragma once
// The personal account windows, one class in three uses: Add Account
// (PersonkontoAdd) starts a new personal account for the account list, Edit
// Account (Personkonto) edits any account from the list, and My Account
// (Minkonto) lets the logged-in user edit their own, without the
// Administrator and Archived fields.

#include "accounts/accountwindow.h"

class QLineEdit;
class QPushButton;

namespace vestra {

enum class PersonkontoMode { Add, Edit, Mine };

class PersonalAccountWindow : public AccountWindow {
    Q_OBJECT
public:
    explicit PersonalAccountWindow(PersonkontoMode mode, QWidget* parent = nullptr);

    PersonkontoMode mode() const { return m_mode; }
    // Add: refuses a missing name or contact; otherwise writes the account
    // with its own membership row and closes.
    void Add();
    // Username and Password are a personal account's; a group's stay locked.
    void setCredentialsEnabled(bool enabled);
    // Set password…: administrators set any account's, users their own after
    // typing the old one; a new account keeps it until it is written.
    void SetPassword();

protected:
    bool finishNewRecord() override;

private:
    bool requiredFilled();
    bool storeNew();

    PersonkontoMode m_mode;
    QLineEdit* m_name;
    QLineEdit* m_contact;
    QLineEdit* m_user;
    QPushButton* m_setPassword;
};

// Opens Add Account on a new personal account (or shows the one already
// being added), owned by owner.
PersonalAccountWindow* ShowAddAccount(QWidget* owner);
// Opens Edit Account on the account, owned by owner; nullptr when the
// account is gone.
PersonalAccountWindow* ShowEditAccount(int id, bool groupAccount, QWidget* owner);
// Opens My Account on the logged-in account, owned by owner.
PersonalAccountWindow* ShowMyAccount(QWidget* owner);

} // namespace vestra
