#include "data/dates.h"
#include "platform/windowregistry.h"
#include "resourcedata.h"
#include "resources/domesticitem.h"
#include "resources/equipmentitem.h"
#include "resources/fieldeditors.h"
#include "resources/resmanager.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace vestra;
using namespace vestra::test;

class ItemWindows : public ResourceTest {
protected:
    void SetUp() override
    {
        ResourceTest::SetUp();
        const int rooms = addGroup("Meeting rooms", 1);
        large = addType("Large rooms", rooms, 1);
        room = addItem("Room A", large, 1);
        beamers = addType("Beamers", addGroup("Projectors", 2), 2);
        beamer = addItem("Epson 1", beamers, 2);
        homebase = insert("INSERT INTO Homebases (Homebase) VALUES ('Basement')", {});
        insert("INSERT INTO Homebases (Homebase) VALUES ('Attic')", {});
    }
    void TearDown() override
    {
        SetResourcesToday({});
        ResourceTest::TearDown();
    }
    template <typename W> W* open(ItemMode mode, int item)
    {
        auto* w = new W(mode);
        WindowRegistry::instance().obtain<QWidget>(w->objectName(), [w] { return w; });
        WindowRegistry::instance().show(w, ShowMode::Free);
        EXPECT_TRUE(mode == ItemMode::Add ? w->OpenNew({{"lokalinr", large}, {"gruppeart", 1}})
                                          : w->OpenOn(item));
        return w;
    }
    template <typename T = QWidget> T* child(QWidget* w, const char* name)
    {
        auto* c = w->findChild<T*>(name);
        EXPECT_TRUE(c) << name;
        return c;
    }
    QStringList buttons(QWidget* w)
    {
        QStringList out;
        for (const char* name : {"Canc", "del", "Luk"})
            if (auto* b = w->findChild<QPushButton*>(name))
                out << QStringLiteral("%1 %2").arg(name, b->text());
        return out;
    }
    QString row(int item)
    {
        Database d = db();
        return d
            .scalar("SELECT quote(lokalinr)||quote(Lokalenavn)||quote(Gruppeart)||"
                    "quote(lokbeskrivelse)||quote(maxprs)||quote(Lokfastinv)||quote(gebyr)||"
                    "quote(inaktiv)||quote(inakstart)||quote(inakslut)||quote(ID)||"
                    "quote(Leverandør)||quote(levadresse)||quote(levzip)||quote(levby)||"
                    "quote(levphone)||quote(levmail)||quote(lokfabrikat)||quote(lokmodel)||"
                    "quote(loksernr)||quote(lokårgang)||quote(Garantislut) "
                    "FROM lokale WHERE lokalenr = ?",
                    {item})
            .toString();
    }
    int large = 0, room = 0, beamers = 0, beamer = 0, homebase = 0;
};

TEST_F(ItemWindows, CaptionsAndButtonsOfTheSixWindows)
{
    struct Case {
        bool domestic;
        ItemMode mode;
        const char* name;
        const char* caption;
        QStringList buttons;
        bool box;
    };
    const QStringList edit = {"Canc Cancel", "del Delete", "Luk Ok"};
    const QStringList add = {"Canc Cancel", "Luk Ok"};
    const QStringList view = {"Luk Ok"};
    const Case cases[] = {
        {true, ItemMode::Edit, "resitemL", "Vestra - Edit/Delete Domestic Resuorce", edit, true},
        {true, ItemMode::View, "resitemLView", "Vestra - View Domestic Resuorce", view, true},
        {true, ItemMode::Add, "resitemLAD", "Vestra - Add Domestic Resuorce", add, false},
        {false, ItemMode::Edit, "ResitemA", "Vestra  - Edit/Delete  Add-On/Stand-Alone Ressuorce",
         edit, true},
        {false, ItemMode::View, "ResitemAView", "Vestra  - View  Add-On/Stand-Alone Ressuorce",
         view, true},
        {false, ItemMode::Add, "ResitemAD", "Vestra  - Add  Add-On/Stand-Alone Ressuorce", add,
         false},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ItemWindow> w(c.domestic
                                          ? static_cast<ItemWindow*>(new DomesticItemWindow(c.mode))
                                          : new EquipmentItemWindow(c.mode));
        SCOPED_TRACE(c.name);
        EXPECT_EQ(w->objectName(), c.name);
        EXPECT_EQ(w->windowTitle(), c.caption);
        EXPECT_EQ(buttons(w.get()), c.buttons);
        EXPECT_EQ(w->findChild<FlagBox*>("inaktiv") != nullptr, c.box);
        EXPECT_EQ(w->findChild<QWidget*>("maxprs") != nullptr, c.domestic);
        EXPECT_EQ(w->findChild<QWidget*>("warrenty") != nullptr, !c.domestic);
        if (auto* del = w->findChild<QPushButton*>("del")) {
            EXPECT_EQ(del->toolTip(), "Delete Record");
        }
        // Calendars belong to the edit windows.
        EXPECT_EQ(w->findChild<QCalendarWidget*>("ctDateST") != nullptr, c.mode == ItemMode::Edit);
        EXPECT_EQ(w->findChild<QCalendarWidget*>("ctDateSL") != nullptr, c.mode == ItemMode::Edit);
    }
}

