#include "data/dates.h"
#include "forms/fieldeditors.h"
#include "resourcedata.h"
#include "resources/domesticitemwindow.h"
#include "resources/equipmentitemwindow.h"
#include "resources/hierarchy.h"

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
        large = addType("Large rooms", addGroup("Meeting rooms", 1), 1);
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
    template <typename T = QWidget> T* child(QWidget* w, const char* name)
    {
        auto* c = w->findChild<T*>(name);
        EXPECT_TRUE(c) << name;
        return c;
    }
    // Ticks or clears the unavailable box as the user does.
    void toggleBox(QWidget* w)
    {
        auto* box = child<FlagBox>(w, "inaktiv");
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
    }
    QVariant stored(const char* name, int item) { return field("lokale", name, "lokalenr", item); }
    // inaktiv, inakstart and inakslut as stored.
    QStringList unavailability(int item)
    {
        return firstRow("SELECT inaktiv, inakstart, inakslut FROM lokale WHERE lokalenr = ?",
                        {item});
    }
    // The item's stored fields in a row, each as SQL would write it: text and
    // dates quoted, numbers bare, so a number stored as text shows.
    QString row(int item)
    {
        Database d = db();
        auto q = d.query("SELECT lokalinr, Lokalenavn, Gruppeart, lokbeskrivelse, maxprs, "
                         "Lokfastinv, gebyr, inaktiv, inakstart, inakslut, ID, Leverandør, "
                         "levadresse, levzip, levby, levphone, levmail, lokfabrikat, lokmodel, "
                         "loksernr, lokårgang, Garantislut FROM lokale WHERE lokalenr = ?",
                         {item});
        QString shown;
        if (q && q->next())
            for (int c = 0; c < q->record().count(); ++c) {
                const QVariant v = q->value(c);
                if (v.isNull())
                    shown += "NULL";
                else if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QDate)
                    shown += "'" + v.toString().replace("'", "''") + "'"; // a date as ISO
                else
                    shown += v.toString();
            }
        return shown;
    }
    int large = 0, room = 0, beamers = 0, beamer = 0, homebase = 0;
};

INSTANTIATE_TEST_SUITE_P(Engines, ItemWindows, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(ItemWindows, DomesticEditShowsAndWritesEveryField)
{
    ASSERT_TRUE(db().exec("UPDATE lokale SET lokbeskrivelse = 'North wing', maxprs = 12, "
                          "Lokfastinv = 'Table', gebyr = 100, inaktiv = -1, inakstart = ?, "
                          "inakslut = ? WHERE lokalenr = ?",
                          {DayNumber(QDate(2025, 3, 1)), DayNumber(QDate(2025, 3, 9)), room}));
    auto* w = open<DomesticItemWindow>(ItemMode::Edit, room);
    auto* start = child<DateField>(w, "cstart");
    // The editors are bound both ways; the write below checks each binding.
    // DateFormatNo 1 shows the day first.
    EXPECT_EQ(std::tuple(child<QPlainTextEdit>(w, "lokbeskrivelse")->toPlainText(),
                         child<AmountEdit>(w, "gebyr")->value().toDouble(),
                         child<QLineEdit>(w, "maxprs")->text(),
                         child<FlagBox>(w, "inaktiv")->isChecked(), start->text(),
                         child<DateField>(w, "cslut")->shownDate()),
              std::tuple("North wing", 100.0, "12", true, "01-03-2025", QDate(2025, 3, 9)));

    for (const auto& [name, text] : {std::pair{"Lokalenavn", "Room A1"},
                                     {"lokbeskrivelse", "South wing"},
                                     {"maxprs", "20"},
                                     {"Lokfastinv", "Chairs"},
                                     {"gebyr", "125.5"}}) {
        QWidget* editor = child(w, name);
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
    }
    QTest::keyClick(start, Qt::Key_Up); // one day on
    click(w, "Luk");
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(row(room), QStringLiteral("%1'Room A1'1'South wing'20'Chairs'125.5-1%2%3")
                                 .arg(large)
                                 .arg(DayNumber(QDate(2025, 3, 2)))
                                 .arg(DayNumber(QDate(2025, 3, 9)))
                             + QString("NULL").repeated(12));
}

TEST_P(ItemWindows, EquipmentEditShowsAndWritesEveryField)
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
    for (const auto& [name, text] : texts) {
        auto* edit = child<QLineEdit>(w, name);
        EXPECT_EQ(edit->text(), text) << name;
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClicks(edit, "+");
    }
    auto* warranty = child<DateField>(w, "warrenty");
    auto* base = child<QComboBox>(w, "Homebase");
    auto* start = child<DateField>(w, "cstart");
    // The warranty as DateFormatLong dd-mm-yyyy; not unavailable, the dates
    // are locked and empty.
    EXPECT_EQ(
        std::tuple(warranty->text(), base->currentText(), start->isReadOnly(), start->isEmpty()),
        std::tuple("31-05-2026", "Basement", true, true));

    base->setCurrentIndex(base->findText("Attic"));
    warranty->setShownDate(QDate(2027, 1, 2));
    click(w, "Luk");
    EXPECT_EQ(row(beamer),
              QStringLiteral("%1'Epson 1'2NULLNULLNULL400NULLNULL%2'AV Supply+''Road 1+''1000+'"
                             "'Town+''555+''a@b.c+''Epson+''X1+''S9+''2020+''2027-01-02'")
                  .arg(beamers)
                  .arg(homebase + 1));
}

