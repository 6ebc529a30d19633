#include "data/dates.h"
#include "data/helpers.h"
#include "data/schema.h"
#include "series/candidates.h"
#include "series/seriesdelete.h"
#include "support/busyfile.h"
#include "support/fixture.h"

#include <QSqlRecord>

using namespace vestra;
using namespace vestra::test;

class SeriesLogic : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
        ASSERT_TRUE(EnsureWorkDatabase());
        Database d = db();
        ASSERT_TRUE(
            d.exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn) VALUES "
                   "(1, 7, 'Hall A'), (2, 7, 'Hall B'), (3, 7, 'Hall C'), (4, 8, 'Other')"));
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
    QList<int> days()
    {
        Database w = work();
        QList<int> out;
        for (const Candidate& c : LoadCandidates(w))
            out << c.day;
        return out;
    }
    // The fields of each matching booking, joined by "|".
    static QStringList rows(Database& d, const QString& fields, const QString& where,
                            const QVariantList& binds)
    {
        QStringList out;
        auto q = d.query("SELECT " + fields + " FROM Booking WHERE " + where, binds);
        while (q && q->next()) {
            QStringList values;
            for (int i = 0; i < q->record().count(); ++i)
                values << (q->value(i).isNull() ? "NULL" : q->value(i).toString());
            out << values.join('|');
        }
        return out;
    }
    QList<int> range(int from, int step, int count)
    {
        QList<int> out;
        for (int i = 0; i < count; ++i)
            out << from + i * step;
        return out;
    }
    const int D = 46000;
    BookingDetails templ;
};

