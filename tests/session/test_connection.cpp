#include "data/helpers.h"
#include "data/schema.h"
#include "session/connection.h"
#include "session/startup.h"
#include "shell/navigator.h"
#include "startup/connectwindow.h"
#include "support/fixture.h"
#include "support/stores.h"
#include "widgets/windowregistry.h"

#include <QCoreApplication>
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
};

TEST_F(Connection, OpenAcceptsOnlyDatabasesNamedMdb)
{
    // The extension is compared exactly: FILE.MDB is refused although it is a
    // booking file. (Files that are no booking file are the reliability tests'.)
    const QString upper = templateCopy("FILE.MDB");
    // The template next to the program, however its path is written: opened,
    // what is booked in it would be in every booking file made from it.
    const QByteArray templateBefore = fileBytes(TemplatePath());
    for (const QString& p : {upper, TemplatePath(), pathOf(".") + "/./Emptydatabase.mdb"}) {
        messages.clear();
        dialogs.chooseNext(p);
        EXPECT_EQ(OpenExistingFile(), ConnectResult::Refused);
        EXPECT_EQ(messages.texts(),
                  QStringList({p + " is not a valid Vestra Bookingfile! / File Error"}));
        EXPECT_EQ(storedPath(), "");
    }
    EXPECT_EQ(fileBytes(TemplatePath()), templateBefore);
    EXPECT_EQ(dialogs.titles.first(), "Vestra - Open existing bookingfile");
}

TEST_F(Connection, CreateAsksBeforeReplacingAFileAndReplacesOnlyOnYes)
{
    // Every name that leads to good.mdb, with either answer.
    for (const char* typed : {"good", "good.txt", "good.mdb"}) {
        for (const bool yes : {false, true}) {
            SCOPED_TRACE(std::string(typed) + (yes ? " / Yes" : " / No"));
            const QString good = makeBookingFile("good.mdb");
            addBooking(40000, 600, 660);
            // An open connection on the old file must not survive the replacement.
            ASSERT_EQ(count("Booking"), 1);
            ASSERT_TRUE(StoreBookingFilePath("previous.mdb"));
            messages.clear();
            dialogs.chooseNext(pathOf(typed));
            messages.answerNext(yes ? MsgAnswer::Yes : MsgAnswer::No);
            const ConnectResult r = CreateNewFile();
            EXPECT_EQ(dialogs.defaultSuffixes.last(), "mdb");
            EXPECT_EQ(messages.texts(),
                      QStringList({good
                                   + " already exists. Replace it with a new, empty booking "
                                     "file? Everything in it will be lost. / Create New File"}));
            const Message m = messages.shown().value(0);
            EXPECT_EQ(m.buttons, MsgButtons::YesNo);
            EXPECT_EQ(m.defaultButton, MsgAnswer::No);
            session().BookingFilePath = good;
            EXPECT_EQ(r, yes ? ConnectResult::Connected : ConnectResult::Cancelled);
            EXPECT_EQ(count("Booking"), yes ? 0 : 1);
            EXPECT_EQ(storedPath(), yes ? good : "previous.mdb");
        }
    }
    // A new name asks nothing: the last question stays the last message.
    dialogs.chooseNext(pathOf("fresh"));
    EXPECT_EQ(CreateNewFile(), ConnectResult::Connected);
    EXPECT_EQ(storedPath(), pathOf("fresh.mdb"));
    EXPECT_EQ(messages.shown().size(), 1);
}

// The template itself is never emptied, and an empty name stores nothing.
TEST_F(Connection, CreateRefusesTheTemplateAndAnEmptyName)
{
    dialogs.chooseNext(TemplatePath());
    EXPECT_EQ(CreateNewFile(), ConnectResult::Failed);
    EXPECT_TRUE(IsBookingFile(TemplatePath()));
    EXPECT_EQ(storedPath(), "");

    StoreBookingFilePath("previous.mdb");
    messages.clear();
    dialogs.chooseNext(pathOf("") + "/");
    const ConnectResult r = CreateNewFile();
    EXPECT_EQ(std::pair(r, RerunsStartup(r)), std::pair(ConnectResult::EmptyName, true));
    EXPECT_EQ(messages.texts(), QStringList({"Filename Empty / Illegal filename"}));
    EXPECT_EQ(storedPath(), "previous.mdb");
}

