#include "data/dates.h"
#include "resourcedata.h"
#include "resources/hierarchy.h"

using namespace vestra;
using namespace vestra::test;

TEST(NodeKeys, KindLetterAndKeyOfEachLevel)
{
    for (const auto& [kind, letter] :
         {std::pair{1, 'L'}, {2, 'A'}, {3, 'S'}, {5, 'S'}, {0, 'S'}, {-1, 'S'}})
        EXPECT_EQ(KindLetter(kind), QLatin1Char(letter)) << kind;
    EXPECT_EQ(ParseNodeKey("AG12"), (std::optional<NodeKey>({'A', 'G', 12})));
    EXPECT_EQ(ParseNodeKey("LI1234"), (std::optional<NodeKey>({'L', 'I', 1234})));
    for (const char* bad : {"", "L", "LI", "LIx", "LI7a"})
        EXPECT_FALSE(ParseNodeKey(bad)) << bad;
}

TEST(DateFormats, NumberedAndPatternFormats)
{
    // Something that is no date pattern (the last two) falls back to day first.
    EXPECT_EQ(QStringList({QtDateFormat("dd-mm-yyyy"), QtDateFormat("mm/dd/yy"),
                           QtDateFormat("mmmm d, yyyy"), QtDateFormat(""), QtDateFormat("hh:nn")}),
              QStringList({"dd-MM-yyyy", "MM/dd/yy", "MMMM d, yyyy", "dd-MM-yyyy", "dd-MM-yyyy"}));
}

class Hierarchy : public ResourceTest {};

INSTANTIATE_TEST_SUITE_P(Engines, Hierarchy, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(Hierarchy, ChildRecordCarriesParentLinkAndKind)
{
    ASSERT_TRUE(db().exec("INSERT INTO gruppetyper (gruppeart, GTypenavn) VALUES (5, 'Vehicles')"));
    const int rooms = addGroup("Meeting rooms", 1);
    const int large = addType("Large rooms", rooms, 1);
    const int small = addType("Small vans", addGroup("Vans", 5), 5);
    Database d = db();
    // Parent, the window that opens on its new child, the values it starts with.
    const std::tuple<NodeKey, const char*, FieldValues> cases[] = {
        {{'A', 'T', 2}, "Resgroup", {{"gruppeart", 2}}},
        {{'L', 'G', rooms}, "lokaliteter", {{"Overgruppenr", rooms}, {"gruppeart", 1}}},
        {{'L', 'L', large}, "resitemLAD", {{"lokalinr", large}, {"gruppeart", 1}}},
        // A kind other than 1 to 3 is kept, not turned into 3 by its letter.
        {{'S', 'L', small}, "ResitemAD", {{"lokalinr", small}, {"gruppeart", 5}}},
    };
    for (const auto& [parent, window, values] : cases) {
        const auto child = ChildRecordFor(d, parent);
        ASSERT_TRUE(child) << window;
        EXPECT_EQ(std::pair(child->window, child->values), std::pair(QString(window), values));
    }
    EXPECT_FALSE(ChildRecordFor(d, {'L', 'I', 7})); // items have no children
}

TEST_P(Hierarchy, GroupsAndTypesAreDeletedOnlyWhenEmpty)
{
    const int g = addGroup("Meeting rooms", 1);
    const int t = addType("Large rooms", g, 1);
    const int i = addItem("Room A", t, 1);
    Database d = db();

    EXPECT_EQ(DeleteGroup(d, g).refusal, DeleteRefusal::GroupHasTypes);
    EXPECT_EQ(DeleteType(d, t).refusal, DeleteRefusal::TypeHasItems);
    EXPECT_EQ(QList({count("overgruppenavne"), count("lokaliteter")}), QList({1, 1}));

    // A live booking on the type blocks it even when its item is gone.
    const int booking = addBooking(45000, 600, 660, 555, t);
    EXPECT_TRUE(DeleteItem(d, i).deleted());
    EXPECT_EQ(DeleteType(d, t).refusal, DeleteRefusal::TypeHasBookings);
    ASSERT_TRUE(d.exec("DELETE FROM Booking WHERE Bookingnr = ?", {booking}));

    EXPECT_TRUE(DeleteType(d, t).deleted());
    EXPECT_TRUE(DeleteGroup(d, g).deleted());
    EXPECT_EQ(QList({count("overgruppenavne"), count("lokaliteter")}), QList({0, 0}));
}

TEST_P(Hierarchy, ItemsWithLiveBookingsAreKept)
{
    const int t = addType("Large rooms", addGroup("Meeting rooms", 1), 1);
    const int live = addItem("Room A", t, 1);
    const int archived = addItem("Room B", t, 1);
    addBooking(45000, 600, 660, live, t);
    addArchivedBooking(archived, t);
    Database d = db();

    EXPECT_EQ(CheckItemDelete(d, live), DeleteRefusal::ItemHasBookings);
    EXPECT_EQ(DeleteItem(d, live).refusal, DeleteRefusal::ItemHasBookings);
    EXPECT_EQ(count("lokale", "lokalenr = ?", {live}), 1);

    EXPECT_EQ(CheckItemDelete(d, archived), DeleteRefusal::None);
    EXPECT_TRUE(DeleteItem(d, archived).deleted());
    EXPECT_EQ(count("lokale", "lokalenr = ?", {archived}), 0);
    EXPECT_EQ(count("Bookingarkiv"), 1);
}
