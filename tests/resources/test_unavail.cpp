#include "data/dates.h"
#include "resourcedata.h"
#include "resources/domesticitemwindow.h"
#include "resources/unavailabilityeditor.h"
#include "resources/unavailablelist.h"
#include "support/reportpages.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTest>

using namespace vestra;
using namespace vestra::test;

namespace {

class Unavail : public ResourceTest {
protected:
    static QDate d(int y, int m, int day) { return QDate(y, m, day); }
    static int n(int y, int m, int day) { return DayNumber(QDate(y, m, day)); } // as stored
    void SetUp() override
    {
        ResourceTest::SetUp();
        session().InstitutionName = QStringLiteral("Northwood College");
        session().InstitutionCity = QStringLiteral("Riverton");
        const int rooms = addType("Meeting rooms", addGroup("Rooms", 1), 1);
        media = addType("Projectors", addGroup("Media", 2), 2);
        insert("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, inaktiv, inakstart, inakslut) "
               "VALUES (1, ?, 'Room North', -1, ?, ?), (2, ?, 'Room South', 0, ?, ?), "
               "(3, ?, 'Beamer 1', -1, ?, ?)",
               {rooms, n(2024, 3, 1), n(2024, 3, 14), rooms, n(2024, 2, 1), n(2024, 2, 5), media,
                n(2024, 2, 20), n(2024, 4, 1)});
    }

    QVariantList itemRow(int nr)
    {
        Database b = db();
        auto q = b.query(
            "SELECT inaktiv, inakstart, inakslut, Lokalenavn FROM lokale WHERE lokalenr = ?", {nr});
        if (!q || !q->next())
            return {};
        return {q->value(0), q->value(1), q->value(2), q->value(3)};
    }

    UnavailableList* showList()
    {
        UnavailableList* w = ShowUnavailableList(nullptr);
        EXPECT_NE(w, nullptr);
        return w;
    }
    using Dates = QList<QDate>;
    Dates period() const { return {start->date(), end->date()}; }

