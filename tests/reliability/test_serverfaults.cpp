// A booking store that fails under the program: a server asking for a
// password, a server that stops, a booking file whose folder goes away, and
// many workstations booking at the same time.

#include "data/migrations.h"
#include "data/schema.h"
#include "schedule/editing.h"
#include "series/candidates.h"
#include "session/connection.h"
#include "session/startup.h"
#include "support/deadline.h"
#include "support/fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSysInfo>

#include <csignal>

using namespace vestra;
using namespace vestra::test;

namespace {

// Builds an empty booking store in a server database as vestra-admin create
// does; unmigrated, it is at the oldest schema version.
void buildServerStore(const QString& address, bool migrated = true)
{
    Database d = Database::open(address);
    QString error;
    for (const char* script : {"booking.sql", "template.sql"})
        ASSERT_TRUE(RunSqlScript(d, SqlResource(script), &error)) << error.toStdString();
    if (migrated) {
        ASSERT_EQ(MigrateDatabase(d, BookingFileSteps(), Backup::None).outcome,
                  MigrationOutcome::Upgraded);
    }
}

QString runCluster(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(PG_CLUSTER), args);
    EXPECT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// A throw-away cluster of the test's own, so that it can be stopped.
class PrivateCluster {
public:
    // With tls the server also listens on localhost, with a certificate
    // signed by the root certificate in folder()/root.crt.
    explicit PrivateCluster(bool tls = false)
    {
        const QString admin =
            runCluster(tls ? QStringList{"start", "--tls"} : QStringList{"start"});
        const std::optional<ServerAddress> parts = ParseServerAddress(admin);
        if (!parts)
            return;
        m_server = *parts;
        if (Database::open(admin).exec("CREATE DATABASE faults"))
            m_address = QString("postgresql://%1@/faults?host=%2").arg(m_server.user, m_server.host)
                        + (m_server.port > 0 ? QString("&port=%1").arg(m_server.port) : QString());
        Database::closeAll(admin);
    }
    // The address of the store over TLS, verified against the root certificate root.
    QString overTls(const QString& root) const
    {
        return QString("postgresql://%1@localhost:%2/faults?sslmode=verify-full&sslrootcert=%3/%4")
            .arg(m_server.user)
            .arg(m_server.port)
            .arg(m_server.host, root);
    }
    ~PrivateCluster()
    {
        if (m_address.isEmpty())
            return;
        Database::closeAll(m_address);
        runCluster({"stop", m_server.host});
    }
    const QString& address() const { return m_address; }
    void halt() { runCluster({"halt", m_server.host}); }
    void resume() { runCluster({"resume", m_server.host}); }
    // Sends sig to the server and every process it started (SIGSTOP: a
    // server that neither answers nor closes its connections).
    void signal(int sig)
    {
        QFile pidFile(m_server.host + "/data/postmaster.pid");
        ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
        const QByteArray server = pidFile.readLine().trimmed();
        ASSERT_EQ(::kill(server.toInt(), sig), 0);
        for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
            QFile stat("/proc/" + entry + "/stat");
            // pid (name) state ppid …: the name may hold spaces, so read after
            // its ')'; nothing to read for an entry that is no process.
            const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
            const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (rest.size() < 2 || rest[1] != server)
                continue;
            ASSERT_EQ(::kill(entry.toInt(), sig), 0) << entry.toStdString();
        }
    }

private:
    ServerAddress m_server; // host: the cluster's folder
    QString m_address;
};

} // namespace

