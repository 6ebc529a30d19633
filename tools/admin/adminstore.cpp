#include "adminstore.h"

#include "adminbackup.h"
#include "security.h"

#include "data/audit.h"
#include "data/helpers.h"
#include "data/migrations.h"
#include "data/passwords.h"
#include "data/schema.h"
#include "db/database.h"
#include "exchange/calendar.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <algorithm>

namespace vestra::admin {

namespace {

CommandResult refused(const QString& reason, int exitCode = 1)
{
    return {exitCode, {}, reason};
}

// A store that exists and holds a booking store of a version this program
// knows; otherwise the reason it cannot be worked on.
std::optional<QString> unusableFile(const QString& path)
{
    if (const QString special = SpecialFileText(path); !special.isEmpty())
        return special;
    if (!QFileInfo(path).isFile())
        return QStringLiteral("%1: no such file").arg(path);
    if (!Database::storedSchemaVersion(path))
        return QStringLiteral("%1: not a booking store").arg(path);
    int version = 0;
    if (IsNewerFile(path, BookingFileSteps(), &version))
        return QStringLiteral("%1: schema version %2 is newer than this vestra-admin knows (%3)")
            .arg(path, QString::number(version),
                 QString::number(LatestVersion(BookingFileSteps())));
    if (!IsBookingFile(path))
        return QStringLiteral("%1: not a booking store").arg(path);
    return std::nullopt;
}

QString quotedName(QString name)
{
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\""))
           + QLatin1Char('"');
}

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
}

// A connection on a server database, or the one-line reason there is none
// (an unreachable server, a refused login, a database that does not exist).
std::optional<Database> connectServer(const QString& address, QString* reason)
{
    Database db = Database::open(address);
    if (db.isValid())
        return db;
    *reason = QStringLiteral("%1: cannot connect: %2")
                  .arg(address, oneLine(ConnectionFailureText(address, db.lastError())));
    return std::nullopt;
}

// The reason a server database is no booking store this program can work on.
std::optional<QString> unusableServer(Database& db, const QString& address)
{
    const int version = db.schemaVersion();
    if (version < 0)
        return QStringLiteral("%1: cannot be read: %2").arg(address, oneLine(db.lastError()));
    const int latest = LatestVersion(BookingFileSteps());
    if (version > latest)
        return QStringLiteral("%1: schema version %2 is newer than this vestra-admin knows (%3)")
            .arg(address, QString::number(version), QString::number(latest));
    if (!db.hasTable(QStringLiteral("Booking")) || !db.hasTable(QStringLiteral("Konti")))
        return QStringLiteral("%1: not a booking store").arg(address);
    return std::nullopt;
}

// A connection on a server database that is a booking store this program can
// work on, or the one-line reason there is none.
std::optional<Database> connectBookingServer(const QString& address, QString* reason)
{
    std::optional<Database> db = connectServer(address, reason);
    if (!db)
        return std::nullopt;
    if (auto bad = unusableServer(*db, address)) {
        *reason = *bad;
        return std::nullopt;
    }
    return db;
}

// The store a command works on, or the one-line reason it cannot: a server
// database is reached (and, for bookingStore, checked to be a booking store
// this program can work on); a file must be one that opens.
std::optional<Database> openStore(const StoreAddress& address, bool bookingStore, QString* reason)
{
    if (address.kind == StoreAddress::Kind::Server)
        return bookingStore ? connectBookingServer(address.path, reason)
                            : connectServer(address.path, reason);
    if (auto bad = unusableFile(address.path)) {
        *reason = *bad;
        return std::nullopt;
    }
    Database db = Database::open(address.path);
    if (!db.isValid()) {
        *reason = QStringLiteral("%1: cannot be read").arg(address.path);
        return std::nullopt;
    }
    return db;
}

// The tables holding the store's rows, without the engine's own bookkeeping
// (the schema version is the target's, the counters are copied apart) and
// without the file's keyword index, which its triggers fill from the bookings.
std::optional<QStringList> tableNames(Database& db)
{
    auto q = db.engine() == Engine::PostgreSQL
                 ? db.query(QStringLiteral("SELECT table_name FROM information_schema.tables "
                                           "WHERE table_schema = current_schema() AND "
                                           "table_type = 'BASE TABLE' AND table_name <> "
                                           "'vestra_schema_version' ORDER BY table_name"))
                 : db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                           "AND name NOT LIKE 'sqlite!_%' ESCAPE '!' "
                                           "AND name NOT LIKE 'BookingSearch%' ORDER BY name"));
    if (!q)
        return std::nullopt;
    QStringList names;
    while (q->next())
        names << q->value(0).toString();
    return names;
}

