#include "forms/recordsource.h"

#include "forms/boundrow.h"
#include "report/reportformat.h"
#include "session/session.h"

#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaProperty>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStyledItemDelegate>

namespace vestra {

namespace {

bool blank(const QVariant& v)
{
    return !v.isValid() || v.isNull() || v.toString().isEmpty();
}

// Writes an editor's value only when it differs from the stored one in
// substance: an untouched empty field stays NULL, 100 stays 100.0, and a
// record that was only looked at is not written at all.
class StoredValueDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        const QMetaProperty user = editor->metaObject()->userProperty();
        if (!user.isValid())
            return;
        QVariant v = index.data(Qt::EditRole);
        if (blank(v) && user.metaType().id() != QMetaType::QVariant)
            v = QVariant(user.metaType()); // empty text for a plain line edit
        editor->setProperty(user.name(), v);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override
    {
        const QMetaProperty user = editor->metaObject()->userProperty();
        if (!user.isValid())
            return;
        const QVariant now = editor->property(user.name());
        const QVariant stored = index.data(Qt::EditRole);
        if (blank(now) && blank(stored))
            return;
        if (!blank(now) && !blank(stored)) {
            if (now.toString() == stored.toString())
                return;
            if ((IsNumericValue(now) || IsNumericValue(stored)) && now.canConvert<double>()
                && stored.canConvert<double>()) {
                bool a = false, b = false;
                const double x = now.toDouble(&a);
                const double y = stored.toDouble(&b);
                if (a && b && x == y)
                    return;
            }
        }
        model->setData(index, blank(now) ? QVariant() : now, Qt::EditRole);
    }

    // The mapper watches its editors through the delegate, which would take
    // Escape to revert one field; the window's Cancel refills them all.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)
            && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            return false;
        return QStyledItemDelegate::eventFilter(watched, event);
    }
};

} // namespace

bool KeyedTableModel::keyBy(const QString& field)
{
    const int column = record().indexOf(field);
    if (column < 0)
        return false;
    QSqlIndex key(tableName(), QStringLiteral("key"));
    key.append(record().field(column));
    setPrimaryKey(key);
    return true;
}

void KeyedTableModel::hideUnreadableColumns()
{
    m_unreadable.clear();
    if (database().driverName() != QStringLiteral("QPSQL"))
        return;
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = to_regclass(?) "
                             "AND attnum > 0 AND NOT attisdropped "
                             "AND NOT has_column_privilege(attrelid, attnum, 'SELECT')"));
    q.addBindValue(tableName().toLower());
    if (q.exec())
        while (q.next())
            m_unreadable.insert(q.value(0).toString().toLower());
}

QString KeyedTableModel::columnList() const
{
    // Every name quoted: a column's name is read from the store.
    const QSqlRecord fields = record();
    QStringList names;
    for (int i = 0; i < fields.count(); ++i) {
        const QString name = QuotedName(fields.fieldName(i));
        names << (m_unreadable.contains(fields.fieldName(i).toLower())
                      ? QStringLiteral("NULL AS ") + name
                      : name);
    }
    return names.join(QStringLiteral(", "));
}

QString KeyedTableModel::selectStatement() const
{
    if (tableName().isEmpty() || record().isEmpty())
        return QSqlTableModel::selectStatement();
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columnList(), QuotedName(tableName()));
    if (!filter().isEmpty())
        sql += QStringLiteral(" WHERE ") + filter();
    if (const QString order = orderByClause(); !order.isEmpty())
        sql += QLatin1Char(' ') + order;
    return sql;
}

