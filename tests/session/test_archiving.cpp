#include "data/dates.h"
#include "data/helpers.h"
#include "data/statements.h"
#include "session/archiving.h"
#include "support/deadline.h"
#include "support/fixture.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QTest>
#include <limits>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

using namespace vestra;
using namespace vestra::test;

class Archiving : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
    }
    void lastRun(const QDate& d)
    {
        ASSERT_TRUE(
            db().exec("UPDATE arkiveringsdato SET arkiveringsdato = ?", {d.toString(Qt::ISODate)}));
    }
    ArchiveResult run(const QDate& today, int arcdel = 3, int deldel = 548)
    {
        Database b = db();
        return ArchiveBookings(b, today, arcdel, deldel);
    }
    // The first column of every row sql reads, as numbers.
    QList<int> numbers(const QString& sql)
    {
        Database b = db();
        QList<int> values;
        for (auto q = b.query(sql); q && q->next();)
            values << q->value(0).toInt();
        return values;
    }
    QList<int> archivedDays() { return numbers("SELECT Bdato FROM Bookingarkiv ORDER BY Bdato"); }
    // Rows in the live table and in the archive.
    std::pair<int, int> rows() { return {count("Booking"), count("Bookingarkiv")}; }
    // n bookings numbered from 101 and titled "Title 1" on, booking i on day
    // first + i % days.
    void addBookings(int n, int first, int days)
    {
        Database b = db();
        ASSERT_TRUE(b.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < ?) "
                           "INSERT INTO Booking (Bookingnr, Beskrivelse, Bdato, Bstart, Bslut, "
                           "Bgruppe, Lokalenr, kontonr, gentagende, Tentative) "
                           "SELECT 100 + i, 'Title ' || CAST(i AS TEXT), ? + i % ?, 600, 660, "
                           "1, 1, 1, 0, 0 FROM n",
                           {n, first, days}))
            << b.lastError().toStdString();
    }
    const QDate today{2026, 12, 5};
    const int t = DayNumber(today);
};

INSTANTIATE_TEST_SUITE_P(Engines, Archiving, ::testing::ValuesIn(TestEngines()), EngineName);

QList<int> DaysFromTo(int first, int last)
{
    QList<int> days;
    for (int day = first; day <= last; ++day)
        days << day;
    return days;
}

// What a run did: whether it went well, ran or was cancelled, what it copied and deleted.
auto Outcome(const ArchiveResult& r)
{
    return std::tuple(r.ok, r.ran, r.cancelled, r.copied, r.deleted);
}

// Two workstations starting at the same moment: the second waits for the
// first's write lock, then finds today's run done, so every booking is
// archived once.
TEST_P(Archiving, TwoWorkstationsStartingAtOnceArchiveOnce)
{
    addBookings(20, t - 30, 21);
    lastRun(today.addDays(-40));
    const QString store = session().BookingFilePath;
    ArchiveResult results[2];
    {
        std::vector<std::jthread> workstations; // joined as the block ends
        for (ArchiveResult& r : results)
            workstations.emplace_back([&r, &store, this] {
                // A connection of its own: one per thread.
                Database own = Database::open(store);
                r = ArchiveBookings(own, today, 3, 548);
            });
    }
    EXPECT_TRUE(results[0].ok && results[1].ok)
        << results[0].error.toStdString() << results[1].error.toStdString();
    EXPECT_EQ(int(results[0].ran) + int(results[1].ran), 1);
    EXPECT_EQ(results[0].copied + results[1].copied, 20);
    // One booking a day, so a booking copied twice would show its day twice.
    EXPECT_EQ(archivedDays(), DaysFromTo(t - 29, t - 10));
}

// Whatever the history of runs and delays, every booking that was ever older
// than a run's today - arcdel is in the archive exactly once.
TEST_P(Archiving, EveryOldBookingIsArchivedExactlyOnce)
{
    const struct {
        const char* name;
        bool dateRowMissing;
        QList<std::pair<int, int>> runs; // days before today, archive delay
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
        addBookings(15, t - 15, 16);
        lastRun(today.addDays(-c.runs.first().first - 1));
        if (c.dateRowMissing) {
            ASSERT_TRUE(db().exec("DELETE FROM arkiveringsdato"));
        }
        for (const auto& [day, arcdel] : c.runs) {
            const ArchiveResult result = run(today.addDays(-day), arcdel);
            ASSERT_TRUE(result.ok && result.ran) << result.error.toStdString();
            // The run's date is stored, its row put back when it was missing.
            EXPECT_EQ(firstRow("SELECT arkiveringsdato FROM arkiveringsdato WHERE ID = 1"),
                      QStringList{today.addDays(-day).toString(Qt::ISODate)});
        }
        int upper = t - 14;
        for (const auto& [day, arcdel] : c.runs)
            upper = std::max(upper, t - day - arcdel);
        EXPECT_EQ(archivedDays(), DaysFromTo(t - 14, upper - 1));
    }
}

