// Writes to a booking file without end, to be killed at a random moment:
//   crash_worker series <booking file> <folder for its work database>
//     books series of kSeriesLength bookings after a head booking of their own;
//   crash_worker archive <booking file>
//     books past bookings and runs the daily archiving, one day further each time.

#include "data/dates.h"
#include "data/helpers.h"
#include "data/schema.h"
#include "series/candidates.h"
#include "session/archiving.h"

#include <QCoreApplication>
#include <QDate>
#include <cstdio>

using namespace vestra;

namespace {

constexpr int kSeriesLength = 30;
constexpr int kItem = 1;

std::optional<int> addPastBookings(Database& db, int day, int count)
{
    // Numbers and rows in one transaction: every number handed out is a row.
    Transaction tx(db);
    const auto first = TakeKeys(db, count);
    if (!tx.ok() || !first)
        return std::nullopt;
    for (int i = 0; i < count; ++i)
        if (!db.exec(QStringLiteral("INSERT INTO Booking (Bookingnr, Bdato, Bstart, Bslut, "
                                    "Lokalenr, Bgruppe, Beskrivelse) VALUES (?, ?, 600, 660, ?, "
                                    "1, 'past')"),
                     {*first + i, day - i % 7, kItem}))
            return std::nullopt;
    return tx.commit() ? first : std::nullopt;
}

int runSeries(const QString& bookingFile, const QString& folder)
{
    SetProgramFolder(folder);
    if (!EnsureWorkDatabase())
        return 2;
    Database db = Database::open(bookingFile);
    Database work = Database::open(WorkDatabasePath());
    for (int round = 0;; ++round) {
        const auto head = NextKey(db);
        const int day = DayNumber(QDate(2030, 1, 1)) + round % 300;
        if (!head
            || !db.exec(QStringLiteral("INSERT INTO Booking (Bookingnr, Bdato, Bstart, Bslut, "
                                       "Lokalenr, Bgruppe, Beskrivelse, Pris) VALUES (?, ?, 600, "
                                       "660, ?, 1, 'head', 10)"),
                        {*head, day, kItem}))
            continue;
        ClearCandidates(work);
        for (int i = 1; i <= kSeriesLength; ++i)
            AddCandidate(work, db, day + 7 * i, kItem, 600, 660);
        BookingDetails t;
        t.bookingnr = *head;
        t.item = kItem;
        t.day = day;
        t.startSeconds = 600 * 60;
        t.endSeconds = 660 * 60;
        t.beskrivelse = QStringLiteral("series");
        t.pris = 10.0;
        CommitSeries(db, work, t, 255);
    }
}

int runArchive(const QString& bookingFile)
{
    Database db = Database::open(bookingFile);
    // Each run goes on from the day the last one archived.
    const QDate last = QDate::fromString(
        db.scalar(QStringLiteral("SELECT arkiveringsdato FROM arkiveringsdato")).toString(),
        Qt::ISODate);
    const QDate start = last.isValid() ? last.addDays(1) : QDate(2026, 1, 1);
    for (int round = 0;; ++round) {
        const QDate today = start.addDays(round);
        addPastBookings(db, DayNumber(today) - 1, 20);
        ArchiveBookings(db, today, 3, 5);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == QStringLiteral("series"))
        return runSeries(args[2], args[3]);
    if (args.size() >= 3 && args[1] == QStringLiteral("archive"))
        return runArchive(args[2]);
    std::fputs("usage: crash_worker series <booking file> <folder> | archive <booking file>\n",
               stderr);
    return 2;
}
