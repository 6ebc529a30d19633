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
    const auto owner = LoadGroupOwner(d, group);
    ASSERT_TRUE(owner.has_value());
    EXPECT_TRUE(IsOwnedByLogin(owner->kontoowner));
    EXPECT_FALSE(LoadGroupOwner(d, 999).has_value());
}

TEST_P(AccountRules, MembersAreAddedAgainButRemovedWithTheirDuplicates)
{
    const int anna = addAccount("p", "Anna", "anna", "pw");
    const int ben = addAccount("p", "Ben", "ben", "pw");
    const int group = addGroup("Choir", 1);
    Database d = db();
    ASSERT_TRUE(AddMember(d, group, anna));
    ASSERT_TRUE(AddMember(d, group, anna));
    ASSERT_TRUE(AddMember(d, group, ben));
    addMembership(group + 1, anna); // another group's row stays

    auto members = [&](int gnr) {
        QStringList names;
        const Statement s = MembersStatement(gnr);
        auto q = d.query(s.sql, s.binds);
        while (q && q->next())
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

    // With no group chosen the list shows the members of account 1.
    const Statement none = MembersStatement(std::nullopt);
    EXPECT_EQ(none.binds, QVariantList({1}));

    // The creator's membership is written once however often a group is saved.
    const Statement once = AddMembershipOnceStatement(group, ben);
    ASSERT_TRUE(d.exec(once.sql, once.binds));
    EXPECT_EQ(count("Grptilk", "gnr = ? AND pnr = ?", {group, ben}), 1);
}

TEST_P(AccountRules, DeleteRefusesAdminsAndBookedAccountsAndTakesEveryMembership)
{
    const int admin = addAccount("p", "Second admin", "root", "pw", true);
    const int live = addAccount("p", "Live", "live", "pw");
    const int past = addAccount("p", "Past", "past", "pw", false, true);
    const int anna = addAccount("p", "Anna", "anna", "pw");
    const int ben = addAccount("p", "Ben", "ben", "pw");
    const int group = addGroup("Choir", anna);
    addMembership(group, anna);
    addMembership(group, ben);
    addBooking(45000, 600, 660, 1, 1, live);
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
    EXPECT_FALSE(exists(ben));
    EXPECT_TRUE(memberships(ben).isEmpty());
    EXPECT_EQ(count("Grptilk", "gnr = ?", {group}), 1);

    // A group takes its members' rows with it.
    ASSERT_TRUE(DeleteAccount(d, group).deleted());
    EXPECT_TRUE(memberships(group).isEmpty());
    EXPECT_EQ(memberships(anna),
              QStringList({QString::number(anna) + "/" + QString::number(anna)}));
}

TEST_P(AccountRules, CleanUpRemovesUnusedArchivedAccountsWithTheirMemberships)
{
    const int gone1 = addAccount("p", "Gone one", "g1", "pw", false, true);
    const int gone2 = addAccount("g", "Gone group", "", "", false, true);
    const int oldAdmin = addAccount("p", "Old admin", "oa", "pw", true, true);
    const int keptArchive = addAccount("p", "Kept archive", "ka", "pw", false, true);
    const int keptLive = addAccount("p", "Kept live", "kl", "pw", false, true);
    const int active = addAccount("p", "Active", "ac", "pw");
    addMembership(gone2, gone1);
    addMembership(gone2, active);
    addArchivedBooking(keptArchive);
    addBooking(45000, 600, 660, 1, 1, keptLive);

    Database d = db();
    const CleanUpResult result = CleanUpArchivedAccounts(d);
    EXPECT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    EXPECT_EQ(result.removed, 3);
    for (int id : {gone1, gone2, oldAdmin}) {
        EXPECT_FALSE(exists(id)) << id;
        EXPECT_TRUE(memberships(id).isEmpty()) << id;
    }
    for (int id : {keptArchive, keptLive, active, 1})
        EXPECT_TRUE(exists(id)) << id;
    EXPECT_EQ(memberships(active).size(), 1);
}

} // namespace
