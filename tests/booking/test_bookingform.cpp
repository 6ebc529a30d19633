#include "booking/bookingform.h"
#include "booking/bookinginfowindow.h"
#include "lists/tentativebookingswindow.h"
#include "reports/receipts.h"
#include "support/fixture.h"
#include "undo/undo.h"
#include "widgets/externalurls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>

using namespace vestra;
using namespace vestra::test;

class Form : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
        QLocale::setDefault(QLocale(QLocale::Danish, QLocale::Denmark));
        Session& s = session();
        s.LoginAccountId = 1;
        s.IsAdmin = true;
        s.TaxPercent = 25;
        s.DateFormatLong = "dd-mm-yyyy";
        ASSERT_TRUE(
            db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, Gruppeart, gebyr) "
                      "VALUES (1, 1, 'Room 1', 1, 150), (2, 2, 'Beamer', 2, 40)"));
        ASSERT_TRUE(db().exec(
            "INSERT INTO opstilling (ID, Opstilling) VALUES (1, 'Theatre'), (2, 'U-shape')"));
        ASSERT_TRUE(db().exec("UPDATE Konti SET kontomail = 'admin@example.org' WHERE ID = 1"));
        room = addBooking(38423, 600, 720, 1, 1, 1, "Board"); // 14-03-2005, 10:00-12:00
        beamer = addBooking(38423, 480, 600, 2, 2, 1, "Lecture");
        ASSERT_TRUE(db().exec("UPDATE Booking SET bvpris = 1, tax = -1"));
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        SetExternalUrlHandler({});
        SetMailComposer({});
        BookingFileTest::TearDown();
    }
    BookingForm* open(int nr)
    {
        BookingForm* f = ShowBookingForm(nr, nullptr);
        QCoreApplication::processEvents();
        return f;
    }
    template <typename T> T* child(BookingForm* f, const char* name)
    {
        T* w = f->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // The booking's fields, each as text.
    QStringList row(int nr, const char* fields)
    {
        return firstRow(QString("SELECT %1 FROM Booking WHERE Bookingnr = ?").arg(fields), {nr});
    }
    int room = 0, beamer = 0;
};

