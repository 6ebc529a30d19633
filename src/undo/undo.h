#pragma once
// Undo and redo of this workstation's own booking changes in this session.
// A step keeps every changed booking row as it was before and after the
// change; undoing writes the "before" rows back through the booking store
// under the same checks as the change itself: the user's right to act for
// the booking's account, its item still there, and the booking still as the
// step left it (a change from another workstation refuses the step).

#include "db/database.h"
#include "session/session.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QVariantMap>
#include <optional>

namespace vestra {

enum class UndoKind {
    Typed,
    Move,
    Resize,
    Retype,
    Delete,
    Cut,
    Paste,
    Confirm,
    Edit,
    CommitSeries,
    DeleteSeries,
    UpdateSeries,
};

// The words the Edit menu and the change log use for a kind: "Move".
QString UndoKindText(UndoKind kind);

// A booking row, every column by name; absent when there is no booking.
using BookingRow = std::optional<QVariantMap>;

// The rows the condition selects from Booking, by booking number; none when
// the store could not be read.
std::optional<QHash<int, QVariantMap>> ReadBookingRows(Database& bookingFile, const QString& where,
                                                       const QVariantList& binds);

struct UndoStep {
    UndoKind kind = UndoKind::Edit;
    QString title; // the booking's title, quoted in the menu
    struct Entry {
        int bookingnr = 0;
        BookingRow before;
        BookingRow after;
    };
    QList<Entry> entries;
    // "Move 'Board meeting'"
    QString text() const;
};

// The step from the rows read before and after a change: one entry for each
// booking the change created, changed or removed. Empty entries when it
// changed nothing.
UndoStep MakeUndoStep(UndoKind kind, const QHash<int, QVariantMap>& before,
                      const QHash<int, QVariantMap>& after);

// A moved, resized or retyped block: which of the three it was.
UndoKind BlockChangeKind(const QVariantMap& before, const QVariantMap& after);

enum class UndoStatus { Done, ChangedElsewhere, Refused, ItemGone, Failed };
struct UndoResult {
    UndoStatus status = UndoStatus::Failed;
    QString message;  // why it was refused, for the user
    QSet<int> days;   // the days whose bookings changed
    QList<int> gone;  // bookings the step removed
    QList<int> shown; // bookings the step wrote
    explicit operator bool() const { return status == UndoStatus::Done; }
};

// Writes one side of the step back in one transaction: the "before" rows
// when undoing, the "after" rows when redoing. On success the step's other
// side becomes the rows as now written, so that it can be applied back.
UndoResult ApplyUndoStep(Database& bookingFile, const Session& s, UndoStep& step, bool redo);

// The session's steps. Cleared whenever the session's booking store is not
// the one its steps were taken on.
class UndoStack : public QObject {
    Q_OBJECT
public:
    static UndoStack& instance();

    void push(UndoStep step);
    // A change of this workstation that is no step of its own: the latest
    // step on each booking takes the rows it left, so that it is not refused
    // as another workstation's change.
    void absorb(const UndoStep& step);
    void clear();
    bool canUndo();
    bool canRedo();
    // "Undo Move 'Board meeting'", or just "Undo" when there is nothing.
    QString undoText();
    QString redoText();
    // The step that undo (or redo) would apply next; nullptr when none.
    const UndoStep* next(bool redo);
    // Applies the top step. Done moves it to the other stack; a refusal
    // drops it (it can never apply again) and keeps the rest.
    UndoResult apply(Database& bookingFile, const Session& s, bool redo);

signals:
    void changed();

private:
    UndoStack() = default;
    void followStore();

    QList<UndoStep> m_undo;
    QList<UndoStep> m_redo;
    QString m_store;
};

// Reads the rows a change may touch before it, and after it records the
// step on the session's stack. The condition selects the rows before; after
// the change the same rows are read again together with those afterWhere
// selects (new bookings).
class BookingChangeRecorder {
public:
    BookingChangeRecorder(Database& bookingFile, const QString& where, const QVariantList& binds);
    explicit BookingChangeRecorder(Database& bookingFile, int bookingnr);
    // For a change that only adds bookings.
    BookingChangeRecorder() : m_before(QHash<int, QVariantMap>()) {}
    // Records the step when something changed; false when nothing did or
    // the rows could not be read.
    bool record(Database& bookingFile, UndoKind kind, const QString& afterWhere = {},
                const QVariantList& afterBinds = {});
    bool record(Database& bookingFile, UndoKind kind, int newBookingnr);
    // The step as it would be recorded, for a caller that picks the kind
    // from it.
    std::optional<UndoStep> step(Database& bookingFile, UndoKind kind,
                                 const QString& afterWhere = {},
                                 const QVariantList& afterBinds = {});

private:
    std::optional<QHash<int, QVariantMap>> m_before;
};

} // namespace vestra
