#include "startup/loginwindow.h"

#include "db/database.h"
#include "services/messages.h"
#include "session/login.h"
#include "session/session.h"
#include "shell/navigator.h"
#include "widgets/passwordfield.h"
#include "widgets/setpassworddialog.h"
#include "widgets/windowregistry.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vestra {

namespace {
// The user name and password of the first administrator of every new store.
constexpr char kTemplateUser[] = "admin";
} // namespace

LoginWindow::LoginWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Vestra - Login"));

    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("txtUserName"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("txtPassword"));
    MakePasswordField(m_password);

    auto* userLabel = new QLabel(QStringLiteral("&User Name:"), this);
    userLabel->setBuddy(m_user);
    auto* passwordLabel = new QLabel(QStringLiteral("&Password:"), this);
    passwordLabel->setBuddy(m_password);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* box = new QDialogButtonBox(this);
    box->addButton(ok, QDialogButtonBox::AcceptRole);
    box->addButton(cancel, QDialogButtonBox::RejectRole);

    // Which booking file this login is for: several institutions may share a machine.
    auto* header = new QLabel(this);
    header->setObjectName(QStringLiteral("header"));
    header->setTextFormat(Qt::RichText);
    header->setText(QStringLiteral("<b>%1</b><br><small>%2</small>")
                        .arg(session().InstitutionName.toHtmlEscaped(),
                             StoreDisplayName(session().BookingFilePath, true).toHtmlEscaped()));

    // After repeated wrong passwords the next try waits; the wait counts down here.
    m_wait = new QLabel(this);
    m_wait->setObjectName(QStringLiteral("lblWait"));
    m_wait->hide();
    m_waitTimer = new QTimer(this);
    m_waitTimer->setInterval(200);
    connect(m_waitTimer, &QTimer::timeout, this, &LoginWindow::showWait);

    auto* form = new QFormLayout;
    form->addRow(userLabel, m_user);
    form->addRow(passwordLabel, m_password);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addLayout(form);
    layout->addWidget(m_wait);
    layout->addWidget(box);
    setMinimumWidth(320);

    connect(ok, &QPushButton::clicked, this, &LoginWindow::CheckLogin);
    connect(cancel, &QPushButton::clicked, this, &LoginWindow::Cancel);
    m_user->setFocus();
}

void LoginWindow::showWait()
{
    const qint64 ms = WorkstationLoginThrottle().waitMs(m_waitingUser);
    if (ms <= 0) {
        m_waitTimer->stop();
        m_wait->hide();
        return;
    }
    m_wait->setText(QStringLiteral("Too many wrong passwords. Wait %1 s before trying again.")
                        .arg((ms + 999) / 1000));
    m_wait->show();
    if (!m_waitTimer->isActive())
        m_waitTimer->start();
}

void LoginWindow::CheckLogin()
{
    LoginThrottle& throttle = WorkstationLoginThrottle();
    const QString user = m_user->text();
    if (throttle.waitMs(user) > 0) {
        m_waitingUser = user;
        showWait();
        return;
    }
    if (CheckCredentials(session(), user, m_password->text())) {
        throttle.succeeded(user);
        // A new store's first administrator has a password everyone knows:
        // a new one comes before anything else.
        if (user == QLatin1String(kTemplateUser)
            && m_password->text() == QLatin1String(kTemplateUser)) {
            session().LoginOk = false;
            chooseNewPassword();
            return;
        }
        finishLogin();
        return;
    }
    throttle.failed(user);
    m_waitingUser = user;
    showMessage(QStringLiteral("Invalid Login, try again!"), QStringLiteral("Login"),
                MsgIcon::Warning);
    showWait();
    m_user->clear();
    m_password->clear();
    activateWindow();
    m_user->setFocus();
    m_user->selectAll();
}

void LoginWindow::finishLogin()
{
    m_done = true;
    hide();
    if (navigator().showMainWindow)
        navigator().showMainWindow();
    WindowRegistry::instance().unload(this);
}

void LoginWindow::chooseNewPassword()
{
    const int id = session().LoginAccountId;
    auto* d =
        ShowSetPassword(this, false, [id](const QString&, const QString& password, QString* error) {
            if (password == QLatin1String(kTemplateUser)) {
                *error = QStringLiteral("Choose a password other than the "
                                        "one every new store starts with.");
                return false;
            }
            Database db = Database::open(session().BookingFilePath);
            return SetAccountPassword(db, id, password, error);
        });
    d->setWindowTitle(QStringLiteral("Choose a New Password"));
    connect(d, &QDialog::accepted, this, [this] {
        session().LoginOk = true;
        finishLogin();
    });
    connect(d, &QDialog::rejected, this, [this] {
        m_password->clear();
        m_password->setFocus();
    });
}

void LoginWindow::Cancel()
{
    reject();
}

void LoginWindow::reject()
{
    // Escape and the window's close box count as Cancel: without a login
    // there is nothing else to do.
    if (!m_done) {
        m_done = true;
        session().LoginOk = false;
        navigator().quit();
    }
    QDialog::reject();
    WindowRegistry::instance().unload(this);
}

LoginWindow* ShowLogin()
{
    auto& windows = WindowRegistry::instance();
    auto* w =
        windows.obtain<LoginWindow>(QStringLiteral("frmLogin"), [] { return new LoginWindow; });
    windows.show(w, ShowMode::Free);
    return w;
}

} // namespace vestra