    UnavailabilityEditor* editOn(UnavailableList* w, int lokalenr)
    {
        w->list()->selectRow(w->list()->findRow(lokalenr));
        w->findChild<QPushButton*>("edit")->click();
        return WindowRegistry::instance().findAs<UnavailabilityEditor>("EditUnavail");
    }
    // Opens the list and the edit window on an item, keeping both at hand.
    void edit(int lokalenr)
    {
        list = showList();
        window = editOn(list, lokalenr);
        ASSERT_NE(window, nullptr);
        start = window->findChild<QDateEdit*>("cstart");
        end = window->findChild<QDateEdit*>("cslut");
        box = window->findChild<QCheckBox*>("inaktiv");
    }
    void ok() { window->findChild<QPushButton*>("ok")->click(); }

    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    UnavailableList* list = nullptr;
    UnavailabilityEditor* window = nullptr;
    QDateEdit *start = nullptr, *end = nullptr;
    QCheckBox* box = nullptr;
    int media = 0;
};

INSTANTIATE_TEST_SUITE_P(Engines, Unavail, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(Unavail, EditOpensTheSelectedItemOwnedByTheListAndAsksForARowWithoutOne)
{
    showList()->findChild<QPushButton*>("edit")->click();
    EXPECT_EQ(messages.texts(), QStringList({"Select Resource! / Service message"}));
    EXPECT_EQ(WindowRegistry::instance().find("EditUnavail"), nullptr);
    messages.clear();

    edit(1);
    EXPECT_EQ(window->parentWidget(), list);
    EXPECT_EQ(QStringList({window->findChild<QLineEdit*>("lokalenr")->text(),
                           window->findChild<QLineEdit*>("Lokalenavn")->text(), start->text()}),
              QStringList({"1", "Room North", "01-03-2024"}));
    EXPECT_EQ(std::pair(box->isChecked(), period()),
              std::pair(true, Dates({d(2024, 3, 1), d(2024, 3, 14)})));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_P(Unavail, EnterOnARowOpensItLikeEdit)
{
    insert("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, inaktiv) VALUES (6, ?, 'Van', -1)",
           {media});
    // Items without a period first, on either engine, then by start.
    ListControl* rows = showList()->list();
    EXPECT_EQ(std::tuple(rows->findRow(6), rows->findRow(3), rows->findRow(1)),
              std::tuple(0, 1, 2));
    rows->selectRow(1);
    rows->setFocus();
    QTest::keyClick(rows, Qt::Key_Return);
    auto* opened = WindowRegistry::instance().findAs<UnavailabilityEditor>("EditUnavail");
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->currentItem(), 3);
}

TEST_P(Unavail, TypedSpunAndInvertedDates)
{
    edit(1);
    start->setFocus();
    // Typing day 20 and month 02 over 01-03-2024 passes through 20-03-2024,
    // after the end date; only the finished date counts.
    start->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(start, "2002");
    QTest::keyClick(start, Qt::Key_Return);
    EXPECT_EQ(std::pair(messages.texts(), start->date()), std::pair(QStringList(), d(2024, 2, 20)));

    // The spin buttons move a day, whatever the section.
    end->setCurrentSection(QDateTimeEdit::YearSection);
    end->stepBy(1);
    EXPECT_EQ(end->date(), d(2024, 3, 15));
    end->stepBy(-2);
    EXPECT_EQ(end->date(), d(2024, 3, 13));

    // An inverted period is corrected after the message.
    end->setDate(d(2024, 2, 19)); // a day before the start
    EXPECT_EQ(std::pair(messages.texts().size(), period()),
              std::pair(qsizetype(1), Dates({d(2024, 2, 20), d(2024, 3, 5)})));
    start->setDate(d(2024, 3, 20));
    EXPECT_EQ(
        std::pair(messages.texts(), start->date()),
        std::pair(QStringList(2, "End date must exceed start date! / Vestra"), d(2024, 2, 20)));
    // Equal dates are accepted, whichever of them moved.
    messages.clear();
    end->setDate(d(2024, 2, 20));
    end->setDate(d(2024, 3, 5));
    start->setDate(d(2024, 3, 5));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_P(Unavail, TickingUnavailableGivesAOneDayPeriodOfToday)
{
    edit(1);
    box->click(); // cleared: read-only, dates kept
    EXPECT_TRUE(start->isReadOnly() && end->isReadOnly());
    EXPECT_EQ(period(), Dates({d(2024, 3, 1), d(2024, 3, 14)}));

    box->click(); // ticked: editable, today to today
    const QDate today = QDate::currentDate();
    EXPECT_EQ(std::tuple(start->isReadOnly(), period(), messages.texts()),
              std::tuple(false, Dates({today, today}), QStringList()));
    ok();
    EXPECT_EQ(itemRow(1), QVariantList({-1, DayNumber(today), DayNumber(today), "Room North"}));
}

TEST_P(Unavail, OkKeepsAPeriodChangedElsewhereWhileTheWindowShowedIt)
{
    edit(1);
    end->setDate(d(2024, 3, 20)); // this window changes only the end
    ASSERT_TRUE(db().exec("UPDATE lokale SET inakstart = ? WHERE lokalenr = 1", {n(2024, 2, 25)}));
    ok();
    EXPECT_EQ(itemRow(1), QVariantList({-1, n(2024, 2, 25), n(2024, 3, 20), "Room North"}));
}

TEST_P(Unavail, EditsAreWrittenOnMovingToAnotherItemOnClosingTheListAndOnOk)
{
    edit(1);
    end->setDate(d(2024, 3, 31));
    // One edit window at a time, on the new item; the first item's period is stored.
    EXPECT_EQ((std::tuple{editOn(list, 3), window->currentItem(), itemRow(1).value(2)}),
              (std::tuple{window, 3, QVariant(n(2024, 3, 31))}));

    start->setDate(d(2024, 3, 1));
    list->findChild<QPushButton*>("lukknap")->click();
    settle();
    EXPECT_EQ(WindowRegistry::instance().find("UnavailableList"), nullptr);
    EXPECT_EQ(itemRow(3).value(1), QVariant(n(2024, 3, 1)));

    edit(1);
    box->click();
    ok();
    settle();
    EXPECT_EQ(WindowRegistry::instance().find("EditUnavail"), nullptr);
    EXPECT_EQ(itemRow(1), QVariantList({0, n(2024, 3, 1), n(2024, 3, 31), "Room North"}));
    ASSERT_EQ(list->list()->rowCount(), 1);
    EXPECT_EQ(list->list()->rowData(0), QVariant(3));
}

TEST_P(Unavail, AnItemWindowOpenOnTheSameItemKeepsWhatWasTypedThere)
{
    // The item's edit window is open with a new name typed when the period
    // is changed here; both changes are stored, without a refusal.
    auto* item = open<DomesticItemWindow>(ItemMode::Edit, 1);
    item->findChild<QLineEdit*>("Lokalenavn")->setText("Room North East");
    edit(1);
    end->setDate(d(2024, 3, 20));
    ok();
    EXPECT_EQ(itemRow(1), QVariantList({-1, n(2024, 3, 1), n(2024, 3, 20), "Room North East"}));
    // The item window shows the period as stored now and writes on.
    EXPECT_EQ(item->findChild<QDateEdit*>("cslut")->date(), d(2024, 3, 20));
    item->findChild<QLineEdit*>("Lokalenavn")->setText("Room North 2");
    item->close();
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(itemRow(1), QVariantList({-1, n(2024, 3, 1), n(2024, 3, 20), "Room North 2"}));
}

TEST_P(Unavail, AnItemWithoutAPeriodGetsDatesOnlyWhenChosen)
{
    insert("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, inaktiv) VALUES (6, ?, 'Van', -1)",
           {media});
    edit(6);
    end->stepBy(3);
    ok();
    EXPECT_EQ(std::pair(itemRow(6).value(1).isNull(), itemRow(6).value(2)),
              std::pair(true, QVariant(DayNumber(QDate::currentDate().addDays(3)))));
}

TEST_P(Unavail, PrintTitleAndSubtitle)
{
    const QString subtitle = UnavailPrintSubtitle(session(), d(2024, 3, 5));
    EXPECT_TRUE(subtitle.startsWith("Northwood College   Riverton, ")) << subtitle.toStdString();
    EXPECT_TRUE(subtitle.endsWith("2024")) << subtitle.toStdString();

    UnavailableList* w = showList();
    w->findChild<QPushButton*>("Printbutton")->click();
    auto* preview = w->findChild<QPrintPreviewDialog*>("reportpreview");
    ASSERT_NE(preview, nullptr);
    preview->close();

    // The printed list carries the rows as shown.
    const QString pdf = pathOf("unavail.pdf");
    ASSERT_TRUE(w->list()->printToPdf(pdf, "Unavailable Resources", subtitle));
    const QString text = PdfText(pdf).simplified();
    for (const char* expected : {"Unavailable Resources", "Northwood College Riverton,",
                                 "Resource Group", "Room North Meeting rooms Rooms 01-03-2024"})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << text.toStdString();
}

} // namespace