TEST_P(Archiving, TheArchiveKeepsTheBookingFieldByFieldThroughAnIndex)
{
    for (int d = t - 20; d <= t; ++d)
        addBooking(d, 600, 660);
    lastRun(today.addDays(-5));
    EXPECT_EQ(Outcome(run(today)), std::tuple(true, true, false, 17, 0));
    EXPECT_EQ(firstRow("SELECT count(*) FROM Bookingarkiv a JOIN Booking b USING (Bookingnr) "
                       "WHERE a.Beskrivelse = b.Beskrivelse AND a.Bstart = b.Bstart "
                       "AND a.Bslut = b.Bslut AND a.kontonr = b.kontonr AND a.Bcolor = b.Bcolor"),
              QStringList{"17"});

    // A second copy of a booking cannot enter the archive.
    EXPECT_FALSE(db().exec(QString("INSERT INTO Bookingarkiv (%1) SELECT %1 FROM Booking LIMIT 1")
                               .arg(kArchivedFields)));
}

// A booking moved and retitled after it was archived is archived again
// where it now is, and leaves the live table when its new day is due; an
// unchanged one is copied once. With equal delays only what the archive
// holds as it is may leave.
TEST_P(Archiving, TheArchiveCopyFollowsABookingChangedAfterItWasArchived)
{
    const int moved = addBooking(t - 20, 600, 660);
    addBooking(t - 20, 600, 660);
    // A copy the counter cannot tie to its booking is another booking's (a
    // backup restored over newer work reuses numbers): both stay.
    const int restored = addBooking(t - 20, 600, 660);
    ASSERT_TRUE(
        db().exec("INSERT INTO Bookingarkiv (Bookingnr, Bdato, rowversion) VALUES (?, ?, 5)",
                  {restored, t - 20}));
    lastRun(today.addDays(-11));
    ASSERT_EQ(run(today.addDays(-10), 3, 14).copied, 2);
    ASSERT_TRUE(db().exec("UPDATE Booking SET Bdato = ?, Beskrivelse = 'Moved' WHERE Bookingnr = ?",
                          {t - 17, moved}));
    EXPECT_EQ(Outcome(run(today, 14, 14)), std::tuple(true, true, false, 1, 2));
    EXPECT_EQ(archivedDays(), (QList<int>{t - 20, t - 20, t - 17}));
    EXPECT_EQ(count("Booking", "Bookingnr = ?", {restored}), 1);
    EXPECT_EQ(count("Bookingarkiv", "Bookingnr = ? AND Beskrivelse = 'Moved'", {moved}), 1);
}

// Moved ahead to a day not yet due, it leaves the archive until that day is.
TEST_P(Archiving, ABookingMovedAheadLeavesTheArchiveUntilItsNewDayIsDue)
{
    const int ahead = addBooking(t - 5, 600, 660);
    lastRun(today.addDays(-2));
    ASSERT_EQ(run(today.addDays(-1), 3, 30).copied, 1);
    ASSERT_TRUE(db().exec("UPDATE Booking SET Bdato = ? WHERE Bookingnr = ?", {t + 3, ahead}));
    const ArchiveResult r = run(today, 3, 30);
    ASSERT_TRUE(r.ran && r.ok) << r.error.toStdString();
    EXPECT_EQ(rows(), std::pair(1, 0));
}