bool KeyedTableModel::insertRowIntoTable(const QSqlRecord& values)
{
    // The model's own insert forgets the new key; this one keeps it.
    QSqlRecord rec = values;
    emit beforeInsert(rec);
    // A new row starts its change counter at the table's default.
    if (const int counter = rec.indexOf(QString::fromLatin1(kChangeCounter));
        counter >= 0 && rec.value(counter).isNull())
        rec.setGenerated(counter, false);
    QSqlDatabase db = database();
    QStringList fields;
    for (int i = 0; i < rec.count(); ++i)
        if (rec.isGenerated(i) && !m_unreadable.contains(rec.fieldName(i).toLower()))
            fields << QuotedName(rec.fieldName(i));
    QString sql =
        fields.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(QuotedName(tableName()))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(QuotedName(tableName()), fields.join(QStringLiteral(", ")),
                       QStringList(fields.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    // A secured server's change log takes numbers of its own in the same
    // statement, so the server's last number taken need not be this row's:
    // the insert itself returns the key.
    const bool returning = db.driverName() == QStringLiteral("QPSQL") && primaryKey().count() == 1;
    if (returning)
        sql += QStringLiteral(" RETURNING ") + QuotedName(primaryKey().fieldName(0));
    QSqlQuery q(db);
    if (!q.prepare(sql)) {
        setLastError(q.lastError());
        return false;
    }
    for (int i = 0; i < rec.count(); ++i)
        if (rec.isGenerated(i) && !m_unreadable.contains(rec.fieldName(i).toLower()))
            q.addBindValue(rec.value(i));
    if (!q.exec()) {
        setLastError(q.lastError());
        return false;
    }
    m_lastInsertKey = returning && q.next() ? q.value(0) : q.lastInsertId();
    return true;
}

bool KeyedTableModel::rowStillThere(const QSqlRecord& key)
{
    QSqlDatabase db = database();
    QStringList where;
    for (int i = 0; i < key.count(); ++i)
        where << QuotedName(key.fieldName(i)) + QStringLiteral(" = ?");
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT count(*) FROM %1 WHERE %2")
                  .arg(QuotedName(tableName()), where.join(QStringLiteral(" AND "))));
    for (int i = 0; i < key.count(); ++i)
        q.addBindValue(key.value(i));
    // Unknown counts as there: the refusal then says it was changed.
    return !q.exec() || !q.next() || q.value(0).toInt() > 0;
}

bool KeyedTableModel::updateRowInTable(int row, const QSqlRecord& values)
{
    m_changedElsewhere = false;
    m_gone = false;
    m_conflict.clear();
    const QString counterName = QString::fromLatin1(kChangeCounter);
    const int counter = values.indexOf(counterName);
    const QSqlRecord key = primaryValues(row);
    if (key.isEmpty())
        return QSqlTableModel::updateRowInTable(row, values);
    const auto gone = [this] {
        m_gone = true;
        setLastError(QSqlError(QString(), QStringLiteral("deleted on another workstation"),
                               QSqlError::TransactionError));
        return false;
    };
    if (counter < 0) {
        // The update of a row deleted meanwhile writes nothing, and says nothing.
        if (!QSqlTableModel::updateRowInTable(row, values))
            return false;
        return rowStillThere(key) || gone();
    }
    // The row as read: the counter is never edited, so the cache still holds it.
    QVariant seen = QSqlTableModel::record(row).value(counter);
    // Another write since: the typed fields go in over it when it changed
    // other fields. A few rounds, each over the row as just read.
    for (int round = 0;; ++round) {
        const int written = writeCounted(values, counter, key, seen);
        if (written < 0)
            return false;
        if (written > 0)
            return true;
        if (!rowStillThere(key))
            return gone();
        const QSqlRecord now = currentRow(key);
        QList<QPair<QString, QVariant>> typed;
        for (int i = 0; i < values.count(); ++i)
            if (i != counter && values.isGenerated(i))
                typed.append({values.fieldName(i), values.value(i)});
        const QSqlRecord read = m_asRead.value(row, QSqlTableModel::record(row));
        m_conflict = FieldChangedInBoth(
            typed, [&read](const QString& f) { return read.value(f); },
            [&now](const QString& f) { return now.value(f); });
        if (now.isEmpty() || !m_conflict.isEmpty() || round == 2) {
            m_changedElsewhere = true;
            setLastError(QSqlError(QString(), QStringLiteral("changed on another workstation"),
                                   QSqlError::TransactionError));
            return false;
        }
        seen = now.value(counter);
    }
}

bool KeyedTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    // The row as read, before its first edit, for a later merge.
    if (role == Qt::EditRole && index.isValid() && !m_asRead.contains(index.row()))
        m_asRead.insert(index.row(), QSqlTableModel::record(index.row()));
    return QSqlTableModel::setData(index, value, role);
}

bool KeyedTableModel::select()
{
    m_asRead.clear();
    return QSqlTableModel::select();
}

