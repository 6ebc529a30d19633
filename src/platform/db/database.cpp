#include "platform/db/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QThread>
#include <QUuid>
#include <sqlite3.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace vestra {

namespace {

QString canonical(const QString& path)
{
    QFileInfo fi(path);
    if (fi.exists())
        return fi.canonicalFilePath();
    // A file about to be created is named as it will be once it exists, so
    // that its connection is found again (and closed) by that name.
    const QString folder = QFileInfo(fi.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(fi.absoluteFilePath())
                            : QDir(folder).filePath(fi.fileName());
}

// What a cached connection was opened on. A file replaced behind the
// program's back (a backup copied over it, a new file made under the same
// name) is another file: the old connection would go on reading and writing
// the replaced one, which is no longer on disk.
QString fileIdentity(const QString& canonicalPath)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(canonicalPath).constData(), &st) != 0)
        return {};
    return QStringLiteral("%1:%2").arg(quint64(st.st_dev)).arg(quint64(st.st_ino));
#else
    // Elsewhere a file cannot be replaced while a connection holds it open.
    Q_UNUSED(canonicalPath);
    return {};
#endif
}

// SQLite's own lower() and LIKE fold A-Z only; "Ø" and "ø" would stay apart.
// The program's fold folds every letter, as Qt does when it compares text.
void foldText(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const QByteArray folded =
        QString::fromUtf8(text, sqlite3_value_bytes(argv[0])).toCaseFolded().toUtf8();
    sqlite3_result_text(ctx, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
}

// Every connection gets the program's functions as soon as it is open, so
// that every statement may use them whichever way the file was opened.
bool registerFunctions(QSqlDatabase& db, QString* error)
{
    const QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0) {
        *error = QStringLiteral("no SQLite handle");
        return false;
    }
    sqlite3* handle = *static_cast<sqlite3* const*>(v.data());
    if (!handle
        || sqlite3_create_function(handle, "vestra_fold", 1,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                   &foldText, nullptr, nullptr)
               != SQLITE_OK) {
        *error =
            handle ? QString::fromUtf8(sqlite3_errmsg(handle)) : QStringLiteral("no SQLite handle");
        return false;
    }
    return true;
}

QMutex g_identityLock;
QHash<QString, QString> g_identities; // connection name -> identity of its file

QString connectionName(const QString& canonicalPath)
{
    return QStringLiteral("vestra|%1|%2")
        .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()))
        .arg(canonicalPath);
}

// Shared files keep the rollback journal (WAL does not work across machines);
// a second writer waits up to 10 s instead of failing.
constexpr auto kOptions = "QSQLITE_BUSY_TIMEOUT=10000";

Database openNamed(const QString& path, bool mustExist)
{
    Database result;
    QFileInfo fi(path);
    if (path.isEmpty() || (mustExist && !fi.isFile()) || fi.isDir())
        return result;
    const QString canon = canonical(path);
    const QString name = connectionName(canon);
    QSqlDatabase db;
    if (QSqlDatabase::contains(name)) {
        QMutexLocker lock(&g_identityLock);
        const QString known = g_identities.value(name);
        const QString current = fileIdentity(canon);
        if (known.isEmpty()) {
            g_identities.insert(name, current);
        } else if (known != current) {
            g_identities.remove(name);
            lock.unlock();
            {
                QSqlDatabase stale = QSqlDatabase::database(name, false);
                stale.close();
            }
            QSqlDatabase::removeDatabase(name);
        }
    }
    if (QSqlDatabase::contains(name)) {
        db = QSqlDatabase::database(name, false);
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(canon);
        db.setConnectOptions(QString::fromLatin1(kOptions));
    }
    if (!db.isOpen()) {
        QString ignored;
        if (!db.open() || !registerFunctions(db, &ignored)) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            return result;
        }
        // The file exists once the connection is open (create() makes it).
        QMutexLocker lock(&g_identityLock);
        g_identities.insert(name, fileIdentity(canon));
    }
    result.handle() = db;
    return result;
}

} // namespace

Database Database::open(const QString& path)
{
    Database d = openNamed(path, true);
    d.m_path = path;
    return d;
}

Database Database::create(const QString& path)
{
    Database d = openNamed(path, false);
    d.m_path = path;
    return d;
}

