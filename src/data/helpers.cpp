#include "data/helpers.h"

#include "data/audit.h"
#include "data/schema.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace vestra {

namespace {
QString withCriteria(QString sql, const QString& criteria)
{
    if (!criteria.isEmpty())
        sql += QStringLiteral(" Where ") + criteria;
    return sql;
}
} // namespace

std::optional<int> TakeKeys(Database& db, int count)
{
    auto q = db.query(
        QStringLiteral("UPDATE næstenøgle SET nextkey = nextkey + ? RETURNING nextkey - ?"),
        {count, count});
    if (!q || !q->next())
        return std::nullopt;
    const int first = q->value(0).toInt();
    // The one row must be there; a second row would hand out numbers twice.
    if (q->next())
        return std::nullopt;
    return first;
}

std::optional<int> NextKey(Database& db)
{
    // Tried once: the transaction already waits the busy timeout, and a retry
    // would make the user wait that long again.
    Transaction tx(db);
    if (!tx.ok())
        return std::nullopt;
    const auto key = TakeKeys(db, 1);
    if (key && tx.commit())
        return key;
    return std::nullopt;
}

bool CanOpenDatabase(const QString& path)
{
    return Database::probeReadOnly(
        path, [](Database& db) { return db.query(dialect::firstRead(db.engine())).has_value(); });
}

const QStringList& BookingSchemaObjects()
{
    // Every version of the schema has the tables and views of the first:
    // later steps rebuild them under the same names.
    static const QStringList names = [] {
        QStringList out;
        static const QRegularExpression create(
            QStringLiteral(
                "^\\s*CREATE\\s+(?:TABLE|VIEW)\\s+(?:IF\\s+NOT\\s+EXISTS\\s+)?\"?(\\w+)"),
            QRegularExpression::CaseInsensitiveOption
                | QRegularExpression::UseUnicodePropertiesOption);
        for (const QString& statement : SqlStatements(SqlResource(QStringLiteral("booking.sql"))))
            if (const auto m = create.match(statement); m.hasMatch())
                out << m.captured(1);
        return out;
    }();
    return names;
}

namespace {
// A file cut short (a copy that stopped, a share that dropped out) still
// opens, and its first pages may even list every table; its header says how
// long it should be.
bool cutShort(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray h = f.read(100);
    if (h.size() < 100 || !h.startsWith(QByteArray("SQLite format 3\0", 16)))
        return false;
    auto number = [&h](int at, int bytes) {
        quint32 n = 0;
        for (int i = 0; i < bytes; ++i)
            n = (n << 8) | quint8(h[at + i]);
        return n;
    };
    const quint32 pageSize = number(16, 2) == 1 ? 65536 : number(16, 2);
    // The page count is trusted only when written by the last change.
    if (pageSize < 512 || number(24, 4) != number(92, 4))
        return false;
    return f.size() < qint64(pageSize) * number(28, 4) || f.size() % pageSize != 0;
}
} // namespace

QString MissingTablesText(const QString& path, const QStringList& missing)
{
    return path
           + QStringLiteral(" is not a valid Vestra Bookingfile!\nIt lacks %1: %2.")
                 .arg(missing.size() == 1 ? QStringLiteral("this table")
                                          : QStringLiteral("these tables"),
                      missing.join(QStringLiteral(", ")));
}

BookingFileVerdict CheckBookingFile(const QString& path, QStringList* missing)
{
    if (path.isEmpty())
        return BookingFileVerdict::NoneChosen;
    if (!IsServerAddress(path)) {
        const QFileInfo fi(path);
        if (fi.isDir())
            return BookingFileVerdict::Invalid;
        if (!fi.exists())
            return BookingFileVerdict::Unreachable;
        if (!SpecialFileText(path).isEmpty() || cutShort(path))
            return BookingFileVerdict::Invalid;
    }
    BookingFileVerdict verdict =
        IsServerAddress(path) ? BookingFileVerdict::Unreachable : BookingFileVerdict::Invalid;
    Database::probeReadOnly(path, [&](Database& db) {
        auto q = db.query(dialect::schemaObjects(db.engine()));
        if (!q) {
            verdict = db.lastError() == BusyText() ? BookingFileVerdict::Busy
                                                   : BookingFileVerdict::Invalid;
            return false;
        }
        QSet<QString> present;
        while (q->next())
            present.insert(q->value(0).toString().toCaseFolded());
        verdict = BookingFileVerdict::Valid;
        QStringList lacking;
        for (const QString& name : BookingSchemaObjects())
            if (!present.contains(name.toCaseFolded()))
                lacking << name;
        // A database of another program shares few tables with ours, if
        // any: it is not a booking file that lost some.
        if (!lacking.isEmpty()) {
            verdict = BookingFileVerdict::Invalid;
            if (missing && lacking.size() * 2 < BookingSchemaObjects().size())
                *missing = lacking;
        }
        return verdict == BookingFileVerdict::Valid;
    });
    return verdict;
}

