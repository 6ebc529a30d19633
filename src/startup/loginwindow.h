#pragma once
// The login window: a good login opens the day view; Cancel ends the program.

#include <QDialog>

class QLineEdit;

namespace vestra {

class FrmLogin : public QDialog {
    Q_OBJECT
public:
    explicit FrmLogin(QWidget* parent = nullptr);
    void CheckLogin();
    void Cancel();

protected:
    void reject() override;

private:
    QLineEdit* m_user;
    QLineEdit* m_password;
    bool m_done = false;
};

FrmLogin* ShowLogin();

} // namespace vestra
