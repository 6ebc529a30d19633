#include "db/database.h"

#include "data/helpers.h"
#include "data/migrations.h"
#include "data/schema.h"
#include "support/stores.h"

#include "support/printers.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <array>
#include <numeric>

#include <gtest/gtest.h>

using namespace vestra;

namespace {

// Every row sql reads, its values joined by spaces.
QStringList rows(Database d, const QString& sql)
{
    QStringList out;
    std::optional<QSqlQuery> q = d.query(sql);
    EXPECT_TRUE(q) << d.lastError().toStdString();
    while (q && q->next()) {
        QStringList values;
        for (int i = 0; i < q->record().count(); ++i)
            values << q->value(i).toString();
        out << values.join(' ');
    }
    return out;
}

} // namespace

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { path = makeFile("t.mdb"); }
    void TearDown() override { Database::closeAll(path); }
    // A new file in the folder holding an empty table t.
    QString makeFile(const QString& name)
    {
        const QString file = dir.filePath(name);
        EXPECT_TRUE(
            Database::create(file).exec("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)"));
        return file;
    }
    QTemporaryDir dir;
    QString path;
};

// Case-insensitive matches fold every letter the same way on every
// connection the program opens, including the read-only probe.
TEST_F(DatabaseTest, EveryConnectionFoldsAllLettersAndOpenCreatesNone)
{
    auto fold = [](const char* x) { return dialect::fold(Engine::SQLite, x); };
    // Nothing folds to nothing, not to an empty text.
    const QString sql = "SELECT " + fold("?") + " || '|' || (" + fold("?") + " = " + fold("?")
                        + ") || '|' || coalesce(" + fold("NULL") + ", 'none')";
    const QVariantList binds{"ÆBLE Øst Å É ß", "Åbntid", "åBNTID"};
    const QString want = "æble øst å é ß|1|none";
    const QString other = dir.filePath("new.mdb");
    Database created = Database::create(other);
    EXPECT_EQ(created.scalar(sql, binds).toString(), want) << created.lastError().toStdString();
    Database::closeAll(other);
    QString probed;
    EXPECT_TRUE(Database::probeReadOnly(path, [&](Database& d) {
        probed = d.scalar(sql, binds).toString();
        return true;
    }));
    EXPECT_EQ(probed, want);

    // Open never creates a file.
    const QString missing = dir.filePath("missing.mdb");
    EXPECT_FALSE(Database::open(missing).isValid());
    EXPECT_FALSE(QFile::exists(missing));
}

// What every store does alike, on each engine.
class StoreTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(store.ok()) << store.error().toStdString();
        Database d = Database::open(store.address());
        ASSERT_TRUE(d.isValid()) << d.lastError().toStdString();
        ASSERT_EQ(d.engine(), GetParam());
        ASSERT_TRUE(d.exec("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)"));
    }
    Database open() { return Database::open(store.address()); }
    QTemporaryDir dir;
    test::FreshStore store{GetParam(), dir.path()};
};

INSTANTIATE_TEST_SUITE_P(Engines, StoreTest, ::testing::ValuesIn(test::TestEngines()),
                         test::EngineName);

TEST_P(StoreTest, ValuesAreBoundNotSpliced)
{
    Database d = open();
    const QString nasty = "O'Brien'); DROP TABLE t; --";
    ASSERT_TRUE(d.exec("INSERT INTO t (id, name) VALUES (1, ?)", {nasty}));
    EXPECT_EQ(d.scalar("SELECT name FROM t WHERE name = ?", {nasty}).toString(), nasty);
    ASSERT_TRUE(d.exec("UPDATE t SET name = ?", {"x"}));
    EXPECT_EQ(d.changedRows(), 1);
    EXPECT_FALSE(d.exec("INSERT INTO nowhere VALUES (1)"));
    EXPECT_FALSE(d.lastError().isEmpty());
}

TEST_P(StoreTest, TransactionIsAllOrNothing)
{
    Database d = open();
    {
        Transaction tx(d);
        ASSERT_TRUE(tx.ok());
        ASSERT_TRUE(d.exec("INSERT INTO t (id, name) VALUES (1, 'lost')"));
        // Leaves the scope without commit: the row is gone.
    }
    {
        Transaction tx(d);
        ASSERT_TRUE(d.exec("INSERT INTO t (id, name) VALUES (2, 'kept')"));
        EXPECT_TRUE(tx.commit());
    }
    EXPECT_EQ(rows(d, "SELECT id, name FROM t"), QStringList{"2 kept"});
}

