#include "db/database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QSysInfo>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
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

std::atomic<int> g_busyTimeout{kBusyTimeoutMs};
std::atomic<bool> g_readOnly{false};
std::atomic<int> g_statementTimeout{kStatementTimeoutMs};
thread_local int t_longStatements = 0;

// The server stops a statement at the statement timeout; one whose server
// cannot (stopped, or out of reach) is cut off here a little later: its
// socket is shut, so libpq's wait ends and the connection counts as broken.
class Watchdog {
public:
    static Watchdog& instance()
    {
        static auto* dog = new Watchdog; // never destroyed: its thread runs to the end
        return *dog;
    }
    quint64 watch(int socket, int milliseconds)
    {
        std::lock_guard lock(m_lock);
        if (!m_started) {
            std::thread([this] { loop(); }).detach();
            m_started = true;
        }
        const quint64 ticket = ++m_next;
        m_entries[ticket] = {socket, Clock::now() + std::chrono::milliseconds(milliseconds)};
        m_changed.notify_one();
        return ticket;
    }
    // True when the statement was cut off.
    bool release(quint64 ticket)
    {
        std::lock_guard lock(m_lock);
        const auto it = m_entries.find(ticket);
        const bool fired = it != m_entries.end() && it->second.fired;
        m_entries.erase(ticket);
        return fired;
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Entry {
        int socket = -1;
        Clock::time_point deadline;
        bool fired = false;
    };
    void loop()
    {
        std::unique_lock lock(m_lock);
        for (;;) {
            auto next = Clock::time_point::max();
            for (auto& [ticket, e] : m_entries) {
                if (e.fired)
                    continue;
                if (e.deadline <= Clock::now()) {
#ifdef Q_OS_UNIX
                    ::shutdown(e.socket, SHUT_RDWR);
#endif
                    e.fired = true;
                } else {
                    next = std::min(next, e.deadline);
                }
            }
            if (next == Clock::time_point::max())
                m_changed.wait(lock);
            else
                m_changed.wait_until(lock, next);
        }
    }
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<quint64, Entry> m_entries;
    quint64 m_next = 0;
    bool m_started = false;
};

// A value in libpq's key='value' form, whatever spaces or quotes it holds.
QString conninfoQuoted(QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

// The options every server connection is opened with, unless the address
// gives them: a limit on connecting, keepalives that notice a network gone,
// and a name that tells the server's administrator whose connection it is.
QString connectOptions(const ServerAddress& parts)
{
    QStringList options = parts.options.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    auto add = [&options](const QString& key, const QString& value) {
        for (const QString& o : options)
            if (o.startsWith(key + QLatin1Char('=')))
                return;
        options << key + QLatin1Char('=') + value;
    };
    const int limit = g_statementTimeout.load();
    add(QStringLiteral("connect_timeout"), QString::number(limit > 0 ? qMax(2, limit / 1000) : 30));
    add(QStringLiteral("keepalives"), QStringLiteral("1"));
    add(QStringLiteral("keepalives_idle"), QStringLiteral("5"));
    add(QStringLiteral("keepalives_interval"), QStringLiteral("2"));
    add(QStringLiteral("keepalives_count"), QStringLiteral("3"));
    QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    QString name = QStringLiteral("Vestra %1 %2").arg(QSysInfo::machineHostName(), user);
    add(QStringLiteral("application_name"),
        conninfoQuoted(name.replace(QLatin1Char(';'), QLatin1Char(','))));
    return options.join(QLatin1Char(';'));
}

// The limits a new server connection starts with.
bool setLimits(QSqlDatabase& db)
{
    QSqlQuery q(db);
    return q.exec(QStringLiteral("SET lock_timeout = %1").arg(g_busyTimeout.load()))
           && q.exec(QStringLiteral("SET statement_timeout = %1").arg(g_statementTimeout.load()))
           && (!g_readOnly || q.exec(QStringLiteral("SET default_transaction_read_only = on")));
}
std::atomic<WaitObserver*> g_observer{nullptr};
thread_local bool t_waitShown = false;

bool onMainThread()
{
    return QCoreApplication::instance()
           && QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Shared files keep the rollback journal (WAL does not work across machines);
// a second writer waits up to the busy timeout instead of failing at once.
// SQLite's own timeout cannot tell anyone that it is waiting; this one does.
int onBusy(void*, int count)
{
    thread_local QElapsedTimer waited;
    if (count == 0)
        waited.start();
    const qint64 elapsed = waited.elapsed();
    if (elapsed >= g_busyTimeout.load())
        return 0;
    if (!t_waitShown && elapsed >= 200 && onMainThread()) {
        if (WaitObserver* o = g_observer.load()) {
            t_waitShown = true;
            o->waitStarted();
        }
    }
    // Short steps: a writer that keeps coming back must not starve this one.
    QThread::msleep(1);
    return 1;
}

void endWait()
{
    if (!t_waitShown)
        return;
    t_waitShown = false;
    if (WaitObserver* o = g_observer.load())
        o->waitEnded();
}

// A server lock wait that runs out, or a file another connection holds.
bool isBusy(const QSqlError& e)
{
    const QString code = e.nativeErrorCode();
    return code == QStringLiteral("5") || code == QStringLiteral("6")
           || code == QStringLiteral("55P03") || code == QStringLiteral("40P01")
           || e.databaseText().contains(QStringLiteral("database is locked"))
           || e.databaseText().contains(QStringLiteral("lock timeout"));
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
    if (handle)
        sqlite3_busy_handler(handle, &onBusy, nullptr);
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

QMutex g_passwordLock;
QHash<QString, QString> g_passwords; // server address -> password given this start

void applyPassword(QSqlDatabase& db, const QString& address)
{
    QMutexLocker lock(&g_passwordLock);
    const auto it = g_passwords.constFind(address);
    if (it != g_passwords.constEnd())
        db.setPassword(*it);
}

QMutex g_readOnlyLock;
QHash<QString, QString> g_readOnlyReasons; // canonical path -> why it is only read

// Why the file or its folder refuses writes; empty when both take them.
QString writeRefusal(const QString& canonicalPath)
{
#ifdef Q_OS_UNIX
    const auto why = [](const QString& what) -> QString {
        switch (errno) {
        case EROFS:
            return QStringLiteral("%1 is on a drive that is mounted read-only").arg(what);
        case EPERM:
            return QStringLiteral("%1 is marked as not to be changed").arg(what);
        case EACCES:
            return QStringLiteral("you have no permission to change %1").arg(what);
        default:
            return QStringLiteral("%1 cannot be written (%2)").arg(what, qt_error_string(errno));
        }
    };
    if (::access(QFile::encodeName(canonicalPath).constData(), W_OK) != 0 && errno != ENOENT)
        return why(QStringLiteral("the file"));
    // A write needs the folder too, for its journal.
    const QString folder = QFileInfo(canonicalPath).absolutePath();
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0 && errno != ENOENT)
        return why(QStringLiteral("its folder"));
#else
    Q_UNUSED(canonicalPath);
#endif
    return {};
}

QMutex g_identityLock;
QHash<QString, QString> g_identities; // connection name -> identity of its file

QString connectionName(const QString& canonicalPath)
{
    return QStringLiteral("vestra|%1|%2")
        .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()))
        .arg(canonicalPath);
}

// A server database: one connection per address and thread, like a file's.
Database openServer(const QString& address, QString* error)
{
    Database result;
    const std::optional<ServerAddress> parts = ParseServerAddress(address, error);
    if (!parts)
        return result;
    const QString name = connectionName(address);
    QSqlDatabase db;
    if (QSqlDatabase::contains(name)) {
        db = QSqlDatabase::database(name, false);
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(parts->host);
        if (parts->port > 0)
            db.setPort(parts->port);
        db.setUserName(parts->user);
        db.setDatabaseName(parts->database);
        db.setConnectOptions(connectOptions(*parts));
    }
    applyPassword(db, address);
    if (!db.isOpen()) {
        if (!db.open()) {
            if (error)
                *error = db.lastError().text();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            return result;
        }
        // A writer waits for another as long as on a shared file, then fails.
        setLimits(db);
    }
    result.handle() = db;
    return result;
}

Database openNamed(const QString& path, bool mustExist)
{
    Database result;
    QFileInfo fi(path);
    if (path.isEmpty() || (mustExist && !fi.isFile()) || fi.isDir()
        || !SpecialFileText(path).isEmpty())
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
    // A file that can only be read is opened so: a write then fails at once
    // with the reason, instead of halfway with a journal left behind.
    const QString readOnlyOption = QStringLiteral("QSQLITE_OPEN_READONLY");
    const bool readOnly = g_readOnly || (mustExist && !ReadOnlyText(canon).isEmpty());
    if (QSqlDatabase::contains(name)
        && QSqlDatabase::database(name, false).connectOptions().contains(readOnlyOption)
               != readOnly) {
        {
            QSqlDatabase other = QSqlDatabase::database(name, false);
            other.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    if (QSqlDatabase::contains(name)) {
        db = QSqlDatabase::database(name, false);
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(canon);
        if (readOnly)
            db.setConnectOptions(readOnlyOption);
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

QString QuotedName(const QString& name)
{
    QString inner = name;
    return QLatin1Char('"') + inner.replace(QLatin1Char('"'), QStringLiteral("\"\""))
           + QLatin1Char('"');
}

QString ReadOnlyText(const QString& path)
{
    if (path.isEmpty() || IsServerAddress(path))
        return {};
    const QString canon = canonical(path);
    QString why;
    {
        QMutexLocker lock(&g_readOnlyLock);
        why = g_readOnlyReasons.value(canon);
    }
    if (why.isEmpty())
        why = writeRefusal(canon);
    if (why.isEmpty())
        return {};
    return QStringLiteral("The booking file %1 can only be read: %2. The schedule is shown as it "
                          "is; nothing can be stored in it.")
        .arg(QDir::toNativeSeparators(path), why);
}

void SetReadOnlyReason(const QString& path, const QString& reason)
{
    QMutexLocker lock(&g_readOnlyLock);
    if (reason.isEmpty())
        g_readOnlyReasons.remove(canonical(path));
    else
        g_readOnlyReasons.insert(canonical(path), reason);
}

QString SpecialFileText(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (path.isEmpty() || IsServerAddress(path)
        || ::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode)
        || S_ISDIR(st.st_mode))
        return {};
    const QString kind = S_ISFIFO(st.st_mode)   ? QStringLiteral("a named pipe")
                         : S_ISSOCK(st.st_mode) ? QStringLiteral("a socket")
                         : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? QStringLiteral("a device")
                                                                      : QStringLiteral("no file");
    return QStringLiteral("%1 is %2, not a booking file; it was not opened.")
        .arg(QDir::toNativeSeparators(path), kind);
#else
    Q_UNUSED(path);
    return {};
#endif
}

QString BusyText()
{
    return QStringLiteral(
        "The booking file is busy on another workstation; nothing was changed. Try again.");
}

QString RefusalText(const QString& what, const QString& error)
{
    return error == BusyText() ? error : what + error;
}

void SetBusyTimeout(int milliseconds)
{
    g_busyTimeout = milliseconds;
}

void SetReadOnlyStores(bool readOnly)
{
    g_readOnly = readOnly;
}

void SetStatementTimeout(int milliseconds)
{
    g_statementTimeout = milliseconds;
}

QString ServerSilentText(const QString& address)
{
    return QStringLiteral("The database server (%1) does not answer. What you typed is still on "
                          "the screen; try again in a moment, Vestra then connects afresh.")
        .arg(StoreDisplayName(address));
}

LongStatements::LongStatements(Database& db)
    : m_db(db), m_server(db.isValid() && db.engine() == Engine::PostgreSQL)
{
    ++t_longStatements;
    if (m_server)
        m_db.exec(QStringLiteral("SET statement_timeout = 0"));
}

LongStatements::~LongStatements()
{
    --t_longStatements;
    if (m_server && m_db.isValid())
        m_db.exec(QStringLiteral("SET statement_timeout = %1").arg(g_statementTimeout.load()));
}

void SetWaitObserver(WaitObserver* observer)
{
    g_observer = observer;
}

bool IsServerAddress(const QString& store)
{
    return store.startsWith(QStringLiteral("postgresql://"))
           || store.startsWith(QStringLiteral("postgres://"));
}

std::optional<ServerAddress> ParseServerAddress(const QString& address, QString* error)
{
    auto fail = [&](const QString& why) -> std::optional<ServerAddress> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    // libpq's URI form; QUrl refuses an empty host with a user, which the
    // socket form (postgresql://user@/db?host=/dir) needs.
    static const QRegularExpression form(
        QStringLiteral("^postgres(?:ql)?://(?:([^@/]*)@)?(\\[[^\\]]*\\]|[^/:?]*)(?::(\\d+))?/([^?/"
                       "]+)(?:\\?(.*))?$"));
    const QRegularExpressionMatch m = form.match(address);
    if (!m.hasMatch())
        return fail(QStringLiteral("not a server address: ") + address);
    ServerAddress out;
    const QString userInfo = m.captured(1);
    if (userInfo.contains(QLatin1Char(':')))
        return fail(QStringLiteral("a server address must not carry a password; use ~/.pgpass"));
    out.user = QUrl::fromPercentEncoding(userInfo.toUtf8());
    out.host = QUrl::fromPercentEncoding(m.captured(2).toUtf8());
    if (!m.captured(3).isEmpty())
        out.port = m.captured(3).toInt();
    out.database = QUrl::fromPercentEncoding(m.captured(4).toUtf8());
    static const QStringList sslModes = {"disable", "allow",     "prefer",
                                         "require", "verify-ca", "verify-full"};
    QStringList options;
    for (const auto& [key, value] : QUrlQuery(m.captured(5)).queryItems(QUrl::FullyDecoded)) {
        if (key == QStringLiteral("host"))
            out.host = value;
        else if (key == QStringLiteral("port"))
            out.port = value.toInt();
        else if (key == QStringLiteral("user"))
            out.user = value;
        else if (key == QStringLiteral("password"))
            return fail(
                QStringLiteral("a server address must not carry a password; use ~/.pgpass"));
        else if (key == QStringLiteral("sslmode") && !sslModes.contains(value))
            return fail(QStringLiteral("unknown sslmode in server address: ") + value);
        else if (key == QStringLiteral("sslrootcert")) {
            // libpq 15 knows no "system"; the system's certificate bundle stands for it.
            const QString path =
                value == QStringLiteral("system") ? QString::fromUtf8(kSystemRootCerts) : value;
            if (path.isEmpty() || path.contains(QLatin1Char(';')))
                return fail(QStringLiteral("not a usable root certificate file: ") + value);
            options << key + QLatin1Char('=') + conninfoQuoted(path);
        } else if (key == QStringLiteral("sslmode") || key == QStringLiteral("connect_timeout")
                   || key == QStringLiteral("application_name"))
            options << key + QLatin1Char('=') + value;
        else
            return fail(QStringLiteral("unknown option in server address: ") + key);
    }
    out.options = options.join(QLatin1Char(';'));
    return out;
}

QString LibpqAddress(const QString& address)
{
    static const QRegularExpression system(QStringLiteral("([?&]sslrootcert=)system(?=&|$)"));
    return QString(address).replace(
        system,
        QStringLiteral("\\1") + QString::fromLatin1(QUrl::toPercentEncoding(kSystemRootCerts)));
}

void SetServerPassword(const QString& address, const QString& password)
{
    QMutexLocker lock(&g_passwordLock);
    if (password.isEmpty())
        g_passwords.remove(address);
    else
        g_passwords.insert(address, password);
}

bool AsksForPassword(const QString& connectionError)
{
    // libpq's own words: none was given, or the one given was refused.
    return connectionError.contains(QStringLiteral("no password supplied"))
           || connectionError.contains(QStringLiteral("password authentication failed"));
}

QString ConnectionFailureText(const QString& address, const QString& connectionError)
{
    const QString words = connectionError.simplified();
    const std::optional<ServerAddress> parts = ParseServerAddress(address);
    // libpq logs in as the operating system's user when the address names none.
    QString user = parts ? parts->user : QString();
    if (user.isEmpty())
        user = qEnvironmentVariable("PGUSER", qEnvironmentVariable("USER"));
    QString server = parts && !parts->host.isEmpty() ? parts->host : QStringLiteral("localhost");
    if (parts && parts->port > 0)
        server += QLatin1Char(':') + QString::number(parts->port);
    const QString database = parts ? parts->database : QString();
    auto has = [&words](const char* text) { return words.contains(QLatin1String(text)); };
    // libpq's words, told in the user's; its own text never reaches the screen.
    if (has("password authentication failed"))
        return QStringLiteral("The server refused the password for user %1.").arg(user);
    if (has("no password supplied"))
        return QStringLiteral("The server asks for a password for user %1 and none was given.")
            .arg(user);
    if (has("timeout expired"))
        return ServerSilentText(address);
    if (IsMissingDatabase(words))
        return QStringLiteral("The database \"%1\" does not exist on the server %2.")
            .arg(database, server);
    if (has("role \"") && has("does not exist"))
        return QStringLiteral("The server %1 knows no user %2.").arg(server, user);
    if (has("could not translate host name"))
        return QStringLiteral("The database server cannot be reached: no computer named %1 is "
                              "known on the network.")
            .arg(parts ? parts->host : server);
    if (has("does not support SSL"))
        return QStringLiteral("The server %1 does not offer encrypted connections, and this "
                              "connection requires one.")
            .arg(server);
    if (has("no pg_hba.conf entry") && has("no encryption"))
        return QStringLiteral("The server %1 accepts only encrypted connections; choose \"Require "
                              "an encrypted, verified connection\".")
            .arg(server);
    if (has("no pg_hba.conf entry"))
        return QStringLiteral("The server %1 does not let user %2 connect to database %3 from "
                              "this computer.")
            .arg(server, user, database);
    if (has("root certificate file"))
        return QStringLiteral("The root certificate file chosen for the server %1 cannot be "
                              "read.")
            .arg(server);
    if (has("does not match host name"))
        return QStringLiteral("The server %1 showed a certificate made out to another name; the "
                              "connection was not made.")
            .arg(server);
    if (has("certificate verify failed") || has("certificate"))
        return QStringLiteral("The certificate of the server %1 could not be verified against the "
                              "root certificate; the connection was not made.")
            .arg(server);
    static const QRegularExpression unreachable(
        QStringLiteral("could not connect|Connection refused|No such file or directory|Network "
                       "is unreachable|server closed the connection|no connection to the server"));
    if (unreachable.match(words).hasMatch())
        return QStringLiteral("The database server cannot be reached: nothing answers at %1. Is "
                              "the server running, and are its name and port right?")
            .arg(server);
    if (has("too many clients") || has("is starting up") || has("is shutting down"))
        return QStringLiteral("The server %1 takes no connections just now; try again in a moment.")
            .arg(server);
    return QStringLiteral("The server %1 refused the connection.").arg(server);
}

QString StoreDisplayName(const QString& store, bool brief)
{
    const std::optional<ServerAddress> server =
        IsServerAddress(store) ? ParseServerAddress(store) : std::nullopt;
    if (!server)
        return brief ? QFileInfo(store).fileName() : QDir::toNativeSeparators(store);
    if (brief)
        return server->database;
    QString host = server->host.isEmpty() ? QStringLiteral("localhost") : server->host;
    if (server->port > 0)
        host += QLatin1Char(':') + QString::number(server->port);
    QString name = QStringLiteral("database %1 on %2").arg(server->database, host);
    if (!server->user.isEmpty())
        name += QStringLiteral(" as ") + server->user;
    return name;
}

bool IsMissingDatabase(const QString& connectionError)
{
    static const QRegularExpression missing(QStringLiteral("database \".*\" does not exist"));
    return missing.match(connectionError).hasMatch();
}

QString ServerAddressWithDatabase(const QString& address, const QString& database)
{
    static const QRegularExpression form(
        QStringLiteral("^(postgres(?:ql)?://[^/]*/)([^?/]+)(\\?.*)?$"));
    const QRegularExpressionMatch m = form.match(address);
    if (!m.hasMatch())
        return {};
    return m.captured(1) + QString::fromLatin1(QUrl::toPercentEncoding(database)) + m.captured(3);
}

bool CreateServerDatabase(const QString& address, QString* error)
{
    const std::optional<ServerAddress> parts = ParseServerAddress(address, error);
    if (!parts)
        return false;
    const QString maintenance = ServerAddressWithDatabase(address, QStringLiteral("postgres"));
    {
        QMutexLocker lock(&g_passwordLock);
        const auto it = g_passwords.constFind(address);
        if (it != g_passwords.constEnd())
            g_passwords.insert(maintenance, *it);
    }
    bool made = false;
    {
        Database server = Database::open(maintenance);
        // A database name cannot be bound: it is quoted as an identifier.
        QString name = parts->database;
        name.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        made = server.isValid() && server.exec(QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
        if (!made && error)
            *error = server.lastError();
    }
    Database::closeAll(maintenance);
    SetServerPassword(maintenance, QString());
    return made;
}

Engine EngineOf(const QString& store)
{
    return IsServerAddress(store) ? Engine::PostgreSQL : Engine::SQLite;
}

Engine Database::engine() const
{
    return m_db.driverName() == QStringLiteral("QPSQL") ? Engine::PostgreSQL : Engine::SQLite;
}

Database Database::open(const QString& path)
{
    QString error;
    Database d = IsServerAddress(path) ? openServer(path, &error) : openNamed(path, true);
    d.m_path = path;
    d.m_error = error;
    return d;
}

QString Database::notOpenText() const
{
    if (IsServerAddress(m_path))
        return ConnectionFailureText(m_path, m_error.isEmpty() ? QStringLiteral("no connection to "
                                                                                "the server")
                                                               : m_error);
    if (!m_path.isEmpty() && !QFileInfo(m_path).isFile())
        return QStringLiteral("The booking file %1 cannot be reached; its folder or drive may be "
                              "gone.")
            .arg(QDir::toNativeSeparators(m_path));
    return QStringLiteral("database not open: ") + m_path;
}

void Database::failed(const QSqlError& error)
{
    m_error = isBusy(error) ? BusyText() : error.text();
    // SQLITE_READONLY and its extended codes: the file takes no writes.
    if (engine() == Engine::SQLite && (error.nativeErrorCode().toInt() & 0xff) == SQLITE_READONLY) {
        if (const QString why = ReadOnlyText(m_path); !why.isEmpty())
            m_error = why;
        return;
    }
    if (std::exchange(m_silent, false)) {
        // Cut off: the connection may be in any state, so it is opened afresh.
        m_db.close();
        m_error = ServerSilentText(m_path);
        return;
    }
    if (error.nativeErrorCode() == QStringLiteral("57014")
        && error.databaseText().contains(QStringLiteral("statement timeout"))) {
        m_error = ServerSilentText(m_path);
        return;
    }
    if (engine() != Engine::PostgreSQL) {
        // A connection still reads through its open handle, but a write
        // needs the folder for its journal.
        if (!m_path.isEmpty() && !QFileInfo(m_path).isFile())
            m_error = notOpenText();
        return;
    }
    // Only a failure is followed by a check, never a statement by a round
    // trip. A failure without the server's SQLSTATE code, or with a code of
    // a lost connection or a server shutting down, may have left the
    // connection dead; a trivial query then tells that apart from a
    // statement the server merely refused.
    auto mayBeGone = [](const QSqlError& e) {
        const QString code = e.nativeErrorCode();
        return e.type() == QSqlError::ConnectionError || code.isEmpty()
               || code.startsWith(QStringLiteral("08")) || code.startsWith(QStringLiteral("57P"));
    };
    if (!mayBeGone(error))
        return;
    QSqlQuery probe(m_db);
    if (probe.exec(QStringLiteral("SELECT 1")) || !mayBeGone(probe.lastError()))
        return; // answered, e.g. inside a transaction that already failed
    probe = QSqlQuery();
    m_db.close();
    m_error = ConnectionFailureText(m_path, error.text().trimmed().isEmpty()
                                                ? QStringLiteral("no connection to the server")
                                                : error.text());
}

Database Database::create(const QString& path)
{
    // A server database is made by its administrator; it is opened as it is.
    if (IsServerAddress(path))
        return open(path);
    Database d = openNamed(path, false);
    d.m_path = path;
    return d;
}

bool Database::probeReadOnly(const QString& path, const std::function<bool(Database&)>& fn)
{
    if (IsServerAddress(path)) {
        const std::optional<ServerAddress> parts = ParseServerAddress(path);
        if (!parts)
            return false;
        const QString name = QStringLiteral("vestra-probe|") + QUuid::createUuid().toString();
        bool result = false;
        {
            Database d;
            d.m_path = path;
            d.m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            d.m_db.setHostName(parts->host);
            if (parts->port > 0)
                d.m_db.setPort(parts->port);
            d.m_db.setUserName(parts->user);
            d.m_db.setDatabaseName(parts->database);
            d.m_db.setConnectOptions(connectOptions(*parts));
            applyPassword(d.m_db, path);
            if (d.m_db.open() && d.exec(QStringLiteral("SET default_transaction_read_only = on"))
                && setLimits(d.m_db))
                result = fn(d);
            d.m_db.close();
            d.m_db = QSqlDatabase();
        }
        QSqlDatabase::removeDatabase(name);
        return result;
    }
    QFileInfo fi(path);
    if (path.isEmpty() || !fi.isFile() || !SpecialFileText(path).isEmpty())
        return false;
    bool busy = false;
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
            busy = d.m_error == BusyText();
            d.m_db.close();
            d.m_db = QSqlDatabase();
        }
        QSqlDatabase::removeDatabase(name);
        return result;
    };
    if (attempt(QStringLiteral("QSQLITE_OPEN_READONLY")))
        return true;
    // A workstation that stopped in the middle of a write leaves its journal
    // behind; the file reads again only once the journal is rolled back, which
    // takes a connection that may write. Without this the booking file would
    // be refused as no database at all.
    // A file busy on another workstation has waited its time already.
    if (busy || !QFileInfo::exists(fi.absoluteFilePath() + QStringLiteral("-journal")))
        return false;
    return attempt(QString());
}

bool Database::backupFile(const QString& source, const QString& target, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (QFileInfo::exists(target))
        return fail(QStringLiteral("%1 exists already").arg(target));
    const QString partial = target + QStringLiteral(".part");
    QFile::remove(partial);
    QString why = QStringLiteral("%1 cannot be read").arg(source);
    const bool copied = probeReadOnly(source, [&](Database& d) {
        const QVariant v = d.m_db.driver()->handle();
        sqlite3* from = *static_cast<sqlite3* const*>(v.data());
        sqlite3* to = nullptr;
        int rc = sqlite3_open_v2(QFile::encodeName(partial).constData(), &to,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (rc == SQLITE_OK) {
            // One step copies every page under one read lock: one moment's file.
            sqlite3_backup* b = sqlite3_backup_init(to, "main", from, "main");
            rc = b ? sqlite3_backup_step(b, -1) : sqlite3_errcode(to);
            if (b && sqlite3_backup_finish(b) != SQLITE_OK && rc == SQLITE_DONE)
                rc = sqlite3_errcode(to);
        }
        if (rc != SQLITE_DONE)
            why = rc == SQLITE_BUSY || rc == SQLITE_LOCKED
                      ? BusyText()
                      : QStringLiteral("%1 could not be written: %2")
                            .arg(partial, QString::fromUtf8(sqlite3_errstr(rc)));
        sqlite3_close(to);
        return rc == SQLITE_DONE;
    });
    if (!copied || !QFile::rename(partial, target)) {
        QFile::remove(partial);
        return fail(copied ? QStringLiteral("%1 could not be named %2").arg(partial, target) : why);
    }
    return true;
}

void Database::closeAll(const QString& path)
{
    const QString canon = IsServerAddress(path) ? path : canonical(path);
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
    if (path.isEmpty()) // no file chosen yet: nothing to read, nothing to warn about
        return std::nullopt;
    if (IsServerAddress(path)) {
        int version = -1;
        probeReadOnly(path, [&](Database& db) {
            version = db.schemaVersion();
            return true;
        });
        return version >= 0 ? std::optional<int>(version) : std::nullopt;
    }
    QFile f(path);
    if (!SpecialFileText(path).isEmpty() || !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The header: a 16-byte magic text, and at byte 60 the user version as a
    // 4-byte big-endian number.
    const QByteArray header = f.read(64);
    if (header.size() < 64 || !header.startsWith(QByteArray("SQLite format 3\0", 16)))
        return std::nullopt;
    // Garbage behind the magic text is no header: every real one has the
    // fixed payload fractions 64/32/32 and a page size that is a power of two.
    const auto* u = reinterpret_cast<const uchar*>(header.constData());
    const quint32 pageSize = (quint32(u[16]) << 8) | u[17];
    if (u[21] != 64 || u[22] != 32 || u[23] != 32
        || (pageSize != 1 && (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)))
        return std::nullopt;
    const auto* b = reinterpret_cast<const uchar*>(header.constData()) + 60;
    return static_cast<qint32>((quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8)
                               | quint32(b[3]));
}

bool Database::runWatched(QSqlQuery& q, const QString& sql, const QVariantList& binds)
{
    m_silent = false;
    const int limit = g_statementTimeout.load();
    PGconn* conn = nullptr;
    if (limit > 0 && t_longStatements == 0 && engine() == Engine::PostgreSQL) {
        const QVariant v = m_db.driver()->handle();
        // The driver names libpq's connection by the struct behind the typedef.
        if (v.isValid()
            && (qstrcmp(v.typeName(), "pg_conn*") == 0 || qstrcmp(v.typeName(), "PGconn*") == 0))
            conn = *static_cast<PGconn* const*>(v.data());
    }
    const int socket = conn ? PQsocket(conn) : -1;
    if (socket < 0)
        return run(q, sql, binds);
    // A little past the server's own limit, so that a server that answers
    // stops the statement itself.
    Watchdog& dog = Watchdog::instance();
    const quint64 ticket = dog.watch(socket, limit + 2000);
    const bool ok = run(q, sql, binds);
    m_silent = dog.release(ticket) && !ok;
    return ok;
}

bool Database::run(QSqlQuery& q, const QString& sql, const QVariantList& binds)
{
    // The server prepares only queries and row changes; a statement that
    // binds nothing (schema changes, locks, transactions) is sent as it is.
    bool ok = false;
    if (binds.isEmpty() && engine() == Engine::PostgreSQL) {
        ok = q.exec(sql);
    } else if (q.prepare(sql)) {
        for (const QVariant& v : binds)
            q.addBindValue(v);
        ok = q.exec();
    }
    endWait();
    return ok;
}

void Database::rollback()
{
    const QString error = m_error;
    exec(QStringLiteral("ROLLBACK"));
    m_error = error;
}

bool Database::exec(const QString& sql, const QVariantList& binds)
{
    m_changed = 0;
    if (!isValid()) {
        m_error = notOpenText();
        return false;
    }
    QSqlQuery q(m_db);
    if (!runWatched(q, sql, binds)) {
        failed(q.lastError());
        return false;
    }
    m_changed = q.numRowsAffected();
    m_error.clear();
    return true;
}

std::optional<QSqlQuery> Database::query(const QString& sql, const QVariantList& binds)
{
    if (!isValid()) {
        m_error = notOpenText();
        return std::nullopt;
    }
    QSqlQuery q(m_db);
    q.setForwardOnly(dialect::forwardOnlyReads(engine()));
    if (!runWatched(q, sql, binds)) {
        failed(q.lastError());
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
    if (engine() == Engine::PostgreSQL) {
        // Unquoted names are kept in lower case on the server.
        auto q = query(QStringLiteral("SELECT 1 FROM pg_class c JOIN pg_namespace n "
                                      "ON n.oid = c.relnamespace WHERE n.nspname = "
                                      "current_schema() AND c.relname = lower(?)"),
                       {name});
        return q && q->next();
    }
    // SQLite compares names without regard to ASCII case, as the program does.
    auto q = query(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type IN ('table','view') "
                                  "AND name = ? COLLATE NOCASE"),
                   {name});
    return q && q->next();
}

// A server database has no header to keep the version in: it is the one row
// of a table of its own, and a database without that table is version 0.
namespace {
const QString kVersionTable = QStringLiteral("vestra_schema_version");
}

int Database::schemaVersion()
{
    if (engine() == Engine::PostgreSQL) {
        const QVariant present =
            scalar(QStringLiteral("SELECT to_regclass(?) IS NOT NULL"), {kVersionTable});
        if (!present.isValid())
            return -1;
        if (!present.toBool())
            return 0;
        const QVariant v =
            scalar(QStringLiteral("SELECT coalesce(max(version), 0) FROM ") + kVersionTable);
        return v.isValid() ? v.toInt() : -1;
    }
    const QVariant v = scalar(QStringLiteral("PRAGMA user_version"));
    return v.isValid() ? v.toInt() : -1;
}

bool Database::setSchemaVersion(int version)
{
    if (engine() == Engine::PostgreSQL) {
        return exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (version integer NOT NULL)")
                        .arg(kVersionTable))
               && exec(QStringLiteral("DELETE FROM ") + kVersionTable)
               && exec(QStringLiteral("INSERT INTO %1 (version) VALUES (?)").arg(kVersionTable),
                       {version});
    }
    // A pragma takes no bound values; the number is the program's own.
    return exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
}

Transaction::Transaction(Database& db) : m_db(db)
{
    // A file that can only be read refuses the write before it starts.
    if (m_db.isValid() && m_db.engine() == Engine::SQLite) {
        if (const QString why = ReadOnlyText(m_db.path()); !why.isEmpty()) {
            m_db.m_error = why;
            return;
        }
    }
    const QStringList statements = dialect::beginWrite(m_db.engine());
    m_active = m_db.exec(statements.first());
    for (qsizetype i = 1; m_active && i < statements.size(); ++i) {
        if (!m_db.exec(statements[i])) {
            m_db.rollback();
            m_active = false;
        }
    }
}

Transaction::~Transaction()
{
    if (m_active)
        m_db.rollback();
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    m_active = false;
    if (m_db.exec(QStringLiteral("COMMIT")))
        return true;
    // A commit refused while another workstation reads leaves the
    // transaction open; its rollback must not hide why.
    m_db.rollback();
    return false;
}

namespace dialect {
bool forwardOnlyReads(Engine engine)
{
    return engine == Engine::SQLite;
}

QStringList beginWrite(Engine engine)
{
    if (engine == Engine::PostgreSQL)
        return {QStringLiteral("BEGIN"),
                QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kWriteLockKey)};
    return {QStringLiteral("BEGIN IMMEDIATE")};
}

QString firstRead(Engine engine)
{
    // A file that is not a database opens, but fails on its first read; a
    // server database that opens is one.
    return engine == Engine::PostgreSQL ? QStringLiteral("SELECT 1")
                                        : QStringLiteral("SELECT count(*) FROM sqlite_master");
}

QString quickCheck(Engine engine)
{
    return engine == Engine::SQLite ? QStringLiteral("PRAGMA quick_check") : QString();
}

QString schemaObjects(Engine engine)
{
    // pg_class lists every table, also those the role may not read
    // (information_schema leaves them out).
    return engine == Engine::PostgreSQL
               ? QStringLiteral("SELECT c.relname FROM pg_class c JOIN pg_namespace n "
                                "ON n.oid = c.relnamespace WHERE n.nspname = current_schema() "
                                "AND c.relkind IN ('r', 'v', 'm', 'p', 'f')")
               : QStringLiteral("SELECT name FROM sqlite_master WHERE type IN ('table', 'view')");
}

QString schemaStatement(Engine engine, const QString& statement)
{
    if (engine == Engine::SQLite)
        return statement;
    using RE = QRegularExpression;
    static const RE identity(QStringLiteral("\\bINTEGER PRIMARY KEY AUTOINCREMENT\\b"),
                             RE::CaseInsensitiveOption);
    static const RE real(QStringLiteral("\\bREAL\\b"), RE::CaseInsensitiveOption);
    static const RE blob(QStringLiteral("\\bBLOB\\b"), RE::CaseInsensitiveOption);
    static const RE clearCounters(QStringLiteral("^DELETE FROM sqlite_sequence$"),
                                  RE::CaseInsensitiveOption);
    // INSERT INTO sqlite_sequence (name, seq) SELECT 'table', value FROM (…)
    static const RE setCounter(
        QStringLiteral("^INSERT INTO sqlite_sequence \\(name, seq\\) SELECT '(\\w+)', "
                       "(.+?) FROM (\\(.*\\))$"),
        RE::CaseInsensitiveOption | RE::DotMatchesEverythingOption
            | RE::UseUnicodePropertiesOption);
    const QString s = statement.trimmed();
    if (s.startsWith(QStringLiteral("CREATE TABLE"), Qt::CaseInsensitive)) {
        QString out = s;
        out.replace(identity,
                    QStringLiteral("integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
        out.replace(real, QStringLiteral("double precision"));
        out.replace(blob, QStringLiteral("bytea"));
        return out;
    }
    if (clearCounters.match(s).hasMatch())
        return {}; // a rebuilt table's identity starts afresh
    if (s.startsWith(QStringLiteral("DELETE"), Qt::CaseInsensitive)) {
        // A row's physical address stands in for SQLite's rowid; the archive
        // is only ever appended to, so the highest is the latest copy.
        static const RE rowid(QStringLiteral("\\browid\\b"), RE::CaseInsensitiveOption);
        QString out = s;
        return out.replace(rowid, QStringLiteral("ctid"));
    }
    if (const QRegularExpressionMatch m = setCounter.match(s); m.hasMatch()) {
        // The next number handed out is one past the value, as in SQLite.
        const QString table = m.captured(1).toLower();
        const QString value = m.captured(2);
        return QStringLiteral(
                   "SELECT setval(pg_get_serial_sequence('%1', (SELECT column_name FROM "
                   "information_schema.columns WHERE table_schema = current_schema() AND "
                   "table_name = '%1' AND is_identity = 'YES')), greatest(%2, 1), %2 > 0) "
                   "FROM %3 AS counted")
            .arg(table, value, m.captured(3));
    }
    return s;
}

QStringList countChanges(Engine engine, const QString& table, const QString& key)
{
    const QString counter = QString::fromLatin1(kChangeCounter);
    if (engine == Engine::PostgreSQL) {
        // A writer that sets the counter itself is left as it is.
        return {QStringLiteral("CREATE OR REPLACE FUNCTION vestra_count_change() RETURNS trigger "
                               "LANGUAGE plpgsql AS $$ BEGIN "
                               "IF NEW.%1 IS NOT DISTINCT FROM OLD.%1 THEN "
                               "NEW.%1 := coalesce(OLD.%1, 0) + 1; END IF; "
                               "RETURN NEW; END $$")
                    .arg(counter),
                QStringLiteral("CREATE TRIGGER %1_%2 BEFORE UPDATE ON %1 FOR EACH ROW "
                               "EXECUTE PROCEDURE vestra_count_change()")
                    .arg(table.toLower(), counter)};
    }
    // Recursive triggers are off, so the trigger's own update does not fire it again.
    return {QStringLiteral("CREATE TRIGGER %1_%2 AFTER UPDATE ON %1 FOR EACH ROW "
                           "WHEN NEW.%2 IS OLD.%2 BEGIN "
                           "UPDATE %1 SET %2 = coalesce(OLD.%2, 0) + 1 WHERE %3 = NEW.%3; END")
                .arg(table, counter, key)};
}

QStringList announceBookingChanges(Engine engine)
{
    if (engine != Engine::PostgreSQL)
        return {};
    // One notice per changed row; the server folds equal notices of one
    // transaction into one, so a series on few days sends few.
    return {QStringLiteral("CREATE OR REPLACE FUNCTION vestra_booking_notice() RETURNS trigger "
                           "LANGUAGE plpgsql AS $$ DECLARE days text; BEGIN "
                           "IF TG_OP = 'INSERT' THEN days := NEW.bdato::text; "
                           "ELSIF TG_OP = 'DELETE' THEN days := OLD.bdato::text; "
                           "ELSE days := concat_ws(',', OLD.bdato, NEW.bdato); END IF; "
                           "PERFORM pg_notify('%1', coalesce(days, '')); RETURN NULL; END $$")
                .arg(QString::fromLatin1(kBookingChannel)),
            QStringLiteral("CREATE TRIGGER booking_notice AFTER INSERT OR UPDATE OR DELETE ON "
                           "booking FOR EACH ROW EXECUTE PROCEDURE vestra_booking_notice()")};
}

QString changeMark(Engine engine)
{
    // data_version changes only when another connection commits to the file.
    return engine == Engine::SQLite ? QStringLiteral("PRAGMA data_version") : QString();
}

QString fold(Engine engine, const QString& expression)
{
    // PostgreSQL's lower() folds every letter in a UTF8 database.
    return (engine == Engine::PostgreSQL ? QStringLiteral("lower(%1)")
                                         : QStringLiteral("vestra_fold(%1)"))
        .arg(expression);
}

QString beginTableRebuilds(Engine engine)
{
    // PostgreSQL renames a table in place; its views follow it.
    return engine == Engine::SQLite ? QStringLiteral("PRAGMA legacy_alter_table = ON") : QString();
}

QString endTableRebuilds(Engine engine)
{
    return engine == Engine::SQLite ? QStringLiteral("PRAGMA legacy_alter_table = OFF") : QString();
}
} // namespace dialect

} // namespace vestra
