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

class Migrations : public BookingFileTest {
protected:
    static QByteArray contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QStringList tablesOf(const QString& path)
    {
        QStringList tables;
        {
            Database d = Database::open(path);
            // The keyword index is drawn from the bookings; its own tables
            // hold no rows of their own.
            auto t = d.query("SELECT lower(name) FROM sqlite_master WHERE type = 'table' "
                             "AND name NOT LIKE 'sqlite_%' AND name NOT LIKE 'BookingSearch%' "
                             "ORDER BY name");
            while (t && t->next())
                tables << t->value(0).toString();
        }
        Database::closeAll(path);
        return tables;
    }
    // Every row of every table, as text, in a stable order; columns that
    // later steps add are left out when named.
    static QStringList rowsOf(const QString& path, const QStringList& added = {})
    {
        QStringList out;
        const QStringList tables = tablesOf(path);
        {
            Database d = Database::open(path);
            for (const QString& table : tables) {
                auto q = d.query("SELECT * FROM " + table);
                QStringList rows;
                while (q && q->next()) {
                    QStringList values;
                    for (int i = 0; i < q->record().count(); ++i)
                        if (!added.contains(q->record().fieldName(i).toLower()))
                            values << q->record().fieldName(i).toLower() + "="
                                          + q->value(i).toString();
                    rows << table + ": " + values.join(", ");
                }
                rows.sort();
                out << rows;
            }
        }
        Database::closeAll(path);
        return out;
    }
    static QStringList schemaOf(const QString& path)
    {
        QStringList out;
        {
            Database d = Database::open(path);
            auto q = d.query("SELECT type, name, sql FROM sqlite_master ORDER BY name");
            while (q && q->next())
                out << q->value(0).toString() + " " + q->value(1).toString() + ": "
                           + q->value(2).toString();
        }
        Database::closeAll(path);
        return out;
    }
    static int versionOf(const QString& path)
    {
        return Database::storedSchemaVersion(path).value_or(-1);
    }
};

