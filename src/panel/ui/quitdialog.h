#pragma once
// Asks for an administrator's user name and password before a panel quits:
// on a booking file an administrator account, on a server a vestra_admin role.

#include <QDialog>

class QLabel;
class QLineEdit;

namespace vestra {

class QuitDialog : public QDialog {
    Q_OBJECT
public:
    QuitDialog(const QString& store, QWidget* parent = nullptr);

    void accept() override;

private:
    QString m_store;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLabel* m_refusal;
};

} // namespace vestra