INSTANTIATE_TEST_SUITE_P(Engines, Form, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(Form, AgreedPriceIsTypedAndStored)
{
    BookingForm* f = open(room);
    child<QTabWidget>(f, "tabs")->setCurrentIndex(2);
    QTest::mouseClick(child<QRadioButton>(f, "aftres"), Qt::LeftButton);
    auto* price = child<QLineEdit>(f, "Pris");
    price->selectAll();
    QTest::keyClicks(price, "1250,5");
    auto* tax = child<QCheckBox>(f, "TaxB");
    QTest::mouseClick(tax, Qt::LeftButton, {}, QPoint(8, tax->height() / 2)); // on the box
    EXPECT_EQ(child<QLabel>(f, "taxbel")->text(), "0");
    EXPECT_EQ(child<QLabel>(f, "intax")->text(), "1.250,50");
    // Escape in a field closes the form and stores as a close does.
    QTest::keyClick(price, Qt::Key_Escape);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(row(room, "Pris, bvpris, tax"), QStringList({"1250.5", "2", "0"}));

    // Back to list price: the price is worked out again from hours and fee.
    f = open(room);
    child<QTabWidget>(f, "tabs")->setCurrentIndex(2);
    EXPECT_EQ(child<QLineEdit>(f, "Pris")->text(), "1250,5");
    QTest::mouseClick(child<QRadioButton>(f, "ListpriceRes"), Qt::LeftButton);
    EXPECT_EQ(child<QLineEdit>(f, "Pris")->text(), "300");
}

TEST_P(Form, AFeeTheLocaleCannotReadIsRefusedAndKeptAsTyped)
{
    // English "150,50" is no amount (not 15050), nor English notation to a
    // Danish form; the form reads numbers in the locale it runs in. Persons are whole.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const struct {
        QLocale locale;
        const char *field, *typed, *refusal;
        double fixed;
    } cases[] = {
        {english, "Pris", "150,50", "Fee: \"150,50\" is not a number. Type it as in 1,234.5.", 99},
        {QLocale(QLocale::Danish, QLocale::Denmark), "Pris", "1,250.50",
         "Fee: \"1,250.50\" is not a number. Type it as in 1.234,5.", 98},
        {english, "Antalpers", "12,5",
         "Persons: \"12,5\" is not a whole number. Type it as in 1,234.", 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        QLocale::setDefault(c.locale);
        messages.clear();
        const QVariant before = stored(room, c.field);
        BookingForm* f = open(room);
        QTest::mouseClick(child<QRadioButton>(f, "aftres"), Qt::LeftButton);
        auto* field = child<QLineEdit>(f, c.field);
        field->setText(c.typed);
        f->close();
        EXPECT_TRUE(f->isVisible()) << "the window stays so the value can be corrected";
        EXPECT_EQ(messages.texts(), QStringList{c.refusal + QString(" / Error")});
        EXPECT_EQ(field->text(), c.typed);
        EXPECT_EQ(stored(room, c.field), before);
        field->setText(QString::number(c.fixed));
        f->close();
        EXPECT_FALSE(f->isVisible());
        EXPECT_EQ(stored(room, c.field).toDouble(), c.fixed);
    }

    // No letter gets into a fee while typing.
    BookingForm* f = open(room);
    auto* price = child<QLineEdit>(f, "Pris");
    price->clear();
    QTest::keyClicks(price, "12abc");
    EXPECT_EQ(price->text(), "12");
    f->close();
    EXPECT_EQ(row(room, "Antalpers, Pris"), QStringList({"12", "12"}));
}

TEST_P(Form, TaxAndTotalAreTheReceiptsForHalfCentAmounts)
{
    // Each fee gives a half cent somewhere; both round it away from zero. The
    // receipt prints fee, sum, tax and total alike, grouped.
    const struct {
        const char* fee;
        double percent;
        const char* tax;
        const char* total;
        const char* printedFee;
    } cases[] = {
        {"1250,50", 25, "312,63", "1.563,13", "1.250,50"},
        {"2,10", 25, "0,53", "2,63", "2,10"},
        {"0,90", 5, "0,05", "0,95", "0,90"},                // 0.045 is stored a hair below the half
        {"1000,125", 25, "250,03", "1.250,16", "1.000,13"}, // the fee is taken to the cent
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fee);
        session().TaxPercent = c.percent;
        BookingForm* f = open(room);
        QTest::mouseClick(child<QRadioButton>(f, "aftres"), Qt::LeftButton);
        child<QLineEdit>(f, "Pris")->setText(c.fee);
        EXPECT_EQ(child<QLabel>(f, "taxbel")->text(), c.tax);
        EXPECT_EQ(child<QLabel>(f, "intax")->text(), c.total);
        f->close();

        Database d = db();
        auto receipt = BuildSingleReceipt(d, room, true, c.percent);
        ASSERT_TRUE(receipt.has_value());
        const LaidOutReport r = receipt->layout();
        EXPECT_EQ((QList<QStringList>{r.textsNamed("Pris"), r.textsNamed("txtPris"),
                                      r.textsNamed("taxbel"), r.textsNamed("total")}),
                  (QList<QStringList>{{c.printedFee}, {c.printedFee}, {c.tax}, {c.total}}));
    }
}

TEST_P(Form, OpeningTheFormAgainStoresItsEditsFirst)
{
    BookingForm* f = open(room);
    child<QLineEdit>(f, "Beskrivelse")->setText("Board (edited)");
    ASSERT_EQ(ShowBookingForm(room, nullptr), f);
    EXPECT_EQ(child<QLineEdit>(f, "Beskrivelse")->text(), "Board (edited)");
    EXPECT_EQ(stored(room, "Beskrivelse").toString(), "Board (edited)");
    // Moving on to another booking stores the first, then shows the second.
    child<QLineEdit>(f, "Beskrivelse")->setText("Board (twice)");
    ASSERT_EQ(ShowBookingForm(beamer, nullptr), f);
    EXPECT_EQ(stored(room, "Beskrivelse").toString(), "Board (twice)");
    EXPECT_EQ(child<QLineEdit>(f, "Beskrivelse")->text(), "Lecture");
    // Each store logs the title as it was before it.
    QStringList logged;
    auto q = db().query("SELECT summary FROM Auditlog WHERE action = 'edited' ORDER BY ID");
    while (q && q->next())
        logged << q->value(0).toString().section(" | ", 0, 0);
    EXPECT_EQ(logged,
              QStringList({"Beskrivelse: \u2068Board\u2069 → \u2068Board (edited)\u2069",
                           "Beskrivelse: \u2068Board (edited)\u2069 → \u2068Board (twice)\u2069"}));
}