TEST_P(StoreTest, SecondWriterWaitsForTheFirst)
{
    // Another workstation holds the write lock; our transaction must wait for
    // it rather than fail at once, and give up after the timeout.
    Database d = open();
    const QString other = "other-workstation";
    {
        // A server's address has parts; a file's is its path.
        const auto parts = ParseServerAddress(store.address());
        ASSERT_EQ(parts.has_value(), GetParam() == Engine::PostgreSQL);
        QSqlDatabase db = QSqlDatabase::addDatabase(parts ? "QPSQL" : "QSQLITE", other);
        db.setDatabaseName(parts ? parts->database : store.address());
        if (parts) {
            db.setHostName(parts->host);
            db.setUserName(parts->user);
        }
        ASSERT_TRUE(db.open());
        QSqlQuery lock(db);
        for (const QString& statement : dialect::beginWrite(GetParam()))
            ASSERT_TRUE(lock.exec(statement));
        QElapsedTimer t;
        t.start();
        {
            Transaction tx(d);
            EXPECT_FALSE(tx.ok()) << "the lock was held for the whole timeout";
        }
        // The busy timeout, once.
        EXPECT_GE(t.elapsed(), kBusyTimeoutMs - 100) << d.lastError().toStdString();
        EXPECT_LE(t.elapsed(), kBusyTimeoutMs + 1500);
        ASSERT_TRUE(lock.exec("COMMIT"));
        {
            Transaction tx(d);
            EXPECT_TRUE(tx.ok());
        }
        lock = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(other);
}

TEST_P(StoreTest, NextKeyIsAtomicAcrossProcesses)
{
    Database d = open();
    ASSERT_TRUE(d.exec("CREATE TABLE næstenøgle (nextkey INTEGER)"));
    ASSERT_TRUE(d.exec("INSERT INTO næstenøgle (nextkey) VALUES (5000)"));
    EXPECT_EQ(TakeKeys(d, 10), 5000);
    EXPECT_EQ(NextKey(d), 5010);
    std::array<QProcess, 4> workers;
    for (QProcess& p : workers)
        p.start(QStringLiteral(NEXTKEY_WORKER), {store.address(), QStringLiteral("250")});
    QList<int> handed;
    for (QProcess& p : workers) {
        EXPECT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        for (const QString& line :
             QString(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
            handed << line.toInt();
    }
    // Each number once, from the first one left.
    std::sort(handed.begin(), handed.end());
    QList<int> want(1000);
    std::iota(want.begin(), want.end(), 5011);
    EXPECT_EQ(handed, want);
    EXPECT_EQ(d.scalar("SELECT nextkey FROM næstenøgle").toInt(), 6011);
    // Without its row no number is handed out.
    ASSERT_TRUE(d.exec("DELETE FROM næstenøgle"));
    EXPECT_FALSE(NextKey(d).has_value());
}

TEST_P(StoreTest, ProbesTellDatabasesAndBookingStoresApart)
{
    EXPECT_TRUE(CanOpenDatabase(store.address()));
    EXPECT_FALSE(IsBookingFile(store.address()));
    // Every table and view of the booking schema makes one; server names are lower case.
    Database d = open();
    for (const QString& name : BookingSchemaObjects()) {
        ASSERT_TRUE(d.exec(QStringLiteral("CREATE TABLE %1 (x INTEGER)").arg(name)));
        EXPECT_EQ(IsBookingFile(store.address()), name == BookingSchemaObjects().last());
    }
    // A table is found whatever the case another program gave its name.
    EXPECT_EQ(std::pair(d.hasTable(BookingSchemaObjects().first().toUpper()), d.hasTable("none")),
              std::pair(true, false));
    // The probe reads only: it cannot change the store it looks at.
    EXPECT_FALSE(Database::probeReadOnly(store.address(), [](Database& db) {
        return db.exec("INSERT INTO t (id, name) VALUES (9, 'probe')");
    }));
    EXPECT_EQ(open().scalar("SELECT count(*) FROM t").toInt(), 0);
    EXPECT_FALSE(CanOpenDatabase(GetParam() == Engine::PostgreSQL ? QString(
                                     "postgresql://nobody@/vestra?host=/nonexistent-socket-dir")
                                                                  : dir.filePath("missing.mdb")));
}

// A booking store is built the same way on either engine: the first schema
// with the template's rows, then every upgrade step. Rows written before the
// steps show what the steps do to a store already in use.
TEST_P(StoreTest, CompleteBookingStoreIsBuiltAndUpgraded)
{
    Database d = open();
    ASSERT_TRUE(d.exec("DROP TABLE t"));
    QString error;
    ASSERT_TRUE(RunSqlScript(d, SqlResource("booking.sql"), &error)) << error.toStdString();
    ASSERT_TRUE(RunSqlScript(d, SqlResource("template.sql"), &error)) << error.toStdString();
    // Two series, the first with two bookings on its last day; an archive
    // holding a booking twice; a booking counter that lost count.
    ASSERT_TRUE(
        d.exec("INSERT INTO Booking (Bookingnr, Bdato, gennr, gentagende, Beskrivelse) "
               "VALUES (101, 45000, 100, -1, 'first'), (102, 45007, 100, -1, 'tie, lower'), "
               "(104, 45007, 100, -1, 'last of 100'), (103, 45007, 100, -1, 'tie, middle'), "
               "(201, 45003, 200, -1, 'only of 200'), (300, 45100, 0, 0, 'single')"))
        << d.lastError().toStdString();
    ASSERT_TRUE(d.exec("INSERT INTO Bookingarkiv (Bookingnr, Beskrivelse, gennr) VALUES "
                       "(50, 'archived first', 4000), (50, 'archived again', 4000), "
                       "(51, 'once', NULL)"));
    ASSERT_TRUE(d.exec("UPDATE næstenøgle SET nextkey = 7"));

    const MigrationReport r = MigrateDatabase(d, BookingFileSteps(), Backup::None);
    ASSERT_EQ(r.outcome, MigrationOutcome::Upgraded) << r.error.toStdString();
    EXPECT_EQ(r.archiveDuplicatesDropped, 1);
    EXPECT_EQ(d.schemaVersion(), LatestVersion(BookingFileSteps()));

    // Every table and view of the template file is there.
    const QString file = dir.filePath("template.mdb");
    ASSERT_TRUE(BuildTemplateFile(file, &error)) << error.toStdString();
    // The file's keyword index is its own; a server indexes the keywords
    // within the booking table.
    const QStringList names = rows(
        Database::open(file), "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') "
                              "AND name NOT LIKE 'sqlite_%' AND name NOT LIKE 'BookingSearch%'");
    Database::closeAll(file);
    EXPECT_GT(names.size(), 20);
    for (const QString& name : names)
        EXPECT_TRUE(d.hasTable(name)) << name.toStdString();

    EXPECT_EQ(
        rows(d, "SELECT gennr, maxofbdato, Beskrivelse FROM gentagendeudløbfor ORDER BY gennr"),
        QStringList({"100 45007 last of 100", "200 45003 only of 200"}));
    EXPECT_EQ(d.scalar("SELECT Beskrivelse FROM Bookingarkiv WHERE Bookingnr = 50").toString(),
              "archived again");
    // The counter moved past every booking and series number found.
    EXPECT_EQ(NextKey(d), 4001);
    // Rebuilt tables hand out numbers past the template's own.
    ASSERT_TRUE(d.exec("INSERT INTO Konti (Kontotype, Kontonavn) VALUES ('p', 'new')"));
    EXPECT_EQ(d.scalar("SELECT count(*) FROM Konti WHERE Kontonavn = 'new' AND ID > 1").toInt(), 1);
}

TEST(ServerAddress, PartsAreReadAndPasswordsRefused)
{
    // The parts read (user|host|port|database|options), or none when the address is refused.
    const struct {
        const char* address;
        const char* parts = "";
    } cases[] = {
        {"postgresql://anna@db.example:5433/vestra?sslmode=require",
         "anna|db.example|5433|vestra|sslmode=require"},
        {"postgresql://h/v?sslmode=verify-full&sslrootcert=/etc/my%20ca's.pem",
         "|h|-1|v|sslmode=verify-full;sslrootcert='/etc/my ca\\'s.pem'"},
        {"postgresql://h/v?sslrootcert=system",
         "|h|-1|v|sslrootcert='/etc/ssl/certs/ca-certificates.crt'"},
        {"postgresql://h/v?sslmode=verify-all"},
        {"postgresql://h/v?sslrootcert="},
        {"postgresql://postgres@/postgres?host=/tmp/s%20d", "postgres|/tmp/s d|-1|postgres|"},
        {"postgres://h/b%C3%A6r", "|h|-1|bær|"},
        {"postgresql://anna:secret@h/vestra"},
        {"postgresql://h/vestra?password=secret"},
        {"postgresql://h/vestra?bogus=1"},
        {"postgresql://h/"},
        {"/home/anna/booking.mdb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        QString error;
        const auto p = ParseServerAddress(QString::fromUtf8(c.address), &error);
        const QString read =
            p ? QStringList({p->user, p->host, QString::number(p->port), p->database, p->options})
                    .join('|')
              : QString();
        EXPECT_EQ(read, QString::fromUtf8(c.parts));
        EXPECT_EQ(error.isEmpty(), p.has_value()) << "a refusal gives its reason";
    }
    // pg_dump and pg_restore come from libpq 15, which knows no sslrootcert=system.
    EXPECT_EQ(LibpqAddress("postgresql://h/v?sslrootcert=system&sslmode=verify-full"),
              "postgresql://h/v?sslrootcert=%2Fetc%2Fssl%2Fcerts%2Fca-certificates.crt&sslmode="
              "verify-full");
}

// A file replaced by an empty one behind the cache (a backup copied over it
// while the program runs) is opened afresh: nothing goes on working in the
// replaced file.
TEST_F(DatabaseTest, AReplacedFileIsOpenedAfresh)
{
    ASSERT_TRUE(Database::open(path).exec("INSERT INTO t (name) VALUES ('old')"));
    const QString backup = makeFile("backup.mdb");
    Database::closeAll(backup);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(backup, path));
    EXPECT_EQ(Database::open(path).scalar("SELECT count(*) FROM t").toInt(), 0);
}

TEST_F(DatabaseTest, AFileCreatedThroughALinkedFolderIsClosedByItsPath)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("real"));
    ASSERT_TRUE(QFile::link(dir.filePath("real"), dir.filePath("link")));
    const QString viaLink = makeFile("link/new.mdb");
    Database::closeAll(viaLink);
    for (const QString& name : QSqlDatabase::connectionNames())
        EXPECT_FALSE(name.endsWith("new.mdb")) << name.toStdString();
}
