// Stores one booking in a booking store as another workstation would:
// booking_writer STORE ITEM DAY START END TITLE.

#include "data/helpers.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = QCoreApplication::arguments();
    if (a.size() != 7)
        return 2;
    vestra::Database db = vestra::Database::open(a[1]);
    const auto key = vestra::NextKey(db);
    if (!key
        || !db.exec(QStringLiteral("INSERT INTO Booking (Bookingnr, Beskrivelse, Bdato, "
                                   "Bstart, Bslut, Bgruppe, Lokalenr, kontonr, Tentative) "
                                   "VALUES (?, ?, ?, ?, ?, 1, ?, 1, 0)"),
                    {*key, a[6], a[3].toInt(), a[4].toInt(), a[5].toInt(), a[2].toInt()})) {
        std::fprintf(stderr, "%s\n", qPrintable(db.lastError()));
        return 1;
    }
    return 0;
}