TEST_P(Form, ConfirmingTheShownBookingFromTheTentativeListKeepsWhatWasTyped)
{
    for (const bool all : {false, true}) {
        ASSERT_TRUE(db().exec("UPDATE Booking SET Tentative = -1"));
        BookingForm* f = open(room);
        const QString title = all ? "Board, all confirmed" : "Board, confirmed";
        child<QLineEdit>(f, "Beskrivelse")->setText(title);
        TentativeBookingsWindow* list = ShowTentativeBookings(nullptr);
        if (all) {
            messages.answerNext(MsgAnswer::Yes);
            list->ConfirmAll();
        } else {
            list->Confirm(room, true);
            list->close();
        }
        EXPECT_FALSE(child<QCheckBox>(f, "Tentative")->isChecked()) << all;
        f->close();
        EXPECT_FALSE(f->isVisible()) << all;
        EXPECT_EQ(row(room, "Beskrivelse, Tentative"), QStringList({title, "0"}));
    }
    EXPECT_EQ(messages.texts(), QStringList({"Approve confirmation of all tentative bookings / "
                                             "Bulk Confirmation"}));

    // Deleted from the list, the booking takes its open form with it, and
    // is not said to be deleted by another workstation.
    BookingForm* f = open(room);
    child<QLineEdit>(f, "Beskrivelse")->setText("Board, deleted");
    messages.answerNext(MsgAnswer::Yes);
    ShowTentativeBookings(nullptr)->Delete(room);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(count("Booking", "Bookingnr = ?", {room}), 0);
    EXPECT_EQ(messages.texts().mid(1), QStringList({"Confirm deletion ? / Confirm"}));
}

