#include "data/dates.h"
#include "data/schema.h"
#include "series/candidates.h"
#include "series/seriesdelete.h"
#include "support/busyfile.h"
#include "support/fixture.h"

using namespace vestra;
using namespace vestra::test;

class SeriesLogic : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
        ASSERT_TRUE(EnsureWorkDatabase());
        ASSERT_TRUE(db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn) VALUES (1, 7, "
                              "'Hall A'), (2, 7, 'Hall B'), (3, 7, 'Hall C'), (4, 8, 'Other')"));
        templ.bookingnr = addBooking(D, 600, 720, 1, 7, 1, "Choir");
        templ.item = 1;
        templ.startSeconds = 600 * 60;
        templ.endSeconds = 720 * 60;
        templ.beskrivelse = "Choir";
        templ.pris = 300;
        templ.kontonr = 1;
        templ.curacname = "Administrator";
        templ.tentative = true;
    }
    Database work() { return Database::open(WorkDatabasePath()); }
    // How many bookings there are and the highest series mark among them:
    // {"1", "0"} while the template stands alone, heading no series.
    QStringList bookings() { return firstRow("SELECT count(*), max(gentagende) FROM Booking"); }
    QList<int> days()
    {
        Database w = work();
        QList<int> out;
        for (const Candidate& c : LoadCandidates(w))
            out << c.day;
        return out;
    }
    const int D = 46000;
    BookingDetails templ;
};

