#include "data/audit.h"
#include "data/migrations.h"
#include "data/schema.h"
#include "support/fixture.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlRecord>

using namespace vestra;
using namespace vestra::test;

namespace {

// A file as the program before schema versions wrote it, with rows in every
// table, numbers named elsewhere above the tables' own, and an archive that
// holds one booking twice.
const QStringList kTodaysRows = {
    "INSERT INTO Overgruppenavne VALUES (3, 'Rooms', 1)",
    "INSERT INTO lokaliteter VALUES (4, 3, 'Large', 'big ones', 1)",
    "INSERT INTO lokaliteter VALUES (5, 9, 'Orphan type', '', 1)",
    "INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, Gruppeart, ID, lokårgang) "
    "VALUES (6, 4, 'Hall', 1, 2, '2021')",
    "INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, Gruppeart) VALUES (7, 12, 'Gone type', 1)",
    "INSERT INTO Department VALUES (2, 'Sales')",
    "INSERT INTO opstilling VALUES (3, 'Theatre', 2)",
    "INSERT INTO opstilling VALUES (4, 'Other', 8)",
    "INSERT INTO Homebases VALUES (2, 'Basement', 2)",
    "INSERT INTO Konti (ID, Kontotype, Kontonavn, kontoowner, depnr) VALUES (5, 'g', 'Choir', 1, "
    "6)",
    "INSERT INTO Grptilk VALUES (5, 1)",
    "INSERT INTO Grptilk VALUES (14, 1)",
    "INSERT INTO Booking (Bookingnr, Beskrivelse, Bdato, Bstart, Bslut, Bgruppe, Lokalenr, "
    "kontonr, "
    "ID, gennr, Bemærkninger) VALUES (20, 'Concert', 46000, 600, 660, 4, 6, 5, 3, 20, 'Keys')",
    "INSERT INTO Booking (Bookingnr, Bdato, Bstart, Bslut, Bgruppe, Lokalenr, kontonr, ID, gennr) "
    "VALUES (21, 46001, 600, 660, 15, 16, 17, 18, 60)",
    "INSERT INTO Bookingarkiv (Bookingnr, Beskrivelse, Bdato, Bgruppe, Lokalenr, kontonr, ID) "
    "VALUES (11, 'Old', 45000, 4, 30, 25, 3)",
    "INSERT INTO Bookingarkiv (Bookingnr, Beskrivelse, Bdato, Bgruppe, Lokalenr, kontonr, ID) "
    "VALUES (11, 'Old', 45000, 4, 30, 25, 3)",
    "INSERT INTO Bookingarkiv (Bookingnr, Bdato, Bgruppe, Lokalenr, kontonr, ID, gennr) "
    "VALUES (70, 45001, 4, 6, 5, 3, 70)",
    "UPDATE næstenøgle SET nextkey = 50",
    "UPDATE arkiveringsdato SET arkiveringsdato = '2026-12-01'",
};

class Migrations : public BookingFileTest {
protected:
    // Each row sql reads from the file, its values joined by commas and,
    // when named, each as "column=value"; columns in leftOut are left out.
    static QStringList linesOf(const QString& path, const QString& sql, bool named = false,
                               const QStringList& leftOut = {})
    {
        QStringList out;
        {
            Database d = Database::open(path);
            auto q = d.query(sql);
            while (q && q->next()) {
                QStringList values;
                for (int i = 0; i < q->record().count(); ++i) {
                    const QString column = q->record().fieldName(i).toLower();
                    if (!leftOut.contains(column))
                        values << (named ? column + "=" : QString()) + q->value(i).toString();
                }
                out << values.join(", ");
            }
        }
        Database::closeAll(path);
        return out;
    }
    // The keyword index is drawn from the bookings; its own tables hold no
    // rows of their own.
    static QStringList tablesOf(const QString& path)
    {
        return linesOf(path, "SELECT lower(name) FROM sqlite_master WHERE type = 'table' AND "
                             "name NOT LIKE 'sqlite_%' AND name NOT LIKE 'BookingSearch%' "
                             "ORDER BY name");
    }
    // Every row of every table, as text, in a stable order; columns that
    // later steps add are left out when named.
    static QStringList rowsOf(const QString& path, const QStringList& added = {})
    {
        QStringList out;
        for (const QString& table : tablesOf(path)) {
            QStringList rows = linesOf(path, "SELECT * FROM " + table, true, added);
            rows.sort();
            out << rows.replaceInStrings(QRegularExpression("^"), table + ": ");
        }
        return out;
    }
    static void expectRowsInEveryTable(const QString& path, const QStringList& rows)
    {
        for (const QString& table : tablesOf(path))
            EXPECT_FALSE(rows.filter(QRegularExpression("^" + table + ": ")).isEmpty())
                << "no rows in " << table.toStdString();
    }
    // The same schema as a new file's.
    void expectSchemaOfANewFile(const QString& path)
    {
        const QString fresh = pathOf("fresh.mdb");
        ASSERT_TRUE(BuildTemplateFile(fresh));
        const QString schema = "SELECT type, name, sql FROM sqlite_master ORDER BY name";
        EXPECT_EQ(linesOf(path, schema), linesOf(fresh, schema));
    }
    // Runs each statement on the file, then lets the file go.
    static void execOn(const QString& path, const QStringList& statements)
    {
        {
            Database d = Database::open(path);
            for (const QString& sql : statements)
                ASSERT_TRUE(d.exec(sql))
                    << sql.toStdString() << ": " << d.lastError().toStdString();
        }
        Database::closeAll(path);
    }
    // A file as the program before schema versions wrote it, with kTodaysRows.
    static void makeTodaysFile(const QString& path)
    {
        ASSERT_TRUE(BuildBaselineFile(path));
        execOn(path, kTodaysRows);
    }
    static int versionOf(const QString& path)
    {
        return Database::storedSchemaVersion(path).value_or(-1);
    }
};

TEST_F(Migrations, ATodaysFileIsUpgradedWithEveryRowAndACopyOfItAsItWas)
{
    const QString file = pathOf("club.mdb");
    ASSERT_NO_FATAL_FAILURE(makeTodaysFile(file));
    ASSERT_EQ(versionOf(file), 0);
    const QStringList before = rowsOf(file);
    const QByteArray bytes = fileBytes(file);
    expectRowsInEveryTable(file, before);

    const MigrationReport r = MigrateFile(file, BookingFileSteps());
    ASSERT_EQ(r.outcome, MigrationOutcome::Upgraded) << r.error.toStdString();
    const int latest = LatestVersion(BookingFileSteps());
    EXPECT_EQ(std::tuple(r.fromVersion, r.toVersion, versionOf(file), r.backupPath,
                         r.archiveDuplicatesDropped),
              std::tuple(0, latest, latest, file + ".bak-v0", 1));
    EXPECT_EQ(fileBytes(r.backupPath), bytes);

    // Every row is kept; of the booking archived twice one copy stays; the
    // booking counter moves past the highest booking and series number.
    QStringList expected = before;
    expected.removeOne(before.filter("bookingarkiv: bookingnr=11").first());
    expected.replaceInStrings("næstenøgle: nextkey=50", "næstenøgle: nextkey=71");
    expected.replaceInStrings(QRegularExpression("^((booking|konti|lokale): .*)$"),
                              "\\1, rowversion=0");
    expected.replaceInStrings(QRegularExpression("^(bookingarkiv: .*)$"), "\\1, rowversion=");
    expected.replaceInStrings(QRegularExpression("^(institutionsoplysninger: .*)$"),
                              "\\1, storeid=, publishfolder=, csvbom=0, timezone=, backupfolder=, "
                              "backupkeep=14, paneltitles=-1");
    EXPECT_EQ(rowsOf(file), expected);
    // The template is version 0 and the same steps.
    expectSchemaOfANewFile(file);

    // New numbers start past every number found anywhere. Every update
    // counts, whoever makes it; a writer that sets the counter itself (one
    // past the one it read) is taken at its word.
    ASSERT_NO_FATAL_FAILURE(execOn(
        file, {"INSERT INTO Konti DEFAULT VALUES", "INSERT INTO Overgruppenavne DEFAULT VALUES",
               "INSERT INTO lokaliteter DEFAULT VALUES", "INSERT INTO lokale DEFAULT VALUES",
               "INSERT INTO Department DEFAULT VALUES", "INSERT INTO opstilling DEFAULT VALUES",
               "INSERT INTO Homebases DEFAULT VALUES",
               "UPDATE Booking SET Beskrivelse = 'Moved' WHERE Bookingnr = 20",
               "UPDATE Booking SET Bstart = 630 WHERE Bookingnr = 20",
               "UPDATE lokale SET Lokalenavn = 'Big hall' WHERE lokalenr = 6",
               "UPDATE Konti SET Kontonavn = 'Singers' WHERE ID = 5"}));
    EXPECT_EQ(linesOf(file, "SELECT (SELECT max(ID) FROM Konti), (SELECT max(overgruppenr) FROM "
                            "Overgruppenavne), (SELECT max(Lokalitetsnr) FROM lokaliteter), "
                            "(SELECT max(lokalenr) FROM lokale), (SELECT max(depnr) FROM "
                            "Department), (SELECT max(ID) FROM opstilling), (SELECT max(ID) FROM "
                            "Homebases)"),
              QStringList({"26, 10, 16, 31, 9, 19, 3"}));
    const QString counters = "SELECT (SELECT rowversion FROM Booking WHERE Bookingnr = 20), "
                             "(SELECT rowversion FROM Booking WHERE Bookingnr = 21), (SELECT "
                             "rowversion FROM lokale WHERE lokalenr = 6), (SELECT rowversion FROM "
                             "Konti WHERE ID = 5)";
    EXPECT_EQ(linesOf(file, counters), QStringList({"2, 0, 1, 1"}));
    ASSERT_NO_FATAL_FAILURE(
        execOn(file, {"UPDATE Booking SET Bstart = 640, rowversion = 3 WHERE Bookingnr = 20"}));
    EXPECT_EQ(linesOf(file, counters), QStringList({"3, 0, 1, 1"}));

    // Once current, a start changes nothing and copies nothing.
    ASSERT_TRUE(QFile::remove(r.backupPath));
    EXPECT_EQ(MigrateFile(file, BookingFileSteps()).outcome, MigrationOutcome::Current);
    EXPECT_FALSE(QFile::exists(r.backupPath));
}

// A file the previous programs wrote (versions 8 and 14), with rows in every
// table, keeps every row as it was through the latest steps.
TEST_F(Migrations, APreviousVersionsFileKeepsEveryRowThroughTheLatestSteps)
{
    const QString file = pathOf("v8.mdb");
    ASSERT_NO_FATAL_FAILURE(makeTodaysFile(file));
    const QList<MigrationStep> upTo8 = BookingFileSteps().mid(0, 8);
    ASSERT_EQ(LatestVersion(upTo8), 8);
    ASSERT_EQ(MigrateFile(file, upTo8).outcome, MigrationOutcome::Upgraded);
    ASSERT_NO_FATAL_FAILURE(execOn(
        file, {"INSERT INTO Auditlog (whenutc, whenlocal, workstation, account, action, itemkey, "
               "summary) VALUES ('2026-12-01T09:00:00Z', '01-12-2026 10:00', 'desk 1', "
               "'Administrator', 'created', '20', 'Concert')"}));
    const QStringList before = rowsOf(file);
    expectRowsInEveryTable(file, before);

    const QList<MigrationStep> upTo14 = BookingFileSteps().mid(0, 14);
    ASSERT_EQ(LatestVersion(upTo14), 14);
    const MigrationReport r = MigrateFile(file, upTo14);
    ASSERT_EQ(r.outcome, MigrationOutcome::Upgraded) << r.error.toStdString();
    EXPECT_EQ(r.fromVersion, 8);
    EXPECT_TRUE(QFile::exists(r.backupPath));
    // Every row is kept; the settings row gains the institution's time zone,
    // empty until a workstation first needs it, and the daily backup's
    // settings with their defaults: no folder, 14 kept.
    QStringList expected = before;
    expected.replaceInStrings(QRegularExpression("^(institutionsoplysninger: .*)$"),
                              "\\1, timezone=, backupfolder=, backupkeep=14");
    // The log's rows gain their links and keep the rest.
    EXPECT_EQ(
        rowsOf(file, {"paneltitles"}).replaceInStrings(QRegularExpression(", prevhash=.*$"), ""),
        expected);
    {
        Database d = Database::open(file);
        const std::optional<AuditChain> chain = VerifyAuditChain(d);
        ASSERT_TRUE(chain);
        EXPECT_EQ(std::tuple(chain->intact, chain->rows, chain->head),
                  std::tuple(true, 1,
                             AuditRowHash({}, {"2026-12-01T09:00:00Z", "01-12-2026 10:00", "desk 1",
                                               "Administrator", "created", "20", "Concert"})));
        ASSERT_TRUE(d.exec("INSERT INTO Loginthrottle VALUES ('anna', 1, '2026-12-01T09:00Z')"));
    }
    Database::closeAll(file);

    // From version 14 the archive's copies gain a change counter, empty.
    const QStringList at14 = rowsOf(file);
    expectRowsInEveryTable(file, at14);
    ASSERT_EQ(MigrateFile(file, BookingFileSteps()).outcome, MigrationOutcome::Upgraded);
    EXPECT_EQ(rowsOf(file), QStringList(at14).replaceInStrings(
                                QRegularExpression("^(bookingarkiv: .*)$"), "\\1, rowversion="));
    expectSchemaOfANewFile(file);
    EXPECT_EQ(linesOf(file, "SELECT rowid FROM BookingSearch WHERE BookingSearch MATCH "
                            "'\"oncert\"'"),
              QStringList({"20"}));
}

TEST_F(Migrations, EachStepIsAllOrNothingAndTheCopyIsMadeBeforeTheFirst)
{
    const QString file = pathOf("scratch.mdb");
    ASSERT_TRUE(Database::create(file).exec("CREATE TABLE t (x INTEGER)"));
    Database::closeAll(file);
    bool secondFails = true;
    const QList<MigrationStep> steps = {
        {1, [](Database& db, MigrationReport&,
               QString*) { return db.exec("CREATE TABLE one (x INTEGER)"); }},
        {2,
         [&secondFails](Database& db, MigrationReport&, QString* error) {
             db.exec("CREATE TABLE two (x INTEGER)");
             *error = "no space";
             return !secondFails;
         }},
    };
    MigrationReport r = MigrateFile(file, steps);
    EXPECT_EQ(std::tuple(r.outcome, r.toVersion, r.backupPath, versionOf(file),
                         versionOf(r.backupPath), tablesOf(file), tablesOf(r.backupPath)),
              std::tuple(MigrationOutcome::Failed, 1, file + ".bak-v0", 1, 0,
                         QStringList({"one", "t"}), QStringList({"t"})));
    EXPECT_TRUE(r.error.contains("no space")) << r.error.toStdString();

    // The next start goes on from version 1, with a copy of the file as it is then.
    secondFails = false;
    r = MigrateFile(file, steps);
    EXPECT_EQ(std::tuple(r.outcome, r.fromVersion, r.backupPath, versionOf(file),
                         versionOf(file + ".bak-v1")),
              std::tuple(MigrationOutcome::Upgraded, 1, file + ".bak-v1", 2, 1));
}

TEST_F(Migrations, AFileOfANewerProgramIsNotTouched)
{
    const QString file = makeBookingFile();
    const int latest = LatestVersion(BookingFileSteps());
    ASSERT_NO_FATAL_FAILURE(execOn(file, {QString("PRAGMA user_version = %1").arg(latest + 1)}));
    const QByteArray bytes = fileBytes(file);
    const MigrationReport r = MigrateFile(file, BookingFileSteps());
    EXPECT_EQ(std::tuple(r.outcome, r.fromVersion, r.supportedVersion, r.backupPath),
              std::tuple(MigrationOutcome::Newer, latest + 1, latest, QString()));
    EXPECT_EQ(fileBytes(file), bytes);
    // Opened already (another workstation upgraded it meanwhile), it is refused too.
    {
        Database d = db();
        EXPECT_EQ(MigrateDatabase(d, BookingFileSteps()).outcome, MigrationOutcome::Newer);
    }
    Database::closeAll(file);
    EXPECT_EQ(fileBytes(file), bytes);

    // The work database the same: a newer one is refused and left as it is.
    ASSERT_TRUE(EnsureWorkDatabase());
    ASSERT_NO_FATAL_FAILURE(
        execOn(WorkDatabasePath(),
               {QString("PRAGMA user_version = %1").arg(LatestVersion(WorkDatabaseSteps()) + 1)}));
    const QByteArray work = fileBytes(WorkDatabasePath());
    MigrationReport m;
    QString error;
    EXPECT_FALSE(EnsureWorkDatabase(&error, &m));
    EXPECT_EQ(m.outcome, MigrationOutcome::Newer);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(fileBytes(WorkDatabasePath()), work);
}

} // namespace
