#include "accounts/accounts.h"

#include "data/audit.h"
#include "data/helpers.h"
#include "session/access.h"
#include "session/session.h"

#include <cmath>

namespace vestra {

QString AccountChanges(const QHash<QString, QVariant>& before,
                       const QHash<QString, QVariant>& after)
{
    QStringList names = after.keys();
    names.sort();
    QStringList changed;
    for (const QString& name : names) {
        const QVariant was = before.value(name);
        const QVariant is = after.value(name);
        if (was.isNull() == is.isNull() && was.toString() == is.toString())
            continue;
        changed << name + QStringLiteral(": ")
                       + BeforeAfter(IsolatedText(was.toString()), IsolatedText(is.toString()));
    }
    if (changed.isEmpty())
        return {};
    return IsolatedText(before.value(QStringLiteral("kontonavn")).toString()) + QStringLiteral(": ")
           + changed.join(QStringLiteral(" | "));
}

namespace {

bool exec(Database& db, const Statement& s)
{
    return db.exec(s.sql, s.binds);
}

bool hasLiveBookings(Database& db, int id)
{
    return RecordExistsIn(db, QStringLiteral("booking"), QStringLiteral("kontonr"), id);
}

bool hasAnyBookings(Database& db, int id)
{
    return hasLiveBookings(db, id)
           || RecordExistsIn(db, QStringLiteral("bookingarkiv"), QStringLiteral("kontonr"), id);
}

// The archived accounts no live or archived booking refers to.
const QString kUnusedArchivedAccounts = QStringLiteral(
    "SELECT ID FROM Konti WHERE archived <> 0"
    " AND NOT EXISTS (SELECT 1 FROM Booking WHERE Booking.kontonr = Konti.ID)"
    " AND NOT EXISTS (SELECT 1 FROM Bookingarkiv WHERE Bookingarkiv.kontonr = Konti.ID)");

} // namespace

Statement MembersStatement(std::optional<int> gnr)
{
    return {QStringLiteral("SELECT Grptilk.gnr, Konti.Kontonavn, Konti.ID FROM Konti "
                           "INNER JOIN Grptilk ON Konti.ID = Grptilk.pnr WHERE Grptilk.gnr = ? "
                           "ORDER BY Konti.Kontonavn, Konti.ID"),
            {gnr.value_or(1)}};
}

Statement AddMemberStatement(int gnr, int pnr)
{
    return {QStringLiteral("INSERT INTO Grptilk (gnr, pnr) VALUES (?, ?)"), {gnr, pnr}};
}

Statement DeleteMemberStatement(int gnr, int pnr)
{
    return {QStringLiteral("DELETE FROM Grptilk WHERE gnr = ? AND pnr = ?"), {gnr, pnr}};
}

Statement AddMembershipOnceStatement(int gnr, int pnr)
{
    return {QStringLiteral("INSERT INTO Grptilk (gnr, pnr) SELECT ?, ? WHERE NOT EXISTS "
                           "(SELECT 1 FROM Grptilk WHERE gnr = ? AND pnr = ?)"),
            {gnr, pnr, gnr, pnr}};
}

Statement NewPersonMembershipStatement(int id, bool serverLogin)
{
    if (!serverLogin)
        return AddMemberStatement(id, id);
    // Its password is set afterwards, as any stored account's.
    return {QStringLiteral("WITH m AS (INSERT INTO Grptilk (gnr, pnr) VALUES (?, ?) RETURNING pnr) "
                           "SELECT vestra_add_login(pnr, NULL) FROM m"),
            {id, id}};
}

namespace {
// A membership change and its log row, named by the group and the person as
// they are called now, in one transaction.
bool changeMembership(Database& db, const Statement& change, AuditAction action, int gnr, int pnr)
{
    Transaction tx(db);
    if (!tx.ok() || !exec(db, change))
        return false;
    if (db.changedRows() == 0)
        return true;
    const auto name = [&db](int id) {
        return IsolatedText(
            db.scalar(QStringLiteral("SELECT Kontonavn FROM Konti WHERE ID = ?"), {id}).toString());
    };
    return WriteAuditRow(db, action, QStringLiteral("%1/%2").arg(gnr).arg(pnr),
                         name(gnr) + QStringLiteral(": ") + name(pnr))
           && tx.commit();
}
} // namespace

bool AddMember(Database& db, int gnr, int pnr)
{
    return changeMembership(db, AddMemberStatement(gnr, pnr), AuditAction::MemberAdded, gnr, pnr);
}

bool DeleteMember(Database& db, int gnr, int pnr)
{
    return changeMembership(db, DeleteMemberStatement(gnr, pnr), AuditAction::MemberRemoved, gnr,
                            pnr);
}

std::optional<GroupOwner> LoadGroupOwner(Database& db, int gnr)
{
    auto q =
        db.query(QStringLiteral("SELECT kontoowner, kontokontakt FROM KontiG WHERE ID = ?"), {gnr});
    if (!q || !q->next())
        return std::nullopt;
    return GroupOwner{q->value(0), q->value(1).toString()};
}

bool IsOwnedByLogin(const QVariant& kontoowner)
{
    bool ok = false;
    const double number = kontoowner.toString().trimmed().toDouble(&ok);
    if (!ok || number != std::floor(number))
        return false;
    return IsGroupOwner(static_cast<int>(number));
}

FieldValues NewPersonalAccountValues()
{
    return {{QStringLiteral("Kontotype"), QStringLiteral("p")},
            {QStringLiteral("admin"), 0},
            {QStringLiteral("archived"), 0}};
}

FieldValues NewGroupAccountValues(const Session& s)
{
    return {{QStringLiteral("kontokontakt"), s.LoginName},
            {QStringLiteral("Kontotype"), QStringLiteral("g")},
            {QStringLiteral("Kontouser"), s.LoginUser},
            {QStringLiteral("kontoowner"), s.LoginAccountId},
            {QStringLiteral("admin"), 0},
            {QStringLiteral("archived"), 0}};
}

QString AccountRefusalText(AccountRefusal refusal)
{
    switch (refusal) {
    case AccountRefusal::Admin:
        return QStringLiteral("Admin Accounts can't be deleted.");
    case AccountRefusal::HasBookings:
        return QStringLiteral("System not able to delete account due to corresponding bookings.");
    case AccountRefusal::None:
    case AccountRefusal::Gone:
        break;
    }
    return {};
}

QString AccountRefusalTitle(AccountRefusal refusal)
{
    return refusal == AccountRefusal::Admin ? QStringLiteral("Service Message")
                                            : QStringLiteral("Deletion Denied");
}

bool GroupHasBookings(Database& db, int id)
{
    return hasLiveBookings(db, id);
}

AccountDeleteResult DeleteGroupAccount(Database& db, int id)
{
    AccountDeleteResult result;
    // Checked again under the write lock: a booking made on another
    // workstation since the question was asked still blocks.
    Transaction t(db);
    if (!t.ok())
        return {AccountRefusal::None, db.lastError()};
    if (hasLiveBookings(db, id))
        return {AccountRefusal::HasBookings, {}};
    const QString name =
        db.scalar(QStringLiteral("SELECT Kontonavn FROM Konti WHERE ID = ?"), {id}).toString();
    if (!db.exec(QStringLiteral("DELETE FROM Konti WHERE ID = ?"), {id})
        || !db.exec(QStringLiteral("DELETE FROM Grptilk WHERE gnr = ?"), {id})
        || !WriteAuditRow(db, AuditAction::AccountDeleted, QString::number(id), IsolatedText(name))
        || !t.commit())
        result.error = db.lastError();
    return result;
}

AccountDeleteResult DeleteAccount(Database& db, int id)
{
    AccountDeleteResult result;
    Transaction t(db);
    if (!t.ok())
        return {AccountRefusal::None, db.lastError()};
    auto q = db.query(QStringLiteral("SELECT admin, Kontonavn FROM Konti WHERE ID = ?"), {id});
    if (!q)
        return {AccountRefusal::None, db.lastError()};
    if (!q->next())
        return {AccountRefusal::Gone, {}};
    const bool admin = q->value(0).toInt() != 0;
    const QString name = q->value(1).toString();
    q.reset();
    if (admin)
        return {AccountRefusal::Admin, {}};
    if (hasAnyBookings(db, id))
        return {AccountRefusal::HasBookings, {}};
    if (!db.exec(QStringLiteral("DELETE FROM Grptilk WHERE gnr = ? OR pnr = ?"), {id, id})
        || !db.exec(QStringLiteral("DELETE FROM Konti WHERE ID = ?"), {id})
        || !WriteAuditRow(db, AuditAction::AccountDeleted, QString::number(id), IsolatedText(name))
        || !t.commit())
        result.error = db.lastError();
    return result;
}

CleanUpResult CleanUpArchivedAccounts(Database& db)
{
    CleanUpResult result;
    Transaction t(db);
    if (!t.ok())
        return {0, db.lastError()};
    const QString set = QStringLiteral("(") + kUnusedArchivedAccounts + QStringLiteral(")");
    if (!db.exec(QStringLiteral("DELETE FROM Grptilk WHERE gnr IN %1 OR pnr IN %1").arg(set))
        || !db.exec(QStringLiteral("DELETE FROM Konti WHERE ID IN %1").arg(set))) {
        result.error = db.lastError();
        return result;
    }
    result.removed = db.changedRows();
    if (result.removed > 0
        && !WriteAuditRow(db, AuditAction::AccountDeleted, QString(),
                          QStringLiteral("%1 archived accounts cleaned up").arg(result.removed))) {
        result = {0, db.lastError()};
        return result;
    }
    if (!t.commit()) {
        result = {0, db.lastError()};
    }
    return result;
}

Statement AccountListStatement(const QString& accType, bool archived)
{
    // An account whose flag was never set counts as active.
    return {QStringLiteral("SELECT ID, Kontonavn, kontokontakt, Kontotlf FROM kontifor "
                           "WHERE Kontotype = ? AND %1")
                .arg(archived ? QStringLiteral("archived <> 0")
                              : QStringLiteral("(archived = 0 OR archived IS NULL)")),
            {accType}};
}

} // namespace vestra