std::optional<QStringList> columnNames(Database& db, const QString& table)
{
    auto q = db.engine() == Engine::PostgreSQL
                 ? db.query(QStringLiteral("SELECT column_name FROM information_schema.columns "
                                           "WHERE table_schema = current_schema() AND "
                                           "table_name = ? ORDER BY ordinal_position"),
                            {table})
                 : db.query(QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"),
                            {table});
    if (!q)
        return std::nullopt;
    QStringList names;
    while (q->next())
        names << q->value(0).toString();
    return names;
}

QString findName(const QStringList& names, const QString& name)
{
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return n;
    return {};
}

// The numbering counters, by table name in lower case: the last number
// handed out (0 when none was).
std::optional<QHash<QString, qint64>> readCounters(Database& db, const QStringList& tables)
{
    QHash<QString, qint64> counters;
    if (db.engine() == Engine::SQLite) {
        if (!db.hasTable(QStringLiteral("sqlite_sequence")))
            return counters;
        auto q = db.query(QStringLiteral("SELECT name, seq FROM sqlite_sequence"));
        if (!q)
            return std::nullopt;
        while (q->next())
            counters.insert(q->value(0).toString().toLower(), q->value(1).toLongLong());
        return counters;
    }
    for (const QString& table : tables) {
        auto q = db.query(
            QStringLiteral("SELECT pg_get_serial_sequence(?, column_name) FROM "
                           "information_schema.columns WHERE table_schema = current_schema() "
                           "AND table_name = ? AND is_identity = 'YES'"),
            {table, table});
        if (!q)
            return std::nullopt;
        if (!q->next())
            continue;
        // The sequence's name comes from the server itself, quoted as needed.
        const QVariant last =
            db.scalar(QStringLiteral("SELECT CASE WHEN is_called THEN last_value ELSE 0 END FROM ")
                      + q->value(0).toString());
        if (!last.isValid())
            return std::nullopt;
        counters.insert(table.toLower(), last.toLongLong());
    }
    return counters;
}

bool writeCounters(Database& db, const QStringList& tables, const QHash<QString, qint64>& counters)
{
    if (db.engine() == Engine::SQLite) {
        if (!db.exec(QStringLiteral("DELETE FROM sqlite_sequence")))
            return false;
        for (auto it = counters.begin(); it != counters.end(); ++it) {
            const QString table = findName(tables, it.key());
            if (!table.isEmpty()
                && !db.exec(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"),
                            {table, it.value()}))
                return false;
        }
        return true;
    }
    for (const QString& table : tables) {
        auto q = db.query(QStringLiteral("SELECT column_name FROM information_schema.columns "
                                         "WHERE table_schema = current_schema() AND table_name = "
                                         "? AND is_identity = 'YES'"),
                          {table});
        if (!q)
            return false;
        if (!q->next())
            continue;
        // The next number handed out is one past the counter, as in SQLite.
        const qint64 value = counters.value(table.toLower(), 0);
        if (!db.exec(QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), ?, ?)"),
                     {table, q->value(0).toString(), std::max<qint64>(value, 1), value > 0}))
            return false;
    }
    return true;
}

std::optional<QString> serverNotEmpty(Database& db, const QString& address)
{
    const std::optional<bool> empty = IsEmptyServerDatabase(db);
    if (!empty)
        return QStringLiteral("%1: cannot be read: %2").arg(address, oneLine(db.lastError()));
    if (!*empty)
        return QStringLiteral("%1: target not empty").arg(address);
    return std::nullopt;
}

// Drops every table, view and sequence of a target that was empty before a
// copy failed in it, so that no half store is left to pass for a copy.
bool emptyServerAgain(Database& db, QString* error)
{
    QStringList statements;
    auto q =
        db.query(QStringLiteral("SELECT table_name, table_type FROM information_schema.tables "
                                "WHERE table_schema = current_schema() ORDER BY table_type DESC"));
    while (q && q->next())
        statements << QStringLiteral("DROP %1 IF EXISTS %2 CASCADE")
                          .arg(q->value(1).toString() == QStringLiteral("VIEW")
                                   ? QStringLiteral("VIEW")
                                   : QStringLiteral("TABLE"),
                               quotedName(q->value(0).toString()));
    q.reset();
    auto seq = db.query(QStringLiteral("SELECT sequence_name FROM information_schema.sequences "
                                       "WHERE sequence_schema = current_schema()"));
    while (seq && seq->next())
        statements << QStringLiteral("DROP SEQUENCE IF EXISTS %1 CASCADE")
                          .arg(quotedName(seq->value(0).toString()));
    seq.reset();
    Transaction tx(db);
    bool ok = tx.ok();
    for (const QString& statement : statements)
        ok = ok && db.exec(statement);
    if (ok && tx.commit())
        return true;
    *error = oneLine(db.lastError());
    return false;
}

