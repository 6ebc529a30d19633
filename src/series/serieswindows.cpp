#include "series/serieswindows.h"

#include "undo/undo.h"

#include "booking/bookingform.h"
#include "series/addordeletewindow.h"
#include "series/candidates.h"
#include "series/expiringserieswindow.h"
#include "series/patternwindow.h"
#include "services/messages.h"
#include "session/session.h"
#include "shell/commands.h"
#include "widgets/progresswindow.h"

namespace vestra {

void ShowBookingFileBusy()
{
    showMessage(QStringLiteral("The booking file is busy; the dates could not be checked. Try "
                               "again."),
                QStringLiteral("Service Message"), MsgIcon::Warning);
}

void WarnWhenUnchecked()
{
    Database work = WorkDatabase();
    for (const Candidate& c : LoadCandidates(work)) {
        if (c.unchecked) {
            ShowBookingFileBusy();
            return;
        }
    }
}

bool CommitFromWindow(QWidget* window, BookingForm* form, int colour)
{
    // The template's own edits are stored first: a fee the form cannot store
    // must not be copied into the new bookings as 0.
    if (!form || !form->Store())
        return false;
    Database db = BookingFile();
    Database work = WorkDatabase();
    const BookingDetails t = form->details();
    BookingChangeRecorder undo(db, t.bookingnr);
    ProgressWindow shown({QStringLiteral("Book Generated Dates"), QStringLiteral("Booking dates…"),
                          QString(), QStringLiteral("SeriesProgress")},
                         kSeriesBigRun);
    const int booked = CommitSeries(db, work, t, colour, std::ref(shown));
    if (booked == kCommitCancelled)
        return false;
    if (booked == kCommitItemGone) {
        showMessage(QStringLiteral("The resource no longer exists; it may have been deleted on "
                                   "another workstation."),
                    QStringLiteral("Service Message"), MsgIcon::Warning);
        return false;
    }
    if (booked < 0) {
        showMessage(RefusalText(QStringLiteral("The repeated booking could not be stored:\n"),
                                db.lastError()),
                    QStringLiteral("Error"), MsgIcon::Critical);
        return false;
    }
    undo.record(db, UndoKind::CommitSeries, QStringLiteral("gennr = ?"), {t.bookingnr});
    // The commit marked the template in the file; the form shows it too, in
    // case it stays open because another of its edits cannot be stored.
    form->markSeriesHead(t.bookingnr, colour);
    window->close();
    form->close();
    return true;
}

void RegisterSeriesWindows()
{
    SetRepeatedBookingWindows([](BookingForm* form) { ShowPatternWindow(form, true); },
                              [](BookingForm* form) { ShowAddOrDelete(form); });
    RegisterBookingTarget(BookingCommand::RepeatingBookings,
                          [](QWidget* owner) { ShowExpiringSeries(owner); });
}

} // namespace vestra
