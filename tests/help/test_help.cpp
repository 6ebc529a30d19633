#include "app/registerwindows.h"
#include "booking/bookingform.h"
#include "data/schema.h"
#include "help/helptopics.h"
#include "help/helpwindow.h"
#include "schedule/dayview.h"
#include "shell/commands.h"
#include "support/fixture.h"
#include "widgets/widgetservices.h"
#include "widgets/windowregistry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHelpEngineCore>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

using namespace vestra;
using namespace vestra::test;

const QString builtManual = QStringLiteral(VESTRA_HELP_DIR);

// The manual as the build makes it: every window the map names has its page.
TEST(HelpManual, HasAPageForEveryMappedWindow)
{
    QHelpEngineCore engine(builtManual + QStringLiteral("/vestra.qhc"));
    ASSERT_TRUE(engine.setupData()) << qPrintable(engine.error());
    ASSERT_EQ(engine.registeredDocumentations(), QStringList{HelpNamespace});
    for (const QString& window : HelpMappedWindows() + QStringList{"someWindowWithoutAPage"})
        EXPECT_TRUE(engine.fileData(QUrl(HelpPageUrl(HelpPageForWindow(window)))).contains("<h1>"))
            << qPrintable(window);
    // The screenshots the pages show are part of the manual too.
    for (const char* image : {"images/connect.png", "images/dayview.png", "images/bookingform.png"})
        EXPECT_FALSE(engine.fileData(QUrl(HelpPageUrl(image))).isEmpty()) << image;
}

class Help : public BookingFileTest {
protected:
    void SetUp() override
    {
        BookingFileTest::SetUp();
        makeBookingFile();
        session().LoginAccountId = 1;
        session().IsAdmin = true;
        InstallHelpKey();
    }
    // The built manual, copied into the program's folder or one below it.
    void shipManual(const QString& folder = {})
    {
        for (const char* name : {"vestra.qhc", "vestra.qch"})
            ASSERT_TRUE(QFile::copy(builtManual + '/' + name, pathOf(folder + name)));
    }
    HelpWindow* helpWindow() { return WindowRegistry::instance().findAs<HelpWindow>("HelpWindow"); }
};

TEST_F(Help, F1InAWindowOpensThatWindowsPage)
{
    shipManual();
    BookingForm* form = ShowBookingForm(addBooking(38423, 600, 720), nullptr);
    QCoreApplication::processEvents();
    QWidget* focus = form ? form->findChild<QWidget*>(QStringLiteral("Beskrivelse")) : nullptr;
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, Qt::Key_F1);
    HelpWindow* help = helpWindow();
    ASSERT_TRUE(help && help->isVisible());
    EXPECT_EQ(help->currentPage(), QUrl(HelpPageUrl("bookingform.html")));
    EXPECT_TRUE(messages.shown().isEmpty()) << qPrintable(messages.texts().join('\n'));

    // The Help entry of the tool bar opens the page of the window it was chosen in,
    // in the same Help window.
    ASSERT_TRUE(RunMenuCommand(Command::HelpFile, focus, nullptr));
    EXPECT_EQ(helpWindow(), help);
    EXPECT_EQ(help->currentPage(), QUrl(HelpPageUrl("bookingform.html")));
    QTest::keyClick(help, Qt::Key_F1);
    EXPECT_EQ(help->currentPage(), QUrl(HelpPageUrl(HelpStartPage)));
}

TEST_F(Help, AMissingOrEmptyHelpFileIsReported)
{
    for (bool shipped : {false, true}) {
        if (shipped) {
            // A collection that names no manual, as a broken installation leaves it.
            ASSERT_TRUE(QFile::copy(builtManual + "/vestra.qhc", pathOf("vestra.qhc")));
            ASSERT_TRUE(QFile(pathOf("vestra.qch")).open(QIODevice::WriteOnly)); // empty
        }
        messages.clear();
        ASSERT_TRUE(RunMenuCommand(Command::HelpFile, nullptr, nullptr));
        ASSERT_EQ(messages.shown().size(), 1) << shipped;
        EXPECT_TRUE(messages.shown()[0].text.contains(HelpFilePath()))
            << qPrintable(messages.shown()[0].text);
        EXPECT_EQ(messages.shown()[0].title, "Help");
        EXPECT_EQ(helpWindow(), nullptr);
    }
}