TEST_F(ItemWindows, DomesticEditShowsAndWritesEveryField)
{
    ASSERT_TRUE(db().exec("UPDATE lokale SET lokbeskrivelse = 'North wing', maxprs = 12, "
                          "Lokfastinv = 'Table', gebyr = 100, inaktiv = -1, inakstart = ?, "
                          "inakslut = ? WHERE lokalenr = ?",
                          {DayNumber(QDate(2025, 3, 1)), DayNumber(QDate(2025, 3, 9)), room}));
    auto* w = open<DomesticItemWindow>(ItemMode::Edit, room);
    EXPECT_EQ(child<QLineEdit>(w, "lokalenr")->text(), QString::number(room));
    EXPECT_EQ(child<QLineEdit>(w, "Lokalenavn")->text(), "Room A");
    EXPECT_EQ(child<QPlainTextEdit>(w, "lokbeskrivelse")->toPlainText(), "North wing");
    EXPECT_EQ(child<QLineEdit>(w, "maxprs")->text(), "12");
    EXPECT_EQ(child<QPlainTextEdit>(w, "Lokfastinv")->toPlainText(), "Table");
    EXPECT_EQ(child<AmountEdit>(w, "gebyr")->value().toDouble(), 100.0);
    EXPECT_TRUE(child<FlagBox>(w, "inaktiv")->isChecked());
    auto* start = child<DateField>(w, "cstart");
    EXPECT_EQ(start->shownDate(), QDate(2025, 3, 1));
    EXPECT_EQ(start->text(), "01-03-2025"); // DateFormatNo 1: day first
    EXPECT_EQ(child<DateField>(w, "cslut")->shownDate(), QDate(2025, 3, 9));
    EXPECT_FALSE(start->isReadOnly());

    auto retype = [](QWidget* editor, const QString& text) {
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
    };
    retype(child(w, "Lokalenavn"), "Room A1");
    retype(child(w, "lokbeskrivelse"), "South wing");
    retype(child(w, "maxprs"), "20");
    retype(child(w, "Lokfastinv"), "Chairs");
    retype(child(w, "gebyr"), "125.5");
    QTest::keyClick(start, Qt::Key_Up); // one day on
    click(w, "Luk");
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(row(room), QStringLiteral("%1'Room A1'1'South wing'20'Chairs'125.5-1%2%3")
                                 .arg(large)
                                 .arg(DayNumber(QDate(2025, 3, 2)))
                                 .arg(DayNumber(QDate(2025, 3, 9)))
                             + nulls(12));
}

