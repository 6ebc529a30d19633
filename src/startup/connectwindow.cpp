#include "startup/connectwindow.h"

#include "db/database.h"
#include "session/connection.h"
#include "session/session.h"
#include "session/startup.h"
#include "shell/navigator.h"
#include "startup/passworddialog.h"
#include "startup/serverdialog.h"
#include "startup/splashwindow.h"
#include "startup/startupsequence.h"
#include "widgets/windowregistry.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vestra {

ConnectWindow::ConnectWindow(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("IntroConnect"));
    setWindowTitle(QStringLiteral("Vestra - Professional Ressource Booking"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(
        VestraPicture(QSize(480, 220), QStringLiteral("Professional Ressource Booking")));

    auto* hint = new QLabel(QStringLiteral("Choose the booking file to work on: open the "
                                           "institution's existing file or create a new one, "
                                           "or connect to its database server."),
                            this);
    hint->setWordWrap(true);

    auto* openf = new QPushButton(QStringLiteral("Open Existing File"), this);
    openf->setObjectName(QStringLiteral("Openf"));
    auto* createf = new QPushButton(QStringLiteral("Create New File"), this);
    createf->setObjectName(QStringLiteral("Createf"));
    auto* server = new QPushButton(QStringLiteral("Connect to Server…"), this);
    server->setObjectName(QStringLiteral("Connectserver"));
    auto* exitButton = new QPushButton(QStringLiteral("Exit"), this);
    exitButton->setObjectName(QStringLiteral("exit"));
    openf->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(openf);
    buttons->addWidget(createf);
    buttons->addWidget(server);
    buttons->addStretch();
    buttons->addWidget(exitButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(hint);
    layout->addLayout(buttons);

    connect(openf, &QPushButton::clicked, this, &ConnectWindow::openClicked);
    connect(createf, &QPushButton::clicked, this, &ConnectWindow::createClicked);
    connect(server, &QPushButton::clicked, this, &ConnectWindow::serverClicked);
    connect(exitButton, &QPushButton::clicked, this, [] { navigator().quit(); });
}

void ConnectWindow::openClicked()
{
    if (RerunsStartup(OpenExistingFile())) {
        hide();
        RunStartup();
    }
}

void ConnectWindow::createClicked()
{
    if (RerunsStartup(CreateNewFile())) {
        hide();
        RunStartup();
    }
}

void ConnectWindow::serverClicked()
{
    // The server last used comes back filled in, its encryption choice included.
    const QString store = session().BookingFilePath;
    const ServerChoice last = IsServerAddress(store) ? ServerChoiceOf(store) : ServerChoice();
    if (RerunsStartup(ConnectToServerAsking(
            [this](const ServerChoice& typed) { return AskForServer(this, typed); }, last))) {
        hide();
        RunStartup();
    }
}

ConnectWindow* ShowConnectWindow()
{
    auto& windows = WindowRegistry::instance();
    auto* w = windows.obtain<ConnectWindow>(QStringLiteral("IntroConnect"),
                                            [] { return new ConnectWindow; });
    windows.show(w, ShowMode::Free);
    return w;
}

} // namespace vestra
