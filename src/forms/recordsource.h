#pragma once
// The bound data source of a record window: the whole table in a table
// model (changes held until written), a widget mapper showing one row, and
// find-first by a key. Pending edits are written when the window closes or
// leaves the record, and dropped by Cancel.

#include "forms/recordvalues.h"

#include <QDataWidgetMapper>
#include <QObject>
#include <QSet>
#include <QSqlTableModel>
#include <functional>

namespace vestra {

// Remembers the key the database gave a newly inserted row, so that the
// window can find its record again after the model has reloaded.
class KeyedTableModel : public QSqlTableModel {
public:
    using QSqlTableModel::QSqlTableModel;
    // Rows are written and found again by this column alone; false when the
    // table has no such column.
    bool keyBy(const QString& field);
    // Columns the login may not read (a server keeps some from every
    // workstation role) are read as empty and never written.
    void hideUnreadableColumns();
    QVariant lastInsertKey() const { return m_lastInsertKey; }
    // The last write found its row changed by another workstation since it
    // was read, and wrote nothing.
    bool changedElsewhere() const { return m_changedElsewhere; }
    // The last write found its row deleted since it was read.
    bool gone() const { return m_gone; }
    // The field both the last write and another one changed, when that
    // refused it; empty when another write's fields were merged.
    const QString& conflict() const { return m_conflict; }
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool select() override;

protected:
    QString selectStatement() const override;
    bool insertRowIntoTable(const QSqlRecord& values) override;
    // A row that counts its changes is written only while it still has the
    // count it was read with.
    bool updateRowInTable(int row, const QSqlRecord& values) override;

private:
    // After a write that changed no row: whether the row is still there.
    bool rowStillThere(const QSqlRecord& key);
    // The row as stored now; empty when it cannot be read.
    QSqlRecord currentRow(const QSqlRecord& key);
    // Writes the typed fields where the row still has the counter seen: the
    // rows written, -1 when the statement failed.
    int writeCounted(const QSqlRecord& values, int counter, const QSqlRecord& key,
                     const QVariant& seen);
    QVariant m_lastInsertKey;
    bool m_changedElsewhere = false;
    bool m_gone = false;
    QString m_conflict;
    QHash<int, QSqlRecord> m_asRead; // edited rows as they were read
    QSet<QString> m_unreadable;      // lower-case column names
    QString columnList() const;
};

class RecordSource : public QObject {
    Q_OBJECT
public:
    // table in lower case (the model quotes what it is given); keyField is
    // the table's key, never bound to an editor.
    RecordSource(const QString& table, const QString& keyField, QObject* parent = nullptr);

    // Binds to the session's booking file and reads the whole table.
    bool open();
    QString lastError() const { return m_error; }

    // Shows field in editor through its user property.
    void bind(QWidget* editor, const QString& field);

    // Moves to the first row whose field equals value, read afresh unless a
    // change is pending; false when none does (the record shown stays).
    bool findFirst(const QString& field, const QVariant& value);
    // Puts the source on a new record carrying the given values.
    void addNew(const FieldValues& values);

    bool hasRecord() const { return m_mapper->currentIndex() >= 0; }
    bool isAdding() const { return m_adding; }
    // Stored (or pending) value of the current record.
    QVariant value(const QString& field) const;
    QVariant key() const { return value(m_keyField); }
    QString keyField() const { return m_keyField; }
    QString table() const { return m_table; }

    // Copies the editors into the record and writes it; on failure the
    // pending change stays and lastError() says why.
    bool write();
    // Drops typed changes and shows the stored record again; a new record
    // is discarded (the source then has no current record).
    void refill();
    // Reloads after the current record was deleted and moves to the record
    // that followed it (or, past the end, the one before it), taking only
    // records that fits accepts; false when there is none.
    bool moveAfterDelete(const std::function<bool(const QSqlRecord&)>& fits = {});

    QSqlTableModel* model() const { return m_model; }
    QDataWidgetMapper* mapper() const { return m_mapper; }

signals:
    // A record (or none) is shown; windows update what they show besides
    // the bound editors.
    void recordShown();
    // The shown record was written to the booking file.
    void written();

private:
    bool reload();
    // The write was refused: the record is shown as stored now (if at all)
    // and the message names what was typed.
    void refused(const QSqlRecord& typed, bool gone);
    // The caption the window shows for a field.
    QString captionOf(const QString& field) const;
    int rowOf(const QString& field, const QVariant& value) const;

    QString m_table;
    QString m_keyField;
    KeyedTableModel* m_model = nullptr;
    QDataWidgetMapper* m_mapper = nullptr;
    bool m_adding = false;
    QString m_error;
};

} // namespace vestra
