#include "data/dates.h"
#include "data/schema.h"
#include "session/archiving.h"
#include "session/connection.h"
#include "session/startup.h"
#include "startup/archiveprogress.h"
#include "startup/splashwindow.h"
#include "startup/startupsequence.h"
#include "support/fixture.h"
#include "widgets/windowregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTest>
#include <QTimer>

using namespace vestra;
using namespace vestra::test;

const QDate kToday(2026, 12, 5);

// What a start-up does with a booking file, and (StartupStore) with a booking
// file and a booking database on the server alike.
template <class Store> class StartupOn : public Store {
protected:
    void connectTo(const QString& path)
    {
        ASSERT_TRUE(EnsureWorkDatabase() && StoreBookingFilePath(path));
        session().BookingFilePath.clear();
    }
    void setArchiveDate(const QDate& d)
    {
        ASSERT_TRUE(this->db().exec("UPDATE arkiveringsdato SET arkiveringsdato = ?",
                                    {d.toString(Qt::ISODate)}));
    }
    static QWidget* window(const char* name) { return WindowRegistry::instance().find(name); }
    static bool shown(const char* name) { return window(name) && window(name)->isVisible(); }
    static int latest() { return LatestVersion(BookingFileSteps()); }
};
using Startup = StartupOn<BookingFileTest>;
using StartupStore = StartupOn<BookingStoreTest>;
INSTANTIATE_TEST_SUITE_P(Engines, StartupStore, ::testing::ValuesIn(TestEngines()), EngineName);

// Without a work database it is made and the user asked for a booking file,
// as for a file that is no booking file.
TEST_F(Startup, WithoutABookingFileTheUserIsAskedForOne)
{
    EXPECT_FALSE(QFileInfo::exists(WorkDatabasePath()));
    EXPECT_EQ(PrepareSession(session(), kToday).outcome, StartupOutcome::NoBookingFile);
    EXPECT_TRUE(QFileInfo::exists(WorkDatabasePath()));
    EXPECT_TRUE(session().BookingFilePath.isEmpty());

    const QString plain = pathOf("plain.mdb");
    ASSERT_TRUE(Database::create(plain).exec("CREATE TABLE institutionsoplysninger (x INTEGER)"));
    connectTo(plain);
    EXPECT_EQ(PrepareSession(session(), kToday).outcome, StartupOutcome::NoBookingFile);
    EXPECT_EQ(session().BookingFilePath, plain) << "only the path is set";
    EXPECT_EQ(session().SelectedDay, 0);

    // The whole sequence shows the connect window, then says why.
    RunStartup();
    EXPECT_TRUE(shown("IntroConnect"));
    EXPECT_EQ(window("frmLogin"), nullptr);
    EXPECT_EQ(messages.texts(),
              QStringList({"No default database is connected. Connect to an existing database or "
                           "create a new. / No Database Connection"}));
}

// Archiving runs on the first start of a day, never on a second one nor on a
// clock set back behind the last run. Without groups, none is chosen.
TEST_P(StartupStore, ArchivesOnlyOnTheFirstStartOfADay)
{
    const struct {
        int lastRun; // days from today
        bool ran;
        const char* storedRun;
    } cases[] = {{-1, true, "2026-12-05"}, {0, false, "2026-12-05"}, {3, false, "2026-12-08"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastRun);
        const QString path = makeBookingFile();
        addBooking(DayNumber(kToday) - 4, 600, 660);
        setArchiveDate(kToday.addDays(c.lastRun));
        connectTo(path);
        const StartupReport r = PrepareSession(session(), kToday);
        EXPECT_EQ(r.outcome, StartupOutcome::ReadyForLogin);
        EXPECT_EQ(r.archive.ran, c.ran);
        EXPECT_EQ(count("Bookingarkiv"), c.ran ? 1 : 0);
        EXPECT_EQ(LookupValue("arkiveringsdato", "arkiveringsdato").toString(), c.storedRun);
        EXPECT_EQ(std::pair(session().CurrentGroupNo, session().CurrentTypeNo), std::pair(0, 0));
    }
}