INSTANTIATE_TEST_SUITE_P(Engines, SeriesLogic, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(SeriesLogic, PatternsStartOneIntervalAfterTheStart)
{
    Database d = db(), w = work();
    struct Case {
        int interval, end;
        QList<int> expected;
    } cases[] = {
        {7, D + 49, range(D + 7, 7, 7)},
        {1, D + 1, {D + 1}},
        {14, D + 20, {D + 14}},
        {1, D, {}},
        {28, D + 196, range(D + 28, 28, 7)},
        {0, D + 100, {}}, // no interval: nothing, and no endless loop
        {-7, D + 100, {}},
    };
    for (const Case& c : cases) {
        ClearCandidates(w);
        EXPECT_EQ(GenerateCandidates(w, d, D, c.end, c.interval, templ), c.expected.size());
        EXPECT_EQ(days(), c.expected) << c.interval << " to " << c.end - D;
    }
}

TEST_P(SeriesLogic, TouchingBookingsDoNotCollideOverlappingOnesDo)
{
    Database d = db(), w = work();
    addBooking(D + 7, 480, 600, 1, 7);  // ends as the candidate starts
    addBooking(D + 14, 720, 800, 1, 7); // starts as it ends
    addBooking(D + 21, 700, 760, 1, 7); // overlaps the end
    addBooking(D + 28, 600, 720, 2, 7); // another item
    addBooking(D + 35, 540, 780, 1, 7); // encloses it
    addBooking(D + 42, 630, 660, 1, 7); // inside it
    ASSERT_EQ(GenerateCandidates(w, d, D, D + 49, 7, templ), 7);
    QList<bool> marks;
    for (const Candidate& c : LoadCandidates(w)) {
        marks << c.collides;
        EXPECT_EQ(c.start, QTime(10, 0));
        EXPECT_EQ(c.end, QTime(12, 0));
        EXPECT_EQ(c.item, 1);
    }
    EXPECT_EQ(marks, (QList<bool>{false, false, true, false, true, true, false}));
    // The template collides with a candidate on its own day.
    EXPECT_EQ(CheckCandidate(d, D, 1, 600, 720), 1);

    RemoveCollidingCandidates(w);
    EXPECT_EQ(days(), (QList<int>{D + 7, D + 14, D + 28, D + 49}));
    RemoveCollidingCandidates(w);
    EXPECT_EQ(days().size(), 4) << "nothing left to remove";
    RemoveCandidate(w, LoadCandidates(w).first().id);
    EXPECT_EQ(days(), (QList<int>{D + 14, D + 28, D + 49}));
}

TEST_P(SeriesLogic, AlternativesAreFreeItemsOfTheSameType)
{
    Database d = db(), w = work();
    addBooking(D + 7, 600, 720, 1, 7); // the template's item is taken
    addBooking(D + 7, 540, 600, 2, 7); // Hall B free from 10:00
    addBooking(D + 7, 660, 700, 3, 7); // Hall C busy inside the window
    ASSERT_EQ(GenerateCandidates(w, d, D, D + 7, 7, templ), 1);
    const Candidate c = LoadCandidates(w).first();
    ASSERT_TRUE(c.collides);

    const QList<Alternative> free = FindAlternatives(w, d, c.id, templ.item);
    ASSERT_EQ(free.size(), 1);
    EXPECT_EQ(free.first().name, "Hall B");
    EXPECT_EQ(LoadAlternatives(w).size(), 1) << "kept in andetlokalt for the window";

    ASSERT_TRUE(ApplyAlternative(w, c.id, free.first().item));
    const Candidate moved = LoadCandidates(w).first();
    EXPECT_EQ(moved.item, 2);
    EXPECT_FALSE(moved.collides) << "the mark goes without a new check";
    EXPECT_EQ(moved.day, D + 7);

    // A 09:30-11:00 candidate is not offered Hall B (booked 09:00-10:00).
    EXPECT_TRUE(IsItemBooked(d, 570, 660, D + 7, 2));
    EXPECT_FALSE(IsItemBooked(d, 600, 720, D + 7, 2));
}

TEST_P(SeriesLogic, CommitBooksEveryCandidateAsOneSeries)
{
    Database d = db(), w = work();
    addBooking(D + 21, 600, 720, 1, 7, 1, "In the way");
    ASSERT_EQ(GenerateCandidates(w, d, D, D + 49, 7, templ), 7);
    // Move one date to Hall B; keep the colliding one in.
    ApplyAlternative(w, LoadCandidates(w)[1].id, 2);
    const int before = count("Booking");
    ASSERT_EQ(CommitSeries(d, w, templ, 16711680), 7);
    EXPECT_EQ(count("Booking"), before + 7);
    EXPECT_EQ(count("Booking", "gennr = ? AND gentagende <> 0", {templ.bookingnr}), 8);
    EXPECT_EQ(
        count("Booking", "gennr = ? AND Lokalenr = 2 AND Bdato = ?", {templ.bookingnr, D + 14}), 1);
    EXPECT_EQ(count("Booking", "gennr = ? AND Bdato = ?", {templ.bookingnr, D + 21}), 1)
        << "the colliding date is booked too";
    // Tax and price type stay with the template.
    EXPECT_EQ(rows(d, "Bcolor, Bstart, Bslut, Beskrivelse, Pris, Tentative, tax, bvpris, Bgruppe",
                   "gennr = ? AND Bookingnr <> ?", {templ.bookingnr, templ.bookingnr}),
              QStringList(7, "16711680|600|720|Choir|300|-1|0|NULL|7"));
    EXPECT_EQ(d.scalar("SELECT Bcolor FROM Booking WHERE Bookingnr = ?", {templ.bookingnr}).toInt(),
              16711680);
    // The numbers came from the shared counter.
    EXPECT_EQ(d.scalar("SELECT nextkey FROM næstenøgle").toInt(),
              d.scalar("SELECT max(Bookingnr) FROM Booking").toInt() + 1);
}

TEST_P(SeriesLogic, CommitWithNoCandidatesMarksTheTemplateAlone)
{
    Database d = db(), w = work();
    ClearCandidates(w);
    EXPECT_EQ(CommitSeries(d, w, templ, 0), 0);
    EXPECT_EQ(rows(d, "gennr, gentagende, Bcolor", "Bookingnr = ?", {templ.bookingnr}),
              QStringList{QString("%1|-1|0").arg(templ.bookingnr)});
    EXPECT_EQ(count("Booking"), 1);
}

TEST_P(SeriesLogic, AFailureHalfwayLeavesNoHalfSeries)
{
    Database d = db(), w = work();
    ASSERT_EQ(GenerateCandidates(w, d, D, D + 49, 7, templ), 7);
    const int nextBefore = d.scalar("SELECT nextkey FROM næstenøgle").toInt();
    // The disk fills up at the fourth new booking.
    ASSERT_TRUE(FailInserts(d, "Booking", "NEW.Bdato = " + QString::number(D + 28)));
    EXPECT_EQ(CommitSeries(d, w, templ, 255), -1);
    EXPECT_EQ(count("Booking"), 1);
    EXPECT_EQ(count("Booking", "gentagende <> 0"), 0) << "the template is not marked either";
    EXPECT_EQ(d.scalar("SELECT nextkey FROM næstenøgle").toInt(), nextBefore);
    EXPECT_EQ(days().size(), 7) << "the candidates are still there to try again";

    // A template whose fee could not be read books nothing rather than a fee of 0.
    ASSERT_TRUE(AllowInserts(d, "Booking"));
    templ.pris.reset();
    EXPECT_EQ(CommitSeries(d, w, templ, 255), kCommitFailed);
    EXPECT_EQ(count("Booking"), 1);
    EXPECT_EQ(count("Booking", "gentagende <> 0"), 0);

    // Nor does a series one of whose dates moved to an item since deleted.
    templ.pris = 300;
    ASSERT_TRUE(ApplyAlternative(w, LoadCandidates(w)[1].id, 3));
    ASSERT_TRUE(d.exec("DELETE FROM lokale WHERE lokalenr = 3"));
    EXPECT_EQ(CommitSeries(d, w, templ, 255), kCommitItemGone);
    EXPECT_EQ(count("Booking"), 1);
    EXPECT_EQ(count("Booking", "gentagende <> 0"), 0);
}

TEST_P(SeriesLogic, RangedDeleteReachesOnlyTheSeriesWithinTheRange)
{
    const QDate today(2026, 12, 5);
    const int t = DayNumber(today);
    Database d = db();
    QList<int> series;
    for (int k = -60; k <= 60; ++k) // a weekly series over about two years either side
        series << addBooking(t + 7 * k, 600, 660, 1, 7);
    ASSERT_TRUE(d.exec("UPDATE Booking SET gennr = 777, gentagende = -1"));
    const int single = addBooking(t + 7, 600, 660, 1, 7, 1, "Single");

    // "This and until" D+31 from the booking on day t: t .. t+31 inclusive.
    DayRange r = SeriesDeleteRange(SeriesDeleteScope::ThisAndUntil, t, t + 31, today);
    EXPECT_EQ(r.first, t);
    EXPECT_EQ(r.last, t + 31);
    EXPECT_EQ(DeleteSeriesRange(d, 777, r), 5); // t, t+7, t+14, t+21, t+28
    EXPECT_EQ(count("Booking", "Bookingnr = ?", {single}), 1);

    r = SeriesDeleteRange(SeriesDeleteScope::All, t + 70, 0, today);
    EXPECT_EQ(r.first, t - 365);
    EXPECT_EQ(r.last, t + 365);
    DeleteSeriesRange(d, 777, r);
    EXPECT_EQ(count("Booking", "gennr = 777 AND Bdato >= ? AND Bdato <= ?", {t - 365, t + 365}), 0);
    EXPECT_GT(count("Booking", "gennr = 777 AND Bdato > ?", {t + 365}), 0) << "beyond a year stays";
    EXPECT_GT(count("Booking", "gennr = 777 AND Bdato < ?", {t - 365}), 0);

    // Single bookings share the series number 0: it reaches none of them.
    EXPECT_EQ(DeleteSeriesRange(d, 0, r), 0);
    EXPECT_EQ(count("Booking", "Bookingnr = ?", {single}), 1);

    r = SeriesDeleteRange(SeriesDeleteScope::ThisAndRest, t + 400, 0, today);
    EXPECT_EQ(r.first, t + 400);
    EXPECT_EQ(r.last, t + 365) << "an empty range past a year from today";
}

TEST_P(SeriesLogic, ExpiringSeriesAreListedByTheirLastDate)
{
    const int t = D;
    Database d = db();
    auto series = [&](int gennr, int lastDay, const QString& title) {
        for (int day = lastDay - 21; day <= lastDay; day += 7) {
            const int nr = addBooking(day, 600, 660, 1, 7, 1, title);
            d.exec("UPDATE Booking SET gennr = ?, gentagende = -1 WHERE Bookingnr = ?",
                   {gennr, nr});
        }
    };
    series(1, t, "Ends today");
    series(2, t + 20, "Ends in 20");
    series(3, t + 40, "Ends in 40");
    QStringList titles;
    for (const ExpiringSeries& s : LoadExpiringSeries(d, t, t + 31))
        titles << s.title;
    titles.sort();
    EXPECT_EQ(titles, QStringList({"Ends in 20", "Ends today"}));
    const auto rows = LoadExpiringSeries(d, t + 20, t + 20);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.first().lastDay, t + 20);
    EXPECT_EQ(rows.first().item, "Hall A");
}