TEST_F(Connection, ConnectWindowCreatesAFileAndAsksForTheLoginOrExits)
{
    ConnectWindow* w = ShowConnectWindow();
    QStringList texts{w->windowTitle()}; // and its buttons'
    for (const char* name : {"Createf", "Openf", "exit"})
        texts << w->findChild<QPushButton*>(name)->text();
    EXPECT_EQ(texts, QStringList({"Vestra - Professional Ressource Booking", "Create New File",
                                  "Open Existing File", "Exit"}));

    dialogs.chooseNext(pathOf("first.mdb"));
    QTest::mouseClick(w->findChild<QPushButton*>("Createf"), Qt::LeftButton);
    QWidget* login = WindowRegistry::instance().find("frmLogin");
    EXPECT_TRUE(login && login->isVisible());
    EXPECT_TRUE(messages.shown().isEmpty());

    // The navigator outlives the test: what it calls must too.
    auto quit = std::make_shared<bool>(false);
    navigator().quit = [quit] { *quit = true; };
    QTest::mouseClick(ShowConnectWindow()->findChild<QPushButton*>("exit"), Qt::LeftButton);
    EXPECT_TRUE(*quit);
}

// The address typed parts lead to reads back as the same parts, the socket
// folder form included (its slashes cannot stand in the host part).
TEST(ServerAddress, TypedPartsMakeAnAddressThatReadsBackTheSame)
{
    struct Case {
        ServerChoice typed;
        QString address;
        QString shown; // in the status bar, without the address's escapes
    };
    const QList<Case> cases = {
        {{"db.example.org", "5433", "booking", "anna", false, {}},
         "postgresql://anna@db.example.org:5433/booking",
         "database booking on db.example.org:5433 as anna"},
        {{" db.example.org ", "", "booking", "", false, {}},
         "postgresql://db.example.org/booking",
         "database booking on db.example.org"},
        {{"/run/postgresql", "5432", "booking", "anna", false, {}},
         "postgresql://anna@/booking?host=%2Frun%2Fpostgresql&port=5432",
         "database booking on /run/postgresql:5432 as anna"},
        {{"::1", "5432", "bø king", "a b", false, {}},
         "postgresql://a%20b@[::1]:5432/b%C3%B8%20king",
         "database bø king on [::1]:5432 as a b"},
        {{"db.example.org", "", "booking", "anna", true, ""},
         "postgresql://anna@db.example.org/booking?sslmode=verify-full&sslrootcert=system",
         "database booking on db.example.org as anna"},
        {{"/run/postgresql", "", "booking", "", true, "/etc/ca 1.pem"},
         "postgresql:///booking?host=%2Frun%2Fpostgresql&sslmode=verify-full&sslrootcert=%2Fetc%"
         "2Fca%201.pem",
         "database booking on /run/postgresql"},
    };
    for (const Case& c : cases) {
        const QString address = ServerAddressOf(c.typed);
        EXPECT_EQ(QStringList({address, ServerAddressOf(ServerChoiceOf(address)),
                               StoreDisplayName(address), StoreDisplayName(address, true)}),
                  QStringList({c.address, c.address, c.shown, c.typed.database}));
        // Messages quote the address whole: its %2F escapes are not placeholders.
        const QString upgrade = ServerUpgradeText(address, 4, 7);
        EXPECT_TRUE(upgrade.contains("version 4 and must be upgraded to version 7"));
        EXPECT_EQ(upgrade.count(address), 2);
        EXPECT_EQ(NewerFileText(address, 9, 7).count(address), 1);
        QString error;
        const std::optional<ServerAddress> parts = ParseServerAddress(address, &error);
        ASSERT_TRUE(parts) << error.toStdString();
        EXPECT_EQ(parts->host, c.typed.host.trimmed() == "::1" ? "[::1]" : c.typed.host.trimmed());
        EXPECT_EQ(parts->port, c.typed.port.isEmpty() ? -1 : c.typed.port.toInt());
        EXPECT_EQ(parts->database, c.typed.database);
        EXPECT_EQ(parts->user, c.typed.user);
    }
}