// Dates no calendar reaches (another program's, or damaged) are counted and
// left alone: the run neither walks the years up to them nor copies or
// deletes them, whichever delay is the shorter.
TEST_P(Archiving, BookingsDatedOutsideThePossibleYearsAreCountedAndLeftAlone)
{
    const bool file = db().engine() == Engine::SQLite;
    using Limits = std::numeric_limits<qint64>;
    const QVariantList dates{file ? Limits::min() : qint64(INT_MIN), FirstPossibleDay() - 1,
                             LastPossibleDay() + 1, file ? Limits::max() : qint64(INT_MAX)};
    for (const int deleteDelay : {548, 1}) {
        SCOPED_TRACE(deleteDelay);
        makeBookingFile(QString("%1.mdb").arg(deleteDelay));
        QList<int> odd;
        for (const QVariant& date : dates) {
            odd << addBooking(t - 10, 600, 660);
            ASSERT_TRUE(
                db().exec("UPDATE Booking SET Bdato = ? WHERE Bookingnr = ?", {date, odd.last()}));
        }
        const int old = addBooking(t - 600, 600, 660);
        lastRun(today.addDays(-1));
        const Deadline deadline(60, "archiving bookings with impossible dates");
        const ArchiveResult r = run(today, 3, deleteDelay);
        ASSERT_EQ(Outcome(r), std::tuple(true, true, false, 1, 1)) << r.error.toStdString();
        EXPECT_EQ(r.impossibleDates, 4);
        EXPECT_EQ(numbers("SELECT Bookingnr FROM Booking ORDER BY Bookingnr"), odd);
        EXPECT_EQ(numbers("SELECT Bookingnr FROM Bookingarkiv"), QList<int>{old});
        EXPECT_TRUE(ImpossibleDatesText(r).contains(QString::number(odd.first())));
    }
}

// Old bookings leave the live table after the delete delay; a delete delay
// shorter than the archive delay loses the archive copy.
TEST_P(Archiving, OldBookingsLeaveTheLiveTableAfterTheDeleteDelay)
{
    // An archive delay out of reason copies nothing, so nothing may leave.
    for (const auto& [old, arcdel, deldel, left] :
         {std::tuple(t - 549, 3, 548, QList<int>{t - 548}),
          std::tuple(t - 5, 7, 2, QList<int>{t - 1}),
          std::tuple(t - 5, kMaxArchiveDelayDays + 1, 2, QList<int>{t - 5, t - 1})}) {
        SCOPED_TRACE(arcdel);
        makeBookingFile(QString("%1.mdb").arg(arcdel));
        addBooking(old, 600, 660);
        addBooking(left.last(), 600, 660);
        lastRun(today.addDays(-1));
        EXPECT_EQ(run(today, arcdel, deldel).deleted, 2 - left.size());
        EXPECT_EQ(numbers("SELECT Bdato FROM Booking ORDER BY Bdato"), left);
    }
    EXPECT_EQ(count("Bookingarkiv"), 0);
}

TEST_P(Archiving, AFailedStepLeavesEverythingAsItWas)
{
    addBooking(t - 4, 600, 660);
    addBooking(t - 600, 600, 660);
    lastRun(today.addDays(-1));
    Database b = db();
    // The date update fails after the copy and the delete have run.
    const QStringList stop =
        GetParam() == Engine::SQLite
            ? QStringList{"CREATE TRIGGER stop BEFORE UPDATE ON arkiveringsdato "
                          "BEGIN SELECT RAISE(ABORT, 'disk full'); END"}
            : QStringList{"CREATE FUNCTION stop() RETURNS trigger LANGUAGE plpgsql AS "
                          "$$ BEGIN RAISE EXCEPTION 'disk full'; END $$",
                          "CREATE TRIGGER stop BEFORE UPDATE ON arkiveringsdato "
                          "FOR EACH ROW EXECUTE FUNCTION stop()"};
    for (const QString& sql : stop)
        ASSERT_TRUE(b.exec(sql)) << b.lastError().toStdString();
    const ArchiveResult r = run(today);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(rows(), std::pair(2, 0));
    EXPECT_EQ(LookupIn(b, "arkiveringsdato", "arkiveringsdato").toString(),
              today.addDays(-1).toString(Qt::ISODate));
}