int KeyedTableModel::writeCounted(const QSqlRecord& values, int counter, const QSqlRecord& key,
                                  const QVariant& seen)
{
    const QString counterName = QString::fromLatin1(kChangeCounter);
    QSqlDatabase db = database();
    QStringList sets;
    QVariantList binds;
    for (int i = 0; i < values.count(); ++i) {
        if (i == counter || !values.isGenerated(i)
            || m_unreadable.contains(values.fieldName(i).toLower()))
            continue;
        sets << QuotedName(values.fieldName(i)) + QStringLiteral(" = ?");
        binds << values.value(i);
    }
    sets << counterName + QStringLiteral(" = ?");
    binds << seen.toLongLong() + 1;
    QStringList where;
    for (int i = 0; i < key.count(); ++i) {
        where << QuotedName(key.fieldName(i)) + QStringLiteral(" = ?");
        binds << key.value(i);
    }
    where << counterName + QStringLiteral(" = ?");
    binds << seen;
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                       .arg(QuotedName(tableName()), sets.join(QStringLiteral(", ")),
                            where.join(QStringLiteral(" AND "))))) {
        setLastError(q.lastError());
        return -1;
    }
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        setLastError(q.lastError());
        return -1;
    }
    return q.numRowsAffected();
}

QSqlRecord KeyedTableModel::currentRow(const QSqlRecord& key)
{
    QSqlDatabase db = database();
    QStringList where;
    for (int i = 0; i < key.count(); ++i)
        where << db.driver()->escapeIdentifier(key.fieldName(i), QSqlDriver::FieldName)
                     + QStringLiteral(" = ?");
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                  .arg(columnList(),
                       db.driver()->escapeIdentifier(tableName(), QSqlDriver::TableName),
                       where.join(QStringLiteral(" AND "))));
    for (int i = 0; i < key.count(); ++i)
        q.addBindValue(key.value(i));
    if (!q.exec() || !q.next())
        return {};
    return q.record();
}

RecordSource::RecordSource(const QString& table, const QString& keyField, QObject* parent)
    : QObject(parent), m_table(table), m_keyField(keyField)
{
    m_mapper = new QDataWidgetMapper(this);
    m_mapper->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    m_mapper->setItemDelegate(new StoredValueDelegate(m_mapper));
}

bool RecordSource::open()
{
    Database db = BookingFile();
    if (!db.isValid()) {
        m_error = QStringLiteral("The booking file could not be opened.");
        return false;
    }
    m_model = new KeyedTableModel(this, db.handle());
    m_model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    m_model->setTable(m_table);
    if (m_model->record().isEmpty()) {
        m_error = m_model->lastError().text();
        return false;
    }
    m_model->hideUnreadableColumns();
    // Rows are found by the program's own key, never by a key the store
    // names: a store's column name is not trusted to be a plain name.
    if (!m_model->keyBy(m_keyField)) {
        m_error = QStringLiteral("The table %1 of the booking file has no column %2; the file "
                                 "was not made by Vestra or is damaged.")
                      .arg(m_table, m_keyField);
        return false;
    }
    m_mapper->setModel(m_model);
    return reload();
}

bool RecordSource::reload()
{
    if (!m_model->select()) {
        m_error = m_model->lastError().text();
        return false;
    }
    // SQLite reports no row count: read to the end so that find-first sees all.
    while (m_model->canFetchMore())
        m_model->fetchMore();
    return true;
}

void RecordSource::bind(QWidget* editor, const QString& field)
{
    if (!m_model)
        return;
    m_mapper->addMapping(editor, m_model->fieldIndex(field));
}

int RecordSource::rowOf(const QString& field, const QVariant& value) const
{
    const int col = m_model->fieldIndex(field);
    if (col < 0 || blank(value))
        return -1;
    for (int r = 0; r < m_model->rowCount(); ++r) {
        const QVariant v = m_model->data(m_model->index(r, col), Qt::EditRole);
        if (!blank(v) && v.toLongLong() == value.toLongLong())
            return r;
    }
    return -1;
}

bool RecordSource::findFirst(const QString& field, const QVariant& value)
{
    // The table was read when the window opened; a record added or changed
    // since (by another window or workstation) is found only in a fresh read.
    // With nothing pending the table is read again, and a record not found
    // leaves the one shown before in place.
    if (!m_model->isDirty()) {
        const QVariant shown = hasRecord() && !m_adding ? key() : QVariant();
        if (!reload())
            return false;
        if (rowOf(field, value) < 0) {
            m_mapper->setCurrentIndex(rowOf(m_keyField, shown));
            emit recordShown();
            return false;
        }
    }
    const int row = rowOf(field, value);
    if (row < 0)
        return false;
    m_adding = false;
    m_mapper->setCurrentIndex(row);
    emit recordShown();
    return true;
}

