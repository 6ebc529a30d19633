#pragma once
// The windows that edit one stored row (the booking form, the record
// windows) register here which row they edit. A change written straight to
// a row beside them (the schedule, the lists, undo, a password, an item's
// unavailability) goes through here: what is typed in an editor on the row
// is stored first, and the editor reads the row again after, so that
// neither write refuses the other as another workstation's change.

#include <QList>
#include <QString>
#include <optional>

namespace vestra {

class OpenEditor {
public:
    OpenEditor();
    virtual ~OpenEditor();
    OpenEditor(const OpenEditor&) = delete;
    OpenEditor& operator=(const OpenEditor&) = delete;

    // The table whose rows the editor edits.
    virtual QString editedTable() const = 0;
    // The key of the stored row it shows and may write now; none while it
    // shows no stored row (or one of another booking file).
    virtual std::optional<qint64> editedKey() const = 0;
    // Stores what is typed; false, after saying why, when it cannot.
    virtual bool storeTyped() = 0;
    // Shows the row as it is stored now.
    virtual void reread() = 0;
    // The row was deleted on this workstation: the editor closes, and what
    // was typed goes with it (the user chose to delete the row).
    virtual void rowDeleted() = 0;
};

class OpenEditors {
public:
    // The editors on the row of the table (on any row of it without a key),
    // table names compared without regard to case.
    static QList<OpenEditor*> on(const QString& table, std::optional<qint64> key = {});
    // Before a direct write: each editor on the row stores what is typed;
    // false when one could not (then nothing is to be written).
    static bool storeTyped(const QString& table, std::optional<qint64> key = {});
    // After the write: the editors show the row as stored now.
    static void reread(const QString& table, std::optional<qint64> key = {});
    // After a deletion: the editors on the row close.
    static void deleted(const QString& table, qint64 key);

private:
    friend class OpenEditor;
    static QList<OpenEditor*>& all();
};

} // namespace vestra