// With a backup folder set, the first start of a day copies the booking file
// there before it archives and keeps only the last few copies; a backup
// that fails is reported, never passed over in silence.
TEST_F(Startup, TheFirstStartOfADayBacksTheFileUpBeforeArchivingAndKeepsTheLastFew)
{
    const QString path = makeBookingFile("club.mdb");
    addBooking(DayNumber(kToday) - 4, 600, 660);
    const QString folder = pathOf("backups");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* stamp : {"20261101-080000", "20261102-080000", "20261103-080000"})
        ASSERT_TRUE(QFile(folder + QString("/club-%1.mdb").arg(stamp)).open(QIODevice::WriteOnly));
    ASSERT_TRUE(
        db().exec("UPDATE institutionsoplysninger SET backupfolder = ?, backupkeep = 2", {folder}));
    setArchiveDate(kToday.addDays(-1));
    connectTo(path);
    StartupReport r = PrepareSession(session(), kToday);
    ASSERT_TRUE(r.backup.taken) << r.backup.error.toStdString();
    EXPECT_TRUE(r.archive.ran);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
              QStringList({"club-20261103-080000.mdb", QFileInfo(r.backup.path).fileName()}));
    EXPECT_EQ(Database::open(r.backup.path)
                  .scalar("SELECT (SELECT count(*) FROM Booking) || ' booked, ' || "
                          "(SELECT count(*) FROM Bookingarkiv) || ' archived'")
                  .toString(),
              "1 booked, 0 archived")
        << "the copy is the file before the run";
    Database::closeAll(r.backup.path);

    ASSERT_TRUE(QDir(folder).removeRecursively());
    setArchiveDate(kToday.addDays(-1));
    r = PrepareSession(session(), kToday);
    EXPECT_FALSE(r.backup.taken);
    EXPECT_TRUE(BackupFailedText(folder, r.backup).contains("the folder does not exist"));
}

TEST_P(StartupStore, BookingFileWithoutSettingsIsRefusedWithAReason)
{
    const QString path = makeBookingFile();
    ASSERT_TRUE(db().exec("DELETE FROM institutionsoplysninger"));
    connectTo(path);
    RunStartup();
    EXPECT_NE(window("IntroConnect"), nullptr);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown()[0].text.startsWith(path));
    EXPECT_EQ(messages.shown()[0].title, "No Database Connection");
}

TEST_P(StartupStore, SplashTimerFiresOnceAndLeadsToTheLogin)
{
    connectTo(makeBookingFile());
    QPointer<SplashWindow> splash = ShowSplash();
    ASSERT_TRUE(splash);
    QTimer* timer = splash->findChild<QTimer*>("Timer1");
    ASSERT_TRUE(timer && timer->isSingleShot() && timer->isActive());
    // A click does not wait for the timer.
    QTest::mouseClick(splash, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return splash.isNull(); }));
    EXPECT_TRUE(shown("frmLogin"));
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(Startup, AnOlderBookingFileIsUpgradedOnConnectAndTheUserToldWhereItsCopyIs)
{
    const QString path = pathOf("old.mdb");
    ASSERT_TRUE(BuildBaselineFile(path));
    session().BookingFilePath = path;
    setArchiveDate(kToday);
    ASSERT_TRUE(db().exec("INSERT INTO Bookingarkiv (Bookingnr, Bdato) "
                          "VALUES (5, 40000), (5, 40000), (5, 40000)"));
    connectTo(path);
    RunStartup();
    ASSERT_NE(window("frmLogin"), nullptr);
    EXPECT_EQ(Database::storedSchemaVersion(path), latest());
    EXPECT_EQ(messages.texts(),
              QStringList({QString("%1 was upgraded from version 0 to version %2. A copy of the "
                                   "file as it was is kept as %1.bak-v0.\nThe archive held 2 "
                                   "extra copies of archived bookings; they were removed and each "
                                   "booking kept once. / Booking File Upgraded")
                               .arg(path, QString::number(latest()))}));
    EXPECT_EQ(count("Bookingarkiv"), 1);

    // The next start finds it current and says nothing.
    RunStartup();
    EXPECT_EQ(messages.shown().size(), 1);
}

