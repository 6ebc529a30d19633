#pragma once
// The rules behind the booking lists: which rows each list shows and how a
// row reads, the relation of a booking to the logged-in user, the tentative
// flag and the booking's place in the schedule. The windows beside these
// functions only gather choices and show the results.

#include "db/database.h"
#include "report/listcontrol.h"
#include "shell/navigator.h"

#include <QDate>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace vestra {

struct Session;

// The group kinds a list admits: all three, or one kind three times over
// (option 0 is "all", options 1 to 3 the kinds Domestic, Add-On, Stand-Alone).
using GroupKinds = std::array<int, 3>;
GroupKinds KindsForOption(int option);

// The list text of a day number in the given date format, and of a time in
// minutes in a time format ("HH.mm", "hh:mm").
QString ListDate(const QVariant& dayNumber, const QString& dateFormat);
QString ListTime(const QVariant& minutes, const QString& timeFormat);

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
// "date;resource;title;from;to;account".
QString SearchRowText(const QSqlRecord& record, const QString& dateFormat);
// How the keyword finds its bookings: through the keyword indexes, or by
// reading every booking of the period. Keywords shorter than
// kMinIndexedKeyword are always read for.
enum class KeywordLookup { Index, Scan };
constexpr int kMinIndexedKeyword = 3;
// searchforny restricted to the period and kinds, in its own order, keyed by Bookingnr.
ListFillSource SearchFillSource(const SearchFilter& filter,
                                KeywordLookup lookup = KeywordLookup::Index);

// Where a found booking sits in the schedule (BookingPlace, the saved query bookingS).
std::optional<BookingPlace> FindBookingPlace(Database& bookingFile, int bookingnr);

// --- today's bookings ---

QVector<ListControlColumn> TodaysColumns();
// Rows read "resource;account;start;end;phone".
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
// "date;resource;title;from;to;account;relation".
QString MyBookingsRowText(const QSqlRecord& record, const QString& relation,
                          const QString& dateFormat);
ListFillSource MyBookingsFillSource(const MyBookingsFilter& filter);

// --- tentative bookings ---

QVector<ListControlColumn> TentativeColumns();
// ";;date;start;end;resource;account;phone", the two check boxes empty.
QString TentativeRowText(const QSqlRecord& record, const QString& dateFormat);
ListFillSource TentativeFillSource();

enum class BookingChange { Done, Missing, Failed };
// Sets or clears the booking's Tentative flag and nothing else.
BookingChange SetTentative(Database& bookingFile, int bookingnr, bool tentative);
// Clears Tentative on every booking; false when the file refused.
bool ConfirmAllBookings(Database& bookingFile);

// --- printing ---

// InstitutionName + separator + InstitutionCity + ", " + today's date.
QString ListPrintSubtitle(const Session& session, const QString& separator, const QDate& today);

} // namespace vestra
