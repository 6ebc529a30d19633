#include "schedule/scheduledata.h"
#include "support/fixture.h"

using namespace vestra;
using namespace vestra::test;

class ScheduleData : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
    }
    void item(int nr, int type, const QString& name, QVariant inaktiv = 0, QVariant from = {},
              QVariant to = {})
    {
        ASSERT_TRUE(
            db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, inaktiv, inakstart, "
                      "inakslut) VALUES (?, ?, ?, ?, ?, ?)",
                      {nr, type, name, inaktiv, from, to}));
    }
    QStringList captions(int type, int day)
    {
        Database d = db();
        QStringList out;
        for (const ScheduleColumn& c : LoadDayColumns(d, type, day))
            out << c.caption;
        return out;
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, ScheduleData, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(ScheduleData, InactiveItemsAreHiddenOnTheDaysOfTheirPeriod)
{
    item(1, 5, "Alpha");
    item(2, 5, "Beta", -1, 100, 100); // inactive on day 100 only
    item(3, 5, "Gamma", -1);          // inactive without a period
    item(4, 5, "Delta", -1, 90, 110);
    item(5, 6, "Other type");
    EXPECT_EQ(captions(5, 99), QStringList({"Alpha", "Beta"}));
    EXPECT_EQ(captions(5, 100), QStringList({"Alpha"}));
    EXPECT_EQ(captions(5, 101), QStringList({"Alpha", "Beta"}));
    EXPECT_EQ(captions(5, 89), QStringList({"Alpha", "Beta", "Delta"}));
    EXPECT_EQ(captions(5, 110), QStringList({"Alpha", "Beta"}));
    EXPECT_EQ(captions(5, 111), QStringList({"Alpha", "Beta", "Delta"}));
    EXPECT_EQ(captions(0, 100), QStringList());
}

TEST_P(ScheduleData, DayAndWeekBlocks)
{
    const int a = addBooking(200, 600, 660, 1, 5, 1, "A");
    addBooking(200, 600, 660, 2, 6, 1, "other type");
    addBooking(201, 600, 660, 1, 5, 1, "next day");
    const int d2 = addBooking(200, 480, 500, 7, 5, 1, "no column");
    Database d = db();
    const auto day = LoadDayBlocks(d, 5, 200);
    ASSERT_EQ(day.size(), 2);
    EXPECT_EQ(day[0].bookingnr, a);
    EXPECT_EQ(day[0].text, "A");
    EXPECT_EQ(day[0].color, 255);
    EXPECT_TRUE(day[0].tentative);
    EXPECT_EQ(day[1].bookingnr, d2) << "a booking without a column is still handed on";

    // The week holds its first and seventh day, not the eighth.
    addBooking(194, 600, 660, 1, 5, 1, "before");
    addBooking(206, 600, 660, 1, 5, 1, "last day");
    addBooking(207, 600, 660, 1, 5, 1, "after");
    QStringList titles;
    for (const ScheduleBlock& b : LoadWeekBlocks(d, 1, 200))
        titles << b.text;
    EXPECT_EQ(titles, QStringList({"A", "next day", "last day"}));

    // The whole-table read finds the same rows.
    const auto scanned = LoadDayBlocksByScan(d, 5, 200);
    ASSERT_EQ(scanned.size(), day.size());
    for (int i = 0; i < day.size(); ++i)
        EXPECT_EQ(scanned[i].bookingnr, day[i].bookingnr);
}

TEST_P(ScheduleData, LoadsReadThroughIndexes)
{
    Database d = db();
    const std::pair<QString, QVariantList> statements[] = {
        {"SELECT * FROM Booking WHERE Bdato = ? AND Bgruppe = ? ORDER BY Bookingnr", {1, 2}},
        {"SELECT * FROM Booking WHERE Lokalenr = ? AND Bdato >= ? AND Bdato <= ? ORDER BY "
         "Bookingnr",
         {1, 2, 3}},
        {"SELECT lokalenr FROM headerfor WHERE lokalinr = ?", {1}}};
    const bool server = d.engine() == Engine::PostgreSQL;
    for (const auto& [sql, binds] : statements) {
        const QString plan = QueryPlan(d, sql, binds);
        EXPECT_TRUE(plan.contains(server ? "Index" : "USING INDEX")) << plan.toStdString();
    }
}