CommandResult createServer(const QString& address)
{
    QString reason;
    std::optional<Database> db = connectServer(address, &reason);
    if (!db)
        return refused(reason);
    if (auto full = serverNotEmpty(*db, address))
        return refused(*full);
    QString error;
    if (!BuildServerStore(*db, &error))
        return refused(QStringLiteral("%1: not created: %2").arg(address, oneLine(error)));
    CommandResult r{0,
                    {QStringLiteral("created %1 (schema version %2)")
                         .arg(address, QString::number(db->schemaVersion()))},
                    {}};
    // Roles are made by a superuser; anyone else secures the store later.
    if (!MaySecure(*db))
        r.lines << QStringLiteral("not secured: run vestra-admin secure as a superuser");
    else if (!SecureServerStore(*db, &r.lines, &error))
        return refused(QStringLiteral("%1: created but not secured: %2").arg(address, error));
    return r;
}

QString versionLine(int version)
{
    const int latest = LatestVersion(BookingFileSteps());
    return version == latest ? QStringLiteral("schema version %1 (current)").arg(version)
                             : QStringLiteral("schema version %1 (older than %2: run vestra-admin "
                                              "upgrade)")
                                   .arg(version)
                                   .arg(latest);
}

std::optional<QStringList> rowCounts(Database& db)
{
    const auto names = tableNames(db);
    if (!names)
        return std::nullopt;
    QStringList lines;
    for (const QString& name : *names) {
        const QVariant rows = db.scalar(QStringLiteral("SELECT count(*) FROM ") + quotedName(name));
        if (!rows.isValid())
            return std::nullopt;
        lines << QStringLiteral("rows %1 %2").arg(name).arg(rows.toLongLong());
    }
    return lines;
}

// The change log's chain, checked link by link: its head hash for a site to
// note elsewhere, or the first row that does not fit. Stores older than the
// chain have none to check.
bool checkChain(Database& db, int version, CommandResult& result, const QString& address)
{
    if (version < 13)
        return true;
    const std::optional<AuditChain> chain = VerifyAuditChain(db);
    if (!chain)
        return false;
    if (chain->intact) {
        result.lines << QStringLiteral("change log intact (%1 rows), head %2")
                            .arg(chain->rows)
                            .arg(chain->head.isEmpty() ? QStringLiteral("-") : chain->head);
        return true;
    }
    result.lines << QStringLiteral("change log BROKEN at row %1").arg(chain->firstBadRow);
    result.exitCode = 1;
    result.error = QStringLiteral("%1: the change log was altered at row %2")
                       .arg(address)
                       .arg(chain->firstBadRow);
    return true;
}

CommandResult checkServer(const QString& address)
{
    QString reason;
    std::optional<Database> db = connectBookingServer(address, &reason);
    if (!db)
        return refused(reason);
    const auto counts = rowCounts(*db);
    if (!counts)
        return refused(
            QStringLiteral("%1: cannot be read: %2").arg(address, oneLine(db->lastError())));
    CommandResult result;
    // The server keeps its own pages whole; it offers no cheap whole-database check.
    result.lines << versionLine(db->schemaVersion())
                 << QStringLiteral("integrity: checked by the server") << *counts;
    if (!checkChain(*db, db->schemaVersion(), result, address))
        return refused(
            QStringLiteral("%1: cannot be read: %2").arg(address, oneLine(db->lastError())));
    return result;
}

