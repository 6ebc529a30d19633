#include "forms/boundrow.h"

#include <QSqlRecord>
#include <optional>

namespace vestra {

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
    m_stored.clear();
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
    m_stored = m_values;
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
    return m_stored.value(field.toLower());
}

bool BoundRow::setValue(const QString& field, const QVariant& value)
{
    const QString name = field.toLower();
    if (!m_positioned || !m_names.contains(name))
        return false;
    const QVariant old = m_values.value(name);
    const bool same = old.isNull() == value.isNull() && old.toString() == value.toString();
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
    QStringList sets;
    QVariantList binds;
    for (const QString& name : m_dirty) {
        sets << m_names.value(name) + QStringLiteral(" = ?");
        binds << m_values.value(name);
    }
    const QString counter = QString::fromLatin1(kChangeCounter);
    const QVariant seen = m_values.value(counter);
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
    if (db.changedRows() == 0) {
        const QVariant there =
            db.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 = ?").arg(m_table, m_key),
                      {m_keyValue});
        if (!there.isValid())
            m_fault = Fault::Failed;
        else
            m_fault = there.toInt() > 0 ? Fault::ChangedElsewhere : Fault::Gone;
        // A row deleted elsewhere is no longer one to write to.
        if (m_fault == Fault::Gone)
            m_positioned = false;
        return false;
    }
    if (alongside && (!alongside(db) || !tx->commit())) {
        m_fault = Fault::Failed;
        return false;
    }
    if (seen.isValid())
        m_values.insert(counter, seen.toLongLong() + 1);
    m_dirty.clear();
    m_stored = m_values;
    return true;
}

bool BoundRow::refill(Database& db)
{
    return find(db, m_keyValue);
}

} // namespace vestra