TEST_P(ItemWindows, AWarrantyTypedIntoTheEmptyFieldIsStoredAndItsCalendarOpensOnToday)
{
    auto* w = open<EquipmentItemWindow>(ItemMode::Edit, beamer);
    auto* warranty = child<DateField>(w, "warrenty");
    ASSERT_TRUE(warranty->isEmpty());
    warranty->setFocus();
    QTest::mouseClick(warranty, Qt::LeftButton, {},
                      QPoint(warranty->width() - 4, warranty->height() / 2));
    ASSERT_TRUE(warranty->calendarWidget()->isVisible());
    EXPECT_EQ(warranty->calendarWidget()->yearShown(), QDate::currentDate().year());
    EXPECT_EQ(warranty->calendarWidget()->monthShown(), QDate::currentDate().month());
    warranty->calendarWidget()->window()->close();
    warranty->setFocus();
    QTest::keyClicks(warranty, "31-12-2028");
    click(w, "Luk");
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(stored("Garantislut", beamer).toString().left(10), "2028-12-31");
}

TEST_P(ItemWindows, ViewWindowsAreLockedAndNeverWrite)
{
    const QString before = row(room);
    auto* w = open<DomesticItemWindow>(ItemMode::View, room);
    auto* name = child<QLineEdit>(w, "Lokalenavn");
    EXPECT_EQ(QList<bool>({name->isReadOnly(), child<QLineEdit>(w, "maxprs")->isReadOnly(),
                           child(w, "inaktiv")->isEnabled(),
                           child<DateField>(w, "cstart")->isReadOnly()}),
              QList<bool>({true, true, false, true}));
    name->setText("Changed anyway");
    QTest::keyClick(name, Qt::Key_Escape); // closes a view
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(row(room), before);

    const QString equipment = row(beamer);
    auto* v = open<EquipmentItemWindow>(ItemMode::View, beamer);
    EXPECT_FALSE(child(v, "Homebase")->isEnabled());
    EXPECT_TRUE(child<DateField>(v, "warrenty")->isReadOnly());
    child<QLineEdit>(v, "Leverandør")->setText("Changed anyway");
    v->close();
    EXPECT_EQ(row(beamer), equipment);
}

