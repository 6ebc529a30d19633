#pragma once
// What the schedule views and the windows around them share: the grid's
// display settings, opening a booking, the long date and the scissors.

#include "shell/navigator.h"

#include <QString>
#include <functional>
#include <optional>

class QIcon;
class QWidget;

namespace vestra {

class ScheduleGrid;
struct Session;

// Copies the session's display settings to the grid.
void ApplyGridSettings(ScheduleGrid* grid, const Session& s);

// The booking form and the read-only information window register here.
using BookingOpener = std::function<void(int bookingnr, QWidget* owner)>;
void SetBookingOpeners(BookingOpener form, BookingOpener info);

// A booking form open on a booking the schedule changes stores what is typed
// in it first (false: it could not, and the schedule writes nothing) and
// shows the booking as stored after, so that neither write refuses the
// other as another workstation's. seen is the counter the schedule read.
using FormBeforeChange =
    std::function<bool(int bookingnr, std::optional<qint64>* seen, QString* title)>;
using FormAfterChange = std::function<void(int bookingnr)>;
void SetOpenFormHooks(FormBeforeChange before, FormAfterChange after, FormAfterChange deleted);
bool StoreOpenFormFirst(int bookingnr, std::optional<qint64>* seen, QString* title);
void ShowOpenFormAfter(int bookingnr);
// The booking was deleted (or cut) here: a form open on it closes.
void CloseOpenFormOf(int bookingnr);

// Opens the booking in the form when the user may act for its account,
// otherwise in the information window.
void OpenBookingFromView(int bookingnr, QWidget* owner);

// A booking found by a search, shown in the schedule: the session moves to
// its day, group and type, and the week view, when it is the view in use, to
// its item and week. The booking opens in its form when the user may act for
// its account, otherwise in the information window, owned by the view so
// that it stays when the search (from) closes. The search stays open only
// beside the week view with the form.
void ShowBookingInSchedule(int bookingnr, const BookingPlace& place, QWidget* from);

// The date in the session's long format, e.g. "05-12-2026".
QString LongDateText(int dayNumber);

// A schedule window's title with the store it shows: the booking file's
// name, or the server's database and host ("Vestra - Calendar - club.mdb").
QString ScheduleTitle(const QString& title, const QString& store);

// Scissors: the theme's edit-cut icon, or the one built into the program.
QIcon ScissorsIcon();

} // namespace vestra