TEST_P(SeriesLogic, ACheckThatCannotRunNeverCountsAsFree)
{
    if (GetParam() == Engine::PostgreSQL)
        GTEST_SKIP() << "a busy booking file is a lock on the file itself";
    Database d = db(), w = work();
    {
        BusyFile busy(session().BookingFilePath);
        EXPECT_EQ(CheckCandidate(d, D + 7, 1, 600, 720), -1);
        ASSERT_EQ(GenerateCandidates(w, d, D, D + 14, 7, templ), 2);
        for (const Candidate& c : LoadCandidates(w)) {
            EXPECT_TRUE(c.collides) << c.day;
            EXPECT_TRUE(c.unchecked) << c.day;
        }
        bool unchecked = false;
        EXPECT_TRUE(IsItemBooked(d, 600, 720, D + 7, 2, &unchecked));
        EXPECT_TRUE(unchecked);
        unchecked = false;
        EXPECT_TRUE(
            FindAlternatives(w, d, LoadCandidates(w).first().id, templ.item, &unchecked).isEmpty());
        EXPECT_TRUE(unchecked);
    }
    // The same dates, checked once the file is free again.
    ClearCandidates(w);
    ASSERT_EQ(GenerateCandidates(w, d, D, D + 14, 7, templ), 2);
    for (const Candidate& c : LoadCandidates(w))
        EXPECT_FALSE(c.collides || c.unchecked) << c.day;
    bool unchecked = false;
    EXPECT_EQ(FindAlternatives(w, d, LoadCandidates(w).first().id, templ.item, &unchecked).size(),
              2);
    EXPECT_FALSE(unchecked);
}
