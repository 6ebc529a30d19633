#pragma once
// The login window: a good login opens the day view; Cancel ends the program.
// After repeated wrong passwords for a name it shows how long to wait.

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QTimer;

namespace vestra {

class LoginWindow : public QDialog {
    Q_OBJECT
public:
    explicit LoginWindow(QWidget* parent = nullptr);
    void CheckLogin();
    void Cancel();

protected:
    void reject() override;

private:
    void showWait();
    // The end of a login: the login window goes, the main window comes.
    void finishLogin();
    // The template's administrator must choose a new password first; a
    // cancelled choice is no login.
    void chooseNewPassword();

    QLineEdit* m_user;
    QLabel* m_wait;
    QTimer* m_waitTimer;
    QString m_waitingUser;
    QLineEdit* m_password;
    bool m_done = false;
};

LoginWindow* ShowLogin();

} // namespace vestra
