// Books as one workstation's schedule does, in a process of its own: n typed
// bookings on one item, one after another, each booking number on its own line.

#include "schedule/editing.h"
#include "session/session.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 5)
        return 2;
    const QString store = QString::fromLocal8Bit(argv[1]);
    const int n = QString::fromLocal8Bit(argv[2]).toInt();
    const int item = QString::fromLocal8Bit(argv[3]).toInt();
    const int day = QString::fromLocal8Bit(argv[4]).toInt();
    vestra::Session s;
    s.LoginAccountId = 1;
    s.LoginName = QStringLiteral("Administrator");
    for (int i = 0; i < n; ++i) {
        // Each booking is opened as an action of the schedule opens it.
        vestra::Database db = vestra::Database::open(store);
        // Five-minute bookings through the day, then the next day.
        const int start = (i % 280) * 5;
        const vestra::StoreResult r =
            vestra::CreateBookingFromGrid(db, s, QStringLiteral("w%1-%2").arg(item).arg(i),
                                          {day + i / 280, item, start}, start + 5, std::nullopt);
        if (!r) {
            std::fprintf(stderr, "booking %d failed: %s\n", i, qPrintable(r.error));
            return 1;
        }
        std::printf("%d\n", r.bookingnr);
    }
    return 0;
}
