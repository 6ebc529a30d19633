#include "app/registerwindows.h"
#include "data/dates.h"
#include "forms/periodpicker.h"
#include "reportfixture.h"
#include "reports/archiveperiodwindow.h"
#include "reports/bookingoverviewwindow.h"
#include "reports/overview.h"
#include "reports/periodreports.h"
#include "reports/receipts.h"
#include "reports/referencelists.h"
#include "shell/commands.h"
#include "widgets/windowregistry.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QRadioButton>

namespace vestra::test {
namespace {

class ReferenceListTest : public ReportFileTest {
protected:
    LaidOutReport resources(int kind)
    {
        Database d = db();
        QString error;
        auto report = BuildResourceList(d, kind, &error);
        EXPECT_TRUE(report) << error.toStdString();
        return report ? (report->locale = kUs, report->layout()) : LaidOutReport();
    }
    LaidOutReport accounts()
    {
        Database d = db();
        auto report = BuildAccountList(d);
        EXPECT_TRUE(report);
        return report ? (report->locale = kUs, report->layout()) : LaidOutReport();
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, ReferenceListTest, ::testing::ValuesIn(TestEngines()),
                         EngineName);

TEST_P(ReferenceListTest, EachKindListsItsItemsUnderGroupAndType)
{
    const struct {
        int kind;
        const char* title;
        QStringList items;
        QStringList types;
        QStringList captions;
    } cases[] = {
        {1,
         "Resource List  -  Domestic",
         {"Hall", "Room 1", "Room 2"},
         {"Halls", "Meeting rooms"}, // the type without items stays out
         {"Room Name", "#Pers", "Fee/Hour", "Description", "Fixture"}},
        {2,
         "Resource List  -  Add-Ons",
         {"Beamer"},
         {"Projectors"},
         {"Resource Name", "Fee/Hour", "Brand", "Model", "Serial No#", "Year", "Supplier",
          "Warranty", "Phone", "Service"}},
        {3, "Resource List  -  Stand-Alones", {"Van"}, {"Cars"}, {"Resource Name", "Warranty"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const LaidOutReport r = resources(c.kind);
        ASSERT_EQ(r.pageCount(), 1);
        EXPECT_EQ(named(r, "Title"), QStringList{c.title});
        EXPECT_EQ(named(r, "Lokalenavn"), c.items);
        EXPECT_EQ(named(r, "Lokalitetsnavn"), c.types);
        for (const QString& caption : c.captions)
            EXPECT_TRUE(r.pages[0].hasText(caption)) << caption.toStdString();
        EXPECT_EQ(named(r, "Cinfo1"), QStringList{"Town Hall, Main Street 1, 1000 Town"});
    }
    const LaidOutReport rooms = resources(1);
    EXPECT_EQ(named(rooms, "Lejetime"), QStringList({"900.00", "150.00", "1,250.50"}));
    const LaidOutReport equipment = resources(2);
    EXPECT_EQ(named(equipment, "Garantislut"), QStringList{"3/31/2026"});
    EXPECT_EQ(named(equipment, "nextservice"), QStringList{"9/1/2025"});

    // A kind without groups gives the title only.
    db().exec("DELETE FROM Overgruppenavne WHERE Gruppeart = 3");
    const LaidOutReport none = resources(3);
    ASSERT_EQ(none.pageCount(), 1);
    EXPECT_EQ(named(none, "Title"), QStringList{"Resource List  -  Stand-Alones"});
    EXPECT_TRUE(named(none, "Lokalenavn").isEmpty());
    EXPECT_FALSE(none.pages[0].hasText("Resource Name"));
}

// "Personal/Active" for each account name, from the headers above it.
QMap<QString, QString> sectionsOf(const LaidOutReport& r)
{
    QMap<QString, QString> out;
    QString type, state;
    for (const LaidOutPage& p : r.pages) {
        QVector<PlacedItem> items = p.items;
        std::stable_sort(items.begin(), items.end(),
                         [](const auto& a, const auto& b) { return a.rect.top() < b.rect.top(); });
        for (const PlacedItem& item : items) {
            if (item.name == "txttype")
                type = item.text;
            else if (item.name == "txtarc")
                state = item.text;
            else if (item.name == "Kontonavn")
                out.insert(item.text, type + '/' + state);
        }
    }
    return out;
}

TEST_P(ReferenceListTest, AccountsAreListedByTypeAndArchiveState)
{
    Database d = db();
    d.exec("UPDATE Konti SET archived = NULL WHERE ID = ?", {jane}); // unset counts as active
    addAccount("p", "Old Timer", "old", "x", false, true);
    addAccount("g", "Choir", "", "");
    addAccount("x", "Odd Kind", "", "", false, true);

    const LaidOutReport r = accounts();
    ASSERT_EQ(r.pageCount(), 1);
    const QMap<QString, QString> expected{{"Administrator", "Personal/Active"},
                                          {"Jane Miller", "Personal/Active"},
                                          {"Bob Stone", "Personal/Active"},
                                          {"Old Timer", "Personal/Archived"},
                                          {"Choir", "Group/Active"},
                                          {"Odd Kind", "Group/Archived"}};
    EXPECT_EQ(sectionsOf(r), expected);
    // One header per group: an empty flag, 0 and -1 give Active then Archived.
    EXPECT_EQ(named(r, "txttype"), QStringList({"Group", "Personal", "Group"}));
    EXPECT_EQ(named(r, "txtarc"), QStringList({"Active", "Active", "Archived", "Archived"}));
    EXPECT_EQ(named(r, "admin").size(), 1); // only the administrator's box is crossed
    // A printout carries no login: no password column, no password anywhere.
    EXPECT_TRUE(named(r, "KontoPass").isEmpty());
    EXPECT_FALSE(r.pages[0].hasText("Password"));
    EXPECT_FALSE(r.pages[0].hasText("secret"));
}

TEST_P(ReferenceListTest, EquipmentListsPrintWholeDatesPhonesAndYears)
{
    Database d = db();
    d.exec("UPDATE lokale SET levphone = '+45 7000 0000', Garantislut = '2026-12-31', "
           "Leverandør = 'Audio Visual Supply Company of Northern Jutland' "
           "WHERE lokalenr IN (201, 301)");
    for (int kind : {2, 3}) {
        SCOPED_TRACE(kind);
        auto report = BuildResourceList(d, kind);
        ASSERT_TRUE(report);
        report->locale = kUs;
        const QString text = pdfText(*report, QStringLiteral("reslist%1.pdf").arg(kind));
        for (const char* whole : {"+45 7000 0000", "12/31/2026", kind == 2 ? "2021" : "2019",
                                  kind == 2 ? "9/1/2025" : "1/15/2025"})
            EXPECT_TRUE(text.contains(QString::fromUtf8(whole))) << whole << "\n"
                                                                 << text.toStdString();
        for (const char* word : {"Audio", "Visual", "Supply", "Company", "Northern", "Jutland"})
            EXPECT_TRUE(text.contains(QString::fromUtf8(word))) << word;
        EXPECT_FALSE(text.contains(QChar(0x2026))) << "nothing is elided";
    }
}

TEST_P(ReferenceListTest, EveryReportCarriesLogoInstitutionAndPageCount)
{
    db().exec("UPDATE institutionsoplysninger SET Logopic = ?", {pngLogo()});
    // Enough bookings for the overview to take two pages.
    for (int i = 0; i < 70; ++i)
        addBooking(45350, 600 + i, 601 + i, 101, 10, jane, QStringLiteral("Slot %1").arg(i));
    Database d = db();
    const ReportPeriod period{45300, 45400, "2/6/2024", "5/16/2024"};
    const std::optional<Report> reports[] = {
        BuildPeriodTotals(d, period),
        BuildPeriodDetail(d, period, jane, "Jane Miller"),
        BuildOverview(d, period, OverviewKindsFor(OverviewChoice::All)),
        BuildResourceList(d, 1),
        BuildResourceList(d, 3),
        BuildAccountList(d),
        BuildSingleReceipt(d, 1, true, 25)};
    for (const auto& report : reports) {
        ASSERT_TRUE(report);
        const LaidOutReport r = report->layout();
        SCOPED_TRACE(r.title.toStdString());
        ASSERT_GE(r.pageCount(), 1);
        EXPECT_NE(r.pages[0].find("Logorap"), nullptr);
        for (int p = 0; p < r.pageCount(); ++p) {
            EXPECT_EQ(r.pages[p].textsNamed("PageNo"),
                      QStringList{QStringLiteral("Page %1 of %2").arg(p + 1).arg(r.pageCount())});
            EXPECT_EQ(r.pages[p].textsNamed("Cinfo1").size(), 1); // either spelling
        }
    }
    EXPECT_EQ(reports[2]->layout().pageCount(), 2);
}

// ------------------------------------------------------------ windows

TEST_P(ReferenceListTest, ArchivePeriodStartsAYearBackAndTakesTheChosenDays)
{
    ArchivePeriodWindow* w = ShowArchivePeriodWindow(false);
    auto* start = w->findChild<QDateEdit*>("cstart");
    auto* end = w->findChild<QDateEdit*>("cend");
    ASSERT_TRUE(start && end);
    const QDate today = QDate::currentDate();
    EXPECT_EQ(start->date(), today.addDays(-365));
    EXPECT_EQ(end->date(), today);
    EXPECT_EQ(w->period()->fromDay(), DayNumber(today.addDays(-365)));
    EXPECT_EQ(w->period()->toDay(), DayNumber(today));

    start->setDate(today); // the same day is a good period
    end->setDate(today.addDays(3));
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_EQ(w->period()->fromDay(), DayNumber(today));
    EXPECT_EQ(w->period()->toDay(), DayNumber(today.addDays(3)));
}

TEST_P(ReferenceListTest, OverviewWindowOptionsSetTheKindBoxes)
{
    BookingOverviewWindow* w = ShowBookingOverviewWindow();
    const QDate today = QDate::currentDate();
    EXPECT_EQ(w->findChild<QDateEdit*>("fradato")->date(), today);
    EXPECT_EQ(w->period()->toDay(), DayNumber(today.addDays(7)));
    const auto boxes = [w] {
        const OverviewKinds k = w->kinds();
        return QStringList{QString::number(k.g1), QString::number(k.g2), QString::number(k.g3),
                           k.text}
            .join(' ');
    };
    EXPECT_EQ(boxes(), "1 2 3 All Groups");
    const std::pair<const char*, const char*> cases[] = {{"AltDom", "1 100 100 Domestic"},
                                                         {"AltAdd", "100 2 100 Add-On"},
                                                         {"AltStand", "100 100 3 Stand-Alone"},
                                                         {"AltAll", "1 2 3 All Groups"}};
    for (const auto& [option, expected] : cases) {
        w->findChild<QRadioButton*>(option)->click();
        EXPECT_EQ(boxes(), expected) << option;
    }
}

TEST_P(ReferenceListTest, DetailsNeedAnAccountThenPreviewTheReport)
{
    archive(DayNumber(QDate::currentDate().addDays(-3)), 480, 570, 101, jane, 10, 100);
    ArchivePeriodWindow* w = ShowArchivePeriodWindow(true);
    EXPECT_EQ(w->print(), nullptr);
    EXPECT_EQ(messages.texts(), QStringList{"Please choose an account! / Service Message"});

    auto* list = w->findChild<QListWidget*>("Account");
    const auto found = list->findItems("Jane Miller", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    list->setCurrentItem(found[0]);
    QPrintPreviewDialog* preview = w->print();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(previewPages(preview), 1);
    EXPECT_EQ(messages.shown().size(), 1);
}

TEST_P(ReferenceListTest, CommandBarEntriesOpenTheirWindowsAndReports)
{
    RegisterWindows();
    session().IsAdmin = true;
    QWidget owner;
    for (const auto& [number, window] :
         {std::pair{31, "datobookingperiode"}, std::pair{32, "datoarkivperiodeht"},
          std::pair{33, "datoarkivperiodeAC"}}) {
        EXPECT_TRUE(RunMenuCommand(Command(number), &owner, nullptr));
        QWidget* w = WindowRegistry::instance().find(window);
        ASSERT_NE(w, nullptr) << window;
        EXPECT_EQ(w->parentWidget(), &owner) << window;
    }
    for (int number : {341, 342, 343, 35}) {
        EXPECT_TRUE(RunMenuCommand(Command(number), &owner, nullptr));
        auto previews = owner.findChildren<QPrintPreviewDialog*>("reportpreview");
        ASSERT_EQ(previews.size(), 1) << number;
        EXPECT_EQ(previewPages(previews[0]), 1) << number;
        delete previews[0];
    }
    EXPECT_TRUE(messages.shown().isEmpty());

    session().BookingFilePath = pathOf("missing.mdb");
    EXPECT_EQ(ShowAccountList(&owner), nullptr);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].title, "Accounts");
}

} // namespace
} // namespace vestra::test
