#include "app/registerwindows.h"
#include "exchange/ui/calendarpublisher.h"
#include "panel/ui/panelstart.h"
#include "startup/splashwindow.h"
#include "widgets/widgetservices.h"

#include <QApplication>
#include <QDebug>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTranslator>

namespace {

// The program's icon, painted as the installed SVG draws it (a schedule page
// with booked blocks and a check mark): Qt here has no SVG reader.
QIcon vestraIcon()
{
    QPixmap pixmap(256, 256);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2);
    p.setPen(QPen(QColor(0x2b, 0x5d, 0x8a), 6));
    p.setBrush(QColor(0xf4, 0xf6, 0xf8));
    p.drawRoundedRect(QRectF(10, 16, 108, 102), 12, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x5d, 0x8a));
    p.drawRoundedRect(QRectF(10, 16, 108, 26), 12, 12);
    p.drawRect(QRectF(10, 30, 108, 12));
    p.setBrush(QColor(0x1d, 0x3f, 0x5e));
    p.drawRoundedRect(QRectF(32, 6, 10, 22), 4, 4);
    p.drawRoundedRect(QRectF(86, 6, 10, 22), 4, 4);
    const QColor amber(0xe0, 0xa8, 0x3a), blue(0x5a, 0x9b, 0xd4);
    for (const auto& [rect, colour] : {std::pair{QRectF(22, 52, 38, 16), amber},
                                       {QRectF(68, 52, 38, 16), blue},
                                       {QRectF(22, 76, 38, 16), blue},
                                       {QRectF(22, 100, 38, 10), amber}}) {
        p.setBrush(colour);
        p.drawRoundedRect(rect, 3, 3);
    }
    QPainterPath check(QPointF(70, 88));
    check.lineTo(82, 100);
    check.lineTo(106, 74);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x2f, 0x8f, 0x4e), 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(check);
    return QIcon(pixmap);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Settings then live in ~/.config/Vestra/.
    QApplication::setOrganizationName(QStringLiteral("Vestra"));
    QApplication::setApplicationName(QStringLiteral("Vestra"));
    QApplication::setWindowIcon(vestraIcon());
    // The desktop entry's name, so the window system groups Vestra's windows under its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vestra.Vestra"));
    // Windows come and go during start-up (splash, connect, login); the
    // program ends only when asked to.
    QApplication::setQuitOnLastWindowClosed(false);

    // Qt's own dialogs (file chooser, print dialog, buttons) speak the system's language.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    vestra::InstallWidgetServices();

    // vestra --panel ITEM / --board TYPE: a room panel or lobby board instead
    // of the booking program, with no login and nothing else to open.
    QString error;
    if (const auto panel = vestra::ParsePanelArguments(QApplication::arguments(), &error)) {
        if (!vestra::StartPanel(*panel, &error)) {
            qCritical().noquote() << error;
            return 2;
        }
        QApplication::setQuitOnLastWindowClosed(true);
        return app.exec();
    }
    if (!error.isEmpty()) {
        qCritical().noquote() << error;
        return 2;
    }
    vestra::RegisterWindows();
    vestra::ShowSplash();
    // Publishes once the booking store is open, and after each change to it.
    vestra::CalendarPublisher::instance().start();
    return app.exec();
}