void RecordSource::addNew(const FieldValues& values)
{
    const int row = m_model->rowCount();
    m_model->insertRow(row);
    for (const auto& [field, v] : values)
        m_model->setData(m_model->index(row, m_model->fieldIndex(field)), v);
    m_adding = true;
    m_mapper->setCurrentIndex(row);
    emit recordShown();
}

QVariant RecordSource::value(const QString& field) const
{
    const int row = m_mapper->currentIndex();
    if (row < 0)
        return {};
    return m_model->data(m_model->index(row, m_model->fieldIndex(field)), Qt::EditRole);
}

bool RecordSource::write()
{
    if (!hasRecord())
        return true;
    if (!m_mapper->submit()) {
        m_error = m_model->lastError().text();
        return false;
    }
    if (!m_model->isDirty())
        return true;
    const QVariant oldKey = key();
    const QSqlRecord typed = m_model->record(m_mapper->currentIndex());
    if (!m_model->submitAll()) {
        m_error = m_model->lastError().text();
        if (m_model->changedElsewhere() || m_model->gone())
            refused(typed, m_model->gone());
        return false;
    }
    const QVariant k = m_adding ? m_model->lastInsertKey() : oldKey;
    m_adding = false;
    // The model reloads after writing; find the record again.
    while (m_model->canFetchMore())
        m_model->fetchMore();
    const int row = rowOf(m_keyField, k);
    m_mapper->setCurrentIndex(row);
    emit recordShown();
    emit written();
    return true;
}

void RecordSource::refused(const QSqlRecord& typed, bool gone)
{
    // Shown as stored now; what was typed is named in the message, so that
    // nothing typed is lost. Only typed fields are named: a field changed
    // elsewhere must not come back with the old value as the user's change.
    refill();
    QStringList lines;
    for (int i = 0; i < typed.count(); ++i) {
        const QString field = typed.fieldName(i);
        if (!typed.isGenerated(i) || field.compare(m_keyField, Qt::CaseInsensitive) == 0
            || field == QLatin1String(kChangeCounter))
            continue;
        const QVariant now = value(field);
        if (typed.value(i).toString() != now.toString())
            lines << field + QStringLiteral(": ") + typed.value(i).toString();
    }
    m_error = gone ? QStringLiteral("This record no longer exists; another workstation may have "
                                    "deleted it.")
                   : QStringLiteral("This record was changed on another workstation. Your "
                                    "change was not stored; the record is shown as it is now.");
    if (!gone && !m_model->conflict().isEmpty())
        m_error +=
            QStringLiteral("\nChanged both here and elsewhere: ") + captionOf(m_model->conflict());
    if (!lines.isEmpty())
        m_error += QStringLiteral("\nYour change:\n") + lines.join(QLatin1Char('\n'));
}

QString RecordSource::captionOf(const QString& field) const
{
    // The label the window shows beside the field's editor, else its name.
    QWidget* editor = m_mapper->mappedWidgetAt(m_model->fieldIndex(field));
    auto* form = editor && editor->parentWidget()
                     ? qobject_cast<QFormLayout*>(editor->parentWidget()->layout())
                     : nullptr;
    auto* label = form ? qobject_cast<QLabel*>(form->labelForField(editor)) : nullptr;
    if (!label || label->text().isEmpty())
        return field;
    QString caption = label->text();
    caption.remove(QLatin1Char('&'));
    if (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    return caption;
}

void RecordSource::refill()
{
    const QVariant k = m_adding ? QVariant() : key();
    m_model->revertAll();
    m_adding = false;
    reload();
    // After the reload the mapper has no row; a discarded new record stays so.
    const int row = rowOf(m_keyField, k);
    if (row >= 0)
        m_mapper->setCurrentIndex(row);
    emit recordShown();
}

bool RecordSource::moveAfterDelete(const std::function<bool(const QSqlRecord&)>& fits)
{
    const int row = m_mapper->currentIndex();
    m_model->revertAll();
    m_adding = false;
    reload();
    const auto fitting = [&](int r) { return !fits || fits(m_model->record(r)); };
    int next = -1;
    for (int r = qMax(row, 0); r < m_model->rowCount() && next < 0; ++r)
        if (fitting(r))
            next = r;
    for (int r = qMin(row, m_model->rowCount()) - 1; r >= 0 && next < 0; --r)
        if (fitting(r))
            next = r;
    m_mapper->setCurrentIndex(next);
    emit recordShown();
    return next >= 0;
}

} // namespace vestra
