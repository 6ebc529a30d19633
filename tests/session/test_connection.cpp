#include "data/helpers.h"
#include "data/schema.h"
#include "platform/windowregistry.h"
#include "session/connection.h"
#include "session/startup.h"
#include "shell/navigator.h"
#include "startup/connectwindow.h"
#include "support/fixture.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

using namespace vestra;
using namespace vestra::test;

class Connection : public BookingFileTest {
protected:
    void SetUp() override
    {
        BookingFileTest::SetUp();
        ASSERT_TRUE(EnsureWorkDatabase());
    }
    QString storedPath()
    {
        Database w = Database::open(WorkDatabasePath());
        return LookupIn(w, "sti", "stitabel").toString();
    }
    static QByteArray contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString bookingFileNamed(const QString& name)
    {
        const QString p = pathOf(name);
        EXPECT_TRUE(QFile::copy(TemplatePath(), p));
        QFile::setPermissions(p, QFile::permissions(p) | QFileDevice::WriteOwner);
        return p;
    }
};

TEST_F(Connection, OpenAcceptsOnlyDatabasesNamedMdb)
{
    // The extension is compared exactly: FILE.MDB is refused although it is a booking file.
    const QString upper = bookingFileNamed("FILE.MDB");
    const QString text = pathOf("notes.mdb");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("just text");
    }
    // The template next to the program, however its path is written: opened,
    // what is booked in it would be in every booking file made from it.
    const QByteArray templateBefore = contents(TemplatePath());
    for (const QString& p : {upper, text, TemplatePath(), pathOf(".") + "/./Emptydatabase.mdb"}) {
        messages.clear();
        dialogs.chooseNext(p);
        EXPECT_EQ(OpenExistingFile(), ConnectResult::Refused);
        EXPECT_EQ(messages.texts(),
                  QStringList({p + " is not a valid Vestra Bookingfile! / File Error"}));
        EXPECT_EQ(storedPath(), "");
    }
    EXPECT_EQ(contents(TemplatePath()), templateBefore);
    EXPECT_EQ(dialogs.titles.first(), "Vestra - Open existing bookingfile");
}

TEST_F(Connection, CancelDoesNothing)
{
    dialogs.chooseNext(std::nullopt);
    EXPECT_EQ(OpenExistingFile(), ConnectResult::Cancelled);
    dialogs.chooseNext(std::nullopt);
    EXPECT_EQ(CreateNewFile(), ConnectResult::Cancelled);
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_EQ(storedPath(), "");
}

TEST_F(Connection, OpenStoresThePathForTheNextStart)
{
    const QString p = bookingFileNamed("club.mdb");
    dialogs.chooseNext(p);
    EXPECT_EQ(OpenExistingFile(), ConnectResult::Connected);
    EXPECT_EQ(session().BookingFilePath, p);
    EXPECT_EQ(storedPath(), p);
}

TEST_F(Connection, ADatabaseWithoutTheMarkerIsAcceptedHereAndRefusedByTheStartup)
{
    const QString p = pathOf("other.mdb");
    {
        Database d = Database::create(p);
        ASSERT_TRUE(d.exec("CREATE TABLE x (y INTEGER)"));
    }
    dialogs.chooseNext(p);
    EXPECT_EQ(OpenExistingFile(), ConnectResult::Connected);
    EXPECT_EQ(PrepareSession(session(), QDate(2026, 12, 5)).outcome, StartupOutcome::NoBookingFile);
}

TEST_F(Connection, CreateMakesAnMdbFileFromTheTemplate)
{
    dialogs.chooseNext(pathOf("budget.txt"));
    EXPECT_EQ(CreateNewFile(), ConnectResult::Connected);
    const QString made = pathOf("budget.mdb");
    EXPECT_EQ(storedPath(), made);
    EXPECT_EQ(session().BookingFilePath, made);
    EXPECT_TRUE(IsBookingFile(made));
    EXPECT_FALSE(QFile::exists(pathOf("budget.txt")));
    EXPECT_EQ(dialogs.titles.first(), "Vestra - Create new bookingfile");
    // The next start of the program opens it.
    session().BookingFilePath.clear();
    EXPECT_EQ(PrepareSession(session(), QDate(2026, 12, 5)).outcome, StartupOutcome::ReadyForLogin);
    EXPECT_EQ(session().BookingFilePath, made);
}

