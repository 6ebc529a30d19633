#pragma once
// What a panel reads from the booking store and the little it may write:
// the items it shows with their bookings of yesterday, today and tomorrow,
// the store's privacy setting, a walk-in booking, and the administrator's
// password that lets it quit.

#include "db/database.h"
#include "panel/panelstate.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace vestra {

// What the panel was asked to show: items (names or numbers) or one type.
struct PanelRequest {
    QStringList items;
    QString type;
    QString store;  // empty: the store this workstation used last
    QString walkIn; // the account walk-in bookings go on; empty: none
};

// Reads the program's arguments: --panel ITEM[,ITEM…] (repeatable, up to
// four items), --board TYPE, --store ADDRESS, --walk-in ACCOUNT. nullopt when
// neither --panel nor --board is given (the program starts as usual);
// error says what is wrong with arguments that cannot be used.
std::optional<PanelRequest> ParsePanelArguments(const QStringList& arguments, QString* error);

inline constexpr int kMostPanelItems = 4;

// The item numbers the names or numbers stand for, in the given order; the
// items of a type in name order. Empty with error when one is not found.
QList<int> ResolvePanelItems(Database& db, const QStringList& items, QString* error);
QList<int> ItemsOfType(Database& db, const QString& type, QString* typeName, QString* error);

struct PanelSnapshot {
    QList<PanelItemData> items;
    bool showTitles = true;
};

// The items with their bookings of the days around today, in the order of
// the numbers; with the store's "Panels show booking titles" off, every
// title reads "Booked" and no account is read. nullopt (and error) when the
// store cannot be read: a failure never reads as a free item.
std::optional<PanelSnapshot> ReadPanelSnapshot(Database& db, const QList<int>& items, int today,
                                               QString* error);

// The account a walk-in booking goes on, by name or number; nullopt (and
// error) when there is no such active account.
struct WalkInAccount {
    int id = 0;
    QString name;
};
std::optional<WalkInAccount> FindWalkInAccount(Database& db, const QString& account,
                                               QString* error);

enum class WalkInStatus {
    Stored,
    Taken,  // another booking of the item lies in the time, or the item is unavailable
    Gone,   // the item was deleted
    Failed, // the store could not be read or written; error says why
};
struct WalkInResult {
    WalkInStatus status = WalkInStatus::Failed;
    int bookingnr = 0;
    QString error;
};

// Books the item for length minutes from start on day on the account,
// under the write lock, only when no booking of the item overlaps the time
// then (two taps, or two panels, never give two bookings).
WalkInResult BookWalkIn(Database& db, int item, const WalkInAccount& account, int day, int start,
                        int length);

// Whether user and password belong to an administrator: on a booking file
// an active administrator account as the login checks it, on a server a
// role that may log in and belongs to vestra_admin.
bool IsAdministratorLogin(const QString& store, const QString& user, const QString& password);

} // namespace vestra
