#include "resourcedata.h"
#include "resources/resourcegroupwindow.h"
#include "resources/resourcemanager.h"
#include "resources/resourcetypewindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using namespace vestra;
using namespace vestra::test;

class Manager : public ResourceTest {
protected:
    void SetUp() override
    {
        ResourceTest::SetUp();
        rooms = addGroup("Meeting rooms", 1);
        large = addType("Large rooms", rooms, 1);
        room = addItem("Room A", large, 1);
        beamers = addType("Beamers", addGroup("Projectors", 2), 2);
        beamer = addItem("Epson 1", beamers, 2);
        empty = addGroup("Empty", 1);
        manager = ShowResourceManager();
    }
    // Whether the tree shows a node of that name.
    bool shows(const char* name)
    {
        return !manager->findChild<QTreeWidget*>("intree")
                    ->findItems(name, Qt::MatchExactly | Qt::MatchRecursive)
                    .isEmpty();
    }
    // Selects the node and presses "Edit/Del Node" (edit) or "Add Child Node"
    // (Add); gives the record window named, when one is.
    QWidget* onNode(const char* level, int number, const char* button, const char* opens = "")
    {
        const QString key = QString::fromLatin1(level) + QString::number(number);
        EXPECT_TRUE(manager->selectKey(key)) << key.toStdString();
        click(manager, button);
        return window(opens);
    }
    QWidget* window(const char* name) { return WindowRegistry::instance().find(name); }
    QLineEdit* edit(const char* w, const char* f) { return window(w)->findChild<QLineEdit*>(f); }
    QStringList openRecordWindows()
    {
        QStringList out;
        for (const char* name : {"Resgroup", "lokaliteter", "resitemL", "resitemLView",
                                 "resitemLAD", "ResitemA", "ResitemAView", "ResitemAD"})
            if (window(name) && window(name)->isVisible())
                out << name;
        return out;
    }
    int rooms = 0, large = 0, room = 0, beamers = 0, beamer = 0, empty = 0;
    ResourceManager* manager = nullptr;
};