// A pg_dump of the whole database into folder, named after the database, its
// schema version and the time; the path, or nullopt and the reason.
std::optional<QString> dumpServer(const QString& address, int version, const QString& folder,
                                  QString* reason)
{
    const std::optional<ServerAddress> parts = ParseServerAddress(address, reason);
    if (!parts)
        return std::nullopt;
    const QString path = QDir(folder).absoluteFilePath(
        QStringLiteral("%1-v%2-%3.dump")
            .arg(parts->database)
            .arg(version)
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    // The address is libpq's own form; the password, if any, comes from the
    // same environment or ~/.pgpass as this program's.
    QProcess dump;
    dump.start(QStringLiteral("pg_dump"), {QStringLiteral("-Fc"), QStringLiteral("-f"), path,
                                           QStringLiteral("-d"), LibpqAddress(address)});
    const bool finished = dump.waitForFinished(-1);
    if (!finished || dump.exitStatus() != QProcess::NormalExit || dump.exitCode() != 0) {
        QFile::remove(path);
        const QString why =
            finished ? QString::fromLocal8Bit(dump.readAllStandardError()) : dump.errorString();
        *reason = QStringLiteral("%1: backup with pg_dump failed, nothing upgraded: %2")
                      .arg(address, oneLine(why));
        return std::nullopt;
    }
    return path;
}

CommandResult upgradeServer(const QString& address, const QString& backupFolder)
{
    QString reason;
    std::optional<Database> db = connectBookingServer(address, &reason);
    if (!db)
        return refused(reason);
    const int version = db->schemaVersion();
    if (version == LatestVersion(BookingFileSteps()))
        return {0,
                {QStringLiteral("%1 is already at schema version %2")
                     .arg(address, QString::number(version))},
                {}};
    // The database as it was is dumped first; without that copy nothing changes.
    const std::optional<QString> backup = dumpServer(address, version, backupFolder, &reason);
    if (!backup)
        return refused(reason);
    const MigrationReport m = MigrateDatabase(*db, BookingFileSteps(), Backup::None);
    switch (m.outcome) {
    case MigrationOutcome::Current:
        return {0,
                {QStringLiteral("%1 is already at schema version %2")
                     .arg(address, QString::number(m.toVersion))},
                {}};
    case MigrationOutcome::Upgraded: {
        CommandResult r{
            0,
            {QStringLiteral("upgraded %1 from schema version %2 to %3")
                 .arg(address, QString::number(m.fromVersion), QString::number(m.toVersion)),
             QStringLiteral("backup ") + *backup},
            {}};
        // What the steps made belongs to whoever ran them: a secured store
        // is secured again, so that the new tables obey the same rights.
        QString error;
        if (IsSecuredStore(*db) && (!MaySecure(*db) || !SecureServerStore(*db, &r.lines, &error)))
            r.lines << QStringLiteral("not secured again: run vestra-admin secure as a superuser")
                           + (error.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(error));
        return r;
    }
    case MigrationOutcome::Newer:
    case MigrationOutcome::Failed:
        break;
    }
    return refused(QStringLiteral("%1: upgrade failed at schema version %2: %3")
                       .arg(address, QString::number(m.toVersion), oneLine(m.error)));
}

// Every row of every table of from into the freshly built to, with the
// counters, in one transaction; the lines name the rows copied per table.
bool copyRows(Database& from, Database& to, QStringList* lines, QString* error)
{
    const auto fromTables = tableNames(from);
    const auto toTables = tableNames(to);
    if (!fromTables || !toTables) {
        *error = oneLine(from.lastError() + QLatin1Char(' ') + to.lastError());
        return false;
    }
    const auto counters = readCounters(from, *fromTables);
    if (!counters) {
        *error = oneLine(from.lastError());
        return false;
    }
    Transaction tx(to);
    if (!tx.ok()) {
        *error = oneLine(to.lastError());
        return false;
    }
    for (const QString& table : *toTables) {
        // The target was built with the template's rows; only the source's stay.
        if (!to.exec(QStringLiteral("DELETE FROM ") + quotedName(table))) {
            *error = oneLine(to.lastError());
            return false;
        }
        const QString source = findName(*fromTables, table);
        if (source.isEmpty())
            continue;
        const auto toColumns = columnNames(to, table);
        const auto fromColumns = columnNames(from, source);
        if (!toColumns || !fromColumns) {
            *error = oneLine(from.lastError() + QLatin1Char(' ') + to.lastError());
            return false;
        }
        QStringList read, written, marks;
        for (const QString& column : *toColumns) {
            const QString s = findName(*fromColumns, column);
            if (s.isEmpty())
                continue;
            read << quotedName(s);
            written << quotedName(column);
            marks << QStringLiteral("?");
        }
        auto rows = from.query(QStringLiteral("SELECT %1 FROM %2")
                                   .arg(read.join(QStringLiteral(", ")), quotedName(source)));
        if (!rows) {
            *error = oneLine(from.lastError());
            return false;
        }
        const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(quotedName(table), written.join(QStringLiteral(", ")),
                                        marks.join(QStringLiteral(", ")));
        while (rows->next()) {
            QVariantList values;
            for (int i = 0; i < read.size(); ++i)
                values << rows->value(i);
            if (!to.exec(insert, values)) {
                *error = QStringLiteral("%1: %2").arg(table, oneLine(to.lastError()));
                return false;
            }
        }
    }
    if (!writeCounters(to, *toTables, *counters)) {
        *error = oneLine(to.lastError());
        return false;
    }
    // Both sides must hold the same rows before anything is kept.
    for (const QString& table : *fromTables) {
        const QString target = findName(*toTables, table);
        const QVariant had =
            from.scalar(QStringLiteral("SELECT count(*) FROM ") + quotedName(table));
        const QVariant has =
            target.isEmpty()
                ? QVariant(0)
                : to.scalar(QStringLiteral("SELECT count(*) FROM ") + quotedName(target));
        if (!had.isValid() || !has.isValid() || had.toLongLong() != has.toLongLong()) {
            *error = QStringLiteral("rows of %1 differ after the copy (%2 and %3)")
                         .arg(table)
                         .arg(had.toLongLong())
                         .arg(has.toLongLong());
            return false;
        }
        *lines << QStringLiteral("rows %1 %2").arg(table).arg(had.toLongLong());
    }
    if (!tx.commit()) {
        *error = oneLine(to.lastError());
        return false;
    }
    return true;
}

} // namespace

