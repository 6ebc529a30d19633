#pragma once
// A record-bound data source for a window: one row read from a table or a
// saved query (which may join other tables), edited field by field, and
// written back to the table that owns the row. Field names match without
// regard to case, as in the databases.
//
// Why two binding mechanisms: the record windows (RecordSource) browse and
// edit whole tables through QSqlTableModel and QDataWidgetMapper, which move
// between rows, add and delete them. The booking form edits one row read
// from a saved query that joins the booking with its item and account; a
// table model cannot write such a row back to the one table that owns it,
// and the form reads and writes typed values, not editors. BoundRow does
// that one row, and nothing else.

#include "db/database.h"
#include <functional>

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace vestra {

// Two windows (of this workstation or of two) wrote one row: what one typed
// goes in over what the other stored when they changed different fields.
// typed: the fields this window changed, with their values; read and now: a
// field's value as this window read it and as the row is stored now. Returns
// the first typed field the other write changed to something else, empty
// when every typed field can be written.
QString FieldChangedInBoth(const QList<QPair<QString, QVariant>>& typed,
                           const std::function<QVariant(const QString&)>& read,
                           const std::function<QVariant(const QString&)>& now);

class BoundRow {
public:
    // source: the table or saved query rows are read from; table and key:
    // where edits are written; writable: the fields of that table the window edits.
    BoundRow(QString source, QString table, QString key, QStringList writable);

    // Positions on the row whose key equals the value; false when there is none.
    bool find(Database& db, const QVariant& key);
    bool isPositioned() const { return m_positioned; }
    // Leaves the row: nothing more is written.
    void release()
    {
        m_positioned = false;
        m_dirty.clear();
    }

    QVariant value(const QString& field) const;
    // The field as it was read or last stored, before any change not yet written.
    QVariant storedValue(const QString& field) const;
    // Changes a field; only writable fields can change.
    bool setValue(const QString& field, const QVariant& value);
    bool isDirty() const { return !m_dirty.isEmpty(); }

    // Writes the changed fields; nothing to write is success. A row that
    // counts its changes and was changed since it was read takes the typed
    // fields when the other write changed other fields (merged() then says
    // so and the row is read again); when it changed a typed field too,
    // nothing is written, fault() says why, conflict() names the field and
    // the typed values stay pending. alongside, when given, writes in the same transaction
    // (a change-log row); when it fails nothing is stored.
    bool store(Database& db, const std::function<bool(Database&)>& alongside = {});
    enum class Fault { None, Failed, ChangedElsewhere, Gone };
    Fault fault() const { return m_fault; }
    const QString& conflict() const { return m_conflict; }
    bool merged() const { return m_merged; }
    // The changed fields not yet written, in order of change, with their values.
    QList<QPair<QString, QVariant>> pending() const;
    // Drops the changes and reads the stored row again.
    bool refill(Database& db);

private:
    QString m_source, m_table, m_key;
    QStringList m_writable;
    QHash<QString, QVariant> m_values; // lower-case names
    QHash<QString, QVariant> m_read;   // as read (the store's values), lower-case names
    QStringList m_dirty;               // lower-case names, in order of change
    QHash<QString, QString> m_names;   // lower-case -> name as the table writes it
    QVariant m_keyValue;
    bool m_positioned = false;
    Fault m_fault = Fault::None;
    QString m_conflict;
    bool m_merged = false;
};

} // namespace vestra
