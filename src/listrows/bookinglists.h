#pragma once
// The rules behind the booking lists: which rows each list shows and how a
// row reads, the relation of a booking to the logged-in user, the tentative
// flag and the booking's place in the schedule. The windows beside these
// functions only gather choices and show the results.

#include "db/database.h"
#include "listrows/listrows.h"

#include <QDate>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace vestra {

// The group kinds a list admits: all three, or one kind three times over
// (option 0 is "all", options 1 to 3 the kinds Domestic, Add-On, Stand-Alone).
using GroupKinds = std::array<int, 3>;
GroupKinds KindsForOption(int option);

// A cell of a day number (a QDate) and of a time in minutes (a QTime); an
// empty text for a missing value.
QVariant ListDate(const QVariant& dayNumber);
QVariant ListTime(const QVariant& minutes);

// --- search ---

struct SearchFilter {
    QString keyword;
    int fromDay = 0;
    int toDay = 0;
    GroupKinds kinds{1, 2, 3};
};

// The keyword occurs, ignoring case, in the booking number, the title or the
// account name; an empty keyword occurs everywhere.
bool KeywordMatches(const QString& keyword, const QSqlRecord& record);
QVector<ListControlColumn> SearchColumns();
// Date, resource, title, from, to, account.
QVariantList SearchCells(const QSqlRecord& record);
// How the keyword finds its bookings: through the keyword indexes, or by
// reading every booking of the period. Keywords shorter than
// kMinIndexedKeyword are always read for.
enum class KeywordLookup { Index, Scan };
constexpr int kMinIndexedKeyword = 3;
// searchforny restricted to the period and kinds, in its own order, keyed by Bookingnr.
ListFillSource SearchFillSource(const SearchFilter& filter,
                                KeywordLookup lookup = KeywordLookup::Index);

// --- today's bookings ---

QVector<ListControlColumn> TodaysColumns();
// Rows hold resource, account, start, end and phone.
ListFillSource TodaysFillSource(int day, const GroupKinds& kinds);

// --- my bookings ---

// "Private", "Owner" or "Member" for a row of mybookingsfor.
QString BookingRelation(int kontoowner, int pnr, int kontonr);

struct MyBookingsFilter {
    int account = 0; // the logged-in user
    int fromDay = 0;
    int toDay = 0;
    GroupKinds kinds{1, 2, 3};
    QStringList relations{QStringLiteral("Private"), QStringLiteral("Owner"),
                          QStringLiteral("Member")};
    // A row is listed when its series flag equals either value: false/true
    // lists all, false/false single bookings, true/true repeated ones.
    bool seriesValue = false;
    bool allTypes = true;
};
QVector<ListControlColumn> MyBookingsColumns();
// Date, resource, title, from, to, account and relation.
QVariantList MyBookingsCells(const QSqlRecord& record, const QString& relation);
ListFillSource MyBookingsFillSource(const MyBookingsFilter& filter);

// --- tentative bookings ---

QVector<ListControlColumn> TentativeColumns();
// The two check boxes clear, then date, start, end, resource, account, phone.
QVariantList TentativeCells(const QSqlRecord& record);
ListFillSource TentativeFillSource();

enum class BookingChange { Done, Missing, Failed };
// Sets or clears the booking's Tentative flag and nothing else.
BookingChange SetTentative(Database& bookingFile, int bookingnr, bool tentative);
// Clears Tentative on every booking; false when the file refused.
bool ConfirmAllBookings(Database& bookingFile);

// --- expiring series ---

// Series whose last booking lies from fromDay to toDay, both included:
// title, last day, start, end, resource, account, phone.
QVector<ListControlColumn> ExpiringColumns();
ListFillSource ExpiringFillSource(int fromDay, int toDay);

} // namespace vestra