// A backlog of years goes a stretch at a time: the progress rises to its
// total, a cancel at any stretch takes the whole run back, and the next run
// still archives everything once.
TEST_P(Archiving, ABacklogShowsProgressAndACancelTakesItAllBack)
{
    for (int day = t - 3650; day < t; day += 9)
        addBooking(day, 600, 700);
    const int live = count("Booking");
    const int old = count("Booking", "Bdato < ?", {t - 548});
    lastRun(today.addYears(-10));
    Database b = db();
    int calls = 0;
    ArchiveResult r = ArchiveBookings(b, today, 3, 548, [&calls](int, int) { return ++calls < 3; });
    EXPECT_TRUE(r.cancelled && r.ok && !r.ran);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(rows(), std::pair(live, 0));

    // On a file the run works with a page cache that holds a backlog's
    // indexes, and leaves the connection's own size as it found it.
    const bool file = b.engine() == Engine::SQLite;
    ASSERT_TRUE(!file || b.exec("PRAGMA cache_size = -3000"));
    QList<std::pair<int, int>> told;
    QVariantList cacheDuringRun;
    r = ArchiveBookings(b, today, 3, 548, [&](int done, int total) {
        told << std::pair{done, total};
        if (file)
            cacheDuringRun << b.scalar("PRAGMA cache_size");
        return true;
    });
    if (file) {
        EXPECT_EQ(cacheDuringRun.value(0).toInt(), -kArchivePageCacheKiB);
        EXPECT_EQ(b.scalar("PRAGMA cache_size").toInt(), -3000);
    }
    EXPECT_EQ(Outcome(r), std::tuple(true, true, false, live, old)) << r.error.toStdString();
    EXPECT_EQ(rows(), std::pair(live - old, live));
    ASSERT_GE(told.size(), 10);
    for (int i = 1; i < told.size(); ++i)
        EXPECT_GT(told[i].first, told[i - 1].first);
    EXPECT_EQ(told.back().first, told.back().second);
}

// Thousands of bookings on a few days are gone through in stretches of rows:
// the count starts at nought and moves several times before the run ends.
TEST_P(Archiving, AFewBusyDaysMoveTheCountInStretchesOfRows)
{
    addBookings(3000, t - 600, 20);
    Database b = db();
    lastRun(today.addYears(-2));
    QList<int> told;
    const ArchiveResult r = ArchiveBookings(b, today, 3, 548, [&told](int done, int) {
        told << done;
        return true;
    });
    ASSERT_TRUE(r.ran) << r.error.toStdString();
    ASSERT_GE(told.size(), 10);
    EXPECT_EQ(std::pair(told.front(), told.back()), std::pair(0, 3000));
    for (int i = 1; i < told.size(); ++i)
        EXPECT_GT(told[i], told[i - 1]);
}

// Listens on a connection of its own for the notices that tell other
// workstations which days' bookings changed.
class NoticeListener {
public:
    explicit NoticeListener(Database& db)
    {
        m_db = QSqlDatabase::cloneDatabase(db.handle(), kName);
        EXPECT_TRUE(m_db.open()) << m_db.lastError().text().toStdString();
        QSqlDriver* driver = m_db.driver();
        EXPECT_TRUE(driver->subscribeToNotification(QString::fromLatin1(dialect::kBookingChannel)));
        QObject::connect(driver, &QSqlDriver::notification, &m_context,
                         [this](const QString&, QSqlDriver::NotificationSource,
                                const QVariant& payload) { m_heard << payload.toString(); });
    }
    ~NoticeListener()
    {
        m_db = QSqlDatabase(); // the last use, so that the connection can go
        QSqlDatabase::removeDatabase(kName);
    }
    NoticeListener(const NoticeListener&) = delete;
    NoticeListener& operator=(const NoticeListener&) = delete;

    // The notices heard since the last call. A notice of its own, sent on
    // db after them, marks where they end: the server delivers one
    // session's notices in the order its transactions committed.
    QStringList heard(Database& db)
    {
        static const QString end = QStringLiteral("end of notices");
        EXPECT_TRUE(db.exec("SELECT pg_notify(?, ?)",
                            {QString::fromLatin1(dialect::kBookingChannel), end}));
        EXPECT_TRUE(QTest::qWaitFor([this] { return m_heard.contains(end); }, 5000));
        QStringList before = std::exchange(m_heard, {});
        return before.mid(0, before.indexOf(end));
    }

private:
    static constexpr const char* kName = "archiving-notice-listener";
    QSqlDatabase m_db;
    QObject m_context;
    QStringList m_heard;
};

