// vestra-admin: booking-store commands for administrators and scripts.

#include "adminexport.h"
#include "adminstore.h"

#include "data/schema.h"
#include "db/database.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    // Reports lay out text and pictures, which needs Qt's GUI module; no
    // window opens, so no display is needed either.
    const bool exporting = argc > 1 && std::strcmp(argv[1], "export") == 0;
    if (exporting && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The GUI module's notes on the session it runs without (no runtime
    // folder, no fonts configured) are not this program's to report: a
    // script reads one line on standard error, and only when it failed.
    if (exporting)
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", qPrintable(text));
        });
    std::unique_ptr<QCoreApplication> app(exporting ? new QGuiApplication(argc, argv)
                                                    : new QCoreApplication(argc, argv));
    QCoreApplication::setOrganizationName(QStringLiteral("Vestra"));
    QCoreApplication::setApplicationName(QStringLiteral("vestra-admin"));
    // An administrator's copy, dump or upgrade may run long; it is watched by its operator.
    vestra::SetStatementTimeout(0);
    QStringList arguments = app->arguments();
    arguments.removeFirst();
    const vestra::admin::CommandResult r = vestra::admin::RunCommand(
        arguments, vestra::TemplatePath(), {vestra::admin::ExportCommand()});
    for (const QString& line : r.lines)
        std::printf("%s\n", qPrintable(line));
    if (!r.error.isEmpty())
        std::fprintf(stderr, "vestra-admin: %s\n", qPrintable(r.error));
    return r.exitCode;
}
