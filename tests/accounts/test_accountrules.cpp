#include "accountdata.h"
#include "accounts/accounts.h"
#include "data/audit.h"

using namespace vestra;
using namespace vestra::test;

namespace {

class AccountRules : public AccountTest {};

INSTANTIATE_TEST_SUITE_P(Engines, AccountRules, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(AccountRules, TheOwnerFieldIsComparedAsANumber)
{
    session().LoginAccountId = 12;
    const struct {
        QVariant owner;
        bool owns;
    } cases[] = {{12, true},      {"12", true},       {" 12 ", true},
                 {"12.0", true},  {13, false},        {"12.5", false},
                 {"Anna", false}, {QString(), false}, {QVariant(), false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsOwnedByLogin(c.owner), c.owns) << c.owner.toString().toStdString();

    // A group stored with the owner as text still belongs to account 12.
    const int group = addGroup("Choir", "12");
    Database d = db();
    EXPECT_TRUE(IsOwnedByLogin(LoadGroupOwner(d, group).value_or(GroupOwner()).kontoowner));
    EXPECT_FALSE(LoadGroupOwner(d, 999).has_value());
}

TEST_P(AccountRules, MembersAreAddedAgainButRemovedWithTheirDuplicates)
{
    const int anna = addAccount("p", "Anna", "anna", "pw");
    const int ben = addAccount("p", "Ben", "ben", "pw");
    const int group = addGroup("Choir", 1);
    Database d = db();
    for (const int pnr : {anna, anna, ben})
        ASSERT_TRUE(AddMember(d, group, pnr)) << pnr;
    addMembership(group + 1, anna); // another group's row stays

    auto members = [&](int gnr) {
        QStringList names;
        const Statement s = MembersStatement(gnr);
        for (auto q = d.query(s.sql, s.binds); q && q->next();)
            names << q->value(1).toString() + "/" + q->value(2).toString();
        return names;
    };
    const QString a = QString::number(anna), b = QString::number(ben);
    EXPECT_EQ(members(group), QStringList({"Anna/" + a, "Anna/" + a, "Ben/" + b}));

    ASSERT_TRUE(DeleteMember(d, group, anna));
    EXPECT_EQ(members(group), QStringList({"Ben/" + b}));
    EXPECT_EQ(memberships(anna), QStringList({a + "/" + a, QString::number(group + 1) + "/" + a}));

    // Each change is logged once, by group and member, as a server logs it;
    // removing someone who is no member logs nothing.
    ASSERT_TRUE(DeleteMember(d, group, anna));
    QStringList log;
    auto q = d.query("SELECT action, itemkey, summary FROM Auditlog ORDER BY ID");
    while (q && q->next())
        log << QStringList{q->value(0).toString(), q->value(1).toString(), q->value(2).toString()}
                   .join('|');
    const QString key = QString::number(group) + "/";
    const QString choir = IsolatedText("Choir") + ": ";
    EXPECT_EQ(log,
              QStringList({"membership created|" + key + a + "|" + choir + IsolatedText("Anna"),
                           "membership created|" + key + a + "|" + choir + IsolatedText("Anna"),
                           "membership created|" + key + b + "|" + choir + IsolatedText("Ben"),
                           "membership deleted|" + key + a + "|" + choir + IsolatedText("Anna")}));

    // The creator's membership is written once however often a group is saved.
    const Statement once = AddMembershipOnceStatement(group, ben);
    ASSERT_TRUE(d.exec(once.sql, once.binds));
    EXPECT_EQ(count("Grptilk", "gnr = ? AND pnr = ?", {group, ben}), 1);
}

// Deleting one account and cleaning up the archived ones both keep
// administrators and accounts with bookings, live or archived, and take the
// memberships of what goes.
TEST_P(AccountRules, DeleteAndCleanUpKeepAdminsAndBookedAccountsAndTakeEveryMembership)
{
    const int admin = addAccount("p", "Second admin", "root", "pw", true);
    const int live = addAccount("p", "Live", "live", "pw");
    const int anna = addAccount("p", "Anna", "anna", "pw");
    const int ben = addAccount("p", "Ben", "ben", "pw");
    const int group = addGroup("Choir", anna);
    // Archived: kept for their bookings, or gone in the clean-up.
    const int past = addAccount("p", "Past", "past", "pw", false, true);
    const int keptLive = addAccount("p", "Kept live", "kl", "pw", false, true);
    const int gone1 = addAccount("p", "Gone one", "g1", "pw", false, true);
    const int gone2 = addAccount("g", "Gone group", "", "", false, true);
    const int oldAdmin = addAccount("p", "Old admin", "oa", "pw", true, true);
    for (const auto& [gnr, pnr] :
         {std::pair{group, anna}, {group, ben}, {gone2, gone1}, {gone2, anna}})
        addMembership(gnr, pnr);
    addBooking(45000, 600, 660, 1, 1, live);
    addBooking(45000, 600, 660, 1, 1, keptLive);
    addArchivedBooking(past);
    Database d = db();
    const struct {
        int id;
        AccountRefusal refusal;
    } cases[] = {{admin, AccountRefusal::Admin},
                 {live, AccountRefusal::HasBookings},
                 {past, AccountRefusal::HasBookings},
                 {999, AccountRefusal::Gone}};
    for (const auto& c : cases) {
        EXPECT_EQ(DeleteAccount(d, c.id).refusal, c.refusal) << c.id;
        EXPECT_EQ(memberships(c.id).isEmpty(), c.id == 999) << c.id;
    }

    // A person leaves every group, and their own row goes too.
    ASSERT_TRUE(DeleteAccount(d, ben).deleted());
    EXPECT_EQ(std::pair(exists(ben), memberships(ben)), std::pair(false, QStringList()));
    EXPECT_EQ(count("Grptilk", "gnr = ?", {group}), 1);

    // A group takes its members' rows with it.
    ASSERT_TRUE(DeleteAccount(d, group).deleted());
    EXPECT_TRUE(memberships(group).isEmpty());
    EXPECT_EQ(memberships(anna),
              QStringList({QString("%1/%1").arg(anna), QString("%1/%2").arg(gone2).arg(anna)}));

    const CleanUpResult result = CleanUpArchivedAccounts(d);
    EXPECT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    EXPECT_EQ(result.removed, 3);
    for (int id : {gone1, gone2, oldAdmin})
        EXPECT_EQ(std::pair(exists(id), memberships(id)), std::pair(false, QStringList())) << id;
    for (int id : {past, keptLive, anna, 1})
        EXPECT_TRUE(exists(id)) << id;
    EXPECT_EQ(memberships(anna).size(), 1);
}

} // namespace
