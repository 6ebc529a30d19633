#include "resources/hierarchy.h"
#include "resources/resourcewindows.h"

#include "data/audit.h"
#include "data/helpers.h"

#include <QHash>
#include <QRegularExpression>

namespace vestra {

QChar KindLetter(int gruppeart)
{
    switch (gruppeart) {
    case 1:
        return QLatin1Char('L');
    case 2:
        return QLatin1Char('A');
    default:
        return QLatin1Char('S');
    }
}

int KindOfLetter(QChar kindLetter)
{
    if (kindLetter == QLatin1Char('L'))
        return 1;
    if (kindLetter == QLatin1Char('A'))
        return 2;
    return 3;
}

QString NodeKey::text() const
{
    return MakeNodeKey(kind, node, number);
}

QString MakeNodeKey(QChar kind, QChar node, int number)
{
    return QString(kind) + node + QString::number(number);
}

std::optional<NodeKey> ParseNodeKey(const QString& key)
{
    if (key.size() < 3)
        return std::nullopt;
    bool ok = false;
    const int number = key.mid(2).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return NodeKey{key.at(0), key.at(1), number};
}

namespace {

struct Row {
    int number = 0;
    int parent = 0;
    bool parentNull = false;
    QString text;
};

// One read per table; the nesting is done in memory, which gives the same
// nodes in the same order as scanning each table once per parent.
std::optional<QList<Row>> readRows(Database& db, const QString& sql)
{
    auto q = db.query(sql);
    if (!q)
        return std::nullopt;
    QList<Row> rows;
    while (q->next())
        rows.append({q->value(0).toInt(), q->value(1).toInt(), q->value(1).isNull(),
                     q->value(2).toString()});
    return rows;
}

} // namespace

QList<TreeRow> LoadTreeRows(Database& db)
{
    // Stored order: the group kinds have no key, the other tables are keyed
    // by their record number, which is the order SQLite stores them in.
    const auto kinds =
        readRows(db, QStringLiteral("SELECT gruppeart, 0, gtypenavn FROM gruppetyper"));
    const auto groups =
        readRows(db, QStringLiteral("SELECT overgruppenr, gruppeart, overgruppenavn "
                                    "FROM overgruppenavne ORDER BY overgruppenr"));
    const auto types =
        readRows(db, QStringLiteral("SELECT lokalitetsnr, overgruppenr, lokalitetsnavn "
                                    "FROM lokaliteter ORDER BY lokalitetsnr"));
    const auto items =
        readRows(db, QStringLiteral("SELECT lokalenr, lokalinr, lokalenavn FROM lokalesort"));
    if (!kinds || !groups || !types || !items)
        return {};

    // Children by parent number, each list in the order read.
    auto byParent = [](const QList<Row>& rows) {
        QHash<int, QList<const Row*>> map;
        for (const Row& r : rows)
            if (!r.parentNull)
                map[r.parent].append(&r);
        return map;
    };
    const auto groupsOf = byParent(*groups);
    const auto typesOf = byParent(*types);
    const auto itemsOf = byParent(*items);

    QList<TreeRow> out;
    for (const Row& kind : *kinds) {
        const QChar letter = KindLetter(kind.number);
        out.append({1, kind.text, MakeNodeKey(letter, QLatin1Char('T'), kind.number)});
        for (const Row* group : groupsOf.value(kind.number)) {
            out.append({2, group->text, MakeNodeKey(letter, QLatin1Char('G'), group->number)});
            for (const Row* type : typesOf.value(group->number)) {
                out.append({3, type->text, MakeNodeKey(letter, QLatin1Char('L'), type->number)});
                for (const Row* item : itemsOf.value(type->number))
                    out.append(
                        {4, item->text, MakeNodeKey(letter, QLatin1Char('I'), item->number)});
            }
        }
    }
    return out;
}

QString ItemWindowName(QChar kindLetter, ItemMode mode)
{
    const bool domestic = kindLetter == QLatin1Char('L');
    switch (mode) {
    case ItemMode::Edit:
        return QString::fromLatin1(domestic ? windows::DomesticEdit : windows::EquipmentEdit);
    case ItemMode::View:
        return QString::fromLatin1(domestic ? windows::DomesticView : windows::EquipmentView);
    case ItemMode::Add:
        break;
    }
    return QString::fromLatin1(domestic ? windows::DomesticAdd : windows::EquipmentAdd);
}

std::optional<ChildRecord> ChildRecordFor(Database& db, const NodeKey& parent)
{
    const int letterKind = KindOfLetter(parent.kind);
    auto kindOf = [&](const QString& table, const QString& keyField) {
        const QVariant v =
            LookupIn(db, QStringLiteral("gruppeart"), table, keyField + " = ?", {parent.number});
        return v.isNull() ? QVariant(letterKind) : v;
    };
    if (parent.node == QLatin1Char('T'))
        return ChildRecord{QString::fromLatin1(windows::Resgroup),
                           {{QStringLiteral("gruppeart"), parent.number}}};
    if (parent.node == QLatin1Char('G'))
        return ChildRecord{QString::fromLatin1(windows::Restype),
                           {{QStringLiteral("Overgruppenr"), parent.number},
                            {QStringLiteral("gruppeart"), kindOf(QStringLiteral("overgruppenavne"),
                                                                 QStringLiteral("overgruppenr"))}}};
    if (parent.node == QLatin1Char('L'))
        return ChildRecord{ItemWindowName(parent.kind, ItemMode::Add),
                           {{QStringLiteral("lokalinr"), parent.number},
                            {QStringLiteral("gruppeart"), kindOf(QStringLiteral("lokaliteter"),
                                                                 QStringLiteral("lokalitetsnr"))}}};
    return std::nullopt;
}

DeleteRefusal CheckGroupDelete(Database& db, int overgruppenr)
{
    if (RecordExistsIn(db, QStringLiteral("lokaliteter"), QStringLiteral("overgruppenr"),
                       overgruppenr))
        return DeleteRefusal::GroupHasTypes;
    return DeleteRefusal::None;
}

DeleteRefusal CheckTypeDelete(Database& db, int lokalitetsnr)
{
    if (RecordExistsIn(db, QStringLiteral("lokale"), QStringLiteral("lokalinr"), lokalitetsnr))
        return DeleteRefusal::TypeHasItems;
    // Bookings name their type too; one whose item is gone still belongs here.
    if (RecordExistsIn(db, QStringLiteral("booking"), QStringLiteral("bgruppe"), lokalitetsnr))
        return DeleteRefusal::TypeHasBookings;
    return DeleteRefusal::None;
}

DeleteRefusal CheckItemDelete(Database& db, int lokalenr)
{
    if (RecordExistsIn(db, QStringLiteral("booking"), QStringLiteral("lokalenr"), lokalenr))
        return DeleteRefusal::ItemHasBookings;
    return DeleteRefusal::None;
}

QString RefusalText(DeleteRefusal refusal)
{
    switch (refusal) {
    case DeleteRefusal::None:
        return {};
    case DeleteRefusal::GroupHasTypes:
        return QStringLiteral("Unable to delete a resource group that still has resource types. "
                              "Delete its resource types first.");
    case DeleteRefusal::TypeHasItems:
        return QStringLiteral("Unable to delete a resource type that still has resource items. "
                              "Delete its resource items first.");
    case DeleteRefusal::TypeHasBookings:
        return QStringLiteral("Unable to delete a resource type with underlaying bookings.");
    case DeleteRefusal::ItemHasBookings:
        break;
    }
    return QStringLiteral("Unable to delete resource with underlaying bookings ! !");
}

namespace {

DeleteResult deleteChecked(Database& db, const std::function<DeleteRefusal()>& check,
                           const QString& sql, int number)
{
    DeleteResult result;
    Transaction tx(db);
    if (!tx.ok()) {
        result.error = db.lastError();
        return result;
    }
    result.refusal = check();
    if (result.refusal != DeleteRefusal::None)
        return result;
    // What went is logged by its table and number ("lokale 12").
    static const QRegularExpression table(QStringLiteral("^DELETE FROM (\\S+)"));
    const QString what = table.match(sql).captured(1) + QLatin1Char(' ') + QString::number(number);
    if (!db.exec(sql, {number})
        || !WriteAuditRow(db, AuditAction::ResourceDeleted, QString::number(number), what)
        || !tx.commit())
        result.error = db.lastError();
    return result;
}

} // namespace

DeleteResult DeleteGroup(Database& db, int overgruppenr)
{
    return deleteChecked(
        db, [&] { return CheckGroupDelete(db, overgruppenr); },
        QStringLiteral("DELETE FROM overgruppenavne WHERE overgruppenr = ?"), overgruppenr);
}

DeleteResult DeleteType(Database& db, int lokalitetsnr)
{
    return deleteChecked(
        db, [&] { return CheckTypeDelete(db, lokalitetsnr); },
        QStringLiteral("DELETE FROM lokaliteter WHERE lokalitetsnr = ?"), lokalitetsnr);
}

DeleteResult DeleteItem(Database& db, int lokalenr)
{
    return deleteChecked(
        db, [&] { return CheckItemDelete(db, lokalenr); },
        QStringLiteral("DELETE FROM lokale WHERE lokalenr = ?"), lokalenr);
}

std::pair<QDate, QDate> DefaultUnavailablePeriod(const QDate& today)
{
    return {today, today.addDays(14)};
}

namespace {
QDate& fixedToday()
{
    static QDate date;
    return date;
}
} // namespace

QDate ResourcesToday()
{
    return fixedToday().isValid() ? fixedToday() : QDate::currentDate();
}

void SetResourcesToday(const QDate& fixed)
{
    fixedToday() = fixed;
}

} // namespace vestra
