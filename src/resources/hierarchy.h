#pragma once
// The four-level resource hierarchy: group kinds (gruppetyper), resource
// groups (overgruppenavne), resource types (lokaliteter) and resource items
// (lokale). The tree of the resource manager names each node by a text key:
// kind letter, node letter, record number ("AG12", "LI7").

#include "db/database.h"
#include "forms/recordvalues.h"

#include <QChar>
#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>
#include <utility>

namespace vestra {

// 1 Domestic -> 'L', 2 Add-On -> 'A', anything else Stand-Alone -> 'S'.
QChar KindLetter(int gruppeart);
// The kind number a letter stands for ('L' 1, 'A' 2, otherwise 3).
int KindOfLetter(QChar kindLetter);

struct NodeKey {
    QChar kind; // 'L', 'A' or 'S'
    QChar node; // 'T' group kind, 'G' group, 'L' type, 'I' item
    int number = 0;

    QString text() const;
    friend bool operator==(const NodeKey&, const NodeKey&) = default;
};

QString MakeNodeKey(QChar kind, QChar node, int number);
// Reads a key by position: kind, node letter, the rest as a whole number.
std::optional<NodeKey> ParseNodeKey(const QString& key);

struct TreeRow {
    int depth = 1; // 1 group kind .. 4 item
    QString text;
    QString key;
};

// Every node of the tree, depth first in the order of the tables (items in
// the order of lokalesort). Groups, types and items whose parent is missing
// are left out. Empty when the file cannot be read.
QList<TreeRow> LoadTreeRows(Database& bookingFile);

struct ChildRecord {
    QString window;     // objectName of the window opened on the new record
    FieldValues values; // parent link and kind
};

// What "Add child" opens under a node; nothing under an item. The kind is
// copied from the parent record, so that a type or item always carries the
// kind of its group even for kinds other than 1 to 3.
std::optional<ChildRecord> ChildRecordFor(Database& bookingFile, const NodeKey& parent);

// Deleting groups and types is refused while anything still hangs below
// them; items are refused while live bookings refer to them (archived ones
// do not count).
enum class DeleteRefusal { None, GroupHasTypes, TypeHasItems, TypeHasBookings, ItemHasBookings };

DeleteRefusal CheckGroupDelete(Database& bookingFile, int overgruppenr);
DeleteRefusal CheckTypeDelete(Database& bookingFile, int lokalitetsnr);
DeleteRefusal CheckItemDelete(Database& bookingFile, int lokalenr);
QString RefusalText(DeleteRefusal refusal);

struct DeleteResult {
    DeleteRefusal refusal = DeleteRefusal::None;
    QString error; // the database failed
    bool deleted() const { return refusal == DeleteRefusal::None && error.isEmpty(); }
    // As the record windows show it.
    DeleteOutcome outcome() const { return {RefusalText(refusal), error}; }
};

// Check and delete in one write transaction, so that a booking made on
// another workstation between the question and the answer still blocks.
DeleteResult DeleteGroup(Database& bookingFile, int overgruppenr);
DeleteResult DeleteType(Database& bookingFile, int lokalitetsnr);
DeleteResult DeleteItem(Database& bookingFile, int lokalenr);

// The period an item is marked unavailable for when the box is ticked.
std::pair<QDate, QDate> DefaultUnavailablePeriod(const QDate& today);

// Today's date for the item windows; tests fix it.
QDate ResourcesToday();
void SetResourcesToday(const QDate& fixed); // a null date returns to the clock

} // namespace vestra
