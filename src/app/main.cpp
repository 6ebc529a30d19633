#include "schedule/calendar.h"
#include "session/introstart.h"
#include "session/navigator.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vestra"));
    // Windows come and go during start-up (splash, connect, login); the
    // program ends only when asked to.
    QApplication::setQuitOnLastWindowClosed(false);

    vestra::navigator().showMainWindow = [] { vestra::ShowCalendar(); };
    vestra::navigator().showSplash = [] { vestra::ShowSplash(); };
    vestra::ShowSplash();
    return app.exec();
}