class StoreFaults : public BookingFileTest {
protected:
    void SetUp() override
    {
        BookingFileTest::SetUp();
        ASSERT_TRUE(EnsureWorkDatabase());
        session().LoginAccountId = 1;
        session().LoginName = "Administrator";
    }
    void addHall()
    {
        Database d = db();
        ASSERT_TRUE(d.exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn) VALUES "
                           "(1, 7, 'Hall A')"))
            << d.lastError().toStdString();
    }
    // A booking typed into the schedule on day in Hall A.
    StoreResult typeBooking(int day)
    {
        Database d = BookingFile();
        return CreateBookingFromGrid(d, session(), "Typed", {day, 1, 600}, 660, std::nullopt);
    }
    // The store goes away between two actions and comes back: the actions
    // while it is gone say why and write nothing, the first after it is back works.
    void loseAndRegain(const std::function<void()>& takeAway,
                       const std::function<void()>& bringBack, const QString& reason)
    {
        addHall();
        BookingDetails templ;
        templ.bookingnr = addBooking(D, 600, 720, 1, 7, 1, "Choir");
        templ.item = 1;
        templ.startSeconds = 600 * 60;
        templ.endSeconds = 720 * 60;
        templ.beskrivelse = "Choir";
        templ.pris = 300;
        templ.kontonr = 1;
        {
            Database d = db();
            Database w = WorkDatabase();
            ASSERT_EQ(GenerateCandidates(w, d, D, D + 49, 7, templ), 7);
        }
        const int before = count("Booking");
        takeAway();
        for (int action = 0; action < 2; ++action) {
            SCOPED_TRACE(action);
            const StoreResult typed = typeBooking(D + 1);
            EXPECT_FALSE(typed);
            EXPECT_TRUE(typed.error.contains(reason)) << typed.error.toStdString();
            Database d = BookingFile();
            Database w = WorkDatabase();
            EXPECT_EQ(CommitSeries(d, w, templ, 255), kCommitFailed);
            EXPECT_TRUE(d.lastError().contains(reason)) << d.lastError().toStdString();
        }
        bringBack();
        EXPECT_EQ(count("Booking"), before) << "nothing of the series was written";
        const StoreResult typed = typeBooking(D + 1);
        EXPECT_TRUE(typed) << typed.error.toStdString();
        Database d = BookingFile();
        Database w = WorkDatabase();
        EXPECT_EQ(CommitSeries(d, w, templ, 255), 7) << d.lastError().toStdString();
        EXPECT_EQ(count("Booking"), before + 8);
    }

    const int D = 46000;
};

// Tests of a server of their own, skipped where the tests have no server.
class ServerFaults : public StoreFaults {
protected:
    void SetUp() override
    {
        StoreFaults::SetUp();
        if (TestEngines().size() < 2)
            GTEST_SKIP() << "no test server (VESTRA_TEST_PG)";
        // A database of the test's own on the test server, for a store built in it.
        serverStore = std::make_unique<FreshStore>(Engine::PostgreSQL, dir.path());
        ASSERT_TRUE(serverStore->ok()) << serverStore->error().toStdString();
    }
};

TEST_F(StoreFaults, BookingFileWhoseFolderGoesAwayAndComesBack)
{
    const QString share = pathOf("share");
    ASSERT_TRUE(QDir().mkpath(share));
    makeBookingFile("share/booking.mdb");
    loseAndRegain([&] { ASSERT_TRUE(QDir().rename(share, share + "-away")); },
                  [&] { ASSERT_TRUE(QDir().rename(share + "-away", share)); }, "cannot be reached");
}

TEST_F(ServerFaults, ServerThatStopsAndStartsAgain)
{
    PrivateCluster cluster;
    ASSERT_FALSE(cluster.address().isEmpty());
    buildServerStore(cluster.address());
    session().BookingFilePath = cluster.address();
    loseAndRegain([&] { cluster.halt(); }, [&] { cluster.resume(); },
                  "The database server cannot be reached");
}

// Over TLS with the server's certificate checked, a workstation connects
// encrypted when it has the root that signed the certificate, and is refused
// in plain words with any other.
TEST_F(ServerFaults, AVerifiedEncryptedConnectionNeedsTheRootThatSignedTheServersCertificate)
{
    PrivateCluster cluster(true);
    ASSERT_FALSE(cluster.address().isEmpty());
    const QString good = cluster.overTls("root.crt");
    EXPECT_TRUE(Database::open(good)
                    .scalar("SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()")
                    .toBool());
    Database::closeAll(good);
    const QString other = cluster.overTls("other-root.crt");
    Database d = Database::open(other);
    EXPECT_FALSE(d.isValid());
    EXPECT_EQ(ConnectionFailureText(other, d.lastError()),
              QString("The certificate of the server localhost:%1 could not be verified against "
                      "the root certificate; the connection was not made.")
                  .arg(ParseServerAddress(other)->port));
}