// A backlog of most of a large store. A file drops Booking's indexes and
// keyword table and makes them again from the bookings left; a server sets
// the archive's indexes aside and sends no notice per deleted booking. A
// cancel and a finished run alike leave the schema as it was; the keyword
// search then finds exactly the bookings left and keeps in step with new
// ones, and on a server other workstations hear of the run once and of
// later changes again day by day.
TEST_P(Archiving, AStoreMostlyBacklogGetsItsIndexesAndKeywordSearchBack)
{
    addBookings(kBulkArchiveMinimum + 2000, t - 2000, 2100);
    Database b = db();
    // Kept whatever the run: an old booking whose number the archive holds
    // under another date, and on a file old bookings with damaged dates.
    const int other = addBooking(t - 1900, 600, 660);
    ASSERT_TRUE(
        b.exec("INSERT INTO Bookingarkiv (Bookingnr, Bdato) VALUES (?, ?)", {other, t - 1901}));
    const bool file = b.engine() == Engine::SQLite;
    if (file) {
        ASSERT_TRUE(b.exec("UPDATE Booking SET Bdato = 'damaged' WHERE Bookingnr = 101"));
        ASSERT_TRUE(b.exec("UPDATE Booking SET Bdato = ? WHERE Bookingnr = 102", {t - 1500.5}));
    }
    // An index the program never made, under a name that is no plain name,
    // is left as it is.
    ASSERT_TRUE(b.exec(R"(CREATE INDEX "Booking_day"" ON Booking (Bstart); --" ON )"
                       R"(Bookingarkiv (Bslut))"));
    const QList<int> kept = file ? QList<int>{other, 101, 102} : QList<int>{other};
    const int live = count("Booking");
    const int past = count("Booking", "Bdato < ?", {t - 3});
    const int old = count("Booking", "Bdato < ?", {t - 548});
    ASSERT_GT(old * 2, live);
    lastRun(today.addYears(-10));
    auto schema = [&b, file] {
        return b
            .scalar(file ? "SELECT group_concat(type || ' ' || name || ' ' || coalesce(sql, ''), "
                           "char(10)) FROM (SELECT * FROM sqlite_master ORDER BY type, name)"
                         : "SELECT string_agg(d, E'\\n' ORDER BY d) FROM ("
                           "SELECT indexdef AS d FROM pg_indexes WHERE schemaname = "
                           "current_schema() AND tablename IN ('booking', 'bookingarkiv') "
                           "UNION ALL SELECT pg_get_triggerdef(oid) FROM pg_trigger "
                           "WHERE tgrelid = 'booking'::regclass AND NOT tgisinternal) s")
            .toString();
    };
    const QString before = schema();
    ASSERT_FALSE(before.isEmpty()) << b.lastError().toStdString();
    std::unique_ptr<NoticeListener> listener = file ? nullptr : std::make_unique<NoticeListener>(b);
    // On a file there is nobody to tell.
    const auto expectHeard = [&](const QStringList& notices) {
        EXPECT_EQ(listener ? listener->heard(b) : notices, notices);
    };

    ArchiveResult r = ArchiveBookings(b, today, 3, 548, [](int, int) { return false; });
    EXPECT_TRUE(r.cancelled && r.ok);
    EXPECT_EQ(rows(), std::pair(live, 1));
    EXPECT_EQ(schema(), before);
    expectHeard({});

    r = ArchiveBookings(b, today, 3, 548);
    // The damaged text date sorts after every day, so it was never counted old.
    ASSERT_EQ(Outcome(r), std::tuple(true, true, false, past - 1, old - (file ? 2 : 1)))
        << r.error.toStdString();
    EXPECT_EQ(count("Booking"), live - r.deleted);
    for (int number : kept)
        EXPECT_EQ(count("Booking", "Bookingnr = ?", {number}), 1) << number;
    EXPECT_EQ(schema(), before);
    // One notice for the whole run, naming no day: every day may have changed.
    expectHeard({QString()});
    auto found = [&b, file](const QString& title) {
        return b
            .scalar(file ? "SELECT count(*) FROM BookingSearch WHERE BookingSearch MATCH ?"
                         : "SELECT count(*) FROM Booking WHERE lower(Beskrivelse) LIKE ?",
                    {file ? '"' + title + '"' : '%' + title.trimmed().toLower()})
            .toInt();
    };
    if (file) {
        EXPECT_EQ(count("BookingSearch"), live - r.deleted);
        EXPECT_EQ(count("BookingSearch", "Beskrivelse = 'Title 2099'"), 1);
    }
    // Title 1 is dated t - 1999 and archived; title 2099 is dated t + 99.
    EXPECT_EQ(found("Title 1 "), 0);
    EXPECT_EQ(found("Title 2099"), 1);
    addBooking(t, 600, 660, 1, 1, 1, "Kept in step");
    EXPECT_EQ(found("Kept in step"), 1);
    expectHeard({QString::number(t)});
}
