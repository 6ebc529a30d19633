#include "data/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

// The SQL files are compiled into this static library; its resources must be
// registered by hand before the first read.
static void initSchemaResources()
{
    Q_INIT_RESOURCE(schema);
}

namespace vestra {

namespace {

QString g_programFolder;

QString resourceText(const QString& name)
{
    static const bool registered = (initSchemaResources(), true);
    Q_UNUSED(registered);
    QFile f(QStringLiteral(":/sql/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

QStringList splitStatements(const QString& script)
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

} // namespace

QString ProgramFolder()
{
    if (g_programFolder.isEmpty())
        return QCoreApplication::applicationDirPath();
    return g_programFolder;
}

void SetProgramFolder(const QString& folder)
{
    g_programFolder = folder;
}

QString WorkDatabasePath()
{
    return QDir(ProgramFolder()).filePath(QStringLiteral("paths.mdb"));
}

QString TemplatePath()
{
    return QDir(ProgramFolder()).filePath(QStringLiteral("Emptydatabase.mdb"));
}

QString HelpFilePath()
{
    return QDir(ProgramFolder()).filePath(QStringLiteral("Vestra Help.chm"));
}

bool RunSqlScript(Database& db, const QString& script, QString* error)
{
    if (script.trimmed().isEmpty()) {
        if (error)
            *error = QStringLiteral("empty schema script");
        return false;
    }
    Transaction tx(db);
    if (!tx.ok()) {
        if (error)
            *error = db.lastError();
        return false;
    }
    for (const QString& statement : splitStatements(script)) {
        if (!db.exec(statement)) {
            if (error)
                *error = db.lastError() + QStringLiteral("\n") + statement;
            return false;
        }
    }
    if (!tx.commit()) {
        if (error)
            *error = db.lastError();
        return false;
    }
    return true;
}

bool BuildTemplateFile(const QString& path, QString* error)
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
        ok = RunSqlScript(db, resourceText(QStringLiteral("booking.sql")), error)
             && RunSqlScript(db, resourceText(QStringLiteral("template.sql")), error);
    }
    Database::closeAll(path);
    return ok;
}

bool EnsureWorkDatabase(QString* error)
{
    const QString path = WorkDatabasePath();
    if (QFileInfo::exists(path))
        return true;
    Database db = Database::create(path);
    if (!db.isValid()) {
        if (error)
            *error = QStringLiteral("cannot create ") + path;
        return false;
    }
    return RunSqlScript(db, resourceText(QStringLiteral("work.sql")), error);
}

} // namespace vestra
