#include "forms/boundrow.h"

#include <QSqlRecord>

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
    m_keyValue = key;
    m_positioned = true;
    return true;
}

QVariant BoundRow::value(const QString& field) const
{
    return m_values.value(field.toLower());
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

bool BoundRow::store(Database& db)
{
    if (!m_positioned || m_dirty.isEmpty())
        return true;
    QStringList sets;
    QVariantList binds;
    for (const QString& name : m_dirty) {
        sets << m_names.value(name) + QStringLiteral(" = ?");
        binds << m_values.value(name);
    }
    binds << m_keyValue;
    if (!db.exec(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                     .arg(m_table, sets.join(QStringLiteral(", ")), m_key),
                 binds))
        return false;
    m_dirty.clear();
    return true;
}

bool BoundRow::refill(Database& db)
{
    return find(db, m_keyValue);
}

} // namespace vestra