TEST_P(ItemWindows, TickingUnavailableOnNewYearsEve)
{
    const QString eve = QString::number(DayNumber(QDate(2024, 12, 31)));
    const QString twoWeeks = QString::number(DayNumber(QDate(2025, 1, 14)));
    SetResourcesToday(QDate(2024, 12, 31));
    auto* w = open<DomesticItemWindow>(ItemMode::Edit, room);
    auto* start = child<DateField>(w, "cstart");
    auto* end = child<DateField>(w, "cslut");
    EXPECT_TRUE(start->isReadOnly());
    toggleBox(w);
    EXPECT_EQ(std::tuple(child<FlagBox>(w, "inaktiv")->isChecked(), start->shownDate(),
                         end->shownDate(), start->isReadOnly(), end->isReadOnly()),
              std::tuple(true, QDate(2024, 12, 31), QDate(2025, 1, 14), false, false));
    click(w, "Luk");
    EXPECT_EQ(unavailability(room), QStringList({"-1", eve, twoWeeks}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Clearing the box locks the dates and keeps them as stored.
    SetResourcesToday(QDate(2025, 6, 1));
    w = open<DomesticItemWindow>(ItemMode::Edit, room);
    toggleBox(w);
    start = child<DateField>(w, "cstart");
    EXPECT_EQ(std::tuple(child<FlagBox>(w, "inaktiv")->isChecked(), start->isReadOnly(),
                         start->shownDate()),
              std::tuple(false, true, QDate(2024, 12, 31)));
    click(w, "Luk");
    EXPECT_EQ(unavailability(room), QStringList({"0", eve, twoWeeks}));
}

TEST_P(ItemWindows, CancelRefillsFromTheStoreAndEnterPressesOk)
{
    auto* w = open<EquipmentItemWindow>(ItemMode::Edit, beamer);
    auto* name = child<QLineEdit>(w, "Lokalenavn");
    QTest::keyClicks(name, " changed");
    toggleBox(w);
    click(w, "Canc");
    EXPECT_EQ(std::tuple(w->isVisible(), name->text(), child<FlagBox>(w, "inaktiv")->isChecked(),
                         child<DateField>(w, "cstart")->isReadOnly()),
              std::tuple(true, "Epson 1", false, true));
    click(w, "Luk");
    EXPECT_EQ(stored("Lokalenavn", beamer), "Epson 1");
    EXPECT_EQ(stored("inaktiv", beamer).toInt(), 0);

    w = open<EquipmentItemWindow>(ItemMode::Edit, beamer);
    name = child<QLineEdit>(w, "Lokalenavn");
    QTest::keyClicks(name, " 2");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(stored("Lokalenavn", beamer), "Epson 1 2");
}

TEST_P(ItemWindows, AnOpenWindowFindsAnItemAddedSinceItOpened)
{
    auto* w = open<DomesticItemWindow>(ItemMode::Edit, room);
    auto* name = child<QLineEdit>(w, "Lokalenavn");
    const int added = addItem("Room B", large, 1); // by another window or workstation
    ASSERT_TRUE(w->OpenOn(added));
    EXPECT_EQ(name->text(), "Room B");
    QTest::keyClicks(name, " west");
    EXPECT_FALSE(w->OpenOn(added + 100)); // gone: the record shown stays
    EXPECT_EQ(w->source()->key().toInt(), added);
    click(w, "Luk");
    EXPECT_EQ(stored("Lokalenavn", added), "Room B west");
    EXPECT_EQ(stored("Lokalenavn", room), "Room A");
}

TEST_P(ItemWindows, DeleteIsRefusedForLiveBookingsAndOtherwiseAsksAndMovesOnWithinItsKind)
{
    const int roomB = addItem("Room B", large, 1);
    const int booking = addBooking(45000, 600, 660, room, large);
    addArchivedBooking(room, large); // archived bookings do not block
    auto* w = open<DomesticItemWindow>(ItemMode::Edit, room);
    click(w, "del");
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].text, "Unable to delete resource with underlaying bookings ! !");
    EXPECT_EQ(messages.shown()[0].icon, MsgIcon::Warning);
    EXPECT_EQ(count("lokale", "lokalenr = ?", {room}), 1);

    ASSERT_TRUE(db().exec("DELETE FROM Booking WHERE Bookingnr = ?", {booking}));
    messages.clear();
    messages.answerNext(MsgAnswer::No);
    click(w, "del");
    EXPECT_EQ(messages.texts(), QStringList({"Confirm deletion ? / Delete Info"}));
    EXPECT_EQ(count("lokale", "lokalenr = ?", {room}), 1);
    EXPECT_EQ(child<QLineEdit>(w, "lokalenr")->text(), QString::number(room));

    messages.answerNext(MsgAnswer::Yes);
    click(w, "del");
    // The projector followed, but a domestic window moves on to a room only.
    EXPECT_EQ(std::tuple(count("lokale", "lokalenr = ?", {room}), w->isVisible(),
                         child<QLineEdit>(w, "lokalenr")->text(),
                         child<QLineEdit>(w, "Lokalenavn")->text()),
              std::tuple(0, true, QString::number(roomB), "Room B"));

    // The last add-on item gone, its window closes rather than show a room;
    // a stand-alone item is of another kind too.
    addItem("Van", addType("Vans", addGroup("Cars", 3), 3), 3);
    auto* e = open<EquipmentItemWindow>(ItemMode::Edit, beamer);
    messages.answerNext(MsgAnswer::Yes);
    click(e, "del");
    EXPECT_EQ(std::tuple(count("lokale", "lokalenr = ?", {beamer}), e->isVisible(),
                         count("lokale", "lokalenr = ?", {roomB})),
              std::tuple(0, false, 1));
}

