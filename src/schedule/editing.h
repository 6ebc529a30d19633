#pragma once
// Bookings made and changed directly on the schedule: typing a new booking,
// moving or resizing it, cut/copy/paste through the workstation's one-row
// clipboard (standby in paths.mdb) and deleting.

#include "data/helpers.h"
#include "db/database.h"
#include "session/session.h"

#include <optional>

namespace vestra {

enum class ClipboardOp { Cut = 1, Copy = 2 };

// Where a new or pasted booking lands.
struct GridPlace {
    int day = 0;
    int item = 0;
    int start = 0;
};

// A booking's text and place as the schedule read it or last stored it.
struct BlockRow {
    QString text;
    int start = 0;
    int end = 0; // as stored: minutes 0-1439
    int item = 0;
    int day = 0;
    qint64 rowversion = 0; // the change counter
    bool operator==(const BlockRow&) const = default;
};

// What came of storing a new, moved or pasted booking. It reads like an
// optional booking number: true and *result when stored.
enum class StoreStatus {
    Stored,
    ItemGone,         // the item was deleted meanwhile, perhaps on another workstation
    Refused,          // the booking is gone, or the user may not act for it
    ChangedElsewhere, // another workstation changed the booking since it was read
    Failed,           // the booking file could not be read or written; error says why
};
struct StoreResult {
    StoreStatus status = StoreStatus::Failed;
    int bookingnr = 0;
    // Failed: why; ChangedElsewhere: the field changed in both, when one was.
    QString error;
    // A new or changed booking as stored.
    std::optional<BlockRow> row;
    // Another change since the view read the booking was kept beside this one.
    bool merged = false;
    explicit operator bool() const { return status == StoreStatus::Stored; }
    int operator*() const { return bookingnr; }
};

// Every store below checks, under the write lock it writes with, that the
// booking's item still exists, so that no booking lands on a deleted item.
// New bookings take their type (Bgruppe) from their item.

// A booking typed into an empty slot: a fresh number, the typed text, the
// user's account, red, and the tentative flag when one is given (the day
// view gives the user's default; without one the file's default holds).
StoreResult CreateBookingFromGrid(Database& bookingFile, const Session& s, const QString& text,
                                  const GridPlace& place, int end, std::optional<bool> tentative);

// What a moved, resized or retyped block changes. The day view moves a
// booking between items, the week view between days.
struct BlockChange {
    QString text;
    int start = 0;
    int end = 0;
    std::optional<int> item;
    std::optional<int> day;
    // The booking as the view read it: only what the view changed since is
    // written. Without it, every field is written.
    std::optional<BlockRow> read;
};

// Writes the change when the booking exists and the user may act for its
// account (Refused otherwise). A booking changed elsewhere since the view
// read it takes the view's fields beside the other change; when both changed
// the same field nothing is written (ChangedElsewhere, error names the
// field). A change that changes nothing is not written.
StoreResult SaveBlockChange(Database& bookingFile, const Session& s, int bookingnr,
                            const BlockChange& change);

// Puts the booking on the clipboard; a cut also removes it from the bookings.
// False when the booking is gone.
bool CutOrCopyBooking(Database& bookingFile, Database& work, int bookingnr, ClipboardOp op);

// Number of rows on the clipboard.
int ClipboardRows(Database& work);

// Pastes the clipboard at the place: after a cut the booking returns with its
// own number and the clipboard empties; after a copy (or with no mode, as
// after a restart) a new number is taken and the clipboard stays.
StoreResult PasteBooking(Database& bookingFile, Database& work, int clipboardMode,
                         const GridPlace& place);

} // namespace vestra