std::optional<StoreAddress> ParseAddress(const QString& text, QString* error)
{
    if (text.isEmpty()) {
        *error = QStringLiteral("no address given");
        return std::nullopt;
    }
    if (text.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive)
        || text.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive)) {
        if (!ParseServerAddress(text, error)) {
            *error = QStringLiteral("%1: %2").arg(text, *error);
            return std::nullopt;
        }
        return StoreAddress{StoreAddress::Kind::Server, text};
    }
    return StoreAddress{StoreAddress::Kind::File, text};
}

CommandResult CreateStore(const StoreAddress& address, const QString& templatePath)
{
    if (address.kind == StoreAddress::Kind::Server)
        return createServer(address.path);
    const QString target = address.path;
    if (QFileInfo::exists(target))
        return refused(QStringLiteral("%1: target exists").arg(target));
    // Written beside the target and renamed into place, so that a failure
    // leaves no half-made booking store under its name.
    const QString partial = target + QStringLiteral(".new");
    QFile::remove(partial);
    if (!QFileInfo(templatePath).isFile())
        return refused(QStringLiteral("%1: not created: the template %2 is missing")
                           .arg(target, templatePath));
    const bool made = QFile::copy(templatePath, partial);
    if (made)
        QFile::setPermissions(partial, QFile::permissions(partial) | QFileDevice::WriteOwner
                                           | QFileDevice::ReadOwner);
    if (!made || !QFile::rename(partial, target)) {
        QFile::remove(partial);
        return refused(QStringLiteral("%1: not created: cannot write %2").arg(target, partial));
    }
    return {0,
            {QStringLiteral("created %1 (schema version %2)")
                 .arg(target, QString::number(Database::storedSchemaVersion(target).value_or(-1)))},
            {}};
}

CommandResult CheckStore(const StoreAddress& address)
{
    if (address.kind == StoreAddress::Kind::Server)
        return checkServer(address.path);
    const QString path = address.path;
    if (auto reason = unusableFile(path))
        return refused(*reason);
    const int version = *Database::storedSchemaVersion(path);
    const int latest = LatestVersion(BookingFileSteps());
    CommandResult result;
    result.lines << (version == latest
                         ? QStringLiteral("schema version %1 (current)").arg(version)
                         : QStringLiteral("schema version %1 (older than %2: run vestra-admin "
                                          "upgrade)")
                               .arg(version)
                               .arg(latest));
    QStringList problems;
    bool read = Database::probeReadOnly(path, [&](Database& db) {
        auto integrity = db.query(QStringLiteral("PRAGMA integrity_check"));
        if (!integrity)
            return false;
        while (integrity->next())
            problems << integrity->value(0).toString();
        auto tables = db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                              "'table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!' "
                                              "ORDER BY name"));
        if (!tables)
            return false;
        QStringList names;
        while (tables->next())
            names << tables->value(0).toString();
        for (const QString& name : names) {
            const QVariant rows =
                db.scalar(QStringLiteral("SELECT count(*) FROM ") + quotedName(name));
            if (!rows.isValid())
                return false;
            result.lines << QStringLiteral("rows %1 %2").arg(name).arg(rows.toLongLong());
        }
        return checkChain(db, version, result, path);
    });
    if (!read)
        return refused(QStringLiteral("%1: cannot be read").arg(path));
    const bool intact = problems == QStringList{QStringLiteral("ok")};
    result.lines.insert(1, intact ? QStringLiteral("integrity ok")
                                  : QStringLiteral("integrity FAILED: ")
                                        + problems.join(QStringLiteral("; ")));
    if (!intact) {
        result.exitCode = 1;
        result.error = QStringLiteral("%1: integrity check failed").arg(path);
    }
    return result;
}

