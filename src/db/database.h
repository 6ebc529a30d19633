#pragma once
// Access to the booking file and the work database.
//
// A booking store is either a file path (SQLite, the default) or a server
// address postgresql://[user@]host[:port]/dbname[?sslmode=…|host=/socket/dir]
// (PostgreSQL through Qt's QPSQL driver). An address never carries a
// password: libpq finds it in ~/.pgpass or its environment.
//
// Every operation "opens" the database it needs; the connection behind it is
// cached per path and thread so that opening is cheap. Values always go in as
// bound parameters. Failures come back as values, never as message boxes.
//
// The one error style of the data layer: a function says whether it worked
// in its return value (false, nullopt, or a result struct with an error
// field); the text of the failure is lastError() of the Database it was
// given, or the QString* error out-parameter of a function that opens or
// builds a file itself.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <optional>

namespace vestra {

// The change counter of a booking, item or account row: raised by every
// write, compared by every write that started from a read of the row.
inline constexpr char kChangeCounter[] = "rowversion";

enum class Engine { SQLite, PostgreSQL };

// A table, column or index name quoted as an identifier on both engines,
// whatever it holds: a name read from a store is never taken as SQL text.
QString QuotedName(const QString& name);

// True when store names a server rather than a file.
bool IsServerAddress(const QString& store);
// The engine a store (file path or server address) is kept by.
Engine EngineOf(const QString& store);

// Why a path cannot be opened as a database file because it is no ordinary
// file (a named pipe, a device, a socket): opening one may wait for ever, so
// it is judged by its type before anything opens it. Empty for an ordinary
// file, a missing path or a server address.
QString SpecialFileText(const QString& path);

// Why the booking file at path can only be read, in words that say so: it
// was marked so (a damaged file), or the file or its folder refuses writes
// (a share mounted read-only, no permission, marked unchangeable). Empty when
// it may be written, and for a server. A file that can only be read is opened
// for reading only, so that no write ever leaves a journal beside it; every
// write on it is refused with this text.
QString ReadOnlyText(const QString& path);
// Marks a file to be opened for reading only, with the reason every refused
// write gives ("it is damaged: …"); an empty reason takes the mark away.
void SetReadOnlyReason(const QString& path, const QString& reason);

// The parts of a server address; nullopt (and error) when it is malformed or
// carries a password.
struct ServerAddress {
    QString user;
    QString host; // a name, or a folder holding the server's Unix socket
    int port = -1;
    QString database;
    QString options; // libpq's connection options, e.g. "sslmode=require"
};
std::optional<ServerAddress> ParseServerAddress(const QString& address, QString* error = nullptr);
// The system's trusted root certificates, which an address's sslrootcert=system
// (and an encrypted connection with no root certificate chosen) stands for.
inline constexpr char kSystemRootCerts[] = "/etc/ssl/certs/ca-certificates.crt";
// The address as libpq's own tools (pg_dump, pg_restore) read it, with
// sslrootcert=system spelled out as that file.
QString LibpqAddress(const QString& address);

// The password for a server address, kept in memory only (never in an
// address or a file) and used by every later connection to it; an empty
// password forgets it.
void SetServerPassword(const QString& address, const QString& password);
// True when a connection error says the server wants a password it did not get
// (or did not accept).
bool AsksForPassword(const QString& connectionError);
// Why a connection to a server address failed, in one plain sentence that
// names the cause (a refused or missing password with its user, a server that
// cannot be reached, a certificate not verified), never libpq's own text.
QString ConnectionFailureText(const QString& address, const QString& connectionError);
// A store as people read it: a file's path, or "database x on host as user"
// for a server (not the address with its escapes). With brief, only the
// file's name or the database's.
QString StoreDisplayName(const QString& store, bool brief = false);
// True when a connection error says the database named does not exist on the server.
bool IsMissingDatabase(const QString& connectionError);
// The address of another database on the same server, as the same user.
QString ServerAddressWithDatabase(const QString& address, const QString& database);
// Makes the database an address names (connecting to the server's "postgres"
// database as the same user, with the same password); false and the
// server's reason when it cannot.
bool CreateServerDatabase(const QString& address, QString* error = nullptr);

// How long a write waits for another workstation before it is refused: 5 s,
// the same on the file (busy handler) and the server (lock_timeout). A write
// is tried once; nothing retries it, so no wait is ever a multiple of this.
constexpr int kBusyTimeoutMs = 5000;
// The text of every refusal caused by that wait running out.
QString BusyText();
// The text of a refusal: the busy text alone, else what was being done and why.
QString RefusalText(const QString& what, const QString& error);
// Changes the wait for every connection of this process (tests shorten it).
void SetBusyTimeout(int milliseconds);
// Every store this process opens from now on may only be read (a room
// panel): a file is opened read-only, a server connection allows read-only
// transactions only.
void SetReadOnlyStores(bool readOnly);

// How long a statement on a server may run: the server stops it after this
// (statement_timeout), and a server that cannot even do that (its process
// stopped, the network gone) is given up on shortly after, so the user reads
// within 15 s that the server does not answer. 0: no limit (vestra-admin).
constexpr int kStatementTimeoutMs = 10000;
void SetStatementTimeout(int milliseconds);
// What the user reads about a server that does not answer.
QString ServerSilentText(const QString& address);
class Database;
// For its lifetime, the statements of this thread go without that limit:
// the daily run and an upgrade may take longer on a large store.
class LongStatements {
public:
    explicit LongStatements(Database& db);
    ~LongStatements();
    LongStatements(const LongStatements&) = delete;
    LongStatements& operator=(const LongStatements&) = delete;

private:
    Database& m_db;
    bool m_server = false;
};

// Told when a statement has waited for another workstation for a moment
// (about 200 ms) and again when the wait is over, so the window can show a
// busy cursor and a status line. Called on the main thread only.
class WaitObserver {
public:
    virtual ~WaitObserver() = default;
    virtual void waitStarted() = 0;
    virtual void waitEnded() = 0;
};
// Installs the observer (not owned); nullptr removes it.
void SetWaitObserver(WaitObserver* observer);

class Database {
public:
    // Opens (or reuses) a connection on an existing file or server database.
    // A missing file is never created: open() on it gives an invalid Database.
    // A store that does not open leaves the reason in lastError().
    static Database open(const QString& path);
    // Opens a file that may not exist yet; it is created empty.
    static Database create(const QString& path);
    // Opens a file or server database read-only on a connection of its own,
    // hands it to fn and closes it again; used to test stores the user picked.
    // False when the store does not open. A file with a journal left by an interrupted write
    // is opened for writing instead, so that the journal is rolled back.
    static bool probeReadOnly(const QString& path, const std::function<bool(Database&)>& fn);
    // Copies the database file source to target (which must not exist yet)
    // as it stands at one moment, while other workstations go on working:
    // SQLite's online backup, read under a shared lock. The copy is written
    // beside target and renamed, so a copy cut short never has its name.
    static bool backupFile(const QString& source, const QString& target, QString* error);
    // Drops every cached connection on this file (before it is replaced or removed).
    static void closeAll(const QString& path);
    // The schema version recorded in a database file, read from the file's
    // header without opening it through the engine: a file that must not be
    // written (one from a newer program) is not even touched by the rollback
    // of a journal left behind. nullopt when the file holds no database header.
    // For a server address, the version recorded on the server, read on a
    // read-only connection; nullopt when the server cannot be reached.
    static std::optional<int> storedSchemaVersion(const QString& path);