TEST_P(Form, AFormClosedWithoutAnEditAndTheInformationWindowWriteNothing)
{
    BookingInfoWindow* w = ShowBookingInfoWindow(room, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Vestra  -  Booking Info");
    EXPECT_EQ(w->findChild<QLineEdit*>("Beskrivelse")->text(), "Board");
    EXPECT_EQ(w->findChild<QLineEdit*>("Bdato")->text(), "14-03-2005");
    EXPECT_EQ(w->findChild<QLineEdit*>("start")->text(), "10:00");
    EXPECT_EQ(w->findChild<QLineEdit*>("Kontonavn")->text(), "Administrator");
    for (QLineEdit* e : w->findChildren<QLineEdit*>())
        EXPECT_TRUE(e->isReadOnly()) << e->objectName().toStdString();
    w->close();
    EXPECT_EQ(stored(room, "Beskrivelse").toString(), "Board");

    // An end at midnight stored as 1440 by an older version is midnight too.
    ASSERT_TRUE(db().exec("UPDATE Booking SET Bstart = 1425, Bslut = 1440, bvpris = 2"));
    for (int nr : {room, beamer}) {
        const QSqlRecord before = bookingRow(nr);
        open(nr)->close();
        const QSqlRecord after = bookingRow(nr);
        for (int i = 0; i < before.count(); ++i)
            EXPECT_EQ(after.value(i), before.value(i)) << before.fieldName(i).toStdString();
    }
}

TEST_P(Form, EditsAreStoredOnTabChangeAndClose)
{
    BookingForm* f = open(room);
    auto* title = child<QLineEdit>(f, "Beskrivelse");
    title->clear();
    QTest::keyClicks(title, "<h1>Annual</h1> meeting");
    // The header shows the title as typed: one line, no heading.
    auto* head = child<QLabel>(f, "beskrshow");
    EXPECT_EQ(head->text(), "<h1>Annual</h1> meeting");
    EXPECT_LT(head->sizeHint().height(), 2 * head->fontMetrics().height());
    title->clear();
    QTest::keyClicks(title, "Annual meeting");
    child<QTabWidget>(f, "tabs")->setCurrentIndex(1);
    EXPECT_EQ(stored(room, "Beskrivelse").toString(), "Annual meeting");
    QTest::keyClicks(child<QLineEdit>(f, "Kontaktperson2"), "Eva Holm");
    child<QTimeEdit>(f, "bslut")->setTime(QTime(13, 0));
    f->close();
    // Three hours at 150.
    EXPECT_EQ(row(room, "Kontaktperson2, Bslut, Pris, Lokalenr"),
              QStringList({"Eva Holm", "780", "450", "1"}));
}

TEST_P(Form, AccountChoiceFollowsTheUsersRights)
{
    SKIP_UNLESS_ADMIN_ON_SERVER(); // acts for accounts the connection is no member of
    const int anna = addAccount("p", "Anna", "anna", "pw");
    const int choir = addAccount("g", "Choir", "", "");
    addAccount("p", "Bo", "bo", "pw");
    // A second group of the same name, joined first: same names go by number.
    const int choir2 = addAccount("g", "Choir", "", "");
    ASSERT_TRUE(db().exec("INSERT INTO Grptilk (gnr, pnr) VALUES (?, ?), (?, ?)",
                          {choir2, anna, choir, anna}));
    // An administrator may book for every active account.
    BookingForm* f = open(room);
    EXPECT_EQ(child<QComboBox>(f, "Kontonr")->count(), 5);
    f->close();

    session().IsAdmin = false;
    session().LoginAccountId = anna;
    f = open(room);
    auto* account = child<QComboBox>(f, "Kontonr");
    QStringList names;
    for (int i = 0; i < account->count(); ++i)
        names << account->itemText(i) + "/" + account->itemData(i).toString();
    // The booking's own account shows first, though Anna may not choose it.
    EXPECT_EQ(names,
              QStringList({"Administrator/1", QString("Anna/%1").arg(anna),
                           QString("Choir/%1").arg(choir), QString("Choir/%1").arg(choir2)}));
    account->setCurrentIndex(2);
    emit account->activated(2);
    const QStringList chosen = {QString::number(choir), "Choir"};
    EXPECT_EQ(QStringList({f->details().kontonr.toString(), f->details().curacname}), chosen);
    f->close();
    EXPECT_EQ(row(room, "kontonr, curacname"), chosen);

    // A member of no account sees an empty list (apart from the booking's own).
    addAccount("g", "Lone", "", "");
    ASSERT_TRUE(db().exec("DELETE FROM Grptilk WHERE pnr = ?", {anna}));
    ASSERT_TRUE(db().exec("UPDATE Booking SET kontonr = NULL WHERE Bookingnr = ?", {beamer}));
    f = open(beamer);
    EXPECT_EQ(child<QComboBox>(f, "Kontonr")->count(), 0);
}

TEST_P(Form, ReceiptNeedsATitle)
{
    QList<bool> receiptsWithTax;
    SetReceiptOpener([&](int, bool, int, bool tax, QWidget*) { receiptsWithTax << tax; });
    BookingForm* f = open(room);
    child<QLineEdit>(f, "Beskrivelse")->clear();
    QTest::keyClicks(child<QLineEdit>(f, "Kontaktperson2"), "Eva");
    QTest::mouseClick(child<QPushButton>(f, "Arrkvit"), Qt::LeftButton);
    EXPECT_EQ(messages.texts(), QStringList({"Bookingtitle cannot be empty! / "}));
    EXPECT_TRUE(receiptsWithTax.isEmpty());
    EXPECT_EQ(stored(room, "Beskrivelse").toString(), "Board") << "nothing stored";
    EXPECT_TRUE(stored(room, "Kontaktperson2").isNull());

    QTest::keyClicks(child<QLineEdit>(f, "Beskrivelse"), "Board");
    QTest::mouseClick(child<QPushButton>(f, "Arrkvit"), Qt::LeftButton);
    EXPECT_EQ(receiptsWithTax, QList<bool>({true}));
    EXPECT_EQ(stored(room, "Kontaktperson2").toString(), "Eva") << "stored before the receipt";
    SetReceiptOpener({});
}

TEST_P(Form, SeriesButtonsDependOnTheSeriesFlag)
{
    QStringList opened;
    SetRepeatedBookingWindows([&](BookingForm*) { opened << "pattern"; },
                              [&](BookingForm*) { opened << "slettil"; });
    BookingForm* f = open(room);
    QTest::mouseClick(child<QPushButton>(f, "updgen"), Qt::LeftButton);
    EXPECT_EQ(messages.texts(), QStringList({"This is not a repeated booking ! / "}));
    QTest::mouseClick(child<QPushButton>(f, "genkn"), Qt::LeftButton);
    f->close();

    const int second = addBooking(38430, 600, 720, 1, 1, 1, "Board");
    ASSERT_TRUE(db().exec("UPDATE Booking SET gennr = ?, gentagende = -1 WHERE Bookingnr IN (?, ?)",
                          {room, room, second}));
    f = open(room);
    EXPECT_EQ(child<QLabel>(f, "gentshow")->text(), "Multi");
    QTest::mouseClick(child<QPushButton>(f, "genkn"), Qt::LeftButton);
    EXPECT_EQ(opened, QStringList({"pattern", "slettil"}));

    // Cancel writes nothing; OK copies the details into the rest of the series.
    child<QLineEdit>(f, "Beskrivelse")->setText("Board (moved)");
    messages.answerNext(MsgAnswer::Cancel);
    QTest::mouseClick(child<QPushButton>(f, "updgen"), Qt::LeftButton);
    EXPECT_EQ(messages.shown().value(1).title, "Update of repeated Booking");
    EXPECT_EQ(stored(second, "Beskrivelse").toString(), "Board");
    messages.answerNext(MsgAnswer::Ok);
    QTest::mouseClick(child<QPushButton>(f, "updgen"), Qt::LeftButton);
    const QStringList moved = {"Board (moved)", "38430", "300"};
    EXPECT_EQ(row(second, "Beskrivelse, Bdato, Pris"), moved);
    // Empty texts reach the others as nothing, as the form stores its own.
    for (const char* field : {"langbeskrivelse", "Bemærkninger", "Kontaktperson2", "curacname"})
        EXPECT_TRUE(stored(second, field).isNull()) << field;

    // A fee that is not a number reaches none of the others (as 0 or otherwise).
    QTest::mouseClick(child<QRadioButton>(f, "aftres"), Qt::LeftButton);
    child<QLineEdit>(f, "Pris")->setText("ten");
    child<QLineEdit>(f, "Beskrivelse")->setText("Board (again)");
    messages.answerNext(MsgAnswer::Ok);
    QTest::mouseClick(child<QPushButton>(f, "updgen"), Qt::LeftButton);
    EXPECT_EQ(messages.shown().last().title, "Error");
    EXPECT_EQ(row(second, "Beskrivelse, Bdato, Pris"), moved);
    child<QLineEdit>(f, "Pris")->setText("300");
    SetRepeatedBookingWindows({}, {});
    // The update that went in is one step to undo.
    EXPECT_EQ(UndoStack::instance().undoText(), "Undo Update Repeated Booking 'Board (moved)'");
    Database d = db();
    ASSERT_TRUE(UndoStack::instance().apply(d, session(), false));
    EXPECT_EQ(stored(second, "Beskrivelse").toString(), "Board");
}

TEST_P(Form, MailCarriesTheBookingWhereTheComposerAttachesElseTheLink)
{
    QStringList targets;
    SetExternalUrlHandler([&](const QString& t) {
        targets << t;
        return true;
    });
    QList<QStringList> composed;
    bool composerAttaches = false;
    SetMailComposer([&](const QStringList& arguments) {
        composed << arguments;
        return composerAttaches;
    });
    const int choir = addAccount("g", "Choir", "", "");
    ASSERT_TRUE(db().exec("UPDATE Konti SET kontomail = 'choir@example.org', kontokontakt = 'Eva' "
                          "WHERE ID = ?",
                          {choir}));
    BookingForm* f = open(room);
    emit child<QLabel>(f, "ctmailer")->linkActivated("#");
    const QString about = "Concerning: Booking of Room 1, 14-03-2005, 10:00:00";
    const QStringList link = {"mailto: admin@example.org?subject=Booking Message&body=" + about};
    EXPECT_EQ(targets, link) << "no composer that attaches: the plain link";

    composerAttaches = true;
    emit child<QLabel>(f, "ctmailer")->linkActivated("#");
    EXPECT_EQ(targets, link) << "the composer, not the link";
    ASSERT_EQ(composed.size(), 2);
    const QString ics = composed[1].value(5); // the booking as a calendar file
    EXPECT_EQ(composed[1], (QStringList{"--subject", "Booking Message", "--body", about, "--attach",
                                        ics, "admin@example.org"}));
    const QByteArray text = fileBytes(ics);
    EXPECT_EQ(text.count("BEGIN:VEVENT"), 1) << ics.toStdString();
    EXPECT_TRUE(text.contains(QString("UID:booking-%1@").arg(room).toUtf8())) << text.toStdString();
    EXPECT_TRUE(text.contains("SUMMARY:Board"));

    // Another account chosen: its contact shows and the mail goes to it at once.
    auto* account = child<QComboBox>(f, "Kontonr");
    const int at = account->findData(choir);
    account->setCurrentIndex(at);
    emit account->activated(at);
    EXPECT_EQ(child<QLineEdit>(f, "kontokontakt")->text(), "Eva");
    emit child<QLabel>(f, "ctmailer")->linkActivated("#");
    ASSERT_EQ(composed.size(), 3);
    EXPECT_EQ(composed[2].value(6), "choir@example.org");
}