CommandResult UpgradeStore(const StoreAddress& address, const QString& backupFolder)
{
    if (address.kind == StoreAddress::Kind::Server)
        return upgradeServer(address.path, backupFolder);
    const QString path = address.path;
    if (auto reason = unusableFile(path))
        return refused(*reason);
    const MigrationReport m = MigrateFile(path, BookingFileSteps());
    Database::closeAll(path);
    switch (m.outcome) {
    case MigrationOutcome::Current:
        return {0,
                {QStringLiteral("%1 is already at schema version %2")
                     .arg(path, QString::number(m.toVersion))},
                {}};
    case MigrationOutcome::Upgraded: {
        CommandResult r{
            0,
            {QStringLiteral("upgraded %1 from schema version %2 to %3")
                 .arg(path, QString::number(m.fromVersion), QString::number(m.toVersion))},
            {}};
        if (!m.backupPath.isEmpty())
            r.lines << QStringLiteral("backup %1").arg(m.backupPath);
        return r;
    }
    case MigrationOutcome::Newer:
        return refused(
            QStringLiteral("%1: schema version %2 is newer than this vestra-admin "
                           "knows (%3)")
                .arg(path, QString::number(m.fromVersion), QString::number(m.supportedVersion)));
    case MigrationOutcome::Failed:
        break;
    }
    return refused(QStringLiteral("%1: upgrade failed at schema version %2: %3")
                       .arg(path, QString::number(m.toVersion))
                       .arg(QString(m.error).replace(QLatin1Char('\n'), QLatin1Char(' '))));
}

CommandResult RehashStore(const StoreAddress& address)
{
    QString reason;
    std::optional<Database> db = openStore(address, false, &reason);
    if (!db)
        return refused(reason);
    QString error;
    const std::optional<int> replaced = RehashPlainPasswords(*db, &error);
    if (address.kind == StoreAddress::Kind::File) {
        db.reset();
        Database::closeAll(address.path);
    }
    if (!replaced)
        return refused(QStringLiteral("%1: %2").arg(address.path, error));
    return {0,
            {QStringLiteral("hashed %1 plain passwords in %2").arg(*replaced).arg(address.path)},
            {}};
}

CommandResult CopyStore(const StoreAddress& from, const StoreAddress& to)
{
    const bool fromServer = from.kind == StoreAddress::Kind::Server;
    const bool toServer = to.kind == StoreAddress::Kind::Server;
    if (fromServer == toServer)
        return refused(QStringLiteral("copy goes from a booking file to a server or back"));
    const int latest = LatestVersion(BookingFileSteps());
    QString reason;
    const std::optional<Database> opened = openStore(from, true, &reason);
    if (!opened)
        return refused(reason);
    Database source = *opened;
    // Both sides have the same tables only when both have this program's version.
    if (const int version = source.schemaVersion(); version != latest)
        return refused(QStringLiteral("%1: schema version %2: run vestra-admin upgrade first")
                           .arg(from.path)
                           .arg(version));

    QStringList lines;
    QString error;
    if (toServer) {
        std::optional<Database> target = connectServer(to.path, &reason);
        if (!target)
            return refused(reason);
        if (auto full = serverNotEmpty(*target, to.path))
            return refused(*full);
        if (!BuildServerStore(*target, &error) || !copyRows(source, *target, &lines, &error)) {
            // The schema was built before the rows' transaction; it goes again.
            QString left;
            if (!emptyServerAgain(*target, &left))
                error += QStringLiteral("; the tables made for the copy could not be dropped "
                                        "again: ")
                         + left;
            return refused(QStringLiteral("%1: not copied: %2").arg(to.path, error));
        }
    } else {
        if (QFileInfo(to.path).size() > 0)
            return refused(QStringLiteral("%1: target not empty").arg(to.path));
        bool copied = BuildTemplateFile(to.path, &error);
        if (copied) {
            Database target = Database::open(to.path);
            copied = copyRows(source, target, &lines, &error);
        }
        Database::closeAll(to.path);
        if (!copied) {
            // A half-made file under the target's name would pass for a copy.
            QFile::remove(to.path);
            return refused(QStringLiteral("%1: not copied: %2").arg(to.path, error));
        }
    }
    lines.prepend(QStringLiteral("copied %1 to %2").arg(from.path, to.path));
    return {0, lines, {}};
}

