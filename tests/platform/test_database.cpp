#include "platform/db/database.h"

#include "support/printers.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vestra;

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.filePath("t.mdb");
        Database d = Database::create(path);
        ASSERT_TRUE(d.exec("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)"));
    }
    void TearDown() override { Database::closeAll(path); }
    QTemporaryDir dir;
    QString path;
};

TEST_F(DatabaseTest, OpenReusesTheConnectionAndNeverCreatesFiles)
{
    Database a = Database::open(path);
    Database b = Database::open(path);
    ASSERT_TRUE(a.isValid());
    EXPECT_EQ(a.handle().connectionName(), b.handle().connectionName());
    const QString missing = dir.filePath("missing.mdb");
    EXPECT_FALSE(Database::open(missing).isValid());
    EXPECT_FALSE(QFile::exists(missing));
}

// Case-insensitive matches fold every letter the same way on every
// connection the program opens, including the read-only probe.
TEST_F(DatabaseTest, EveryConnectionFoldsAllLetters)
{
    const QString sql = "SELECT " + dialect::fold("?") + " || '|' || (" + dialect::fold("?") + " = "
                        + dialect::fold("?") + ")";
    const QVariantList binds{"ÆBLE Øst Å É ß", "Åbntid", "åBNTID"};
    const QString want = "æble øst å é ß|1";
    Database opened = Database::open(path);
    EXPECT_EQ(opened.scalar(sql, binds).toString(), want) << opened.lastError().toStdString();
    const QString other = dir.filePath("new.mdb");
    Database created = Database::create(other);
    EXPECT_EQ(created.scalar(sql, binds).toString(), want);
    Database::closeAll(other);
    QString probed;
    EXPECT_TRUE(Database::probeReadOnly(path, [&](Database& d) {
        probed = d.scalar(sql, binds).toString();
        return true;
    }));
    EXPECT_EQ(probed, want);
    EXPECT_EQ(opened.scalar(dialect::fold("NULL")), QVariant());
}

TEST_F(DatabaseTest, ValuesAreBoundNotSpliced)
{
    Database d = Database::open(path);
    const QString nasty = "O'Brien'); DROP TABLE t; --";
    ASSERT_TRUE(d.exec("INSERT INTO t (name) VALUES (?)", {nasty}));
    EXPECT_EQ(d.scalar("SELECT name FROM t WHERE name = ?", {nasty}).toString(), nasty);
    ASSERT_TRUE(d.exec("UPDATE t SET name = ?", {"x"}));
    EXPECT_EQ(d.changedRows(), 1);
    EXPECT_FALSE(d.exec("INSERT INTO nowhere VALUES (1)"));
    EXPECT_FALSE(d.lastError().isEmpty());
}

TEST_F(DatabaseTest, TransactionIsAllOrNothing)
{
    Database d = Database::open(path);
    {
        Transaction tx(d);
        ASSERT_TRUE(tx.ok());
        ASSERT_TRUE(d.exec("INSERT INTO t (name) VALUES ('lost')"));
        // Leaves the scope without commit.
    }
    EXPECT_EQ(d.scalar("SELECT count(*) FROM t").toInt(), 0);
    {
        Transaction tx(d);
        ASSERT_TRUE(d.exec("INSERT INTO t (name) VALUES ('kept')"));
        EXPECT_TRUE(tx.commit());
    }
    EXPECT_EQ(d.scalar("SELECT count(*) FROM t").toInt(), 1);
}

TEST_F(DatabaseTest, SecondWriterWaitsForTheFirst)
{
    // Another workstation holds the write lock; our transaction must wait for
    // it (busy timeout) rather than fail at once.
    Database d = Database::open(path);
    QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other-workstation");
    other.setDatabaseName(path);
    ASSERT_TRUE(other.open());
    QSqlQuery lock(other);
    ASSERT_TRUE(lock.exec("BEGIN IMMEDIATE"));
    QElapsedTimer t;
    t.start();
    {
        Transaction tx(d);
        EXPECT_FALSE(tx.ok()) << "the lock was held for the whole timeout";
    }
    EXPECT_GE(t.elapsed(), 9000);
    ASSERT_TRUE(lock.exec("COMMIT"));
    {
        Transaction tx(d);
        EXPECT_TRUE(tx.ok());
    }
    lock = QSqlQuery();
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("other-workstation");
}

TEST_F(DatabaseTest, CloseAllLetsTheFileBeReplaced)
{
    {
        Database d = Database::open(path);
        ASSERT_TRUE(d.exec("INSERT INTO t (name) VALUES ('old')"));
    }
    Database::closeAll(path);
    ASSERT_TRUE(QFile::remove(path));
    {
        Database d = Database::create(path);
        ASSERT_TRUE(d.exec("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)"));
    }
    Database d = Database::open(path);
    EXPECT_EQ(d.scalar("SELECT count(*) FROM t").toInt(), 0);
}

TEST_F(DatabaseTest, AFileReplacedBehindTheCacheIsOpenedAfresh)
{
    {
        Database d = Database::open(path);
        ASSERT_TRUE(d.exec("INSERT INTO t (name) VALUES ('old')"));
    }
    // A backup with an empty table is copied over the file while the
    // program runs; it must not go on working in the replaced file.
    const QString backup = dir.filePath("backup.mdb");
    {
        Database b = Database::create(backup);
        ASSERT_TRUE(b.exec("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)"));
    }
    Database::closeAll(backup);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(backup, path));
    Database d = Database::open(path);
    EXPECT_EQ(d.scalar("SELECT count(*) FROM t").toInt(), 0);
}

TEST_F(DatabaseTest, AFileCreatedThroughALinkedFolderIsClosedByItsPath)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("real"));
    ASSERT_TRUE(QFile::link(dir.filePath("real"), dir.filePath("link")));
    const QString viaLink = dir.filePath("link/new.mdb");
    {
        Database d = Database::create(viaLink);
        ASSERT_TRUE(d.exec("CREATE TABLE t (id INTEGER)"));
    }
    Database::closeAll(viaLink);
    for (const QString& name : QSqlDatabase::connectionNames())
        EXPECT_FALSE(name.endsWith("new.mdb")) << name.toStdString();
}