// A server whose processes stop answering (SIGSTOP) is given up on within
// 15 s with words that say so, for a statement on an open connection and for
// a new connection alike; once it runs again the next action connects afresh.
// Every connection names the workstation and its user to the server.
TEST_F(ServerFaults, AServerThatStopsAnsweringIsGivenUpOnAndTheNextActionReconnects)
{
    PrivateCluster cluster;
    ASSERT_FALSE(cluster.address().isEmpty());
    buildServerStore(cluster.address());
    session().BookingFilePath = cluster.address();
    addHall();
    EXPECT_EQ(db().scalar("SELECT current_setting('application_name')").toString(),
              QString("Vestra %1 %2").arg(QSysInfo::machineHostName(), qgetenv("USER")));
    cluster.signal(SIGSTOP);
    {
        auto thaw = qScopeGuard([&cluster] { cluster.signal(SIGCONT); });
        const Deadline deadline(60, "statements on a stopped server");
        for (int action = 0; action < 2; ++action) { // on the open connection, then a new one
            SCOPED_TRACE(action);
            QElapsedTimer clock;
            clock.start();
            const StoreResult typed = typeBooking(D);
            EXPECT_LT(clock.elapsed(), 15000);
            EXPECT_FALSE(typed);
            EXPECT_TRUE(typed.error.contains("does not answer")) << typed.error.toStdString();
        }
    }
    const StoreResult typed = typeBooking(D);
    EXPECT_TRUE(typed) << typed.error.toStdString();
    EXPECT_EQ(count("Booking"), 1);
}