TEST_F(Startup, AFileOfANewerVestraIsRefusedAndNeverWritten)
{
    // A newer Vestra's file, left by a workstation stopped halfway through a
    // write, with a booking due for archiving: nothing may change it, not
    // even the rollback of its journal.
    const QString source = makeBookingFile("source.mdb");
    addBooking(DayNumber(kToday) - 10, 600, 660);
    setArchiveDate(kToday.addDays(-1));
    const QString newer = pathOf("newer.mdb");
    {
        Database d = db();
        ASSERT_TRUE(d.exec(QString("PRAGMA user_version = %1").arg(latest() + 1)));
        ASSERT_TRUE(d.exec("CREATE TABLE big (x BLOB)"));
        for (int i = 0; i < 40; ++i)
            ASSERT_TRUE(d.exec("INSERT INTO big VALUES (randomblob(4000))"));
        ASSERT_TRUE(d.exec("PRAGMA cache_size = 1"));
        Transaction tx(d);
        ASSERT_TRUE(d.exec("UPDATE big SET x = randomblob(4000)"));
        ASSERT_TRUE(QFile::copy(source, newer));
        ASSERT_TRUE(QFile::copy(source + "-journal", newer + "-journal"));
    }
    Database::closeAll(source);
    const auto bytes = [&] { return std::pair(fileBytes(newer), fileBytes(newer + "-journal")); };
    const auto before = bytes();
    const QString text = NewerFileText(newer, latest() + 1, latest());
    EXPECT_TRUE(text.contains("newer version of Vestra"));

    // Chosen with Open Existing File: refused, nothing stored.
    ASSERT_TRUE(EnsureWorkDatabase());
    dialogs.chooseNext(newer);
    EXPECT_EQ(OpenExistingFile(), ConnectResult::Refused);
    EXPECT_EQ(messages.texts(), QStringList({text + " / File Error"}));

    // Stored from before (another workstation upgraded it): the start-up refuses it.
    connectTo(newer);
    EXPECT_EQ(PrepareSession(session(), kToday).outcome, StartupOutcome::NewerBookingFile);
    RunStartup();
    EXPECT_NE(window("IntroConnect"), nullptr);
    EXPECT_EQ(window("frmLogin"), nullptr);
    EXPECT_EQ(messages.texts().mid(1), QStringList({text + " / No Database Connection"}));

    EXPECT_EQ(bytes(), before);
    EXPECT_FALSE(QFile::exists(newer + ".bak-v" + QString::number(latest() + 1)));
}

// The archiving dialog stays away from a short run, shows for a long or a
// large one, and its Cancel answers the run with a no.
TEST(ArchiveProgressDialog, ShowsOnlyForALongRunAndCancels)
{
    ArchiveProgressDialog quick(60'000);
    EXPECT_TRUE(quick(1, 10));
    EXPECT_EQ(quick.dialog(), nullptr);
    // Thousands of bookings to go through show it at the run's first word.
    ArchiveProgressDialog large(60'000);
    EXPECT_TRUE(large(0, kArchiveStretchRows));
    EXPECT_TRUE(large.dialog() && large.dialog()->isVisible());

    ArchiveProgressDialog slow(0);
    EXPECT_TRUE(slow(1, 10));
    ASSERT_TRUE(slow.dialog() && slow.dialog()->isVisible());
    EXPECT_EQ(slow.dialog()->value(), 1);
    QTimer::singleShot(0, slow.dialog(), &QProgressDialog::cancel);
    EXPECT_FALSE(slow(2, 10));
}
