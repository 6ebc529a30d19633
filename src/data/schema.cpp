#include "data/schema.h"

#include "data/passwords.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <functional>

// The SQL files are compiled into this static library; its resources must be
// registered by hand before the first read.
static void initSchemaResources()
{
    Q_INIT_RESOURCE(schema);
}

namespace vestra {

namespace {

QString g_programFolder;

} // namespace

QStringList SqlStatements(const QString& script)
{
    QStringList out;
    QString current;
    for (const QString& rawLine : script.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QStringLiteral("--")))
            continue;
        current += rawLine + QLatin1Char('\n');
        if (line.endsWith(QLatin1Char(';'))) {
            out << current.trimmed().chopped(1);
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        out << current.trimmed();
    return out;
}

ProgramFolders ResolveProgramFolders(const QString& executableFolder, const QString& userDataFolder)
{
    // An installed program sits in <prefix>/bin with its files in <prefix>/share/vestra;
    // that folder belongs to the system, so the workstation's own file goes to the user's.
    const QDir exe(executableFolder);
    const QString shared = QDir::cleanPath(exe.filePath(QStringLiteral("../share/vestra")));
    if (exe.dirName() == QStringLiteral("bin")
        && QFileInfo::exists(QDir(shared).filePath(QStringLiteral("Emptydatabase.mdb"))))
        return {shared, userDataFolder};
    return {executableFolder, executableFolder};
}

namespace {

ProgramFolders CurrentFolders()
{
    if (!g_programFolder.isEmpty())
        return {g_programFolder, g_programFolder};
    // ~/.local/share/Vestra, whatever organisation the program names.
    return ResolveProgramFolders(
        QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/Vestra"));
}

} // namespace

QString ProgramFolder()
{
    return CurrentFolders().files;
}

void SetProgramFolder(const QString& folder)
{
    g_programFolder = folder;
}

QString WorkDatabasePath()
{
    const QString folder = CurrentFolders().workstation;
    // The user's data folder does not exist before the first start.
    QDir().mkpath(folder);
    return QDir(folder).filePath(QStringLiteral("paths.mdb"));
}

QString TemplatePath()
{
    return QDir(ProgramFolder()).filePath(QStringLiteral("Emptydatabase.mdb"));
}

QString HelpFilePath()
{
    // Beside the program in a build; an installed program finds it in
    // share/vestra beside its bin folder.
    const QDir folder(ProgramFolder());
    const QString beside = folder.filePath(QStringLiteral("vestra.qhc"));
    const QString installed =
        QDir::cleanPath(folder.filePath(QStringLiteral("../share/vestra/vestra.qhc")));
    return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? installed : beside;
}

QString SqlResource(const QString& name)
{
    static const bool registered = (initSchemaResources(), true);
    Q_UNUSED(registered);
    QFile f(QStringLiteral(":/sql/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

bool RunSqlStatements(Database& db, const QString& script, QString* error)
{
    if (script.trimmed().isEmpty()) {
        if (error)
            *error = QStringLiteral("empty schema script");
        return false;
    }
    for (const QString& written : SqlStatements(script)) {
        // The scripts are written for SQLite; a server takes them translated.
        const QString statement = dialect::schemaStatement(db.engine(), written);
        if (statement.isEmpty())
            continue;
        if (!db.exec(statement)) {
            if (error)
                *error = db.lastError() + QStringLiteral("\n") + statement;
            return false;
        }
    }
    return true;
}

bool RunSqlScript(Database& db, const QString& script, QString* error)
{
    Transaction tx(db);
    if (!tx.ok()) {
        if (error)
            *error = db.lastError();
        return false;
    }
    if (!RunSqlStatements(db, script, error))
        return false;
    if (!tx.commit()) {
        if (error)
            *error = db.lastError();
        return false;
    }
    return true;
}

bool BuildServerStore(Database& db, QString* error)
{
    const LongStatements unlimited(db);
    {
        Transaction tx(db);
        const bool built =
            tx.ok() && RunSqlStatements(db, SqlResource(QStringLiteral("booking.sql")), error)
            && RunSqlStatements(db, SqlResource(QStringLiteral("template.sql")), error);
        if (!built || !tx.commit()) {
            if (error && error->isEmpty())
                *error = db.lastError();
            return false;
        }
    }
    const MigrationReport r = MigrateDatabase(db, BookingFileSteps(), Backup::None);
    if (r.outcome == MigrationOutcome::Failed && error)
        *error = r.error;
    return r.outcome != MigrationOutcome::Failed && RehashPlainPasswords(db, error).has_value();
}

std::optional<bool> IsEmptyServerDatabase(Database& db)
{
    const QVariant tables = db.scalar(QStringLiteral("SELECT count(*) FROM (%1) AS objects")
                                          .arg(dialect::schemaObjects(db.engine())));
    if (!tables.isValid())
        return std::nullopt;
    return tables.toLongLong() == 0;
}

namespace {
// A new file at path, filled by fill; any file there before is replaced.
bool buildFile(const QString& path, QString* error, const std::function<bool(Database&)>& fill)
{
    Database::closeAll(path);
    if (QFileInfo::exists(path) && !QFile::remove(path)) {
        if (error)
            *error = QStringLiteral("cannot replace ") + path;
        return false;
    }
    bool ok = false;
    {
        Database db = Database::create(path);
        if (!db.isValid()) {
            if (error)
                *error = QStringLiteral("cannot create ") + path;
            return false;
        }
        ok = fill(db);
    }
    Database::closeAll(path);
    return ok;
}

bool fillBaseline(Database& db, QString* error)
{
    return RunSqlScript(db, SqlResource(QStringLiteral("booking.sql")), error)
           && RunSqlScript(db, SqlResource(QStringLiteral("template.sql")), error);
}

// A new file needs no copy of itself before its steps.
bool upgradeNew(Database& db, const QList<MigrationStep>& steps, QString* error)
{
    const MigrationReport r = MigrateDatabase(db, steps, Backup::None);
    if (r.outcome == MigrationOutcome::Failed && error)
        *error = r.error;
    return r.outcome != MigrationOutcome::Failed;
}
} // namespace

bool BuildBaselineFile(const QString& path, QString* error)
{
    return buildFile(path, error, [error](Database& db) { return fillBaseline(db, error); });
}

bool BuildTemplateFile(const QString& path, QString* error)
{
    // A new store holds no password as typed: the first administrator's
    // well-known one is stored as its hash like every other.
    return buildFile(path, error, [error](Database& db) {
        return fillBaseline(db, error) && upgradeNew(db, BookingFileSteps(), error)
               && RehashPlainPasswords(db, error).has_value();
    });
}

bool EnsureWorkDatabase(QString* error, MigrationReport* migration)
{
    const QString path = WorkDatabasePath();
    if (QFileInfo::exists(path)) {
        const MigrationReport r = MigrateFile(path, WorkDatabaseSteps());
        if (migration)
            *migration = r;
        if (r.outcome == MigrationOutcome::Failed && error)
            *error = r.error;
        if (r.outcome == MigrationOutcome::Newer && error)
            *error =
                QStringLiteral("%1 has version %2; this program knows up to version %3")
                    .arg(path, QString::number(r.fromVersion), QString::number(r.supportedVersion));
        return r.outcome == MigrationOutcome::Current || r.outcome == MigrationOutcome::Upgraded;
    }
    Database db = Database::create(path);
    if (!db.isValid()) {
        if (error)
            *error = QStringLiteral("cannot create ") + path;
        return false;
    }
    return RunSqlScript(db, SqlResource(QStringLiteral("work.sql")), error)
           && upgradeNew(db, WorkDatabaseSteps(), error);
}

} // namespace vestra