    Database() = default;
    bool isValid() const { return m_db.isValid() && m_db.isOpen(); }
    Engine engine() const;
    QString path() const { return m_path; }
    QString lastError() const { return m_error; }
    QSqlDatabase& handle() { return m_db; }

    // Runs a statement with bound values; false (and lastError) on failure.
    // A store that went away (a stopped server, a booking file whose folder
    // is gone) says so in lastError(); the store is opened afresh by the next
    // open() once it is back.
    bool exec(const QString& sql, const QVariantList& binds = {});
    // Runs a statement with bound values and returns the positioned-before-first query.
    std::optional<QSqlQuery> query(const QString& sql, const QVariantList& binds = {});
    // First column of the first row, or an invalid QVariant when there is none.
    QVariant scalar(const QString& sql, const QVariantList& binds = {});
    // Number of rows changed by the last exec().
    int changedRows() const { return m_changed; }

    bool hasTable(const QString& name);

    // The schema version recorded in the open database; -1 when it cannot be read.
    int schemaVersion();
    // Records the schema version; inside a transaction it is part of it.
    bool setSchemaVersion(int version);

private:
    friend class Transaction;
    bool run(QSqlQuery& q, const QString& sql, const QVariantList& binds);
    // Runs the statement; on a server, gives up on it (and the connection)
    // when no answer comes within the limit, leaving m_silent set.
    bool runWatched(QSqlQuery& q, const QString& sql, const QVariantList& binds);
    // Records why a statement failed; a server connection found broken is
    // closed, so that the next open() of the store connects afresh.
    void failed(const QSqlError& error);
    QString notOpenText() const;
    // A rollback that keeps the reason of the failure it undoes.
    void rollback();
    QSqlDatabase m_db;
    QString m_path;
    QString m_error;
    int m_changed = 0;
    bool m_silent = false;
};

// All-or-nothing scope: commits only when commit() is called, rolls back
// otherwise. On the shared booking file it takes the write lock at once
// (so two workstations queue instead of failing halfway).
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    bool ok() const { return m_active; }
    bool commit();

private:
    Database& m_db;
    bool m_active = false;
};