TEST_F(Connection, CreateAsksBeforeReplacingAFileAndReplacesOnlyOnYes)
{
    // Every name that leads to good.mdb, with either answer.
    for (const char* typed : {"good", "good.txt", "good.mdb"}) {
        for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
            SCOPED_TRACE(std::string(typed) + (answer == MsgAnswer::Yes ? " / Yes" : " / No"));
            const QString good = makeBookingFile("good.mdb");
            addBooking(40000, 600, 660);
            // An open connection on the old file must not survive the replacement.
            ASSERT_EQ(count("Booking"), 1);
            ASSERT_TRUE(StoreBookingFilePath("previous.mdb"));
            messages.clear();
            dialogs.chooseNext(pathOf(typed));
            messages.answerNext(answer);
            const ConnectResult r = CreateNewFile();
            EXPECT_EQ(dialogs.defaultSuffixes.last(), "mdb");
            ASSERT_EQ(messages.shown().size(), 1);
            const Message& m = messages.shown()[0];
            EXPECT_EQ(m.text, good
                                  + " already exists. Replace it with a new, empty booking file? "
                                    "Everything in it will be lost.");
            EXPECT_EQ(m.title, "Create New File");
            EXPECT_EQ(m.buttons, MsgButtons::YesNo);
            EXPECT_EQ(m.defaultButton, MsgAnswer::No);
            session().BookingFilePath = good;
            if (answer == MsgAnswer::Yes) {
                EXPECT_EQ(r, ConnectResult::Connected);
                EXPECT_EQ(count("Booking"), 0);
                EXPECT_EQ(storedPath(), good);
            } else {
                EXPECT_EQ(r, ConnectResult::Cancelled);
                EXPECT_EQ(count("Booking"), 1);
                EXPECT_EQ(storedPath(), "previous.mdb");
            }
        }
    }
    // A new name asks nothing.
    messages.clear();
    dialogs.chooseNext(pathOf("fresh"));
    EXPECT_EQ(CreateNewFile(), ConnectResult::Connected);
    EXPECT_EQ(storedPath(), pathOf("fresh.mdb"));
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(Connection, CreateNeverEmptiesTheTemplateItself)
{
    dialogs.chooseNext(TemplatePath());
    EXPECT_EQ(CreateNewFile(), ConnectResult::Failed);
    EXPECT_TRUE(IsBookingFile(TemplatePath()));
    EXPECT_EQ(storedPath(), "");
}

TEST_F(Connection, CreateWithAnEmptyNameStoresNothing)
{
    StoreBookingFilePath("previous.mdb");
    dialogs.chooseNext(pathOf("") + "/");
    const ConnectResult r = CreateNewFile();
    EXPECT_EQ(r, ConnectResult::EmptyName);
    EXPECT_TRUE(RerunsStartup(r));
    EXPECT_EQ(messages.texts(), QStringList({"Filename Empty / Illegal filename"}));
    EXPECT_EQ(storedPath(), "previous.mdb");
}

TEST_F(Connection, CreateWithoutTemplateSaysSo)
{
    ASSERT_TRUE(QFile::remove(TemplatePath()));
    dialogs.chooseNext(pathOf("new.mdb"));
    EXPECT_EQ(CreateNewFile(), ConnectResult::Failed);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].title, "File Error");
    EXPECT_EQ(storedPath(), "");
}

TEST_F(Connection, ConnectWindowCreatesAFileAndAsksForTheLogin)
{
    ConnectWindow* w = ShowConnectWindow();
    EXPECT_EQ(w->windowTitle(), "Vestra - Professional Ressource Booking");
    auto* createf = w->findChild<QPushButton*>("Createf");
    ASSERT_NE(createf, nullptr);
    EXPECT_EQ(createf->text(), "Create New File");
    EXPECT_EQ(w->findChild<QPushButton*>("Openf")->text(), "Open Existing File");
    EXPECT_EQ(w->findChild<QPushButton*>("exit")->text(), "Exit");

    dialogs.chooseNext(pathOf("first.mdb"));
    QTest::mouseClick(createf, Qt::LeftButton);
    QWidget* login = WindowRegistry::instance().find("frmLogin");
    ASSERT_NE(login, nullptr);
    EXPECT_TRUE(login->isVisible());
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(Connection, ExitEndsTheProgram)
{
    bool quit = false;
    navigator().quit = [&] { quit = true; };
    ConnectWindow* w = ShowConnectWindow();
    QTest::mouseClick(w->findChild<QPushButton*>("exit"), Qt::LeftButton);
    EXPECT_TRUE(quit);
}
