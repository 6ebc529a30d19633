#include "app/registerwindows.h"
#include "data/dates.h"
#include "forms/periodpicker.h"
#include "reportfixture.h"
#include "reports/archiveperiodwindow.h"
#include "reports/bookingoverviewwindow.h"
#include "reports/referencelists.h"
#include "shell/commands.h"
#include "widgets/windowregistry.h"

#include <QDateEdit>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QRadioButton>

namespace vestra::test {
namespace {

class ReferenceListTest : public ReportFileTest {};

INSTANTIATE_TEST_SUITE_P(Engines, ReferenceListTest, ::testing::ValuesIn(TestEngines()),
                         EngineName);

TEST_P(ReferenceListTest, AccountsAreListedByTypeAndArchiveState)
{
    Database d = db();
    d.exec("UPDATE Konti SET archived = NULL WHERE ID = ?", {jane}); // unset counts as active
    addAccount("p", "Ann Old", "old", "x", false, true);             // sorts before Jane
    addAccount("g", "Choir", "", "");
    addAccount("x", "Odd Kind", "", "", false, true);

    const LaidOutReport r = laidOut(BuildAccountList(d));
    ASSERT_EQ(r.pageCount(), 1);
    // "Personal/Active" for each account name, from the headers above it.
    QMap<QString, QString> sections;
    QString type, state;
    QVector<PlacedItem> items = r.pages[0].items;
    std::stable_sort(items.begin(), items.end(),
                     [](const auto& a, const auto& b) { return a.rect.top() < b.rect.top(); });
    for (const PlacedItem& item : items) {
        if (item.name == "txttype")
            type = item.text;
        else if (item.name == "txtarc")
            state = item.text;
        else if (item.name == "Kontonavn")
            sections.insert(item.text, type + '/' + state);
    }
    EXPECT_EQ(sections, (QMap<QString, QString>{{"Administrator", "Personal/Active"},
                                                {"Jane Miller", "Personal/Active"},
                                                {"Bob Stone", "Personal/Active"},
                                                {"Ann Old", "Personal/Archived"},
                                                {"Choir", "Group/Active"},
                                                {"Odd Kind", "Group/Archived"}}));
    // One header per group: an empty flag, 0 and -1 give Active then Archived.
    EXPECT_EQ(r.textsNamed("txttype"), QStringList({"Group", "Personal", "Group"}));
    EXPECT_EQ(r.textsNamed("txtarc"), QStringList({"Active", "Active", "Archived", "Archived"}));
    EXPECT_EQ(r.textsNamed("admin").size(), 1); // only the administrator's box is crossed
    // A printout carries no login: no password column, no password anywhere.
    EXPECT_TRUE(r.textsNamed("KontoPass").isEmpty());
    EXPECT_FALSE(r.pages[0].hasText("Password"));
    EXPECT_FALSE(r.pages[0].hasText("secret"));
}

// ------------------------------------------------------------ windows

TEST_P(ReferenceListTest, OverviewWindowOptionsSetTheKindBoxes)
{
    BookingOverviewWindow* w = ShowBookingOverviewWindow();
    const QDate today = QDate::currentDate();
    EXPECT_EQ(w->findChild<QDateEdit*>("fradato")->date(), today);
    EXPECT_EQ(w->period()->toDay(), DayNumber(today.addDays(7)));
    const auto boxes = [w] {
        const OverviewKinds k = w->kinds();
        return QStringLiteral("%1 %2 %3 %4").arg(k.g1).arg(k.g2).arg(k.g3).arg(k.text);
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
    EXPECT_EQ(previewPages(w->print()), 1); // -1 when no preview opens
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