QStringList BookingTablesWithoutRights(Database& db)
{
    if (db.engine() != Engine::PostgreSQL)
        return {};
    auto q = db.query(QStringLiteral(
        "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
        "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v', 'p') "
        "AND NOT has_table_privilege(c.oid, CASE c.relkind WHEN 'v' THEN 'SELECT' "
        "ELSE 'SELECT, INSERT, UPDATE, DELETE' END) ORDER BY c.relname"));
    QSet<QString> ours;
    for (const QString& name : BookingSchemaObjects())
        ours.insert(name.toCaseFolded());
    QStringList denied;
    while (q && q->next())
        if (const QString name = q->value(0).toString(); ours.contains(name.toCaseFolded()))
            denied << name;
    return denied;
}

bool IsBookingFile(const QString& path)
{
    return CheckBookingFile(path) == BookingFileVerdict::Valid;
}

int CountIn(Database& db, const QString& field, const QString& table, const QString& criteria,
            const QVariantList& binds)
{
    const QVariant v = db.scalar(
        withCriteria(QStringLiteral("Select Count(%1) From %2").arg(field, table), criteria),
        binds);
    return v.isValid() ? v.toInt() : -1;
}

QVariant LookupIn(Database& db, const QString& field, const QString& table, const QString& criteria,
                  const QVariantList& binds)
{
    return db.scalar(withCriteria(QStringLiteral("Select %1 From %2").arg(field, table), criteria),
                     binds);
}

bool RecordExistsIn(Database& db, const QString& table, const QString& field, const QVariant& value)
{
    auto q = db.query(QStringLiteral("Select 1 From %1 Where %2 = ? LIMIT 1").arg(table, field),
                      {value});
    // A check that cannot be made counts as a row found: the checks before a
    // deletion then refuse instead of deleting.
    if (!q)
        return true;
    return q->next();
}

bool AnyResourceItems(Database& db)
{
    auto q = db.query(QStringLiteral("SELECT 1 FROM lokale LIMIT 1"));
    return q && q->next();
}

Presence ItemPresence(Database& db, int item, int* type)
{
    auto q = db.query(QStringLiteral("SELECT lokalinr FROM lokale WHERE lokalenr = ?"), {item});
    if (!q)
        return Presence::Unknown;
    if (!q->next())
        return Presence::Absent;
    if (type)
        *type = q->value(0).toInt();
    return Presence::Present;
}

bool LoadFirstGroup(Database& db, int& groupNo, int& typeNo)
{
    auto q = db.query(QStringLiteral("SELECT Overgruppenr, Lokalitetsnr FROM firstgroups LIMIT 1"));
    if (!q || !q->next())
        return false;
    groupNo = q->value(0).toInt();
    typeNo = q->value(1).toInt();
    return true;
}

bool MayActForAccount(Database& db, int account, int loginAccountId, bool isAdmin)
{
    if (isAdmin)
        return true;
    return CountIn(db, QStringLiteral("*"), QStringLiteral("grptilk"),
                   QStringLiteral("gnr = ? And pnr = ?"), {account, loginAccountId})
           > 0;
}

std::optional<int> BookingAccount(Database& db, int bookingnr)
{
    const QVariant v =
        db.scalar(QStringLiteral("SELECT kontonr FROM Booking WHERE Bookingnr = ?"), {bookingnr});
    if (!v.isValid())
        return std::nullopt;
    return v.toInt();
}

bool DeleteBooking(Database& db, int bookingnr)
{
    Transaction tx(db);
    if (!tx.ok())
        return false;
    auto q = db.query(QStringLiteral("SELECT Beskrivelse, Bdato, Bstart, Bslut, Lokalenr FROM "
                                     "Booking WHERE Bookingnr = ?"),
                      {bookingnr});
    if (!q || !q->next())
        return false;
    const QString was =
        BookingSummary(q->value(0).toString(), q->value(1).toInt(), q->value(2).toInt(),
                       q->value(3).toInt(), q->value(4).toInt());
    q.reset();
    return db.exec(QStringLiteral("DELETE FROM Booking WHERE Bookingnr = ?"), {bookingnr})
           && db.changedRows() == 1
           && WriteAuditRow(db, AuditAction::Deleted, QString::number(bookingnr), was)
           && tx.commit();
}

QString ContainsPattern(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('!'), QStringLiteral("!!"))
        .replace(QLatin1Char('%'), QStringLiteral("!%"))
        .replace(QLatin1Char('_'), QStringLiteral("!_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

} // namespace vestra
