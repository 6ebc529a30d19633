#include "panel/panelstore.h"

#include "data/audit.h"
#include "data/helpers.h"
#include "session/login.h"

#include <QRegularExpression>
#include <QSqlRecord>
#include <QUrl>

namespace vestra {

namespace {

template <typename T> T fail(QString* error, const QString& why, T empty = {})
{
    if (error)
        *error = why;
    return empty;
}

QString marks(int n)
{
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << QStringLiteral("?");
    return list.join(QLatin1Char(','));
}

std::optional<int> dayOrNone(const QVariant& v)
{
    return v.isNull() ? std::nullopt : std::optional(v.toInt());
}

bool unavailableOn(const QVariant& inactive, const QVariant& from, const QVariant& to, int day)
{
    return inactive.toInt() != 0 && (from.isNull() || from.toInt() <= day)
           && (to.isNull() || to.toInt() >= day);
}

// A row found by its number, or by its name in any case.
std::optional<QVariantList> findRow(Database& db, const QString& sql, const QString& keyField,
                                    const QString& nameField, const QString& wanted, QString* error)
{
    bool isNumber = false;
    const int number = wanted.trimmed().toInt(&isNumber);
    const Engine engine = db.engine();
    const QString where = isNumber ? keyField + QStringLiteral(" = ?")
                                   : dialect::fold(engine, nameField) + QStringLiteral(" = ")
                                         + dialect::fold(engine, QStringLiteral("?"));
    auto q =
        db.query(sql + QStringLiteral(" WHERE ") + where + QStringLiteral(" ORDER BY ") + keyField,
                 {isNumber ? QVariant(number) : QVariant(wanted.trimmed())});
    if (!q)
        return fail<std::optional<QVariantList>>(error, db.lastError());
    if (!q->next())
        return std::nullopt;
    QVariantList row;
    for (int i = 0; i < q->record().count(); ++i)
        row << q->value(i);
    return row;
}

} // namespace

std::optional<PanelRequest> ParsePanelArguments(const QStringList& arguments, QString* error)
{
    PanelRequest r;
    bool panel = false, board = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString arg = arguments[i];
        static const QStringList options = {QStringLiteral("--panel"), QStringLiteral("--board"),
                                            QStringLiteral("--store"), QStringLiteral("--walk-in")};
        if (!options.contains(arg))
            continue;
        if (i + 1 >= arguments.size() || arguments[i + 1].trimmed().isEmpty()
            || arguments[i + 1].startsWith(QLatin1String("--")))
            return fail<std::optional<PanelRequest>>(error,
                                                     arg + QStringLiteral(" needs a value."));
        const QString value = arguments[++i].trimmed();
        if (arg == options[0]) {
            panel = true;
            for (const QString& item : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
                if (!item.trimmed().isEmpty())
                    r.items << item.trimmed();
        } else if (arg == options[1]) {
            board = true;
            r.type = value;
        } else if (arg == options[2]) {
            r.store = value;
        } else {
            r.walkIn = value;
        }
    }
    if (!panel && !board) {
        if (!r.store.isEmpty() || !r.walkIn.isEmpty())
            return fail<std::optional<PanelRequest>>(
                error, QStringLiteral("--store and --walk-in need --panel or --board."));
        return std::nullopt;
    }
    if (panel && board)
        return fail<std::optional<PanelRequest>>(
            error, QStringLiteral("Use either --panel or --board, not both."));
    if (panel && r.items.isEmpty())
        return fail<std::optional<PanelRequest>>(error, QStringLiteral("--panel needs an item."));
    if (r.items.size() > kMostPanelItems)
        return fail<std::optional<PanelRequest>>(
            error, QStringLiteral("A panel shows at most %1 items.").arg(kMostPanelItems));
    if (board && !r.walkIn.isEmpty())
        return fail<std::optional<PanelRequest>>(
            error, QStringLiteral("--walk-in is for a panel, not a board."));
    if (error)
        error->clear();
    return r;
}

QList<int> ResolvePanelItems(Database& db, const QStringList& items, QString* error)
{
    QList<int> out;
    for (const QString& item : items) {
        QString why;
        const auto row =
            findRow(db, QStringLiteral("SELECT lokalenr FROM lokale"), QStringLiteral("lokalenr"),
                    QStringLiteral("Lokalenavn"), item, &why);
        if (!row)
            return fail<QList<int>>(
                error, why.isEmpty() ? QStringLiteral("There is no item \"%1\".").arg(item) : why);
        out << row->first().toInt();
    }
    return out;
}

QList<int> ItemsOfType(Database& db, const QString& type, QString* typeName, QString* error)
{
    QString why;
    const auto row =
        findRow(db, QStringLiteral("SELECT Lokalitetsnr, Lokalitetsnavn FROM lokaliteter"),
                QStringLiteral("Lokalitetsnr"), QStringLiteral("Lokalitetsnavn"), type, &why);
    if (!row)
        return fail<QList<int>>(
            error, why.isEmpty() ? QStringLiteral("There is no type \"%1\".").arg(type) : why);
    if (typeName)
        *typeName = row->at(1).toString();
    auto q = db.query(
        QStringLiteral(
            "SELECT lokalenr FROM lokale WHERE lokalinr = ? ORDER BY Lokalenavn, lokalenr"),
        {row->first()});
    if (!q)
        return fail<QList<int>>(error, db.lastError());
    QList<int> out;
    while (q->next())
        out << q->value(0).toInt();
    if (out.isEmpty())
        return fail<QList<int>>(error, QStringLiteral("The type \"%1\" has no items.").arg(type));
    return out;
}

std::optional<PanelSnapshot> ReadPanelSnapshot(Database& db, const QList<int>& items, int today,
                                               QString* error)
{
    using Result = std::optional<PanelSnapshot>;
    if (!db.isValid())
        return fail<Result>(error, db.lastError().isEmpty() ? QStringLiteral("The booking store "
                                                                             "cannot be opened.")
                                                            : db.lastError());
    PanelSnapshot snap;
    {
        // A store from before the setting shows titles, as the setting's default does.
        auto q = db.query(QStringLiteral("SELECT * FROM institutionsoplysninger"));
        if (!q)
            return fail<Result>(error, db.lastError());
        const int field = q->record().indexOf(QStringLiteral("paneltitles"));
        if (q->next() && field >= 0 && !q->value(field).isNull())
            snap.showTitles = q->value(field).toInt() != 0;
    }
    QVariantList binds;
    for (int item : items)
        binds << item;
    auto q =
        db.query(QStringLiteral("SELECT l.lokalenr, l.Lokalenavn, t.Lokalitetsnavn, l.inaktiv, "
                                "l.inakstart, l.inakslut FROM lokale l LEFT JOIN lokaliteter "
                                "t ON t.Lokalitetsnr = l.lokalinr WHERE l.lokalenr IN (%1)")
                     .arg(marks(items.size())),
                 binds);
    if (!q)
        return fail<Result>(error, db.lastError());
    QHash<int, PanelItemData> found;
    while (q->next()) {
        PanelItemData d;
        d.item = q->value(0).toInt();
        d.name = q->value(1).toString();
        d.type = q->value(2).toString();
        d.inactive = q->value(3).toInt() != 0;
        d.inactiveFrom = dayOrNone(q->value(4));
        d.inactiveTo = dayOrNone(q->value(5));
        found.insert(d.item, d);
    }
    q.reset();
    // Without titles neither the title nor the account leaves the store.
    const QString shown = snap.showTitles ? QStringLiteral("b.Beskrivelse, k.Kontonavn")
                                          : QStringLiteral("NULL, NULL");
    binds << today - 1 << today + 1;
    q = db.query(QStringLiteral("SELECT b.Bookingnr, b.Lokalenr, b.Bdato, b.Bstart, b.Bslut, "
                                "b.Tentative, %1 FROM Booking b LEFT JOIN Konti k ON k.ID = "
                                "b.kontonr WHERE b.Lokalenr IN (%2) AND b.Bdato >= ? AND "
                                "b.Bdato <= ? AND b.Bstart IS NOT NULL AND b.Bslut IS NOT NULL "
                                "ORDER BY b.Bdato, b.Bstart, b.Bookingnr")
                     .arg(shown, marks(items.size())),
                 binds);
    if (!q)
        return fail<Result>(error, db.lastError());
    while (q->next()) {
        auto it = found.find(q->value(1).toInt());
        if (it == found.end())
            continue;
        PanelBooking b;
        b.bookingnr = q->value(0).toInt();
        b.day = q->value(2).toInt();
        b.start = q->value(3).toInt();
        b.end = q->value(4).toInt();
        b.tentative = q->value(5).toInt() != 0;
        b.title = snap.showTitles ? q->value(6).toString() : QStringLiteral("Booked");
        b.account = q->value(7).toString();
        it->bookings << b;
    }
    // In the order asked for; an item deleted meanwhile is left out.
    for (int item : items)
        if (found.contains(item))
            snap.items << found.value(item);
    return snap;
}

std::optional<WalkInAccount> FindWalkInAccount(Database& db, const QString& account, QString* error)
{
    QString why;
    const auto row = findRow(db, QStringLiteral("SELECT ID, Kontonavn, archived FROM Konti"),
                             QStringLiteral("ID"), QStringLiteral("Kontonavn"), account, &why);
    if (!row || row->at(2).toInt() != 0)
        return fail<std::optional<WalkInAccount>>(
            error, why.isEmpty() ? QStringLiteral("There is no active account \"%1\".").arg(account)
                                 : why);
    return WalkInAccount{row->at(0).toInt(), row->at(1).toString()};
}

WalkInResult BookWalkIn(Database& db, int item, const WalkInAccount& account, int day, int start,
                        int length)
{
    auto failed = [&db] { return WalkInResult{WalkInStatus::Failed, 0, db.lastError()}; };
    Transaction tx(db);
    if (!tx.ok())
        return failed();
    // Read under the write lock: nothing can land between this check and the write.
    int type = 0;
    switch (ItemPresence(db, item, &type)) {
    case Presence::Absent:
        return {WalkInStatus::Gone, 0, {}};
    case Presence::Unknown:
        return failed();
    case Presence::Present:
        break;
    }
    auto q = db.query(
        QStringLiteral("SELECT inaktiv, inakstart, inakslut FROM lokale WHERE lokalenr = ?"),
        {item});
    if (!q || !q->next())
        return failed();
    if (unavailableOn(q->value(0), q->value(1), q->value(2), day))
        return {WalkInStatus::Taken, 0, {}};
    q = db.query(QStringLiteral("SELECT Bdato, Bstart, Bslut FROM Booking WHERE Lokalenr = ? AND "
                                "Bdato >= ? AND Bdato <= ? AND Bstart IS NOT NULL AND Bslut IS "
                                "NOT NULL"),
                 {item, day - 1, day + 1});
    if (!q)
        return failed();
    while (q->next()) {
        const PanelBooking b{
            0, q->value(0).toInt(), q->value(1).toInt(), q->value(2).toInt(), {}, {}, false};
        const int begin = BookingBegin(b, day), finish = BookingFinish(b, day);
        if (finish > begin && begin < start + length && finish > start)
            return {WalkInStatus::Taken, 0, {}};
    }
    // New bookings are tentative when the institution says all bookings are.
    const QVariant tentative =
        db.scalar(QStringLiteral("SELECT Tentative FROM institutionsoplysninger"));
    const auto key = TakeKeys(db, 1);
    if (!key)
        return failed();
    const int end = (start + length) % 1440;
    const QString title = QStringLiteral("Walk-in");
    if (!db.exec(
            QStringLiteral("INSERT INTO Booking (Bookingnr, Bstart, Bslut, Beskrivelse, Bdato, "
                           "Lokalenr, kontonr, curacname, Bgruppe, Bcolor, Tentative) VALUES "
                           "(?,?,?,?,?,?,?,?,?,?,?)"),
            {*key, start, end, title, day, item, account.id, account.name, type, 255,
             tentative.toInt() != 0 ? -1 : 0})
        || !WriteAuditRow(db, AuditAction::Created, QString::number(*key),
                          BookingSummary(title, day, start, end, item))
        || !tx.commit())
        return failed();
    return {WalkInStatus::Stored, *key, {}};
}

bool IsAdministratorLogin(const QString& store, const QString& user, const QString& password)
{
    // An empty password would let libpq fall back on this computer's stored one.
    if (user.isEmpty() || password.isEmpty())
        return false;
    if (!IsServerAddress(store)) {
        Database db = Database::open(store);
        const auto account = FindLoginAccount(db, user, password);
        return account && account->admin;
    }
    // The typed role logs in on a connection of its own.
    static const QRegularExpression userPart(QStringLiteral("^(postgres(?:ql)?://)(?:[^@/]*@)?"));
    QString address = store;
    address.replace(userPart, QStringLiteral("\\1")
                                  + QString::fromLatin1(QUrl::toPercentEncoding(user))
                                  + QLatin1Char('@'));
    SetServerPassword(address, password);
    bool admin = false;
    Database::probeReadOnly(address, [&admin](Database& db) {
        admin = db.scalar(QStringLiteral("SELECT pg_has_role(current_user, 'vestra_admin', "
                                         "'MEMBER')"))
                    .toBool();
        return true;
    });
    SetServerPassword(address, QString());
    return admin;
}

} // namespace vestra