// A role that owns nothing sees, through pg_class, a full database it may
// not use: it is told which booking tables it lacks rights on, and never
// offered to make a new booking database in it.
TEST_F(ServerFaults, ARoleWithoutRightsIsToldWhichBookingTablesItMayNotUse)
{
    buildServerStore(serverStore->address());
    const QString role = QString("vestra_norights_%1").arg(QCoreApplication::applicationPid());
    Database owner = Database::open(serverStore->address());
    ASSERT_TRUE(owner.exec("CREATE ROLE " + role + " LOGIN"));
    ASSERT_TRUE(owner.exec("GRANT SELECT, INSERT, UPDATE, DELETE ON konti TO " + role));
    ServerChoice choice = ServerChoiceOf(serverStore->address());
    choice.user = role;
    const QString file = makeBookingFile();
    ASSERT_TRUE(StoreBookingFilePath(file));
    EXPECT_EQ(ConnectToServer(choice), ConnectResult::Refused);
    ASSERT_EQ(messages.texts().size(), 1);
    const QString text = messages.texts().first();
    EXPECT_TRUE(text.contains("The user " + role + " has no rights on the booking tables"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("booking, ")) << text.toStdString();
    EXPECT_FALSE(text.contains(QRegularExpression("\\bkonti\\b"))) << text.toStdString();
    EXPECT_EQ(storedPath(), file);
    Database::closeAll(ServerAddressOf(choice));
    EXPECT_TRUE(owner.exec("DROP OWNED BY " + role));
    EXPECT_TRUE(owner.exec("DROP ROLE " + role));
}

// The test cluster's role vestra_pw must log in with its password, which
// Vestra asks for once per start and keeps in memory only.
TEST_F(ServerFaults, ServerPasswordIsAskedOnceCheckedAndNeverStored)
{
    buildServerStore(serverStore->address());
    ServerChoice choice = ServerChoiceOf(serverStore->address());
    choice.user = "vestra_pw";
    const QString address = ServerAddressOf(choice);
    ASSERT_TRUE(AsksForPassword(Database::open(address).lastError()))
        << "the test cluster has no role vestra_pw that must give a password";
    const QString file = makeBookingFile();
    ASSERT_TRUE(StoreBookingFilePath(file));

    QStringList answers;
    int asked = 0;
    SetPasswordPrompt([&](const QString& a) -> std::optional<QString> {
        EXPECT_EQ(a, address);
        ++asked;
        return answers.isEmpty() ? std::optional<QString>() : answers.takeFirst();
    });

    struct Case {
        QStringList answers;
        ConnectResult result;
        QString message; // empty: none
    } cases[] = {
        {{}, ConnectResult::Refused, "asks for a password for user vestra_pw"},
        {{"wrong"}, ConnectResult::Refused, "The server refused the password for user vestra_pw."},
        {{"vestra-pw-secret"}, ConnectResult::Connected, {}},
        // Once accepted, it is kept for the rest of this start.
        {{}, ConnectResult::Connected, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answers.join(',').toStdString());
        Database::closeAll(address);
        answers = c.answers;
        asked = 0;
        messages.clear();
        EXPECT_EQ(ConnectToServer(choice), c.result);
        EXPECT_EQ(asked, c.result == ConnectResult::Connected && c.answers.isEmpty() ? 0 : 1);
        EXPECT_EQ(storedPath(), c.message.isEmpty() ? address : file);
        const QString shown = messages.texts().join('|');
        EXPECT_EQ(messages.texts().size(), c.message.isEmpty() ? 0 : 1) << shown.toStdString();
        EXPECT_TRUE(shown.contains(c.message)) << shown.toStdString();
    }
    SetPasswordPrompt({});
    SetServerPassword(address, QString());
    Database::closeAll(address);
    Database::closeAll(WorkDatabasePath());
    const QByteArray work = fileBytes(WorkDatabasePath());
    EXPECT_TRUE(!work.isEmpty() && !work.contains("vestra-pw-secret"));
}

// Eight workstations type bookings into the schedule at the same time: every
// booking gets a number of its own and none is lost. On a file the count is
// smaller unless VESTRA_RELIABILITY_SIZE=full.
class ManyWorkstations : public BookingStoreTest {};

TEST_P(ManyWorkstations, EveryTypedBookingGetsANumberOfItsOwn)
{
    constexpr int kProcesses = 8;
    const bool full = qEnvironmentVariable("VESTRA_RELIABILITY_SIZE") == "full";
    const int each = full || GetParam() == Engine::PostgreSQL ? 500 : 40;
    const QString store = makeBookingFile();
    for (int item = 1; item <= kProcesses; ++item)
        ASSERT_TRUE(db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn) "
                              "VALUES (?, 7, ?)",
                              {item, QString("Hall %1").arg(item)}));
    Database::closeAll(store);

    QProcess workers[kProcesses];
    for (int item = 1; item <= kProcesses; ++item) {
        QProcess& p = workers[item - 1];
        p.start(BOOKING_WORKER, {store, QString::number(each), QString::number(item), "46000"});
        ASSERT_TRUE(p.waitForStarted());
    }
    QList<int> numbers;
    for (QProcess& p : workers) {
        ASSERT_TRUE(p.waitForFinished(600000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        const QString out = QString::fromLatin1(p.readAllStandardOutput());
        for (const QString& line : out.split('\n', Qt::SkipEmptyParts))
            numbers << line.toInt();
    }
    EXPECT_EQ(numbers.size(), kProcesses * each);
    EXPECT_EQ(QSet<int>(numbers.begin(), numbers.end()).size(), kProcesses * each)
        << "a number was handed out twice";
    // Every booking stored, each under a number of its own.
    EXPECT_EQ(firstRow("SELECT count(*), count(DISTINCT Bookingnr) FROM Booking"),
              QStringList(2, QString::number(kProcesses * each)));
    for (int item = 1; item <= kProcesses; ++item)
        EXPECT_EQ(count("Booking", "Lokalenr = ?", {item}), each) << item;
}

INSTANTIATE_TEST_SUITE_P(Engines, ManyWorkstations, ::testing::ValuesIn(TestEngines()), EngineName);

// Other workstations may be working on a server store: an older one is not
// migrated by a start-up but left to its administrator.
TEST_F(ServerFaults, OlderServerStoreIsNotUpgradedAtStartUp)
{
    buildServerStore(serverStore->address(), false);
    ASSERT_TRUE(StoreBookingFilePath(serverStore->address()));

    const StartupReport report = PrepareSession(session(), QDate(2026, 3, 2));
    EXPECT_EQ(report.outcome, StartupOutcome::ServerNeedsUpgrade);
    EXPECT_EQ(report.migration.fromVersion, 0);
    EXPECT_EQ(Database::storedSchemaVersion(serverStore->address()), 0);
    EXPECT_TRUE(ServerUpgradeText(serverStore->address(), 0, LatestVersion(BookingFileSteps()))
                    .contains("vestra-admin upgrade " + serverStore->address()));
}