std::optional<Database> OpenCurrentStore(const StoreAddress& address, QString* reason)
{
    std::optional<Database> db = openStore(address, true, reason);
    if (!db)
        return std::nullopt;
    // An older store lacks what the calendars need; upgrading is a step of its own.
    if (const int version = db->schemaVersion(); version != LatestVersion(BookingFileSteps())) {
        *reason = QStringLiteral("%1: %2").arg(address.path, versionLine(version));
        return std::nullopt;
    }
    return db;
}

CommandResult PublishStore(const StoreAddress& address, const QString& folder)
{
    QString reason;
    std::optional<Database> db = OpenCurrentStore(address, &reason);
    if (!db)
        return refused(reason);
    QString error;
    const std::optional<int> files = PublishCalendars(*db, folder, &error);
    if (!files)
        return refused(QStringLiteral("%1: not published: %2").arg(address.path, oneLine(error)));
    return {0, {QStringLiteral("published %1 calendars to %2").arg(*files).arg(folder)}, {}};
}

namespace {

// A command of one store address, with the address checked first.
std::function<CommandResult(const QStringList&)>
onAddress(const std::function<CommandResult(const StoreAddress&)>& run)
{
    return [run](const QStringList& args) {
        QString error;
        const auto address = ParseAddress(args.value(0), &error);
        return address ? run(*address) : refused(error);
    };
}

const QString kAddressHelp =
    QStringLiteral("ADDRESS is the path of a booking file (name.mdb) or a server database,\n"
                   "postgresql://USER@HOST[:PORT]/DATABASE (the password comes from ~/.pgpass).");

QString helpOf(const AdminCommand& c)
{
    return QStringLiteral("usage: vestra-admin %1 %2\n\n%3\n\n%4")
        .arg(c.name, c.arguments, c.help, kAddressHelp);
}

QString programHelp(const QList<AdminCommand>& commands)
{
    QStringList lines{QStringLiteral("usage: vestra-admin COMMAND ARGUMENTS..."),
                      QStringLiteral("       vestra-admin COMMAND --help"), QString(),
                      QStringLiteral("Commands for the administrator of a Vestra booking store:")};
    for (const AdminCommand& c : commands)
        lines << QStringLiteral("  %1 %2").arg(c.name, c.arguments)
              << QStringLiteral("      ") + c.help.section(QLatin1Char('\n'), 0, 0);
    lines << QString() << kAddressHelp;
    return lines.join(QLatin1Char('\n'));
}

// A command the server's rights code runs; its own usage when the
// arguments do not fit.
std::function<CommandResult(const QStringList&)> security(const QString& name)
{
    return [name](const QStringList& args) {
        const std::optional<CommandResult> r = RunSecurityCommand(QStringList{name} + args);
        return r ? *r : CommandResult{2, {}, {}};
    };
}

} // namespace