// libpq's words (taken from real refusals) are told in plain sentences that
// name the server, never with the driver's text or the address's escapes.
TEST(ServerAddress, RefusalsAreToldInPlainWords)
{
    const QString tcp = "postgresql://anna@db.example:5433/booking";
    const QString socket = "postgresql://vestra_pw@/booking?host=%2Frun%2Fpg";
    const QString at = "connection to server at \"db.example\" (10.0.0.5), port 5433 failed: ";
    const QString on = "connection to server on socket \"/run/pg/.s.PGSQL.5432\" failed: ";
    const QString qt = "\nQPSQL: Unable to connect";
    const std::tuple<QString, QString, QString> cases[] = {
        {socket, on + "FATAL:  database \"booking\" does not exist" + qt,
         "The database \"booking\" does not exist on the server /run/pg."},
        {socket, on + "FATAL:  password authentication failed for user \"vestra_pw\"" + qt,
         "The server refused the password for user vestra_pw."},
        {socket, on + "FATAL:  role \"vestra_pw\" does not exist" + qt,
         "The server /run/pg knows no user vestra_pw."},
        {tcp, at + "server does not support SSL, but SSL was required" + qt,
         "The server db.example:5433 does not offer encrypted connections, and this connection "
         "requires one."},
        {tcp, at + "SSL error: certificate verify failed" + qt,
         "The certificate of the server db.example:5433 could not be verified against the root "
         "certificate; the connection was not made."},
        {tcp,
         at + "server certificate for \"other.example\" does not match host name \"db.example\"",
         "The server db.example:5433 showed a certificate made out to another name; the "
         "connection was not made."},
        {tcp, at + "root certificate file \"/etc/ca.pem\" does not exist Either provide the file",
         "The root certificate file chosen for the server db.example:5433 cannot be read."},
        {tcp, "could not translate host name \"db.example\" to address: Name or service not known",
         "The database server cannot be reached: no computer named db.example is known on the "
         "network."},
        {tcp, at + "Connection refused Is the server running on that host and accepting TCP/IP",
         "The database server cannot be reached: nothing answers at db.example:5433. Is the "
         "server running, and are its name and port right?"},
        {socket, on + "No such file or directory Is the server running locally",
         "The database server cannot be reached: nothing answers at /run/pg. Is the server "
         "running, and are its name and port right?"},
        {tcp,
         at
             + "FATAL:  no pg_hba.conf entry for host \"10.0.0.9\", user \"anna\", database "
               "\"booking\", no encryption",
         "The server db.example:5433 accepts only encrypted connections; choose \"Require an "
         "encrypted, verified connection\"."},
    };
    for (const auto& [address, driver, plain] : cases)
        EXPECT_EQ(ConnectionFailureText(address, driver), plain);
    EXPECT_TRUE(ConnectionFailureText(tcp, at + "timeout expired").contains("does not answer"));
}

// A refused connection asks again with everything typed, the encryption
// choice included, and says why in plain words.
TEST_F(Connection, ARefusedServerIsAskedForAgainWithWhatWasTyped)
{
    const ServerChoice nowhere{"127.0.0.1", "1", "booking", "anna", true, "/etc/ca.pem"};
    QList<ServerChoice> shown;
    const ConnectResult result = ConnectToServerAsking([&](const ServerChoice& typed) {
        shown << typed;
        return shown.size() == 1 ? std::optional(nowhere) : std::nullopt;
    });
    EXPECT_EQ(result, ConnectResult::Cancelled);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(ServerAddressOf(shown[1]), ServerAddressOf(nowhere));
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().first().text,
              "The database server cannot be reached: nothing answers at 127.0.0.1:1. Is the "
              "server running, and are its name and port right?");
}