// Everything that differs between the two engines, in one place.
namespace dialect {
// The statements that open a write transaction. Writers take turns on both
// engines: SQLite takes the file's write lock at once, PostgreSQL a
// transaction-scoped advisory lock, so a check made before a write (a free
// time, a next number) still holds when the write lands.
QStringList beginWrite(Engine engine);
// Whether reads may go forward only. On the server a forward-only read streams
// its rows, and any other statement on the connection before the last row is
// read drops the rest (a loop that checks each row with another query would
// silently stop after the first); there every read fetches its rows whole.
bool forwardOnlyReads(Engine engine);
// A statement that succeeds only on a store that really is a database.
QString firstRead(Engine engine);
// A quick check of the store's own structure: one row "ok" when it is sound.
// Empty where the engine keeps its files sound itself (the server).
QString quickCheck(Engine engine);
// The names of the store's tables and views, one per row.
QString schemaObjects(Engine engine);
// An expression folding the text of another for case-insensitive matches:
// every letter, æ/ø/å as much as A-Z. Compare fold(a) = fold(b), or
// fold(a) LIKE fold(pattern). (SQLite: the program's own vestra_fold;
// PostgreSQL: lower(), which folds every letter in a UTF8 database.)
QString fold(Engine engine, const QString& expression);
// A table is rebuilt under a new name and renamed back; the saved queries
// that name it must be left as they are while the old one is gone. Empty
// where the engine needs nothing.
QString beginTableRebuilds(Engine engine);
QString endTableRebuilds(Engine engine);
// A statement of the program's schema scripts (written for SQLite) as the
// engine takes it: types and identity columns, and the numbering counters of
// sqlite_sequence as the identity sequences of the server. Empty when the
// engine has nothing to do for it.
QString schemaStatement(Engine engine, const QString& statement);
// The statements that make every update of a row in table (keyed by key)
// raise its change counter, so that a writer that read the row can tell
// whether anyone changed it since: SQLite by a trigger that writes the row
// again, PostgreSQL by one that sets the counter on the way in.
QStringList countChanges(Engine engine, const QString& table, const QString& key);
// Server only: a trigger that tells every listening workstation, on the
// channel kBookingChannel, the days (numbers separated by commas) whose
// bookings changed. Empty for SQLite, which is watched by changeMark().
QStringList announceBookingChanges(Engine engine);
inline constexpr char kBookingChannel[] = "vestra_bookings";
// A cheap read that gives a different value once another connection has
// written the store; empty where changes are announced instead.
QString changeMark(Engine engine);
// The key of the advisory lock PostgreSQL writers take turns on.
constexpr qint64 kWriteLockKey = 0x5645535452410001; // "VESTRA" + 1
} // namespace dialect

} // namespace vestra