QList<AdminCommand> StoreCommands(const QString& templatePath)
{
    return {
        {QStringLiteral("create"), QStringLiteral("ADDRESS"),
         QStringLiteral("Makes a new booking store from the template.\n"
                        "It holds the template's rows and the user admin (password admin). An\n"
                        "existing file, or a server database that already holds tables, is\n"
                        "refused."),
         1, 1,
         onAddress([templatePath](const StoreAddress& a) { return CreateStore(a, templatePath); })},
        {QStringLiteral("check"), QStringLiteral("ADDRESS"),
         QStringLiteral("Prints the schema version, integrity and rows per table.\n"
                        "It only reads."),
         1, 1, onAddress(&CheckStore)},
        {QStringLiteral("upgrade"), QStringLiteral("ADDRESS [--backup DIR]"),
         QStringLiteral("Brings the store to this version's schema.\n"
                        "A file is copied beside itself first (name.mdb.bak-vN); a server's\n"
                        "pg_dump goes to DIR (default: the current folder), and a failed dump\n"
                        "leaves the server as it was."),
         1, 3,
         [](const QStringList& args) {
             if (args.size() == 2 || (args.size() == 3 && args[1] != QStringLiteral("--backup")))
                 return CommandResult{2, {}, {}};
             return onAddress([&args](const StoreAddress& a) {
                 return UpgradeStore(a, args.size() == 3 ? args[2] : QStringLiteral("."));
             })(args);
         }},
        {QStringLiteral("copy"), QStringLiteral("FROM TO"),
         QStringLiteral("Copies a booking file to an empty server database, or back.\n"
                        "Every table goes in one transaction, keys and counters kept; the\n"
                        "store must be of this version's schema."),
         2, 2,
         [](const QStringList& args) {
             QString error;
             const auto from = ParseAddress(args[0], &error);
             const auto to = from ? ParseAddress(args[1], &error) : std::nullopt;
             return to ? CopyStore(*from, *to) : refused(error);
         }},
        {QStringLiteral("publish"), QStringLiteral("ADDRESS FOLDER"),
         QStringLiteral("Writes one calendar (.ics) per item and per type into FOLDER.\n"
                        "The calendars are in the institution's time zone, each file replaced\n"
                        "whole; for a timer on a server."),
         2, 2,
         [](const QStringList& args) {
             return onAddress([&args](const StoreAddress& a) { return PublishStore(a, args[1]); })(
                 args);
         }},
        {QStringLiteral("rehash"), QStringLiteral("ADDRESS"),
         QStringLiteral("Replaces every password still stored as typed by its hash."), 1, 1,
         onAddress(&RehashStore)},
        {QStringLiteral("backup"), QStringLiteral("ADDRESS DEST"),
         QStringLiteral("Copies the store while workstations go on working.\n"
                        "A booking file goes through SQLite's online backup and the copy is\n"
                        "checked; a server database is written by pg_dump -Fc to DEST."),
         2, 2,
         [](const QStringList& args) {
             return onAddress([&args](const StoreAddress& a) { return BackupStore(a, args[1]); })(
                 args);
         }},
        {QStringLiteral("restore"), QStringLiteral("BACKUP ADDRESS [--force]"),
         QStringLiteral("Puts a backup back after checking it (schema version, integrity).\n"
                        "A store that workstations have open is refused unless --force is\n"
                        "given."),
         2, 3,
         [](QStringList args) {
             const bool force = args.removeAll(QStringLiteral("--force")) > 0;
             if (args.size() != 2)
                 return CommandResult{2, {}, {}};
             QString error;
             const auto address = ParseAddress(args[1], &error);
             return address ? RestoreStore(args[0], *address, force) : refused(error);
         }},
        {QStringLiteral("secure"), QStringLiteral("ADDRESS"),
         QStringLiteral("Lets the server keep the rights of a server store (as a superuser).\n"
                        "It makes the owner, audit and group roles (vestra_staff, vestra_admin,\n"
                        "vestra_panel), row-level security on bookings and accounts, the\n"
                        "server-written change log, and a login role for every active person."),
         1, 1, security("secure")},
        {QStringLiteral("user"),
         QStringLiteral("add ADDRESS NAME [--admin] [--account ACCOUNT] [--panel] | "
                        "remove ADDRESS NAME | admin ADDRESS NAME on|off | list ADDRESS"),
         QStringLiteral("Adds, removes, lists the people of a secured server store.\n"
                        "add makes the login role (its password asked on a terminal, or read\n"
                        "from standard input), its account and its group; --panel makes a role\n"
                        "that may only read bookings, items and settings, for a room panel."),
         2, 7, security("user")},
        {QStringLiteral("prune-log"), QStringLiteral("ADDRESS"),
         QStringLiteral("Removes change log rows older than the delete delay (as the owner)."), 1,
         1, security("prune-log")},
    };
}

CommandResult RunCommand(const QStringList& arguments, const QString& templatePath,
                         const QList<AdminCommand>& more)
{
    const QList<AdminCommand> commands = StoreCommands(templatePath) + more;
    const QString name = arguments.value(0);
    if (name == QStringLiteral("--help") || name == QStringLiteral("-h")
        || name == QStringLiteral("help"))
        return {0, {programHelp(commands)}, {}};
    for (const AdminCommand& c : commands) {
        if (c.name != name)
            continue;
        const QStringList args = arguments.mid(1);
        if (args.contains(QStringLiteral("--help")))
            return {0, {helpOf(c)}, {}};
        const QString usage = QStringLiteral("usage: vestra-admin %1 %2").arg(c.name, c.arguments);
        if (args.size() < c.least || args.size() > c.most)
            return refused(usage, 2);
        CommandResult r = c.run(args);
        if (r.exitCode == 2 && r.error.isEmpty())
            r.error = usage;
        return r;
    }
    return refused(name.isEmpty()
                       ? QStringLiteral("no command; see vestra-admin --help")
                       : QStringLiteral("unknown command %1; see vestra-admin --help").arg(name),
                   2);
}

} // namespace vestra::admin