TEST_F(ItemWindows, EquipmentEditShowsAndWritesEveryField)
{
    ASSERT_TRUE(db().exec("UPDATE lokale SET Leverandør = 'AV Supply', levadresse = 'Road 1', "
                          "levzip = '1000', levby = 'Town', levphone = '555', levmail = 'a@b.c', "
                          "lokfabrikat = 'Epson', lokmodel = 'X1', loksernr = 'S9', "
                          "lokårgang = '2020', Garantislut = '2026-05-31', ID = ?, gebyr = 40 "
                          "WHERE lokalenr = ?",
                          {homebase, beamer}));
    auto* w = open<EquipmentItemWindow>(ItemMode::Edit, beamer);
    const QList<std::pair<const char*, const char*>> texts = {
        {"Leverandør", "AV Supply"}, {"levadresse", "Road 1"}, {"levzip", "1000"},
        {"levby", "Town"},           {"levphone", "555"},      {"levmail", "a@b.c"},
        {"lokfabrikat", "Epson"},    {"lokmodel", "X1"},       {"loksernr", "S9"},
        {"lokårgang", "2020"}};
    for (const auto& [name, text] : texts)
        EXPECT_EQ(child<QLineEdit>(w, name)->text(), text) << name;
    auto* warranty = child<DateField>(w, "warrenty");
    EXPECT_EQ(warranty->text(), "31-05-2026"); // DateFormatLong dd-mm-yyyy
    auto* base = child<QComboBox>(w, "Homebase");
    EXPECT_EQ(base->currentText(), "Basement");
    // Not unavailable: the dates are locked and empty.
    EXPECT_TRUE(child<DateField>(w, "cstart")->isReadOnly());
    EXPECT_TRUE(child<DateField>(w, "cstart")->isEmpty());

    for (const auto& [name, text] : texts) {
        auto* edit = child<QLineEdit>(w, name);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClicks(edit, "+");
    }
    base->setCurrentIndex(base->findText("Attic"));
    warranty->setShownDate(QDate(2027, 1, 2));
    click(w, "Luk");
    EXPECT_EQ(row(beamer),
              QStringLiteral("%1'Epson 1'2NULLNULLNULL40.00NULLNULL%2'AV Supply+''Road 1+''1000+'"
                             "'Town+''555+''a@b.c+''Epson+''X1+''S9+''2020+''2027-01-02'")
                  .arg(beamers)
                  .arg(homebase + 1));
}

TEST_F(ItemWindows, LookingAtARecordInTheEditWindowWritesNothing)
{
    // Empty homebase, warranty and fee stay empty (the view windows are below).
    const QString before = row(beamer);
    click(open<EquipmentItemWindow>(ItemMode::Edit, beamer), "Luk");
    EXPECT_EQ(row(beamer), before);
}

TEST_F(ItemWindows, ViewWindowsAreLockedAndNeverWrite)
{
    const QString before = row(room);
    auto* w = open<DomesticItemWindow>(ItemMode::View, room);
    auto* name = child<QLineEdit>(w, "Lokalenavn");
    EXPECT_TRUE(name->isReadOnly());
    EXPECT_TRUE(child<QLineEdit>(w, "maxprs")->isReadOnly());
    EXPECT_FALSE(child(w, "inaktiv")->isEnabled());
    EXPECT_TRUE(child<DateField>(w, "cstart")->isReadOnly());
    name->setText("Changed anyway");
    QTest::keyClick(name, Qt::Key_Escape); // closes a view
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(row(room), before);

    const QString equipment = row(beamer); // with its empty homebase and warranty
    auto* v = open<EquipmentItemWindow>(ItemMode::View, beamer);
    EXPECT_FALSE(child(v, "Homebase")->isEnabled());
    EXPECT_TRUE(child<DateField>(v, "warrenty")->isReadOnly());
    child<QLineEdit>(v, "Leverandør")->setText("Changed anyway");
    v->close();
    EXPECT_FALSE(v->isVisible());
    EXPECT_EQ(row(beamer), equipment);
}

TEST_F(ItemWindows, TickingUnavailableOnNewYearsEve)
{
    SetResourcesToday(QDate(2024, 12, 31));
    auto* w = open<DomesticItemWindow>(ItemMode::Edit, room);
    auto* box = child<FlagBox>(w, "inaktiv");
    auto* start = child<DateField>(w, "cstart");
    auto* end = child<DateField>(w, "cslut");
    EXPECT_TRUE(start->isReadOnly());
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(start->shownDate(), QDate(2024, 12, 31));
    EXPECT_EQ(end->shownDate(), QDate(2025, 1, 14));
    EXPECT_FALSE(start->isReadOnly());
    EXPECT_FALSE(end->isReadOnly());
    click(w, "Luk");
    EXPECT_EQ(field("lokale", "inaktiv", "lokalenr", room).toInt(), -1);
    EXPECT_EQ(field("lokale", "inakstart", "lokalenr", room).toInt(),
              DayNumber(QDate(2024, 12, 31)));
    EXPECT_EQ(field("lokale", "inakslut", "lokalenr", room).toInt(), DayNumber(QDate(2025, 1, 14)));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Clearing the box locks the dates and keeps them as stored.
    SetResourcesToday(QDate(2025, 6, 1));
    w = open<DomesticItemWindow>(ItemMode::Edit, room);
    box = child<FlagBox>(w, "inaktiv");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(child<DateField>(w, "cstart")->isReadOnly());
    EXPECT_EQ(child<DateField>(w, "cstart")->shownDate(), QDate(2024, 12, 31));
    click(w, "Luk");
    EXPECT_EQ(field("lokale", "inaktiv", "lokalenr", room).toInt(), 0);
    EXPECT_EQ(field("lokale", "inakstart", "lokalenr", room).toInt(),
              DayNumber(QDate(2024, 12, 31)));
    EXPECT_EQ(field("lokale", "inakslut", "lokalenr", room).toInt(), DayNumber(QDate(2025, 1, 14)));
}

