#include "forms/boundrow.h"

#include <QSqlRecord>
#include <optional>

namespace vestra {

namespace {
bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    if (a.toString() == b.toString())
        return true;
    bool x = false, y = false;
    const double u = a.toDouble(&x), v = b.toDouble(&y);
    return x && y && u == v;
}
} // namespace

QString FieldChangedInBoth(const QList<QPair<QString, QVariant>>& typed,
                           const std::function<QVariant(const QString&)>& read,
                           const std::function<QVariant(const QString&)>& now)
{
    for (const auto& [field, value] : typed) {
        const QVariant stored = now(field);
        if (!sameValue(read(field), stored) && !sameValue(value, stored))
            return field;
    }
    return {};
}

BoundRow::BoundRow(QString source, QString table, QString key, QStringList writable)
    : m_source(std::move(source)), m_table(std::move(table)), m_key(std::move(key)),
      m_writable(std::move(writable))
{
    for (const QString& f : m_writable)
        m_names.insert(f.toLower(), f);
}

bool BoundRow::find(Database& db, const QVariant& key)
{
    m_values.clear();
    m_read.clear();
    m_dirty.clear();
    m_positioned = false;
    auto q = db.query(QStringLiteral("SELECT * FROM %1 WHERE %2 = ? LIMIT 1").arg(m_source, m_key),
                      {key});
    if (!q || !q->next())
        return false;
    const QSqlRecord r = q->record();
    for (int i = 0; i < r.count(); ++i) {
        const QString name = r.fieldName(i).toLower();
        // A joined query may carry a name twice; the first (the row's own) wins.
        if (!m_values.contains(name))
            m_values.insert(name, q->value(i));
    }
    m_read = m_values;
    m_keyValue = key;
    m_positioned = true;
    return true;
}

QVariant BoundRow::value(const QString& field) const
{
    return m_values.value(field.toLower());
}

QVariant BoundRow::storedValue(const QString& field) const
{
    return m_read.value(field.toLower());
}

bool BoundRow::setValue(const QString& field, const QVariant& value)
{
    const QString name = field.toLower();
    if (!m_positioned || !m_names.contains(name))
        return false;
    const QVariant old = m_values.value(name);
    // A null read from the server carries its type (and reads as "0"): two
    // nulls are the same whatever their types.
    const bool same =
        old.isNull() == value.isNull() && (old.isNull() || old.toString() == value.toString());
    m_values.insert(name, value);
    if (!same && !m_dirty.contains(name))
        m_dirty.append(name);
    return true;
}

QList<QPair<QString, QVariant>> BoundRow::pending() const
{
    QList<QPair<QString, QVariant>> out;
    for (const QString& name : m_dirty)
        out.append({m_names.value(name), m_values.value(name)});
    return out;
}

bool BoundRow::store(Database& db, const std::function<bool(Database&)>& alongside)
{
    m_fault = Fault::None;
    m_conflict.clear();
    m_merged = false;
    if (!m_positioned || m_dirty.isEmpty())
        return true;
    std::optional<Transaction> tx;
    if (alongside) {
        tx.emplace(db);
        if (!tx->ok()) {
            m_fault = Fault::Failed;
            return false;
        }
    }
    const QString counter = QString::fromLatin1(kChangeCounter);
    QVariant seen = m_values.value(counter);
    // A few rounds: each merge writes over the row as it was just read.
    for (int round = 0;; ++round) {
        QStringList sets;
        QVariantList binds;
        for (const QString& name : m_dirty) {
            sets << m_names.value(name) + QStringLiteral(" = ?");
            binds << m_values.value(name);
        }
        QString where = m_key + QStringLiteral(" = ?");
        if (seen.isValid()) {
            // The counter is set here, one past the one read, so that the next
            // store compares against what this one wrote.
            sets << counter + QStringLiteral(" = ?");
            binds << seen.toLongLong() + 1;
        }
        binds << m_keyValue;
        if (seen.isValid()) {
            where += QStringLiteral(" AND %1 = ?").arg(counter);
            binds << seen;
        }
        if (!db.exec(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                         .arg(m_table, sets.join(QStringLiteral(", ")), where),
                     binds)) {
            m_fault = Fault::Failed;
            return false;
        }
        if (db.changedRows() > 0)
            break;
        auto q = db.query(QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(m_table, m_key),
                          {m_keyValue});
        if (!q) {
            m_fault = Fault::Failed;
            return false;
        }
        if (!q->next()) {
            // A row deleted elsewhere is no longer one to write to.
            m_fault = Fault::Gone;
            m_positioned = false;
            return false;
        }
        const QSqlRecord now = q->record();
        m_conflict = FieldChangedInBoth(
            pending(), [this](const QString& f) { return m_read.value(f.toLower()); },
            [&now](const QString& f) { return now.value(f); });
        if (!seen.isValid() || !m_conflict.isEmpty() || round == 2) {
            m_fault = Fault::ChangedElsewhere;
            return false;
        }
        seen = now.value(counter);
        m_merged = true;
    }
    if (alongside && (!alongside(db) || !tx->commit())) {
        m_fault = Fault::Failed;
        return false;
    }
    if (seen.isValid())
        m_values.insert(counter, seen.toLongLong() + 1);
    m_dirty.clear();
    m_read = m_values;
    // Merged: the other write's fields are read, for the window to show.
    if (m_merged)
        find(db, m_keyValue);
    return true;
}

bool BoundRow::refill(Database& db)
{
    return find(db, m_keyValue);
}

} // namespace vestra