TEST_P(ItemWindows, AFeeIsReadAsTheLocaleWritesAnAmountOrRefusedAsTyped)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale danish(QLocale::Danish, QLocale::Denmark);
    // In English 150,50 is not 15050; a letter never gets in.
    const struct {
        QLocale locale;
        const char* typed;
        QVariant stored; // invalid: refused, the stored fee stays NULL
    } cases[] = {{english, "150,50", {}},
                 {danish, "1,250.50", {}},
                 {english, "12abc", 12.0},
                 {danish, "1.250,50", 1250.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        QLocale::setDefault(c.locale);
        ASSERT_TRUE(db().exec("UPDATE lokale SET gebyr = NULL WHERE lokalenr = ?", {room}));
        messages.clear();
        auto* w = open<DomesticItemWindow>(ItemMode::Edit, room);
        auto* fee = child<AmountEdit>(w, "gebyr");
        fee->setFocus();
        QTest::keyClicks(fee, c.typed);
        click(w, "Luk");
        // A refused fee is said once and keeps the window and what was typed, so
        // that it can be corrected.
        const bool refused = !c.stored.isValid();
        EXPECT_EQ(w->isVisible(), refused);
        EXPECT_EQ(messages.texts(),
                  QStringList(refused, QString("Fee/hour: \"%1\" is not a number. Type it as in "
                                               "%2. / Error")
                                           .arg(c.typed, c.locale.toString(1234.5, 'f', 1))));
        EXPECT_EQ(stored("gebyr", room).isNull(), refused);
        EXPECT_DOUBLE_EQ(stored("gebyr", room).toDouble(), c.stored.toDouble());
        if (refused) {
            EXPECT_EQ(fee->text(), c.typed);
            w->Cancel();
            w->close();
        }
    }
    // A capacity is a whole number, never stored as empty for a comma.
    QLocale::setDefault(english);
    messages.clear();
    auto* w = open<DomesticItemWindow>(ItemMode::Edit, room);
    child<QLineEdit>(w, "maxprs")->setText("12,5");
    click(w, "Luk");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(messages.texts(), QStringList{"Capacity: \"12,5\" is not a whole number. Type it "
                                            "as in 1,234. / Error"});
    w->Cancel();
    w->close();
    QLocale::setDefault(QLocale::c());
}
