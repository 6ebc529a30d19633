#pragma once
// What the record windows of the resource manager share: one bound data
// source on a table, positioned on a stored record or put on a new one;
// closing writes the record, Cancel (or Escape) refills it from the store
// and, on a new record, discards it and closes. A read-only window never
// writes.

#include "db/database.h"
#include "forms/openeditors.h"
#include "forms/recordsource.h"
#include "forms/recordvalues.h"

#include <QWidget>

#include <functional>

class QBoxLayout;
class QLineEdit;
class QPushButton;

namespace vestra {

// The deletion dialogue of the record windows: a refusal from the check (its
// text; empty when none) is shown with refusalTitle and nothing happens;
// otherwise "Confirm deletion ?" is asked and, on Yes, remove runs (checking
// again under the write lock). True when the record was deleted.
bool ConfirmAndDelete(const QString& refusal, const QString& refusalTitle,
                      const std::function<DeleteOutcome()>& remove);

class RecordWindow : public QWidget, public OpenEditor {
    Q_OBJECT
public:
    RecordWindow(const QString& table, const QString& keyField, bool readOnly,
                 QWidget* parent = nullptr);

    // Find-first on the key ("overgruppenr = " + number and the like). A
    // record that is shown already is written first, as leaving it writes.
    // False when the record is not there (or the current one cannot be left).
    bool OpenOn(int key);
    // Puts the window on a new record carrying the parent link and kind.
    bool OpenNew(const FieldValues& values);

    void Cancel();

    RecordSource* source() const { return m_source; }

    bool isReadOnly() const { return m_readOnly; }

    // OpenEditor: the stored record shown (a new one is no stored row yet).
    QString editedTable() const override { return m_source->table(); }
    std::optional<qint64> editedKey() const override;
    bool storeTyped() override { return leaveRecord(); }
    void reread() override { m_source->refill(); }
    void rowDeleted() override;

protected:
    // Asked before the shown record is written; a window refuses here (and
    // says why) when the record must not be stored as it is.
    virtual bool mayLeaveRecord() { return true; }
    // Writes the shown record as leaving it does; error says why not.
    virtual bool writeShown(QString* error);
    // Writes the shown record; says so when the file refuses.
    bool leaveRecord();
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Sets up the source on first use; says so when the file cannot be read.
    bool ensureOpen();

    // For windows whose record needs a name: Save refuses an empty name (a
    // name of blanks is a name) and leaving refuses a new or renamed record
    // without one; a stored record left as it was closes freely.
    void saveNamed(QLineEdit* name, const QString& emptyMessage);
    bool mayLeaveNamed(QLineEdit* name, const QString& field, const QString& emptyMessage);
    // Deletes the shown record after its check and the question, then closes;
    // on a new record it is the same as Cancel. Administrators only.
    void deleteShown(const std::function<QString(Database&, int)>& check,
                     const std::function<DeleteOutcome(Database&, int)>& remove);

    // The row of buttons under the record, added to the layout: Delete
    // ("del") at the left, then Ok (named okName) and Cancel ("Canc") at the
    // right. Ok runs ok, Delete runs remove and Cancel is Cancel(). Without a
    // remove there is no Delete, without withCancel no Cancel.
    struct Buttons {
        QPushButton* ok = nullptr;
        QPushButton* cancel = nullptr;
        QPushButton* remove = nullptr;
    };
    Buttons addButtonRow(QBoxLayout* layout, const char* okName, const std::function<void()>& ok,
                         const std::function<void()>& remove, bool withCancel = true);

private:
    // Another window showing the record just written, with nothing typed,
    // shows it as stored now: its next write would otherwise be refused.
    void showWrittenInOthers();

    RecordSource* m_source;
    bool m_readOnly;
    bool m_opened = false;
};

} // namespace vestra
