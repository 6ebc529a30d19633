#pragma once
// Counting, lookup and key helpers shared by every window. Table and field
// names are the program's own constants; every value is a bound parameter
// ("?" in the criteria, values in binds).

#include "db/database.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace vestra {

// A fresh booking number, atomic across workstations sharing the file:
// the row of næstenøgle is read and advanced under the write lock.
std::optional<int> NextKey(Database& bookingFile);
// Takes count consecutive booking numbers and returns the first; for callers
// that already hold the write lock (a series written in one transaction).
std::optional<int> TakeKeys(Database& bookingFile, int count);

// True when the file opens as a database; every failure is false.
bool CanOpenDatabase(const QString& path);
// What a store offered as the booking file turned out to be.
enum class BookingFileVerdict {
    Valid,       // a database with every table and view of the booking schema
    NoneChosen,  // no path at all
    Unreachable, // the file (or its folder, a network share) is not there
    Busy,        // another workstation held it past the busy timeout
    Invalid      // no database, or one that lacks part of the booking schema
};
// Judges a booking file (or server database) with one read of its list of
// tables and views, compared with those every booking file is made with.
// missing (when given) receives the tables and views a database lacks.
BookingFileVerdict CheckBookingFile(const QString& path, QStringList* missing = nullptr);
// What the user reads about a file that lacks tables of the booking schema.
QString MissingTablesText(const QString& path, const QStringList& missing);
bool IsBookingFile(const QString& path);
// The tables and views of the booking schema the connected role may not use
// (on a server: read and write a table, read a view); empty on a file.
QStringList BookingTablesWithoutRights(Database& db);
// The tables and views of the booking schema, as its script creates them.
const QStringList& BookingSchemaObjects();

// "Select Count(field) From table [Where criteria]"; -1 when the statement fails.
int CountIn(Database& db, const QString& field, const QString& table, const QString& criteria = {},
            const QVariantList& binds = {});
// "Select field From table [Where criteria]", first column of the first row;
// an invalid QVariant when there is no row.
QVariant LookupIn(Database& db, const QString& field, const QString& table,
                  const QString& criteria = {}, const QVariantList& binds = {});
// True when a row has field = value, or when the database cannot answer.
bool RecordExistsIn(Database& db, const QString& table, const QString& field,
                    const QVariant& value);

bool AnyResourceItems(Database& bookingFile);

// Whether a resource item exists. A lookup that cannot run (the file busy
// past the timeout, say) is Unknown, which a caller never takes as either
// answer. type, when given, receives the item's resource type (lokalinr).
enum class Presence { Present, Absent, Unknown };
Presence ItemPresence(Database& bookingFile, int item, int* type = nullptr);

// First group and type of firstgroups; false (values untouched) when it is empty.
bool LoadFirstGroup(Database& bookingFile, int& groupNo, int& typeNo);

// The user may act for account k when a member of it, or an administrator.
bool MayActForAccount(Database& bookingFile, int account, int loginAccountId, bool isAdmin);

// The account a booking is made for, when the booking exists.
std::optional<int> BookingAccount(Database& bookingFile, int bookingnr);

// A LIKE pattern for "contains" (ESCAPE '!'), the text's wildcards escaped.
QString ContainsPattern(const QString& text);

// Deletes one booking with its change-log row, in one transaction; false
// when it was not there or the file refused.
bool DeleteBooking(Database& bookingFile, int bookingnr);

} // namespace vestra
