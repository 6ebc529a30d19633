// Writes the template booking file Emptydatabase.mdb from the schema
// compiled into the program. Run by the build.

#include "data/schema.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: maketemplate <output.mdb>\n");
        return 2;
    }
    QString error;
    if (!vestra::BuildTemplateFile(QString::fromLocal8Bit(argv[1]), &error)) {
        std::fprintf(stderr, "maketemplate: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
