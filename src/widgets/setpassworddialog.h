#pragma once
// Set password: the new password typed twice, and for users setting their
// own the old one first. What Ok does with it is the owner's: store it, or
// keep its hash for an account not yet written.

#include <QDialog>
#include <functional>

class QLineEdit;

namespace vestra {

class SetPasswordDialog : public QDialog {
    Q_OBJECT
public:
    // Stores the password (old is empty when not asked for); false with a
    // reason keeps the dialog open.
    using Store =
        std::function<bool(const QString& oldPassword, const QString& newPassword, QString* error)>;
    SetPasswordDialog(bool askOld, Store store, QWidget* parent = nullptr);

    // Refuses an empty password and two different ones; otherwise stores
    // and closes.
    void accept() override;

private:
    Store m_store;
    QLineEdit* m_old = nullptr;
    QLineEdit* m_new;
    QLineEdit* m_repeat;
};

// Opens the dialog window-modal over owner; it deletes itself on closing.
SetPasswordDialog* ShowSetPassword(QWidget* owner, bool askOld, SetPasswordDialog::Store store);

} // namespace vestra