// A booking store on a server is chosen like a file: checked, stored in
// paths.mdb, and opened by the next start-up; anything else is refused with a
// message and nothing stored.
TEST_F(Connection, ServerStoreIsCheckedStoredAndOpenedAtStartup)
{
    if (TestEngines().size() < 2)
        GTEST_SKIP() << "no test server (VESTRA_TEST_PG)";
    FreshStore empty(Engine::PostgreSQL, dir.path());
    ASSERT_TRUE(empty.ok()) << empty.error().toStdString();
    storeEngine = Engine::PostgreSQL;
    const ServerChoice bookingStore = ServerChoiceOf(makeBookingFile());
    storeEngine = Engine::SQLite;
    const ServerChoice emptyStore = ServerChoiceOf(empty.address());
    auto prepare = [&] { return PrepareSession(session(), QDate(2026, 3, 2)); };
    const QString file = makeBookingFile();
    ASSERT_TRUE(StoreBookingFilePath(file));

    EXPECT_EQ(ConnectToServer(std::nullopt), ConnectResult::Cancelled);
    ServerChoice nowhere = bookingStore;
    nowhere.host = "127.0.0.1";
    nowhere.port = "1";
    ServerChoice missing = bookingStore;
    missing.database = QStringLiteral("vestra_made_%1").arg(QCoreApplication::applicationPid());
    // Refused: no server there; a missing or an empty database the user does
    // not want made into a booking store.
    const std::pair<ServerChoice, MsgButtons> refusals[] = {
        {nowhere, MsgButtons::Ok}, {missing, MsgButtons::YesNo}, {emptyStore, MsgButtons::YesNo}};
    for (const auto& [refused, buttons] : refusals) {
        messages.clear();
        messages.answerNext(MsgAnswer::No);
        EXPECT_EQ(ConnectToServer(refused), ConnectResult::Refused);
        ASSERT_EQ(messages.texts().size(), 1);
        EXPECT_EQ(messages.shown().first().buttons, buttons)
            << messages.texts().first().toStdString();
        EXPECT_EQ(storedPath(), file);
    }
    EXPECT_TRUE(messages.texts().first().contains(ServerAddressOf(emptyStore)));
    {
        Database d = Database::open(empty.address());
        EXPECT_EQ(IsEmptyServerDatabase(d), std::optional<bool>(true));
    }

    // Yes makes them: a new database on the server, or the empty one filled,
    // each a complete booking store one can log in to.
    for (const ServerChoice& made : {missing, emptyStore}) {
        messages.clear();
        EXPECT_EQ(ConnectToServer(made), ConnectResult::Connected)
            << messages.texts().join("|").toStdString();
        ASSERT_EQ(messages.shown().size(), 1);
        EXPECT_EQ(messages.shown().first().defaultButton, MsgAnswer::Yes);
        const QString address = ServerAddressOf(made);
        EXPECT_EQ(storedPath(), address);
        EXPECT_EQ(prepare().outcome, StartupOutcome::ReadyForLogin);
        {
            Database d = Database::open(address);
            EXPECT_EQ(d.schemaVersion(), LatestVersion(BookingFileSteps()));
            EXPECT_EQ(d.scalar("SELECT count(*) FROM Konti WHERE Kontouser = 'admin'").toInt(), 1);
        }
        Database::closeAll(address);
    }
    {
        Database admin = Database::open(qEnvironmentVariable("VESTRA_TEST_PG"));
        EXPECT_TRUE(admin.exec(QStringLiteral("DROP DATABASE %1").arg(missing.database)))
            << admin.lastError().toStdString();
    }

    // A booking store is connected to without a question (the last one is still the last).
    EXPECT_EQ(ConnectToServer(bookingStore), ConnectResult::Connected);
    EXPECT_EQ(messages.shown().size(), 1);
    const QString address = ServerAddressOf(bookingStore);
    EXPECT_EQ(storedPath(), address);
    EXPECT_EQ(prepare().outcome, StartupOutcome::ReadyForLogin);
    EXPECT_EQ(session().BookingFilePath, address);
    EXPECT_FALSE(session().InstitutionName.isNull());

    // A store a newer Vestra has upgraded is left alone, by the start-up and
    // by the connect window alike.
    ASSERT_TRUE(Database::open(address).setSchemaVersion(LatestVersion(BookingFileSteps()) + 1));
    const StartupReport newer = prepare();
    EXPECT_EQ(newer.outcome, StartupOutcome::NewerBookingFile);
    EXPECT_EQ(newer.migration.fromVersion, LatestVersion(BookingFileSteps()) + 1);
    ASSERT_TRUE(StoreBookingFilePath(file));
    EXPECT_EQ(ConnectToServer(bookingStore), ConnectResult::Refused);
    EXPECT_EQ(storedPath(), file);
    Database::closeAll(address);

    // A stored server that is gone is reported with the server's reason.
    ASSERT_TRUE(StoreBookingFilePath(ServerAddressOf(nowhere)));
    const StartupReport gone = prepare();
    EXPECT_EQ(gone.outcome, StartupOutcome::ServerUnreachable);
    EXPECT_FALSE(gone.serverError.isEmpty());
}
