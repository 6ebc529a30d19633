#include "app/registerwindows.h"
#include "exchange/ui/calendarpublisher.h"
#include "platform/widgetservices.h"
#include "startup/splashwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vestra"));
    // Windows come and go during start-up (splash, connect, login); the
    // program ends only when asked to.
    QApplication::setQuitOnLastWindowClosed(false);

    vestra::InstallWidgetServices();
    vestra::RegisterWindows();
    vestra::ShowSplash();
    // Publishes once the booking store is open, and after each change to it.
    vestra::CalendarPublisher::instance().start();
    return app.exec();
}
