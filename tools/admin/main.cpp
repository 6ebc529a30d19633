// vestra-admin: booking-store commands for administrators and scripts.

#include "adminstore.h"

#include "data/schema.h"
#include "db/database.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // An administrator's copy, dump or upgrade may run long; it is watched by its operator.
    vestra::SetStatementTimeout(0);
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    const vestra::admin::CommandResult r =
        vestra::admin::RunCommand(arguments, vestra::TemplatePath());
    for (const QString& line : r.lines)
        std::printf("%s\n", qPrintable(line));
    if (!r.error.isEmpty())
        std::fprintf(stderr, "vestra-admin: %s\n", qPrintable(r.error));
    return r.exitCode;
}