TEST_F(Help, AnInstalledProgramFindsTheManualInShare)
{
    // bin/vestra and share/vestra/vestra.q* as the install lays them out.
    ASSERT_TRUE(QDir(dir.path()).mkpath("bin") && QDir(dir.path()).mkpath("share/vestra"));
    shipManual("share/vestra/");
    SetProgramFolder(pathOf("bin"));
    EXPECT_EQ(HelpFilePath(), QDir::cleanPath(pathOf("share/vestra/vestra.qhc")));
    ASSERT_TRUE(RunMenuCommand(Command::HelpFile, nullptr, nullptr));
    EXPECT_TRUE(messages.shown().isEmpty()) << qPrintable(messages.texts().join('\n'));
    ASSERT_NE(helpWindow(), nullptr);
    EXPECT_EQ(helpWindow()->currentPage(), QUrl(HelpPageUrl(HelpStartPage)));
}

// The full-text search of the Help window finds a page by a word that only
// that page holds, and a click on the result opens it.
TEST_F(Help, TheSearchFindsAPageByItsWordsAndOpensIt)
{
    shipManual();
    ShowHelpPage(HelpStartPage);
    HelpWindow* help = helpWindow();
    ASSERT_NE(help, nullptr);
    auto* tabs = help->findChild<QTabWidget*>(QStringLiteral("helpTabs"));
    auto* engine = help->findChild<QHelpSearchEngine*>();
    ASSERT_TRUE(tabs && engine);
    tabs->setCurrentWidget(help->findChild<QWidget*>(QStringLiteral("helpSearch")));
    QSignalSpy searched(engine, &QHelpSearchEngine::searchingFinished);
    auto* query = engine->queryWidget()->findChild<QLineEdit*>();
    ASSERT_NE(query, nullptr);
    // Until its index is built the search finds nothing; the user searches again.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            query->setText(QStringLiteral("interval"));
            QTest::keyClick(query, Qt::Key_Return);
            return searched.wait(5000) && engine->searchResultCount() > 0;
        },
        30000));
    ASSERT_EQ(engine->searchResultCount(), 1);

    // The result is a link in the result list: clicking it shows the page.
    auto* results = engine->resultWidget()->findChild<QTextBrowser*>();
    ASSERT_NE(results, nullptr);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return results->isVisible() && !results->document()->isEmpty(); }));
    QTextCursor at(results->document()); // just after the first character of the first link
    while (at.atBlockStart() || !at.charFormat().isAnchor())
        ASSERT_TRUE(at.movePosition(QTextCursor::NextCharacter)) << qPrintable(results->toHtml());
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, results->cursorRect(at).center());
    EXPECT_EQ(help->currentPage(), QUrl(HelpPageUrl("series.html")));
}

// The first start without resources asks to open the Resource Manager, with
// Yes and No as always, and a Help button that opens the manual at the
// section the question names.
TEST_F(Help, TheQuestionAboutMissingResourcesOffersItsSectionOfTheManual)
{
    shipManual();
    RegisterWindows();
    ASSERT_TRUE(EnsureWorkDatabase());
    session().LoginOk = true;
    session().SelectedDay = 38423;
    messages.answerNext(MsgAnswer::No);
    ASSERT_NE(ShowDayView(), nullptr);
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.shown().size(), 1) << qPrintable(messages.texts().join('\n'));
    const Message& asked = messages.shown()[0];
    EXPECT_EQ(asked.text,
              QStringList({"Currently no Resource Items are created.",
                           "Use the Resource Manager to create", "Resource Groups",
                           "Resource Types", "Resource Items", "",
                           "Open the Resource Hierarchy Section of the Help File to get detailed "
                           "information.",
                           "", "Open the Resource Manager now?"})
                  .join("\r\n"));
    EXPECT_EQ(asked.title, "Service Message");
    EXPECT_EQ(WindowRegistry::instance().find(QStringLiteral("ResManager")), nullptr);

    // The message box itself: Yes, No and Help; Help opens the section and
    // leaves the question to be answered.
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = true;
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Help);
        if (QAbstractButton* helpButton = box->button(QMessageBox::Help))
            helpButton->click();
        EXPECT_TRUE(box->isVisible()) << "Help does not answer the question";
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(BoxMessageService().show(asked), MsgAnswer::No);
    EXPECT_TRUE(seen);
    ASSERT_TRUE(helpWindow() && helpWindow()->isVisible());
    EXPECT_EQ(helpWindow()->currentPage(), QUrl(HelpPageUrl("resources.html#hierarchy")));
}