TEST_F(ItemWindows, CancelRefillsFromTheStore)
{
    auto* w = open<EquipmentItemWindow>(ItemMode::Edit, beamer);
    auto* name = child<QLineEdit>(w, "Lokalenavn");
    QTest::keyClicks(name, " changed");
    QTest::keyClick(child(w, "inaktiv"), Qt::Key_Space);
    click(w, "Canc");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(name->text(), "Epson 1");
    EXPECT_FALSE(child<FlagBox>(w, "inaktiv")->isChecked());
    EXPECT_TRUE(child<DateField>(w, "cstart")->isReadOnly());
    click(w, "Luk");
    EXPECT_EQ(field("lokale", "Lokalenavn", "lokalenr", beamer), "Epson 1");
    EXPECT_EQ(field("lokale", "inaktiv", "lokalenr", beamer).toInt(), 0);
}

TEST_F(ItemWindows, DeleteIsRefusedWhileLiveBookingsReferToTheItem)
{
    addBooking(45000, 600, 660, room, large);
    auto* w = open<DomesticItemWindow>(ItemMode::Edit, room);
    click(w, "del");
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().at(0).text,
              "Unable to delete resource with underlaying bookings ! !");
    EXPECT_EQ(messages.shown().at(0).title, "");
    EXPECT_EQ(messages.shown().at(0).icon, MsgIcon::Warning);
    EXPECT_EQ(count("lokale", "lokalenr = ?", {room}), 1);
    EXPECT_EQ(child<QLineEdit>(w, "Lokalenavn")->text(), "Room A");
}

TEST_F(ItemWindows, DeleteAsksAndMovesToTheNextRecord)
{
    const int second = addItem("Room B", large, 1);
    addArchivedBooking(room, large); // archived bookings do not block
    auto* w = open<DomesticItemWindow>(ItemMode::Edit, room);
    messages.answerNext(MsgAnswer::No);
    click(w, "del");
    EXPECT_EQ(messages.texts(), QStringList({"Confirm deletion ? / Delete Info"}));
    EXPECT_EQ(messages.shown().at(0).icon, MsgIcon::Question);
    EXPECT_EQ(count("lokale", "lokalenr = ?", {room}), 1);
    EXPECT_EQ(child<QLineEdit>(w, "lokalenr")->text(), QString::number(room));

    messages.answerNext(MsgAnswer::Yes);
    click(w, "del");
    EXPECT_EQ(count("lokale", "lokalenr = ?", {room}), 0);
    EXPECT_TRUE(w->isVisible());
    // The records that followed were the projector and then Room B.
    EXPECT_EQ(child<QLineEdit>(w, "lokalenr")->text(), QString::number(beamer));
    Q_UNUSED(second);
}

TEST_F(ItemWindows, EmptyFieldsStayEmptyThroughTheEditWindow)
{
    // No value typed must not become 0 or an empty text in the file.
    const QString before = row(room);
    auto* w = open<DomesticItemWindow>(ItemMode::Edit, room);
    child<QLineEdit>(w, "Lokalenavn")->setText("Room A2");
    click(w, "Luk");
    EXPECT_EQ(row(room), QString(before).replace("'Room A'", "'Room A2'"));
    EXPECT_TRUE(field("lokale", "gebyr", "lokalenr", room).isNull());
    EXPECT_TRUE(field("lokale", "maxprs", "lokalenr", room).isNull());
}

TEST_F(ItemWindows, AddWindowNumbersTheNewItem)
{
    auto* w = open<DomesticItemWindow>(ItemMode::Add, 0); // a new item of Large rooms
    EXPECT_TRUE(child<QLineEdit>(w, "lokalenr")->text().isEmpty());
    QTest::keyClicks(child(w, "Lokalenavn"), "Room C");
    QTest::keyClicks(child(w, "maxprs"), "8");
    click(w, "Luk");
    EXPECT_FALSE(w->isVisible());
    const int id = db().scalar("SELECT max(lokalenr) FROM lokale").toInt();
    EXPECT_GT(id, beamer);
    EXPECT_EQ(row(id), QStringLiteral("%1'Room C'1NULL8NULLNULL0").arg(large) + nulls(14));
}
