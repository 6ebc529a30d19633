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
        ASSERT_TRUE(b.exec("UPDATE arkiveringsdato SET arkiveringsdato = ?", {d.toString(Qt::ISODate)}));
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

TEST_F(Archiving, ConsecutiveDaysCopyOneDayEach)
{
    for (int d = t - 8; d <= t; ++d)
        addBooking(d, 600, 660);
    lastRun(today.addDays(-3));
    // Runs on three consecutive days, ending today.
    for (int k = 2; k >= 0; --k) {
        const QList<int> before = archivedDays();
        const ArchiveResult r = run(today.addDays(-k));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.copied, 1);
        // Each run copies the day four days before it.
        EXPECT_EQ(archivedDays(), before + QList<int>{t - k - 4});
    }
    EXPECT_EQ(count("Booking"), 9) << "nothing is old enough to delete";
}

TEST_F(Archiving, AGapOfKDaysIsCopiedInOneGo)
{
    for (int d = t - 20; d <= t; ++d)
        addBooking(d, 600, 660);
    lastRun(today.addDays(-5));
    const ArchiveResult r = run(today);
    EXPECT_TRUE(r.ran);
    EXPECT_EQ(r.copied, 5);
    EXPECT_EQ(archivedDays(), (QList<int>{t - 8, t - 7, t - 6, t - 5, t - 4}));
    // The archive keeps what the live table had, field by field.
    Database b = db();
    EXPECT_EQ(b.scalar("SELECT count(*) FROM Bookingarkiv a JOIN Booking b USING (Bookingnr) "
                       "WHERE a.Beskrivelse = b.Beskrivelse AND a.Bstart = b.Bstart "
                       "AND a.Bslut = b.Bslut AND a.kontonr = b.kontonr AND a.Bcolor = b.Bcolor")
                  .toInt(),
              5);
    EXPECT_EQ(b.scalar("SELECT arkiveringsdato FROM arkiveringsdato").toString(), "2026-12-05");
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
