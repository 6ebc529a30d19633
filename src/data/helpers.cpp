#include "data/helpers.h"

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
    // Under heavy contention a step can still find the file busy after the
    // engine's own wait; the step is all-or-nothing, so it is simply tried again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        Transaction tx(db);
        if (!tx.ok())
            continue;
        const auto key = TakeKeys(db, 1);
        if (key && tx.commit())
            return key;
    }
    return std::nullopt;
}

bool CanOpenDatabase(const QString& path)
{
    return Database::probeReadOnly(
        path, [](Database& db) { return db.query(dialect::firstRead(db.engine())).has_value(); });
}

bool IsBookingFile(const QString& path)
{
    return Database::probeReadOnly(path, [](Database& db) {
        return db.query(QStringLiteral("SELECT * FROM RUC LIMIT 1")).has_value();
    });
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
    return db.exec(QStringLiteral("DELETE FROM Booking WHERE Bookingnr = ?"), {bookingnr})
           && db.changedRows() == 1;
}

} // namespace vestra
