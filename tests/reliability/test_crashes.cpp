// A workstation killed at any moment of a write: the file stays sound, a
// series is booked whole or not at all, and archiving never loses a booking
// (each is in the live table or in the archive).

#include "reliabilitysize.h"
#include "support/fixture.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

using namespace vestra;
using namespace vestra::test;

class Crashes : public BookingFileTest {
protected:
    void SetUp() override
    {
        BookingFileTest::SetUp();
        makeBookingFile();
        ASSERT_TRUE(db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, Gruppeart) "
                              "VALUES (1, 1, 'Hall A', 1)"));
        Database::closeAll(session().BookingFilePath);
    }
    // Starts the worker kills times, each time killing it (SIGKILL) after a
    // random moment; returns how many runs were killed while still running.
    int killRepeatedly(const QStringList& args, int kills)
    {
        QRandomGenerator random(4711);
        int killedRunning = 0;
        for (int i = 0; i < kills; ++i) {
            QProcess worker;
            worker.start(QStringLiteral(CRASH_WORKER), args);
            EXPECT_TRUE(worker.waitForStarted());
            QThread::msleep(random.bounded(100, 1200));
            if (worker.state() == QProcess::Running)
                ++killedRunning;
            worker.kill();
            worker.waitForFinished();
        }
        return killedRunning;
    }
    const int kills = ReliabilitySize(10, 100);
};

TEST_F(Crashes, KilledDuringSeriesCommitsLeavesEverySeriesWholeOrAbsent)
{
    const QString file = session().BookingFilePath;
    ASSERT_TRUE(QDir().mkpath(pathOf("worker")));
    EXPECT_EQ(killRepeatedly({"series", file, pathOf("worker")}, kills), kills);
    EXPECT_EQ(db().scalar("PRAGMA integrity_check").toString(), "ok");
    // How many series there are, and the fewest and most bookings in one.
    const QStringList sizes = firstRow("SELECT count(*), min(n), max(n) FROM (SELECT count(*) AS n "
                                       "FROM Booking WHERE gennr > 0 GROUP BY gennr) AS s");
    ASSERT_EQ(sizes.size(), 3);
    EXPECT_GT(sizes[0].toInt(), 0) << "no series was booked before the kills";
    EXPECT_EQ(sizes.mid(1), QStringList({"31", "31"})) << "a series was booked in part";
    std::printf("[ reliability ] %d kills during series commits, %d series whole\n", kills,
                sizes[0].toInt());
}

TEST_F(Crashes, KilledDuringArchivingLosesNoBooking)
{
    const int firstNumber = db().scalar("SELECT nextkey FROM næstenøgle").toInt();
    EXPECT_EQ(killRepeatedly({"archive", session().BookingFilePath}, kills), kills);
    EXPECT_EQ(db().scalar("PRAGMA integrity_check").toString(), "ok");
    Database d = db();
    const int handedOut = d.scalar("SELECT nextkey FROM næstenøgle").toInt() - firstNumber;
    EXPECT_GT(handedOut, 0);
    // Each number handed out is a booking kept, live or archived.
    EXPECT_EQ(d.scalar("SELECT count(*) FROM (SELECT Bookingnr FROM Booking WHERE Bookingnr >= ? "
                       "UNION SELECT Bookingnr FROM bookingarkiv WHERE Bookingnr >= ?)",
                       {firstNumber, firstNumber})
                  .toInt(),
              handedOut);
    EXPECT_GT(d.scalar("SELECT count(*) FROM bookingarkiv").toInt(), 0);
    std::printf("[ reliability ] %d kills during archiving, %d bookings all kept\n", kills,
                handedOut);
}
