// Takes booking numbers from a booking file as a second workstation would,
// and prints each on its own line.

#include "data/helpers.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int n = QString::fromLocal8Bit(argv[2]).toInt();
    vestra::Database db = vestra::Database::open(path);
    if (!db.isValid())
        return 3;
    for (int i = 0; i < n; ++i) {
        const auto key = vestra::NextKey(db);
        if (!key) {
            std::fprintf(stderr, "NextKey failed: %s\n", qPrintable(db.lastError()));
            return 1;
        }
        std::printf("%d\n", *key);
    }
    return 0;
}
