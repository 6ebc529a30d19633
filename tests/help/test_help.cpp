#include "booking/bookingform.h"
#include "data/schema.h"
#include "help/helptopics.h"
#include "help/helpwindow.h"
#include "platform/windowregistry.h"
#include "shell/commands.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <QHelpEngineCore>
#include <QTest>
#include <QUrl>

using namespace vestra;
using namespace vestra::test;

namespace {

const QString builtManual = QStringLiteral(VESTRA_HELP_DIR);

} // namespace

// The manual as the build makes it: every window the map names has its page.
TEST(HelpManual, HasAPageForEveryMappedWindow)
{
    QHelpEngineCore engine(builtManual + QStringLiteral("/vestra.qhc"));
    ASSERT_TRUE(engine.setupData()) << qPrintable(engine.error());
    ASSERT_EQ(engine.registeredDocumentations(), QStringList{HelpNamespace});
    QStringList windows = HelpMappedWindows();
    windows << QStringLiteral("someWindowWithoutAPage");
    for (const QString& window : windows) {
        const QByteArray page = engine.fileData(QUrl(HelpPageUrl(HelpPageForWindow(window))));
        EXPECT_TRUE(page.contains("<h1>")) << qPrintable(window);
    }
    // The screenshots the pages show are part of the manual too.
    for (const char* image : {"images/connect.png", "images/dayview.png", "images/bookingform.png"})
        EXPECT_FALSE(engine.fileData(QUrl(HelpPageUrl(QString::fromLatin1(image)))).isEmpty())
            << image;
}

class Help : public BookingFileTest {
protected:
    void SetUp() override
    {
        BookingFileTest::SetUp();
        makeBookingFile();
        session().LoginAccountId = 1;
        session().IsAdmin = true;
        nr = addBooking(38423, 600, 720);
        InstallHelpKey();
    }
    void shipManual()
    {
        for (const char* name : {"vestra.qhc", "vestra.qch"})
            ASSERT_TRUE(QFile::copy(builtManual + '/' + name, pathOf(QString::fromLatin1(name))));
    }
    HelpWindow* helpWindow()
    {
        return WindowRegistry::instance().findAs<HelpWindow>(QStringLiteral("HelpWindow"));
    }
    int nr = 0;
};

TEST_F(Help, F1InAWindowOpensThatWindowsPage)
{
    shipManual();
    BookingForm* form = ShowBookingForm(nr, nullptr);
    ASSERT_NE(form, nullptr);
    QCoreApplication::processEvents();
    QWidget* focus = form->findChild<QWidget*>(QStringLiteral("Beskrivelse"));
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, Qt::Key_F1);
    HelpWindow* help = helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->currentPage(), QUrl(HelpPageUrl(QStringLiteral("bookingform.html"))));
    EXPECT_TRUE(messages.shown().isEmpty()) << qPrintable(messages.texts().join('\n'));

    // The Help entry of the tool bar opens the page of the window it was chosen in,
    // in the same Help window.
    ASSERT_TRUE(RunMenuCommand(Command::HelpFile, focus, nullptr));
    EXPECT_EQ(helpWindow(), help);
    EXPECT_EQ(help->currentPage(), QUrl(HelpPageUrl(QStringLiteral("bookingform.html"))));
    QTest::keyClick(help, Qt::Key_F1);
    EXPECT_EQ(help->currentPage(), QUrl(HelpPageUrl(QString::fromLatin1(HelpStartPage))));
}

TEST_F(Help, AMissingOrEmptyHelpFileIsReported)
{
    for (bool shipped : {false, true}) {
        if (shipped) {
            // A collection that names no manual, as a broken installation leaves it.
            ASSERT_TRUE(QFile::copy(builtManual + "/vestra.qhc", pathOf("vestra.qhc")));
            QFile empty(pathOf("vestra.qch"));
            ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
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
    for (const char* name : {"vestra.qhc", "vestra.qch"})
        ASSERT_TRUE(QFile::copy(builtManual + '/' + name, pathOf("share/vestra/") + name));
    SetProgramFolder(pathOf("bin"));
    EXPECT_EQ(HelpFilePath(), QDir::cleanPath(pathOf("share/vestra/vestra.qhc")));
    ASSERT_TRUE(RunMenuCommand(Command::HelpFile, nullptr, nullptr));
    EXPECT_TRUE(messages.shown().isEmpty()) << qPrintable(messages.texts().join('\n'));
    ASSERT_NE(helpWindow(), nullptr);
    EXPECT_EQ(helpWindow()->currentPage(), QUrl(HelpPageUrl(QString::fromLatin1(HelpStartPage))));
}