// A file as the program before schema versions wrote it, with rows in every
// table, numbers named elsewhere above the tables' own, and an archive that
// holds one booking twice.
const char* const kTodaysRows[] = {
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

TEST_F(Migrations, ATodaysFileIsUpgradedWithEveryRowAndACopyOfItAsItWas)
{
    const QString file = pathOf("club.mdb");
    ASSERT_TRUE(BuildBaselineFile(file));
    {
        Database d = Database::open(file);
        for (const char* sql : kTodaysRows)
            ASSERT_TRUE(d.exec(QString::fromUtf8(sql)))
                << sql << ": " << d.lastError().toStdString();
    }
    Database::closeAll(file);
    ASSERT_EQ(versionOf(file), 0);
    const QStringList before = rowsOf(file);
    const QByteArray bytes = contents(file);
    for (const QString& table : tablesOf(file))
        EXPECT_FALSE(before.filter(QRegularExpression("^" + table + ": ")).isEmpty())
            << "no rows in " << table.toStdString();

    const MigrationReport r = MigrateFile(file, BookingFileSteps());
    ASSERT_EQ(r.outcome, MigrationOutcome::Upgraded) << r.error.toStdString();
    EXPECT_EQ(r.fromVersion, 0);
    EXPECT_EQ(r.toVersion, LatestVersion(BookingFileSteps()));
    EXPECT_EQ(versionOf(file), LatestVersion(BookingFileSteps()));
    EXPECT_EQ(r.backupPath, file + ".bak-v0");
    EXPECT_EQ(contents(r.backupPath), bytes);
    EXPECT_EQ(r.archiveDuplicatesDropped, 1);

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
    // The same schema as a new file's: the template is version 0 and the same steps.
    const QString fresh = pathOf("fresh.mdb");
    ASSERT_TRUE(BuildTemplateFile(fresh));
    EXPECT_EQ(schemaOf(file), schemaOf(fresh));

    // New numbers start past every number found anywhere.
    {
        Database d = Database::open(file);
        const struct {
            const char* table;
            const char* key;
            int past;
        } next[] = {
            {"Konti", "ID", 25},
            {"Overgruppenavne", "overgruppenr", 9},
            {"lokaliteter", "Lokalitetsnr", 15},
            {"lokale", "lokalenr", 30},
            {"Department", "depnr", 8},
            {"opstilling", "ID", 18},
            {"Homebases", "ID", 2},
        };
        for (const auto& n : next) {
            ASSERT_TRUE(d.exec(QString("INSERT INTO %1 DEFAULT VALUES").arg(n.table))) << n.table;
            EXPECT_EQ(d.scalar(QString("SELECT max(%1) FROM %2").arg(n.key, n.table)).toInt(),
                      n.past + 1)
                << n.table;
        }
        // Every update counts, whoever makes it; a writer that sets the
        // counter itself (one past the one it read) is taken at its word.
        const auto counter = [&d](const QString& table, const QString& key, int value) {
            return d
                .scalar(QString("SELECT rowversion FROM %1 WHERE %2 = ?").arg(table, key), {value})
                .toInt();
        };
        ASSERT_TRUE(d.exec("UPDATE Booking SET Beskrivelse = 'Moved' WHERE Bookingnr = 20"));
        ASSERT_TRUE(d.exec("UPDATE Booking SET Bstart = 630 WHERE Bookingnr = 20"));
        EXPECT_EQ(counter("Booking", "Bookingnr", 20), 2);
        EXPECT_EQ(counter("Booking", "Bookingnr", 21), 0);
        ASSERT_TRUE(d.exec("UPDATE Booking SET Bstart = 640, rowversion = 3 WHERE Bookingnr = 20"));
        EXPECT_EQ(counter("Booking", "Bookingnr", 20), 3);
        ASSERT_TRUE(d.exec("UPDATE lokale SET Lokalenavn = 'Big hall' WHERE lokalenr = 6"));
        ASSERT_TRUE(d.exec("UPDATE Konti SET Kontonavn = 'Singers' WHERE ID = 5"));
        EXPECT_EQ(counter("lokale", "lokalenr", 6), 1);
        EXPECT_EQ(counter("Konti", "ID", 5), 1);
    }
    Database::closeAll(file);

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
    ASSERT_TRUE(BuildBaselineFile(file));
    {
        Database d = Database::open(file);
        for (const char* sql : kTodaysRows)
            ASSERT_TRUE(d.exec(QString::fromUtf8(sql))) << sql;
    }
    Database::closeAll(file);
    const QList<MigrationStep> upTo8 = BookingFileSteps().mid(0, 8);
    ASSERT_EQ(LatestVersion(upTo8), 8);
    ASSERT_EQ(MigrateFile(file, upTo8).outcome, MigrationOutcome::Upgraded);
    {
        Database d = Database::open(file);
        ASSERT_TRUE(d.exec("INSERT INTO Auditlog (whenutc, whenlocal, workstation, account, "
                           "action, itemkey, summary) VALUES ('2026-12-01T09:00:00Z', "
                           "'01-12-2026 10:00', 'desk 1', 'Administrator', 'created', '20', "
                           "'Concert')"));
    }
    Database::closeAll(file);
    const auto everyTableHasRows = [&file](const QStringList& rows) {
        for (const QString& table : tablesOf(file))
            EXPECT_FALSE(rows.filter(QRegularExpression("^" + table + ": ")).isEmpty())
                << "no rows in " << table.toStdString();
    };
    const QStringList before = rowsOf(file);
    everyTableHasRows(before);

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
        EXPECT_TRUE(chain->intact);
        EXPECT_EQ(chain->rows, 1);
        EXPECT_EQ(chain->head,
                  AuditRowHash({}, {"2026-12-01T09:00:00Z", "01-12-2026 10:00", "desk 1",
                                    "Administrator", "created", "20", "Concert"}));
        ASSERT_TRUE(d.exec("INSERT INTO Loginthrottle VALUES ('anna', 1, '2026-12-01T09:00Z')"));
    }
    Database::closeAll(file);

    // From version 14 the archive's copies gain a change counter, empty.
    const QStringList at14 = rowsOf(file);
    everyTableHasRows(at14);
    ASSERT_EQ(MigrateFile(file, BookingFileSteps()).outcome, MigrationOutcome::Upgraded);
    EXPECT_EQ(rowsOf(file), QStringList(at14).replaceInStrings(
                                QRegularExpression("^(bookingarkiv: .*)$"), "\\1, rowversion="));
    const QString fresh = pathOf("fresh.mdb");
    ASSERT_TRUE(BuildTemplateFile(fresh));
    EXPECT_EQ(schemaOf(file), schemaOf(fresh));
    Database d = Database::open(file);
    EXPECT_EQ(d.scalar("SELECT rowid FROM BookingSearch WHERE BookingSearch MATCH '\"oncert\"'"),
              QVariant(20));
}

