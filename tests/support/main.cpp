#include "shell/navigator.h"
#include "support/fixture.h"
#include "widgets/widgetservices.h"
#include "widgets/windowregistry.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // Window places are remembered between tests of one run, never in the user's settings.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    vestra::InstallWidgetServices();
    vestra::test::windowHooks() = {
        [] {
            vestra::navigator().quit = [] {};
            vestra::navigator().showMainWindow = [] {};
        },
        [] {
            vestra::WindowRegistry::instance().closeAll();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        },
    };
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