bool Database::probeReadOnly(const QString& path, const std::function<bool(Database&)>& fn)
{
    QFileInfo fi(path);
    if (path.isEmpty() || !fi.isFile())
        return false;
    auto attempt = [&](const QString& options) {
        const QString name = QStringLiteral("vestra-probe|") + QUuid::createUuid().toString();
        bool result = false;
        {
            Database d;
            d.m_path = path;
            d.m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            d.m_db.setDatabaseName(fi.absoluteFilePath());
            d.m_db.setConnectOptions(options);
            if (d.m_db.open() && registerFunctions(d.m_db, &d.m_error))
                result = fn(d);
            d.m_db.close();
            d.m_db = QSqlDatabase();
        }
        QSqlDatabase::removeDatabase(name);
        return result;
    };
    if (attempt(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000")))
        return true;
    // A workstation that stopped in the middle of a write leaves its journal
    // behind; the file reads again only once the journal is rolled back, which
    // takes a connection that may write. Without this the booking file would
    // be refused as no database at all.
    if (!QFileInfo::exists(fi.absoluteFilePath() + QStringLiteral("-journal")))
        return false;
    return attempt(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
}

void Database::closeAll(const QString& path)
{
    const QString canon = canonical(path);
    const QString suffix = QStringLiteral("|") + canon;
    for (const QString& name : QSqlDatabase::connectionNames()) {
        if (name.startsWith(QStringLiteral("vestra|")) && name.endsWith(suffix)) {
            {
                QSqlDatabase db = QSqlDatabase::database(name, false);
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
            QMutexLocker lock(&g_identityLock);
            g_identities.remove(name);
        }
    }
}

std::optional<int> Database::storedSchemaVersion(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The header: a 16-byte magic text, and at byte 60 the user version as a
    // 4-byte big-endian number.
    const QByteArray header = f.read(64);
    if (header.size() < 64 || !header.startsWith(QByteArray("SQLite format 3\0", 16)))
        return std::nullopt;
    const auto* b = reinterpret_cast<const uchar*>(header.constData()) + 60;
    return static_cast<qint32>((quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8)
                               | quint32(b[3]));
}

bool Database::exec(const QString& sql, const QVariantList& binds)
{
    m_changed = 0;
    if (!isValid()) {
        m_error = QStringLiteral("database not open: ") + m_path;
        return false;
    }
    QSqlQuery q(m_db);
    if (!q.prepare(sql)) {
        m_error = q.lastError().text();
        return false;
    }
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        m_error = q.lastError().text();
        return false;
    }
    m_changed = q.numRowsAffected();
    m_error.clear();
    return true;
}

std::optional<QSqlQuery> Database::query(const QString& sql, const QVariantList& binds)
{
    if (!isValid()) {
        m_error = QStringLiteral("database not open: ") + m_path;
        return std::nullopt;
    }
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        m_error = q.lastError().text();
        return std::nullopt;
    }
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        m_error = q.lastError().text();
        return std::nullopt;
    }
    m_error.clear();
    return q;
}

QVariant Database::scalar(const QString& sql, const QVariantList& binds)
{
    auto q = query(sql, binds);
    if (!q || !q->next())
        return {};
    return q->value(0);
}

bool Database::hasTable(const QString& name)
{
    // SQLite compares names without regard to ASCII case, as the program does.
    auto q = query(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type IN ('table','view') "
                                  "AND name = ? COLLATE NOCASE"),
                   {name});
    return q && q->next();
}

int Database::schemaVersion()
{
    const QVariant v = scalar(dialect::schemaVersion());
    return v.isValid() ? v.toInt() : -1;
}

bool Database::setSchemaVersion(int version)
{
    return exec(dialect::setSchemaVersion(version));
}

Transaction::Transaction(Database& db) : m_db(db)
{
    m_active = m_db.exec(dialect::beginWrite());
}

Transaction::~Transaction()
{
    if (m_active)
        m_db.exec(QStringLiteral("ROLLBACK"));
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    m_active = false;
    if (m_db.exec(QStringLiteral("COMMIT")))
        return true;
    m_db.exec(QStringLiteral("ROLLBACK"));
    return false;
}

namespace dialect {
QString beginWrite()
{
    return QStringLiteral("BEGIN IMMEDIATE");
}

QString schemaVersion()
{
    return QStringLiteral("PRAGMA user_version");
}

QString setSchemaVersion(int version)
{
    // A pragma takes no bound values; the number is the program's own.
    return QStringLiteral("PRAGMA user_version = %1").arg(version);
}

QString fold(const QString& expression)
{
    return QStringLiteral("vestra_fold(%1)").arg(expression);
}

QString beginTableRebuilds()
{
    return QStringLiteral("PRAGMA legacy_alter_table = ON");
}

QString endTableRebuilds()
{
    return QStringLiteral("PRAGMA legacy_alter_table = OFF");
}
} // namespace dialect

} // namespace vestra
