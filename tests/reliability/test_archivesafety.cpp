// The daily archiving run never loses a booking: whatever the delays say,
// today's and later bookings stay, and a booking leaves the live table only
// with its copy in the archive (unless the settings delete before they
// archive). A damaged file is not touched at all.

#include "data/dates.h"
#include "data/schema.h"
#include "schedule/editing.h"
#include "session/archiving.h"
#include "session/connection.h"
#include "session/startup.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <climits>

using namespace vestra;
using namespace vestra::test;

class ArchiveSafety : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
    }
    QSet<int> numbers(const QString& table)
    {
        QSet<int> out;
        Database d = db();
        auto q = d.query(QStringLiteral("SELECT Bookingnr FROM %1").arg(table));
        while (q && q->next())
            out.insert(q->value(0).toInt());
        return out;
    }
    const QDate today{2026, 12, 5};
    const int t = DayNumber(today);
};

INSTANTIATE_TEST_SUITE_P(Engines, ArchiveSafety, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(ArchiveSafety, NoDelayLosesABookingOrReachesUpcomingOnes)
{
    const std::pair<int, int> delays[] = {
        {3, 548},  {548, 3},     {0, 0},       {-5, -5},           {3, -1},
        {-1, 548}, {INT_MAX, 3}, {3, INT_MIN}, {INT_MIN, INT_MAX}, {3, 100000000}};
    for (const auto& [archiveDelay, deleteDelay] : delays) {
        SCOPED_TRACE(::testing::Message() << archiveDelay << "/" << deleteDelay);
        Database d = db();
        ASSERT_TRUE(d.exec("DELETE FROM Booking"));
        ASSERT_TRUE(d.exec("DELETE FROM bookingarkiv"));
        ASSERT_TRUE(d.exec("UPDATE arkiveringsdato SET arkiveringsdato = '2000-01-01'"));
        QSet<int> upcoming;
        for (int day : {t, t + 1, t + 400})
            upcoming.insert(addBooking(day, 600, 700));
        for (int day : {t - 1, t - 10, t - 1000, DayNumber(QDate(1850, 6, 1)), -1000000})
            addBooking(day, 600, 700);
        // A number the archive already holds for another, older booking (a
        // backup restored over newer work): never copied, so never deleted.
        const int reused = addBooking(t - 900, 600, 700);
        ASSERT_TRUE(d.exec("INSERT INTO bookingarkiv (Bookingnr, Bdato, Bstart, Bslut) "
                           "VALUES (?, ?, 600, 700)",
                           {reused, t - 3000}));
        const QSet<int> before = numbers("Booking");

        const ArchiveResult r = ArchiveBookings(d, today, archiveDelay, deleteDelay);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        const QSet<int> live = numbers("Booking");
        const QSet<int> archived = numbers("bookingarkiv");
        EXPECT_EQ(upcoming - live, QSet<int>()) << "upcoming bookings removed";
        // Unless the settings delete before they archive, nothing is lost.
        if (archiveDelay < 0 || deleteDelay < 0 || deleteDelay >= archiveDelay) {
            EXPECT_EQ(before - live - archived, QSet<int>()) << "bookings lost";
            EXPECT_TRUE(live.contains(reused)) << "booking " << reused << " lost";
        }
    }
}

// A damaged file stops the run before anything is written, and the front
// desk is told what to do. At the start it is opened for reading only, named
// damaged with the latest backup to restore, and every write is refused.
TEST_P(ArchiveSafety, ADamagedFileIsLeftUntouchedAndTheUserToldToRestoreABackup)
{
    if (GetParam() != Engine::SQLite)
        GTEST_SKIP() << "the server keeps its own files sound";
    for (int i = 0; i < 20; ++i)
        addBooking(t - 10 - i, 600, 700);
    const QString path = session().BookingFilePath;
    const QString folder = pathOf("backups");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(db().exec("UPDATE institutionsoplysninger SET backupfolder = ?", {folder}));
    const BackupResult backup = TakeDailyBackup(path, {folder, 14}, QDateTime::currentDateTime());
    ASSERT_TRUE(backup.taken) << backup.error.toStdString();
    // The page size, and the first page of a table the run never reads.
    const QStringList page = firstRow("SELECT page_size, rootpage FROM pragma_page_size, "
                                      "sqlite_master WHERE name = 'Valgunits'");
    ASSERT_GT(page.value(1).toInt(), 1);
    Database::closeAll(path);
    {
        // That page loses its page type.
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek((page[1].toLongLong() - 1) * page[0].toInt()));
        ASSERT_EQ(f.write(QByteArray(1, '\x00')), 1);
    }
    const QByteArray before = fileBytes(path);
    ASSERT_FALSE(before.isEmpty());
    Database d = db();
    const ArchiveResult r = ArchiveBookings(d, today, 3, 5);
    EXPECT_EQ(std::tuple(r.ran, r.ok, r.damaged), std::tuple(false, false, true));
    EXPECT_EQ(r.error, DamagedFileText(path));
    EXPECT_TRUE(r.error.contains("restore the latest backup"));
    d = Database();

    ASSERT_TRUE(EnsureWorkDatabase());
    ASSERT_TRUE(StoreBookingFilePath(path));
    const StartupReport report = PrepareSession(session(), today);
    auto mended = qScopeGuard([&path] { SetReadOnlyReason(path, {}); });
    EXPECT_EQ(report.outcome, StartupOutcome::ReadyForLogin);
    EXPECT_TRUE(report.damaged);
    EXPECT_TRUE(report.readOnly.contains("it is damaged")) << report.readOnly.toStdString();
    EXPECT_TRUE(report.readOnly.contains("restore the latest backup (" + backup.path + ")"))
        << report.readOnly.toStdString();
    Database again = db();
    const StoreResult typed =
        CreateBookingFromGrid(again, session(), "Typed", {t + 1, 1, 600}, 660, std::nullopt);
    EXPECT_FALSE(typed);
    EXPECT_TRUE(typed.error.contains(report.readOnly)) << typed.error.toStdString();
    again = Database();
    Database::closeAll(path);
    EXPECT_TRUE(fileBytes(path) == before) << "the damaged file was written";
}
