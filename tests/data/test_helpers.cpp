#include "data/helpers.h"
#include "data/statements.h"
#include "support/fixture.h"

#include <QFile>
#include <QRegularExpression>

using namespace vestra;
using namespace vestra::test;

// The helpers on a booking file and on a booking database on the server.
class StoreHelpers : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
    }
};
INSTANTIATE_TEST_SUITE_P(Engines, StoreHelpers, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(StoreHelpers, CountLookupAndExistence)
{
    Database d = db();
    const int anna = addAccount("p", "Anna", "anna", "pw");
    addAccount("g", "Choir", "", "");
    // The empty criteria drops the Where part and counts every row.
    EXPECT_EQ(CountIn(d, "*", "grptilk"), 2);
    EXPECT_EQ(CountIn(d, "*", "Konti", "Kontotype = ?", {"p"}), 2);
    EXPECT_EQ(CountIn(d, "*", "Konti", "Kontotype = ?", {"x"}), 0);
    // A value with quotes is data, not SQL.
    EXPECT_EQ(CountIn(d, "*", "Konti", "Kontonavn = ?", {"x' OR '1'='1"}), 0);
    EXPECT_EQ(CountIn(d, "*", "NoSuchTable"), -1);

    EXPECT_EQ(LookupIn(d, "Kontonavn", "Konti", "ID = ?", {anna}).toString(), "Anna");
    EXPECT_FALSE(LookupIn(d, "Kontonavn", "Konti", "ID = ?", {9999}).isValid());
    EXPECT_EQ(LookupIn(d, "arkiveringsdato", "arkiveringsdato", "ID = ?", {1}).toString(),
              "2000-01-01");

    EXPECT_TRUE(RecordExistsIn(d, "Konti", "Kontouser", "anna"));
    EXPECT_FALSE(RecordExistsIn(d, "Konti", "Kontouser", "ANNA"));
    // An unanswerable check must not let a deletion through.
    EXPECT_TRUE(RecordExistsIn(d, "NoSuchTable", "x", 1));
    EXPECT_FALSE(AnyResourceItems(d));
    ASSERT_TRUE(d.exec("INSERT INTO lokale (lokalinr, Lokalenavn) VALUES (1, 'Room 1')"));
    EXPECT_TRUE(AnyResourceItems(d));
}

TEST(FileTests, OnlyDatabasesWithTheMarkerAreBookingFiles)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.mdb");
    const QString text = dir.filePath("notes.mdb");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(QByteArray(4096, 'x')) == 4096);
    f.close();
    for (const QString& path : {missing, QString(), text}) {
        EXPECT_FALSE(CanOpenDatabase(path)) << path.toStdString();
        EXPECT_FALSE(IsBookingFile(path)) << path.toStdString();
    }
    EXPECT_FALSE(QFile::exists(missing)) << "a probe must not create the file";
    EXPECT_FALSE(CanOpenDatabase(dir.path()));

    const QString plain = dir.filePath("plain.mdb");
    ASSERT_TRUE(Database::create(plain).exec("CREATE TABLE something (x INTEGER)"));
    Database::closeAll(plain);
    EXPECT_TRUE(CanOpenDatabase(plain));
    EXPECT_FALSE(IsBookingFile(plain));
    {
        Database d = Database::open(plain);
        for (const QString& name : BookingSchemaObjects())
            ASSERT_TRUE(
                d.exec(QStringLiteral("CREATE TABLE \"%1\" (x INTEGER)").arg(name.toLower())));
        ASSERT_TRUE(d.exec("DROP TABLE booking"));
    }
    EXPECT_FALSE(IsBookingFile(plain)) << "one table of the booking schema missing";
    ASSERT_TRUE(Database::open(plain).exec("CREATE TABLE booking (x INTEGER)"));
    EXPECT_TRUE(IsBookingFile(plain)) << "table names match without regard to case";

    // A workstation stopped halfway through a write: the file and its journal
    // as it left them. The journal is rolled back and the file is still a
    // booking file, not something to be replaced by a new one.
    const QString stopped = dir.filePath("stopped.mdb");
    {
        Database d = Database::open(plain);
        ASSERT_TRUE(d.exec("CREATE TABLE big (x BLOB)"));
        for (int i = 0; i < 40; ++i)
            ASSERT_TRUE(d.exec("INSERT INTO big VALUES (randomblob(4000))"));
        ASSERT_TRUE(d.exec("PRAGMA cache_size = 1"));
        Transaction tx(d);
        ASSERT_TRUE(d.exec("UPDATE big SET x = randomblob(4000)"));
        ASSERT_TRUE(QFile::exists(plain + "-journal"));
        ASSERT_TRUE(QFile::copy(plain, stopped));
        ASSERT_TRUE(QFile::copy(plain + "-journal", stopped + "-journal"));
    }
    Database::closeAll(plain);
    EXPECT_TRUE(IsBookingFile(stopped));
    EXPECT_FALSE(QFile::exists(stopped + "-journal"));
}

// The statements that run on every start-up and every access check must
// reach their rows through an index, not by reading the whole table.
TEST_P(StoreHelpers, HotStatementsUseIndexes)
{
    Database d = db();
    const bool server = d.engine() == Engine::PostgreSQL;
    const Statement copy = ArchiveCopyStatement(100, 200);
    const Statement del = ArchiveDeleteStatement(100, true);
    for (const QString& p :
         {QueryPlan(d, copy.sql, copy.binds), QueryPlan(d, del.sql, del.binds),
          QueryPlan(d, "Select Count(*) From grptilk Where gnr = ? And pnr = ?", {1, 1})}) {
        EXPECT_TRUE(p.contains(server ? "Index" : "USING")) << p.toStdString();
        EXPECT_FALSE(p.contains(
            QRegularExpression(server ? "Seq Scan on (booking|grptilk)" : "SCAN (booking|grptilk)",
                               QRegularExpression::CaseInsensitiveOption)))
            << p.toStdString();
    }
}