INSTANTIATE_TEST_SUITE_P(Engines, SeriesLogic, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(SeriesLogic, TouchingBookingsDoNotCollideOverlappingOnesDo)
{
    Database d = db(), w = work();
    addBooking(D + 7, 480, 600, 1, 7);  // ends as the candidate starts
    addBooking(D + 14, 720, 800, 1, 7); // starts as it ends
    addBooking(D + 21, 700, 760, 1, 7); // overlaps the end
    addBooking(D + 28, 600, 720, 2, 7); // another item
    addBooking(D + 35, 540, 780, 1, 7); // encloses it
    addBooking(D + 42, 630, 660, 1, 7); // inside it
    addBooking(D + 49, 600, 660, 1, 7); // starts with it, ends first
    ASSERT_EQ(GenerateCandidates(w, d, D, D + 56, 7, templ), 8);
    QList<bool> marks, booked;
    for (const Candidate& c : LoadCandidates(w)) {
        marks << c.collides;
        // The check for a free item to move to agrees with the marks.
        booked << IsItemBooked(d, 600, 720, c.day, 1, nullptr);
        EXPECT_EQ(std::tuple(c.start, c.end, c.item), std::tuple(QTime(10, 0), QTime(12, 0), 1));
    }
    EXPECT_EQ(marks, (QList<bool>{false, false, true, false, true, true, true, false}));
    EXPECT_EQ(booked, marks);
    // The template collides with a candidate on its own day.
    EXPECT_EQ(CheckCandidate(d, D, 1, 600, 720), 1);

    RemoveCollidingCandidates(w);
    EXPECT_EQ(days(), (QList<int>{D + 7, D + 14, D + 28, D + 56}));
    RemoveCollidingCandidates(w);
    EXPECT_EQ(days().size(), 4) << "nothing left to remove";
    RemoveCandidate(w, LoadCandidates(w).first().id);
    EXPECT_EQ(days(), (QList<int>{D + 14, D + 28, D + 56}));
}

// A series of hundreds of dates tells its count a stretch of dates at a
// time; a stop while generating or while booking leaves nothing behind.
TEST_P(SeriesLogic, ALongSeriesTellsItsCountAndAStopLeavesNothing)
{
    Database d = db(), w = work();
    const int many = 3 * kSeriesStretchRows + 10;
    QList<int> told;
    const auto goOn = [&told](int done, int) { return told << done, true; };
    const auto stopAtThird = [&told](int done, int) { return told << done, told.size() < 3; };
    EXPECT_EQ(GenerateCandidates(w, d, D, D + many, 1, templ, stopAtThird), 0);
    EXPECT_TRUE(days().isEmpty());
    told.clear();
    ASSERT_EQ(GenerateCandidates(w, d, D, D + many, 1, templ, goOn), many);
    EXPECT_EQ(told, (QList<int>{0, 50, 100, 150, many}));

    told.clear();
    EXPECT_EQ(CommitSeries(d, w, templ, 255, stopAtThird), kCommitCancelled);
    EXPECT_EQ(told, (QList<int>{0, 50, 100}));
    EXPECT_EQ(bookings(), QStringList({"1", "0"}));
    told.clear();
    EXPECT_EQ(CommitSeries(d, w, templ, 255, goOn), many);
    EXPECT_EQ(told, (QList<int>{0, 50, 100, 150, many}));
}

TEST_P(SeriesLogic, AFailureHalfwayLeavesNoHalfSeries)
{
    Database d = db(), w = work();
    ASSERT_EQ(GenerateCandidates(w, d, D, D + 49, 7, templ), 7);
    const int nextBefore = d.scalar("SELECT nextkey FROM næstenøgle").toInt();
    // The disk fills up at the fourth new booking.
    ASSERT_TRUE(FailInserts(d, "Booking", "NEW.Bdato = " + QString::number(D + 28)));
    EXPECT_EQ(CommitSeries(d, w, templ, 255), -1);
    EXPECT_EQ(bookings(), QStringList({"1", "0"})) << "the template is not marked either";
    EXPECT_EQ(d.scalar("SELECT nextkey FROM næstenøgle").toInt(), nextBefore);
    EXPECT_EQ(days().size(), 7) << "the candidates are still there to try again";

    // A template whose fee could not be read books nothing rather than a fee of 0.
    ASSERT_TRUE(AllowInserts(d, "Booking"));
    templ.pris.reset();
    EXPECT_EQ(CommitSeries(d, w, templ, 255), kCommitFailed);
    EXPECT_EQ(bookings(), QStringList({"1", "0"}));

    // Nor does a series one of whose dates moved to an item since deleted.
    templ.pris = 300;
    ASSERT_TRUE(ApplyAlternative(w, LoadCandidates(w)[1].id, 3));
    ASSERT_TRUE(d.exec("DELETE FROM lokale WHERE lokalenr = 3"));
    EXPECT_EQ(CommitSeries(d, w, templ, 255), kCommitItemGone);
    EXPECT_EQ(bookings(), QStringList({"1", "0"}));
}

TEST_P(SeriesLogic, RangedDeleteNeverReachesSingleBookingsOrPastAYear)
{
    const QDate today(2026, 12, 5);
    const int t = DayNumber(today);
    Database d = db();
    const int single = addBooking(t + 7, 600, 660, 1, 7, 1, "Single");
    ASSERT_TRUE(d.exec("UPDATE Booking SET gennr = 0"));
    // Single bookings share the series number 0: it reaches none of them.
    DayRange r = SeriesDeleteRange(SeriesDeleteScope::All, t + 70, 0, today);
    EXPECT_EQ(DeleteSeriesRange(d, 0, r), 0);
    EXPECT_EQ(count("Booking", "Bookingnr = ?", {single}), 1);

    r = SeriesDeleteRange(SeriesDeleteScope::ThisAndRest, t + 400, 0, today);
    EXPECT_EQ(std::pair(r.first, r.last), std::pair(t + 400, t + 365))
        << "an empty range past a year from today";
}

TEST_P(SeriesLogic, ACheckThatCannotRunNeverCountsAsFree)
{
    if (GetParam() == Engine::PostgreSQL)
        GTEST_SKIP() << "a busy booking file is a lock on the file itself";
    Database d = db(), w = work();
    // The same checks while another workstation holds the file, and once it is free again.
    for (const bool busy : {true, false}) {
        SCOPED_TRACE(busy ? "busy" : "free");
        std::optional<BusyFile> lock;
        if (busy)
            lock.emplace(session().BookingFilePath);
        EXPECT_EQ(CheckCandidate(d, D + 7, 1, 600, 720), busy ? -1 : 0);
        ASSERT_EQ(GenerateCandidates(w, d, D, D + 14, 7, templ), 2);
        for (const Candidate& c : LoadCandidates(w))
            EXPECT_EQ(std::pair(c.collides, c.unchecked), std::pair(busy, busy)) << c.day;
        bool unchecked[2] = {};
        EXPECT_EQ(IsItemBooked(d, 600, 720, D + 7, 2, &unchecked[0]), busy);
        const int first = LoadCandidates(w).first().id;
        EXPECT_EQ(FindAlternatives(w, d, first, templ.item, &unchecked[1]).size(), busy ? 0 : 2);
        EXPECT_EQ(std::pair(unchecked[0], unchecked[1]), std::pair(busy, busy));
        ClearCandidates(w);
    }
}
