#include "app/undoedit.h"

#include "forms/openeditors.h"
#include "services/messages.h"
#include "session/session.h"
#include "session/storewatcher.h"
#include "undo/undo.h"

namespace vestra {

namespace {

const QString kBooking = QStringLiteral("Booking");

// The booking the workstation's clipboard holds, or 0.
int clipboardBooking()
{
    Database work = WorkDatabase();
    return work.scalar(QStringLiteral("SELECT Bookingnr FROM standby LIMIT 1")).toInt();
}

} // namespace

void RunUndo(QWidget* /*owner*/, bool redo)
{
    // What is typed in an open form is stored first, itself a step: undo
    // takes that back before anything older.
    if (!OpenEditors::storeTyped(kBooking))
        return;
    UndoStack& stack = UndoStack::instance();
    const UndoStep* next = stack.next(redo);
    if (!next)
        return;
    const UndoKind kind = next->kind;
    const int first = next->entries.isEmpty() ? 0 : next->entries.first().bookingnr;
    Database db = BookingFile();
    const UndoResult done = stack.apply(db, session(), redo);
    if (!done) {
        showMessage(done.message, QStringLiteral("Service Message"), MsgIcon::Warning);
        return;
    }
    for (int nr : done.gone)
        OpenEditors::deleted(kBooking, nr);
    for (int nr : done.shown)
        OpenEditors::reread(kBooking, nr);
    // A cut taken back leaves its booking on the clipboard as a copy, so
    // that a paste makes a new booking rather than reusing the number; a
    // redone cut makes it the cut booking again.
    if (kind == UndoKind::Cut && clipboardBooking() == first) {
        Session& s = session();
        if (!redo && s.ClipboardMode == 1)
            s.ClipboardMode = 2;
        else if (redo)
            s.ClipboardMode = 1;
    }
    StoreWatcher::instance().announce(done.days);
}

} // namespace vestra
