#include "data/dates.h"
#include "data/helpers.h"
#include "data/statements.h"
#include "session/archiving.h"
#include "support/fixture.h"

using namespace vestra;
using namespace vestra::test;

class Archiving : public BookingFileTest {
protected:
    void SetUp() override
    {
        BookingFileTest::SetUp();
        makeBookingFile();
    }
    void lastRun(const QDate& d)
    {
        Database b = db();
        ASSERT_TRUE(
            b.exec("UPDATE arkiveringsdato SET arkiveringsdato = ?", {d.toString(Qt::ISODate)}));
    }
    ArchiveResult run(const QDate& today, int arcdel = 3, int deldel = 548)
    {
        Database b = db();
        return ArchiveBookings(b, today, arcdel, deldel);
    }
    QList<int> archivedDays()
    {
        Database b = db();
        QList<int> days;
        auto q = b.query("SELECT Bdato FROM Bookingarkiv ORDER BY Bdato");
        while (q && q->next())
            days << q->value(0).toInt();
        return days;
    }
    const QDate today{2026, 12, 5};
    const int t = DayNumber(today);
};

// Whatever the history of runs and delays, every booking that was ever older
// than a run's today - arcdel is in the archive exactly once.
TEST_F(Archiving, EveryOldBookingIsArchivedExactlyOnce)
{
    struct Run {
        int day; // days before today
        int arcdel;
    };
    const struct {
        const char* name;
        bool dateRowMissing;
        QList<Run> runs;
    } cases[] = {
        {"consecutive days", false, {{2, 3}, {1, 3}, {0, 3}}},
        {"a gap of days", false, {{5, 3}, {0, 3}}},
        {"delay lowered", false, {{1, 7}, {0, 3}}},
        {"delay raised", false, {{1, 3}, {0, 7}}},
        {"date row missing", true, {{2, 3}, {1, 3}, {0, 3}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        makeBookingFile(QString("%1.mdb").arg(c.name));
        for (int d = t - 14; d <= t; ++d)
            addBooking(d, 600, 660);
        lastRun(today.addDays(-c.runs.first().day - 1));
        if (c.dateRowMissing) {
            Database b = db();
            ASSERT_TRUE(b.exec("DELETE FROM arkiveringsdato"));
        }
        for (const Run& r : c.runs) {
            const ArchiveResult result = run(today.addDays(-r.day), r.arcdel);
            ASSERT_TRUE(result.ok) << result.error.toStdString();
            EXPECT_TRUE(result.ran);
            // The run's date is stored, its row put back when it was missing.
            Database b = db();
            EXPECT_EQ(LookupIn(b, "arkiveringsdato", "arkiveringsdato", "ID = ?", {1}).toString(),
                      today.addDays(-r.day).toString(Qt::ISODate));
        }
        int upper = t - 14;
        for (const Run& r : c.runs)
            upper = std::max(upper, t - r.day - r.arcdel);
        QList<int> expected;
        for (int d = t - 14; d < upper; ++d)
            expected << d;
        EXPECT_EQ(archivedDays(), expected);
    }
}

TEST_F(Archiving, TheArchiveKeepsTheBookingFieldByFieldThroughAnIndex)
{
    for (int d = t - 20; d <= t; ++d)
        addBooking(d, 600, 660);
    lastRun(today.addDays(-5));
    const ArchiveResult r = run(today);
    EXPECT_TRUE(r.ran);
    EXPECT_EQ(r.copied, 17);
    Database b = db();
    EXPECT_EQ(b.scalar("SELECT count(*) FROM Bookingarkiv a JOIN Booking b USING (Bookingnr) "
                       "WHERE a.Beskrivelse = b.Beskrivelse AND a.Bstart = b.Bstart "
                       "AND a.Bslut = b.Bslut AND a.kontonr = b.kontonr AND a.Bcolor = b.Bcolor")
                  .toInt(),
              17);
    EXPECT_EQ(b.scalar("SELECT arkiveringsdato FROM arkiveringsdato").toString(), "2026-12-05");

    // A second copy of a booking cannot enter the archive.
    EXPECT_FALSE(b.exec(QString("INSERT INTO Bookingarkiv (%1) SELECT %1 FROM Booking LIMIT 1")
                            .arg(kArchivedFields)));

    // Neither the live table nor the archive is read whole to find the copies.
    const Statement copy = ArchiveCopyStatement(t);
    QString plan;
    auto q = b.query("EXPLAIN QUERY PLAN " + copy.sql, copy.binds);
    while (q && q->next())
        plan += q->value(3).toString() + "\n";
    EXPECT_FALSE(plan.contains("SCAN")) << plan.toStdString();
    EXPECT_TRUE(plan.contains("Bookingarkiv_Bookingnr")) << plan.toStdString();
}

TEST_F(Archiving, TodayIsNeverTouched)
{
    addBooking(t, 0, 1439);
    lastRun(today.addDays(-1000));
    const ArchiveResult r = run(today, 0, 0);
    EXPECT_TRUE(r.ran);
    EXPECT_EQ(archivedDays(), QList<int>{});
    EXPECT_EQ(count("Booking"), 1);
}

TEST_F(Archiving, DeleteDelayShorterThanArchiveDelayLosesTheArchiveCopy)
{
    addBooking(t - 5, 600, 660);
    addBooking(t - 1, 600, 660);
    lastRun(today.addDays(-1));
    const ArchiveResult r = run(today, 7, 2);
    EXPECT_EQ(r.deleted, 1);
    EXPECT_EQ(count("Booking"), 1);
    EXPECT_EQ(count("Bookingarkiv"), 0);
}

TEST_F(Archiving, OldBookingsLeaveTheLiveTableAfterTheDeleteDelay)
{
    addBooking(t - 549, 600, 660);
    addBooking(t - 548, 600, 660);
    lastRun(today.addDays(-1));
    const ArchiveResult r = run(today);
    EXPECT_EQ(r.deleted, 1);
    Database b = db();
    EXPECT_EQ(b.scalar("SELECT Bdato FROM Booking").toInt(), t - 548);
}

TEST_F(Archiving, NothingWhenAnotherWorkstationRanToday)
{
    addBooking(t - 4, 600, 660);
    lastRun(today);
    const ArchiveResult r = run(today);
    EXPECT_FALSE(r.ran);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(count("Bookingarkiv"), 0);
}

TEST_F(Archiving, AFailedStepLeavesEverythingAsItWas)
{
    addBooking(t - 4, 600, 660);
    addBooking(t - 600, 600, 660);
    lastRun(today.addDays(-1));
    {
        Database b = db();
        // The date update fails after the copy and the delete have run.
        ASSERT_TRUE(b.exec("CREATE TRIGGER stop BEFORE UPDATE ON arkiveringsdato "
                           "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    }
    const ArchiveResult r = run(today);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(count("Bookingarkiv"), 0);
    EXPECT_EQ(count("Booking"), 2);
    Database b = db();
    EXPECT_EQ(LookupIn(b, "arkiveringsdato", "arkiveringsdato").toString(),
              today.addDays(-1).toString(Qt::ISODate));
}
