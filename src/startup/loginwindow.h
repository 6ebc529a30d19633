#pragma once
// The login window: a good login opens the day view; Cancel ends the program.

#include <QDialog>

class QLineEdit;

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
    QLineEdit* m_user;
    QLineEdit* m_password;
    bool m_done = false;
};

LoginWindow* ShowLogin();

} // namespace vestra
