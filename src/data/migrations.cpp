#include "data/migrations.h"

#include "data/audit.h"
#include "data/schema.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

namespace vestra {

namespace {

// Each archived booking once: the copies made twice before the archive was
// indexed by booking number are dropped, and their count reported.
bool archiveOncePerBooking(Database& db, MigrationReport& report, QString* error)
{
    const QString count = QStringLiteral("SELECT count(*) FROM Bookingarkiv");
    const int before = db.scalar(count).toInt();
    if (!RunSqlStatements(db, SqlResource(QStringLiteral("booking-2.sql")), error))
        return false;
    report.archiveDuplicatesDropped += before - db.scalar(count).toInt();
    return true;
}

// Rebuilds a step's tables in place. A server will not drop a table that a
// view reads, so there the booking store's views are dropped first and made
// again from their one definition afterwards; SQLite keeps them as they are.
bool rebuildTables(Database& db, const QString& resource, QString* error)
{
    if (db.engine() == Engine::SQLite)
        return RunSqlStatements(db, SqlResource(resource), error);
    static const QRegularExpression viewName(QStringLiteral("^CREATE VIEW (\\S+) AS\\b"),
                                             QRegularExpression::CaseInsensitiveOption
                                                 | QRegularExpression::UseUnicodePropertiesOption);
    QStringList views;
    QStringList drops;
    for (const QString& statement : SqlStatements(SqlResource(QStringLiteral("booking.sql")))) {
        if (const QRegularExpressionMatch m = viewName.match(statement); m.hasMatch()) {
            views << statement;
            drops.prepend(QStringLiteral("DROP VIEW IF EXISTS %1").arg(m.captured(1)));
        }
    }
    for (const QString& drop : drops) {
        if (!db.exec(drop)) {
            if (error)
                *error = db.lastError();
            return false;
        }
    }
    return RunSqlStatements(db, SqlResource(resource), error)
           && RunSqlStatements(db, views.join(QStringLiteral(";\n")), error);
}

// Change counters on bookings, items and accounts, and on a server the
// notices that tell other workstations which days' bookings changed.
bool countChanges(Database& db, MigrationReport&, QString* error)
{
    if (!RunSqlStatements(db, SqlResource(QStringLiteral("booking-4.sql")), error))
        return false;
    const Engine engine = db.engine();
    QStringList statements =
        dialect::countChanges(engine, QStringLiteral("Booking"), QStringLiteral("Bookingnr"))
        + dialect::countChanges(engine, QStringLiteral("lokale"), QStringLiteral("lokalenr"))
        + dialect::countChanges(engine, QStringLiteral("Konti"), QStringLiteral("ID"))
        + dialect::announceBookingChanges(engine);
    if (engine == Engine::PostgreSQL) {
        // The server fixed the booking form's view to the columns the
        // booking had when it was made; made again, it shows the counter.
        static const QRegularExpression formView(QStringLiteral("^CREATE VIEW bookingfor AS\\b"),
                                                 QRegularExpression::CaseInsensitiveOption);
        for (const QString& statement : SqlStatements(SqlResource(QStringLiteral("booking.sql"))))
            if (formView.match(statement).hasMatch())
                statements << QStringLiteral("DROP VIEW bookingfor") << statement;
    }
    for (const QString& statement : statements) {
        if (!db.exec(statement)) {
            if (error)
                *error = db.lastError();
            return false;
        }
    }
    return true;
}

// The lists find their bookings through indexes instead of reading every
// booking. The expiring series walk only the series' bookings. Keyword
// search: on SQLite a trigram table over the booking number and title,
// kept in step with Booking by triggers; on a server trigram indexes. A server
// that refuses the trigram extension (it needs rights) keeps the plain scan.
bool indexForSize(Database& db, MigrationReport&, QString* error)
{
    auto run = [&db, error](const QStringList& statements) {
        for (const QString& statement : statements) {
            if (!db.exec(statement)) {
                if (error)
                    *error = db.lastError();
                return false;
            }
        }
        return true;
    };
    // The tentative list comes in date order: its index holds that order,
    // so the list never walks every booking's date to find the few.
    if (!run({QStringLiteral("CREATE INDEX Booking_series ON Booking (gennr, Bdato, Bookingnr) "
                             "WHERE gentagende <> 0"),
              QStringLiteral("DROP INDEX Booking_Tentative"),
              QStringLiteral("CREATE INDEX Booking_Tentative ON Booking (Bdato, Bstart, Bookingnr) "
                             "WHERE Tentative <> 0")}))
        return false;
    if (db.engine() == Engine::SQLite)
        return run(KeywordTableStatements());
    // A failed CREATE EXTENSION would spoil the step's transaction; the
    // savepoint takes it back alone.
    if (!run({QStringLiteral("SAVEPOINT keyword_index")}))
        return false;
    if (!db.exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm"))) {
        qWarning("keyword search reads every booking: %s", qPrintable(db.lastError()));
        return run({QStringLiteral("ROLLBACK TO SAVEPOINT keyword_index")});
    }
    return run({QStringLiteral("RELEASE SAVEPOINT keyword_index"),
                QStringLiteral("CREATE INDEX Booking_title_trgm ON Booking USING gin "
                               "(lower(Beskrivelse) gin_trgm_ops)"),
                QStringLiteral("CREATE INDEX Booking_number_trgm ON Booking USING gin "
                               "((CAST(Bookingnr AS TEXT)) gin_trgm_ops)"),
                QStringLiteral("CREATE INDEX Konti_name_trgm ON Konti USING gin "
                               "(lower(Kontonavn) gin_trgm_ops)")});
}

// The copy is written beside the backup's name and renamed, so that a copy
// cut short never stands under the name of a complete one.
bool copyBeside(const QString& source, const QString& target, QString* error)
{
    const QString partial = target + QStringLiteral(".part");
    QFile::remove(partial);
    if (QFile::copy(source, partial) && (!QFileInfo::exists(target) || QFile::remove(target))
        && QFile::rename(partial, target))
        return true;
    QFile::remove(partial);
    if (error)
        *error = QStringLiteral("the copy %1 could not be written").arg(target);
    return false;
}

// Each change log row is linked to the one before it by hashes, the rows
// already there in the order of their numbers; a server links each new row
// in a trigger of its own. The login throttle moves into the store.
bool chainChangeLog(Database& db, MigrationReport&, QString* error)
{
    // The wrong passwords per user name, and when the name may be tried
    // again (UTC, ISO with milliseconds): kept in the store, so a restarted
    // workstation, or another one, goes on waiting.
    QStringList statements = {QStringLiteral("ALTER TABLE Auditlog ADD COLUMN prevhash TEXT"),
                              QStringLiteral("ALTER TABLE Auditlog ADD COLUMN rowhash TEXT"),
                              QStringLiteral("CREATE TABLE Loginthrottle (kontouser TEXT PRIMARY "
                                             "KEY, failures INTEGER NOT NULL, nexttry TEXT NOT "
                                             "NULL)")};
    // A user name is one person's, whatever its case: "Admin" may not log
    // (and be logged) as someone else's "admin". Names already shared stay
    // until one of them is changed.
    const QString taken =
        QStringLiteral("EXISTS (SELECT 1 FROM Konti k WHERE lower(k.Kontouser) = "
                       "lower(NEW.Kontouser) AND k.ID <> NEW.ID AND k.Kontotype = 'p')");
    if (db.engine() == Engine::PostgreSQL) {
        statements += LogHashFunctionStatements();
        statements << QStringLiteral("CREATE OR REPLACE FUNCTION vestra_unique_user() RETURNS "
                                     "trigger LANGUAGE plpgsql SECURITY DEFINER AS $$ BEGIN "
                                     "IF %1 THEN RAISE EXCEPTION 'The user name % is taken.', "
                                     "NEW.Kontouser USING ERRCODE = '23505'; END IF; "
                                     "RETURN NEW; END $$")
                          .arg(taken)
                   << QStringLiteral("CREATE TRIGGER konti_unique_user BEFORE INSERT ON Konti "
                                     "FOR EACH ROW WHEN (NEW.Kontouser <> '' AND NEW.Kontotype = "
                                     "'p') EXECUTE PROCEDURE vestra_unique_user()")
                   << QStringLiteral("CREATE TRIGGER konti_unique_user_change BEFORE UPDATE ON "
                                     "Konti FOR EACH ROW WHEN (NEW.Kontouser <> '' AND "
                                     "NEW.Kontotype = 'p' AND NEW.Kontouser IS DISTINCT FROM "
                                     "OLD.Kontouser) EXECUTE PROCEDURE vestra_unique_user()");
    } else {
        for (const char* when : {"INSERT", "UPDATE"})
            statements << QStringLiteral("CREATE TRIGGER Konti_unique_user_%1 BEFORE %2 ON Konti "
                                         "WHEN NEW.Kontouser <> '' AND NEW.Kontotype = 'p' %3AND "
                                         "%4 BEGIN SELECT RAISE(ABORT, 'The user name is taken.'); "
                                         "END")
                              .arg(QString::fromLatin1(when).toLower(), QLatin1String(when),
                                   QLatin1String(when) == QLatin1String("UPDATE")
                                       ? QStringLiteral("AND NEW.Kontouser IS NOT OLD.Kontouser ")
                                       : QString(),
                                   taken);
    }
    for (const QString& statement : statements) {
        if (!db.exec(statement)) {
            if (error)
                *error = db.lastError();
            return false;
        }
    }
    QList<std::pair<qint64, QStringList>> rows;
    {
        auto q = db.query(
            QStringLiteral("SELECT ID, %1 FROM Auditlog ORDER BY ID").arg(AuditHashedColumns()));
        if (!q) {
            if (error)
                *error = db.lastError();
            return false;
        }
        while (q->next()) {
            QStringList fields;
            for (int i = 1; i <= 7; ++i)
                fields << q->value(i).toString();
            rows.append({q->value(0).toLongLong(), fields});
        }
    }
    QString previous;
    for (const auto& [id, fields] : rows) {
        const QString own = AuditRowHash(previous, fields);
        if (!db.exec(QStringLiteral("UPDATE Auditlog SET prevhash = ?, rowhash = ? WHERE ID = ?"),
                     {previous, own, id})) {
            if (error)
                *error = db.lastError();
            return false;
        }
        previous = own;
    }
    return true;
}

} // namespace

QStringList KeywordTableStatements()
{
    const QString add =
        QStringLiteral("INSERT INTO BookingSearch (rowid, Bookingnr, Beskrivelse) "
                       "VALUES (NEW.Bookingnr, CAST(NEW.Bookingnr AS TEXT), NEW.Beskrivelse);");
    const QString remove = QStringLiteral("DELETE FROM BookingSearch WHERE rowid = OLD.Bookingnr;");
    return {QStringLiteral("CREATE VIRTUAL TABLE BookingSearch USING fts5("
                           "Bookingnr, Beskrivelse, tokenize = 'trigram')"),
            QStringLiteral("INSERT INTO BookingSearch (rowid, Bookingnr, Beskrivelse) "
                           "SELECT Bookingnr, CAST(Bookingnr AS TEXT), Beskrivelse FROM Booking"),
            QStringLiteral("CREATE TRIGGER Booking_search_insert AFTER INSERT ON Booking "
                           "BEGIN %1 END")
                .arg(add),
            QStringLiteral("CREATE TRIGGER Booking_search_delete AFTER DELETE ON Booking "
                           "BEGIN %1 END")
                .arg(remove),
            QStringLiteral("CREATE TRIGGER Booking_search_update AFTER UPDATE OF "
                           "Bookingnr, Beskrivelse ON Booking BEGIN %1 %2 END")
                .arg(remove, add)};
}

QStringList BulkQuietNoticeStatements()
{
    // The condition is checked before the notice function is called, so a
    // quiet row costs next to nothing.
    return {QStringLiteral("DROP TRIGGER booking_notice ON booking"),
            QStringLiteral("CREATE TRIGGER booking_notice AFTER INSERT OR UPDATE OR DELETE ON "
                           "booking FOR EACH ROW WHEN (current_setting('%1', true) IS DISTINCT "
                           "FROM 'on') EXECUTE PROCEDURE vestra_booking_notice()")
                .arg(QString::fromLatin1(kBulkSetting))};
}

QStringList DropKeywordTableStatements()
{
    return {QStringLiteral("DROP TRIGGER Booking_search_insert"),
            QStringLiteral("DROP TRIGGER Booking_search_delete"),
            QStringLiteral("DROP TRIGGER Booking_search_update"),
            QStringLiteral("DROP TABLE BookingSearch")};
}

MigrationStep ScriptStep(int version, const QString& resource)
{
    return {version, [resource](Database& db, MigrationReport&, QString* error) {
                return RunSqlStatements(db, SqlResource(resource), error);
            }};
}

const QList<MigrationStep>& BookingFileSteps()
{
    static const QList<MigrationStep> steps = {
        {1,
         [](Database& db, MigrationReport&, QString* error) {
             return rebuildTables(db, QStringLiteral("booking-1.sql"), error);
         }},
        {2, archiveOncePerBooking},
        ScriptStep(3, QStringLiteral("booking-3.sql")),
        {4, countChanges},
        ScriptStep(5, QStringLiteral("booking-5.sql")),
        ScriptStep(6, QStringLiteral("booking-6.sql")),
        {7, indexForSize},
        // The search list is read in this order and stops at its cap: with
        // the order in an index, a keyword that matches nearly every booking
        // no longer sorts them all first.
        {8,
         [](Database& db, MigrationReport&, QString* error) {
             if (db.exec(QStringLiteral(
                     "CREATE INDEX Booking_Bdato_Bstart ON Booking (Bdato, Bstart, Bookingnr)")))
                 return true;
             if (error)
                 *error = db.lastError();
             return false;
         }},
        // Today's bookings read a whole day: the index on the date and start
        // now holds every booking column that list shows, so the day is read
        // from the index alone instead of from ~900 booking rows spread over
        // the file. It keeps the search list's order as its first columns.
        // Likewise the archive's index on the date holds what the period
        // reports sum, so a year of the archive is read from the index alone.
        {9,
         [](Database& db, MigrationReport&, QString* error) {
             for (const QString& statement :
                  {QStringLiteral("DROP INDEX Booking_Bdato_Bstart"),
                   QStringLiteral("CREATE INDEX Booking_day ON Booking "
                                  "(Bdato, Bstart, Bookingnr, Bslut, Lokalenr, kontonr)"),
                   QStringLiteral("DROP INDEX Bookingarkiv_Bdato"),
                   QStringLiteral("CREATE INDEX Bookingarkiv_period ON Bookingarkiv "
                                  "(Bdato, Lokalenr, kontonr, Bstart, Bslut, Antalpers, Pris)")}) {
                 if (!db.exec(statement)) {
                     if (error)
                         *error = db.lastError();
                     return false;
                 }
             }
             return true;
         }},
        // The daily run deletes a backlog of bookings in one transaction; a
        // notice per deleted row made up a quarter of its time. A transaction
        // that sets vestra.bulk skips the per-row notices and announces its
        // change once itself.
        {10,
         [](Database& db, MigrationReport&, QString* error) {
             if (db.engine() != Engine::PostgreSQL)
                 return true;
             for (const QString& statement : BulkQuietNoticeStatements()) {
                 if (!db.exec(statement)) {
                     if (error)
                         *error = db.lastError();
                     return false;
                 }
             }
             return true;
         }},
        ScriptStep(11, QStringLiteral("booking-11.sql")),
        // The daily run's backups of the booking file: the folder they go to
        // (none: no backup) and how many of them are kept.
        {12,
         [](Database& db, MigrationReport&, QString* error) {
             for (const QString& statement :
                  {QStringLiteral(
                       "ALTER TABLE institutionsoplysninger ADD COLUMN backupfolder TEXT"),
                   QStringLiteral("ALTER TABLE institutionsoplysninger ADD COLUMN backupkeep "
                                  "INTEGER DEFAULT 14")}) {
                 if (!db.exec(statement)) {
                     if (error)
                         *error = db.lastError();
                     return false;
                 }
             }
             return true;
         }},
        {13, chainChangeLog},
        // Panels in corridors show booking titles unless the store says not to.
        ScriptStep(14, QStringLiteral("booking-14.sql")),
        ScriptStep(15, QStringLiteral("booking-15.sql")),
    };
    return steps;
}

const QList<MigrationStep>& WorkDatabaseSteps()
{
    // paths.mdb has had no change since its first version.
    static const QList<MigrationStep> steps;
    return steps;
}

int LatestVersion(const QList<MigrationStep>& steps)
{
    return steps.isEmpty() ? 0 : steps.last().version;
}

MigrationReport MigrateDatabase(Database& db, const QList<MigrationStep>& steps, Backup backup)
{
    MigrationReport r;
    r.supportedVersion = LatestVersion(steps);
    auto fail = [&r](const QString& error) {
        r.outcome = MigrationOutcome::Failed;
        r.error = error;
        return r;
    };
    const int found = db.schemaVersion();
    if (found < 0)
        return fail(db.lastError());
    r.fromVersion = r.toVersion = found;
    if (found > r.supportedVersion) {
        r.outcome = MigrationOutcome::Newer;
        return r;
    }
    if (found == r.supportedVersion)
        return r;

    const Engine engine = db.engine();
    const LongStatements unlimited(db); // a step rebuilds whole tables
    if (const QString start = dialect::beginTableRebuilds(engine); !start.isEmpty())
        db.exec(start);
    const auto restore = qScopeGuard([&db, engine] {
        if (const QString end = dialect::endTableRebuilds(engine); !end.isEmpty())
            db.exec(end);
    });
    const QString file = db.handle().databaseName();
    for (const MigrationStep& step : steps) {
        Transaction tx(db);
        if (!tx.ok())
            return fail(db.lastError());
        // Read again under the write lock: another workstation may have
        // upgraded the shared file in the meantime.
        const int version = db.schemaVersion();
        if (version < 0)
            return fail(db.lastError());
        if (version > r.supportedVersion) {
            r.outcome = MigrationOutcome::Newer;
            return r;
        }
        r.toVersion = version;
        if (version >= step.version)
            continue;
        QString error;
        // A server database has no file to copy; its steps are transactional,
        // schema changes included, so a failed step leaves it as it was.
        if (backup == Backup::BeforeFirstStep && engine == Engine::SQLite
            && r.backupPath.isEmpty()) {
            // Taken under the write lock, so no other workstation changes
            // the file while it is copied.
            const QString copy = file + QStringLiteral(".bak-v%1").arg(version);
            if (!copyBeside(file, copy, &error))
                return fail(error);
            r.backupPath = copy;
        }
        if (!step.run(db, r, &error))
            return fail(QStringLiteral("step to version %1: %2").arg(step.version).arg(error));
        if (!db.setSchemaVersion(step.version) || !tx.commit())
            return fail(db.lastError());
        r.toVersion = step.version;
        r.outcome = MigrationOutcome::Upgraded;
    }
    return r;
}

bool IsNewerFile(const QString& path, const QList<MigrationStep>& steps, int* fileVersion)
{
    const std::optional<int> stored = Database::storedSchemaVersion(path);
    if (fileVersion)
        *fileVersion = stored.value_or(0);
    return stored && *stored > LatestVersion(steps);
}

MigrationReport MigrateFile(const QString& path, const QList<MigrationStep>& steps)
{
    int stored = 0;
    if (IsNewerFile(path, steps, &stored)) {
        MigrationReport r;
        r.outcome = MigrationOutcome::Newer;
        r.fromVersion = r.toVersion = stored;
        r.supportedVersion = LatestVersion(steps);
        return r;
    }
    Database db = Database::open(path);
    if (!db.isValid()) {
        MigrationReport r;
        r.outcome = MigrationOutcome::Failed;
        r.error = QStringLiteral("cannot open ") + path;
        return r;
    }
    return MigrateDatabase(db, steps);
}

} // namespace vestra
