#pragma once
// Bookings as iCalendar (RFC 5545) for calendar programs: an export of the
// bookings of an item, a type, an account or a list, and the published
// folder of one calendar per item and per type that programs subscribe to.

#include "db/database.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <optional>

namespace vestra {

struct CalendarBooking {
    int number = 0;
    QDate day;
    int startMinutes = 0;
    int endMinutes = 0; // before the start: the booking ends on the next day
    QString title;
    QString location;
    QString remarks;
    QString contact;
    bool tentative = false;
    int series = 0; // 0 for a single booking
    qint64 changes = 0;
    int item = 0; // lokalenr
    int type = 0; // the item's lokalinr
};

// Which bookings: of an item (lokalenr), a type (lokalitetsnr), an account
// (kontonr), or the booking numbers of a list; within the days from..to
// (both ends held; an invalid date leaves that end open).
struct CalendarSelection {
    enum class Scope { Item, Type, Account, Bookings };
    Scope scope = Scope::Item;
    int key = 0;
    QList<int> bookings;
    QDate from;
    QDate to;
};

std::optional<QList<CalendarBooking>>
ReadCalendarBookings(Database& bookingFile, const CalendarSelection& selection, QString* error);

// The booking store's own id, made once and kept in the store, so that the
// UIDs of re-exported bookings stay the same wherever the store is opened.
std::optional<QString> StoreId(Database& bookingFile, QString* error);

// The institution's time zone, an IANA id kept in the booking store; a
// store without one takes this workstation's zone, once, for good.
std::optional<QByteArray> StoreZone(Database& bookingFile, QString* error);
// Sets the store's zone; false (and why) for a name that is no known zone.
bool SetStoreZone(Database& bookingFile, const QByteArray& zoneId, QString* error);

// The calendar's text. Times are the bookings' wall-clock times in the zone
// given by its IANA id, whichever zone this process runs in; the calendar
// carries a VTIMEZONE of that id with the offsets of the bookings' period.
// A start in the hour a spring change skips begins when the clock reads
// again; a time in the hour an autumn change repeats is the first one.
QByteArray CalendarText(const QList<CalendarBooking>& bookings, const QString& storeId,
                        const QString& calendarName, const QByteArray& zoneId);

// Reads the selection and writes it to path; a sentence for the user in error.
bool ExportCalendar(Database& bookingFile, const CalendarSelection& selection,
                    const QString& calendarName, const QString& path, QString* error);

// Writes item-<number>-<name>.ics for every item and type-<number>-<name>.ics
// for every type into folder, with all their bookings, in the store's zone;
// returns the files written, or nullopt and the first failure.
std::optional<int> PublishCalendars(Database& bookingFile, const QString& folder, QString* error);

} // namespace vestra