INSTANTIATE_TEST_SUITE_P(Engines, Manager, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(Manager, ButtonsNeedANodeAndOnlyAdministratorsAddChildrenOrDelete)
{
    // The manager opens with no node chosen, and both buttons ask for one.
    EXPECT_TRUE(manager->selectedKey().isEmpty());
    click(manager, "edit");
    click(manager, "Add");
    EXPECT_EQ(messages.texts(), QStringList(2, "Select Node, Please / Service Message"));
    EXPECT_TRUE(openRecordWindows().isEmpty());
    messages.clear();
    onNode("LT", 1, "edit");   // a kind: nothing to edit
    onNode("LI", room, "Add"); // items have no children
    EXPECT_EQ(messages.texts() + openRecordWindows(), QStringList()) << "nor a window";

    session().IsAdmin = false;
    onNode("LT", 1, "Add");
    EXPECT_EQ(messages.texts(), QStringList({"Administrator Access Only! / Access Message"}));
    EXPECT_TRUE(openRecordWindows().isEmpty());

    // They rename groups and types but never delete them.
    const int emptyType = addType("Empty type", rooms, 1);
    manager->BuildTree();
    const struct {
        const char *level, *window, *field;
        int number;
        const char *table, *keyField;
    } cases[] = {
        {"LG", "Resgroup", "OverGruppenavn", empty, "overgruppenavne", "overgruppenr"},
        {"LL", "lokaliteter", "Lokalitetsnavn", emptyType, "lokaliteter", "lokalitetsnr"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.window);
        messages.clear();
        messages.answerNext(MsgAnswer::Yes); // were it asked, deletion would go ahead
        const QString name = field(c.table, c.field, c.keyField, c.number).toString();
        QWidget* w = onNode(c.level, c.number, "edit", c.window);
        click(w, "del");
        ASSERT_EQ(messages.texts(), QStringList({"Administrator Access Only! / Access Message"}));
        EXPECT_EQ(messages.shown()[0].icon, MsgIcon::Warning);
        EXPECT_EQ(count(c.table, QString(c.keyField) + " = ?", {c.number}), 1);
        ASSERT_TRUE(w->isVisible());
        QTest::keyClicks(edit(c.window, c.field), " renamed");
        click(w, "save");
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(field(c.table, c.field, c.keyField, c.number), name + " renamed");
    }
}

TEST_P(Manager, ItemsOpenByKindAndRight)
{
    // Items of a kind other than Domestic and Add-On use the Add-On windows.
    ASSERT_TRUE(db().exec("INSERT INTO gruppetyper (gruppeart, GTypenavn) VALUES (5, 'Vehicles')"));
    const int van = addItem("Van 1", addType("Vans", addGroup("Cars", 5), 5), 5);
    manager->BuildTree();
    onNode("LI", room, "edit");
    onNode("SI", van, "edit");
    EXPECT_EQ(openRecordWindows(), QStringList({"resitemL", "ResitemA"}));
    EXPECT_EQ(edit("ResitemA", "Lokalenavn")->text(), "Van 1");
    WindowRegistry::instance().closeAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Users without the right look at items (groups and types: see below).
    session().IsAdmin = false;
    manager = ShowResourceManager();
    onNode("LI", room, "edit");
    onNode("AI", beamer, "edit");
    EXPECT_EQ(openRecordWindows(), QStringList({"resitemLView", "ResitemAView"}));
    EXPECT_EQ(edit("resitemLView", "Lokalenavn")->text(), "Room A");
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_P(Manager, NewTypeAndItemTakeTheirParentLinkAndCancelLeavesNoRow)
{
    QWidget* w = onNode("LG", rooms, "Add", "lokaliteter");
    QTest::keyClicks(edit("lokaliteter", "Lokalitetsnavn"), "Halls");
    click(w, "Canc");
    EXPECT_EQ(std::pair(w->isVisible(), count("lokaliteter")), std::pair(false, 2));
    // Escape is Cancel too; an item add window discards the same way.
    QWidget* item = onNode("LL", large, "Add", "resitemLAD");
    QTest::keyClicks(edit("resitemLAD", "Lokalenavn"), "Room Z");
    QTest::keyClick(edit("resitemLAD", "Lokalenavn"), Qt::Key_Escape);
    EXPECT_EQ(std::pair(item->isVisible(), count("lokale")), std::pair(false, 2));
    EXPECT_TRUE(messages.texts().isEmpty());

    w = onNode("LG", rooms, "Add", "lokaliteter");
    click(w, "save");
    EXPECT_EQ(messages.texts(),
              QStringList({"Typename can't be empty. Fill in or cancel the operation. / Message"}));
    QTest::keyClicks(edit("lokaliteter", "Lokalitetsnavn"), "Halls");
    QTest::keyClicks(edit("lokaliteter", "Lokibeskr"), "Big ones");
    click(w, "save");
    EXPECT_EQ(count("lokaliteter",
                    "Lokalitetsnavn = 'Halls' AND Lokibeskr = 'Big ones' AND Overgruppenr = ? AND "
                    "gruppeart = 1",
                    {rooms}),
              1);

    ASSERT_TRUE(w = onNode("AL", beamers, "Add", "ResitemAD"));
    QTest::keyClicks(edit("ResitemAD", "Lokalenavn"), "Epson 2");
    click(w, "Luk");
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(
        count("lokale", "Lokalenavn = 'Epson 2' AND lokalinr = ? AND Gruppeart = 2", {beamers}), 1);
    EXPECT_TRUE(shows("Epson 2"));
}

TEST_P(Manager, AnEditToARecordDeletedElsewhereIsNotDroppedSilently)
{
    // A group (no counter of changes) and an item (with one) each deleted by
    // another workstation while a name is typed in their window.
    const struct {
        const char *window, *node, *field, *table, *key;
        int number;
    } cases[] = {{"Resgroup", "LG", "OverGruppenavn", "overgruppenavne", "overgruppenr", empty},
                 {"resitemL", "LI", "Lokalenavn", "lokale", "lokalenr", room}};
    // The server names fields in lower case.
    const QString gone = "The record could not be saved:\nThis record no longer exists; another "
                         "workstation may have deleted it.\nYour change:\n%1: Typed / Error";
    for (const auto& c : cases) {
        messages.clear();
        ASSERT_NE(onNode(c.node, c.number, "edit", c.window), nullptr) << c.window;
        edit(c.window, c.field)->setText("Typed");
        ASSERT_TRUE(
            db().exec(QString("DELETE FROM %1 WHERE %2 = ?").arg(c.table, c.key), {c.number}));
        window(c.window)->close();
        EXPECT_EQ(messages.texts().join('|').toLower(), gone.arg(c.field).toLower()) << c.window;
        // Nothing is left to write: the window closes now.
        if (QWidget* w = window(c.window))
            w->close();
        EXPECT_TRUE(openRecordWindows().isEmpty()) << c.window;
    }
}

TEST_P(Manager, GroupsAndTypesWithChildrenAreNotDeleted)
{
    QWidget* w = onNode("LG", rooms, "edit", "Resgroup");
    click(w, "del");
    EXPECT_EQ(messages.texts(),
              QStringList({"Unable to delete a resource group that still has resource types. "
                           "Delete its resource types first. / Delete Info"}));
    EXPECT_EQ(std::pair(w->isVisible(), count("overgruppenavne")), std::pair(true, 3));
    w->close();

    w = onNode("LG", empty, "edit", "Resgroup");
    messages.clear();
    messages.answerNext(MsgAnswer::No);
    click(w, "del");
    EXPECT_EQ(count("overgruppenavne", "overgruppenr = ?", {empty}), 1);
    messages.answerNext(MsgAnswer::Yes);
    click(w, "del");
    EXPECT_EQ(messages.texts(), QStringList(2, "Confirm deletion ? / Delete Info"));
    EXPECT_EQ(messages.shown().at(1).defaultButton, MsgAnswer::No);
    EXPECT_EQ(std::tuple(count("overgruppenavne", "overgruppenr = ?", {empty}), w->isVisible(),
                         shows("Empty")),
              std::tuple(0, false, false));
}

TEST_P(Manager, ClosingWritesOpenRecordWindowsAndTellsTheDayView)
{
    QSignalSpy closed(&resourceNotifier(), &ResourceNotifier::managerClosed);
    session().OpenViewNo = 2; // the week view: nothing to refresh
    // A record with an empty name keeps the manager open.
    onNode("LT", 1, "Add");
    click(manager, "exit");
    EXPECT_TRUE(manager->isVisible() && window("Resgroup")->isVisible());
    EXPECT_EQ(messages.texts(),
              QStringList{"Groupname can't be empty. Fill in or cancel the operation. / Message"});
    click(window("Resgroup"), "Canc");

    onNode("LG", rooms, "edit");
    QTest::keyClicks(edit("Resgroup", "OverGruppenavn"), " 2");
    click(manager, "exit");
    EXPECT_EQ(std::tuple(manager->isVisible(), count("overgruppenavne"), closed.count(),
                         field("overgruppenavne", "OverGruppenavn", "overgruppenr", rooms)),
              std::tuple(false, 3, 0, QVariant("Meeting rooms 2")));

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    session().OpenViewNo = 1;
    manager = ShowResourceManager();
    click(manager, "exit");
    EXPECT_EQ(closed.count(), 1);
}