TEST_F(Migrations, EachStepIsAllOrNothingAndTheCopyIsMadeBeforeTheFirst)
{
    const QString file = pathOf("scratch.mdb");
    {
        Database d = Database::create(file);
        ASSERT_TRUE(d.exec("CREATE TABLE t (x INTEGER)"));
    }
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
    EXPECT_EQ(r.outcome, MigrationOutcome::Failed);
    EXPECT_EQ(r.toVersion, 1);
    EXPECT_TRUE(r.error.contains("no space")) << r.error.toStdString();
    EXPECT_EQ(versionOf(file), 1);
    EXPECT_EQ(r.backupPath, file + ".bak-v0");
    EXPECT_EQ(versionOf(r.backupPath), 0);
    {
        Database d = Database::open(file);
        EXPECT_TRUE(d.hasTable("one"));
        EXPECT_FALSE(d.hasTable("two"));
        Database b = Database::open(r.backupPath);
        EXPECT_FALSE(b.hasTable("one"));
    }
    Database::closeAll(file);
    Database::closeAll(r.backupPath);

    // The next start goes on from version 1, with a copy of the file as it is then.
    secondFails = false;
    r = MigrateFile(file, steps);
    EXPECT_EQ(r.outcome, MigrationOutcome::Upgraded);
    EXPECT_EQ(r.fromVersion, 1);
    EXPECT_EQ(r.backupPath, file + ".bak-v1");
    EXPECT_EQ(versionOf(file), 2);
    EXPECT_EQ(versionOf(file + ".bak-v1"), 1);
}

TEST_F(Migrations, AFileOfANewerProgramIsNotTouched)
{
    const QString file = makeBookingFile();
    {
        Database d = db();
        ASSERT_TRUE(
            d.exec(QString("PRAGMA user_version = %1").arg(LatestVersion(BookingFileSteps()) + 1)));
    }
    Database::closeAll(file);
    const QByteArray bytes = contents(file);
    const MigrationReport r = MigrateFile(file, BookingFileSteps());
    EXPECT_EQ(r.outcome, MigrationOutcome::Newer);
    EXPECT_EQ(r.fromVersion, LatestVersion(BookingFileSteps()) + 1);
    EXPECT_EQ(r.supportedVersion, LatestVersion(BookingFileSteps()));
    EXPECT_TRUE(r.backupPath.isEmpty());
    EXPECT_EQ(contents(file), bytes);
    // Opened already (another workstation upgraded it meanwhile), it is refused too.
    {
        Database d = db();
        EXPECT_EQ(MigrateDatabase(d, BookingFileSteps()).outcome, MigrationOutcome::Newer);
    }
    Database::closeAll(file);
    EXPECT_EQ(contents(file), bytes);

    // The work database the same: a newer one is refused and left as it is.
    ASSERT_TRUE(EnsureWorkDatabase());
    {
        Database w = Database::open(WorkDatabasePath());
        ASSERT_TRUE(w.exec(
            QString("PRAGMA user_version = %1").arg(LatestVersion(WorkDatabaseSteps()) + 1)));
    }
    Database::closeAll(WorkDatabasePath());
    const QByteArray work = contents(WorkDatabasePath());
    MigrationReport m;
    QString error;
    EXPECT_FALSE(EnsureWorkDatabase(&error, &m));
    EXPECT_EQ(m.outcome, MigrationOutcome::Newer);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(contents(WorkDatabasePath()), work);
}

} // namespace
