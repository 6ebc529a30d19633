#include "accountdata.h"
#include "accounts/accountmanager.h"
#include "accounts/groupaccountmanager.h"
#include "accounts/personalaccountwindow.h"
#include "app/registerwindows.h"
#include "db/database.h"
#include "report/listcontrol.h"
#include "security.h"
#include "session/login.h"
#include "shell/commands.h"
#include "widgets/windowregistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace vestra;
using namespace vestra::test;

namespace {

const QString kAdd = QString::fromUtf8("tilføjmedlem");

class AccountWindows : public AccountTest {
protected:
    void SetUp() override
    {
        AccountTest::SetUp();
        RegisterWindows();
        anna = addAccount("p", "Anna", "anna", "pw");
    }
    int anna = 0;

    template <typename T = QWidget> static T* window(const QString& name)
    {
        return WindowRegistry::instance().findAs<T>(name);
    }
    template <typename T> T* open(int command, const QString& name)
    {
        RunMenuCommand(Command(command), nullptr, nullptr);
        T* w = window<T>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    // The window a click on the button opens.
    template <typename T = QWidget>
    static T* opens(QWidget* w, const QString& button, const QString& name)
    {
        click(w, button);
        T* opened = window<T>(name);
        EXPECT_NE(opened, nullptr) << name.toStdString();
        return opened;
    }
    // The window the list's Edit opens on the named row, and its Add opens.
    static PersonalAccountWindow* edit(AccountManager* w, const QString& name)
    {
        choose(w->list(), name);
        return opens<PersonalAccountWindow>(w, "EditAcc", "Personkonto");
    }
    static PersonalAccountWindow* addNew(AccountManager* w)
    {
        return opens<PersonalAccountWindow>(w, "AddAcc", "PersonkontoAdd");
    }
    static QStringList rows(const ListControl* list)
    {
        QStringList out;
        for (int r = 0; r < list->rowCount(); ++r)
            out << list->rowTexts(r).join(";");
        return out;
    }
    static void choose(ListControl* list, const QString& name)
    {
        for (int r = 0; r < list->rowCount(); ++r)
            if (list->text(r, 0) == name)
                return list->selectRow(r);
        ADD_FAILURE() << "no row " << name.toStdString();
    }
    template <typename... W> static void shut(W*... windows) { (windows->close(), ...), settle(); }
    // Return, Enter or Escape on the named field or button, as a user's key.
    static void key(QWidget* w, const char* name, Qt::Key k)
    {
        auto* target = w->findChild<QWidget*>(name);
        ASSERT_TRUE(target) << name;
        target->setFocus();
        QTest::keyClick(target, k);
        settle();
    }
    // The password dialog that button opens, filled in and Ok pressed; only
    // users setting their own are asked for the old one (none given here).
    // True when the dialog closed (the password was taken).
    static bool setPassword(QWidget* w, const QString& oldPassword, const QString& password,
                            const QString& repeat, const QString& button = "SetPasswordButton")
    {
        click(w, button);
        // A dialog that took the password closes and is deleted.
        QPointer<QDialog> dialog = w->findChild<QDialog*>("SetPassword");
        if (!dialog)
            return false;
        EXPECT_EQ(dialog->findChild<QLineEdit*>("oldpassword") != nullptr, !oldPassword.isNull())
            << button.toStdString();
        type(dialog,
             {"oldpassword", oldPassword, "newpassword", password, "repeatpassword", repeat});
        press(dialog, "ok");
        if (!dialog)
            return true;
        shut(dialog.data());
        return false;
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, AccountWindows, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(AccountWindows, OnlyTheOwnerChangesAGroupButAnyoneCreatesOne)
{
    const int ben = addAccount("p", "Ben", "ben", "pw");
    const int choir = addGroup("Choir", QString::number(anna));
    addMembership(choir, anna);
    logInAs(ben);

    auto* m = open<GroupAccountManager>(221, "Gruppetilk");
    EXPECT_EQ(rows(m->groups()), QStringList({"Choir"}));
    EXPECT_EQ(rows(m->persons()), QStringList({"Administrator", "Anna", "Ben"}));
    // Before a group is chosen the members are those of account 1.
    EXPECT_EQ(rows(m->members()), QStringList({"Administrator"}));
    click(m, "editgroup", "Slet_Gruppe", kAdd, "Sletmedlem");
    choose(m->groups(), "Choir");
    EXPECT_EQ(text(m, "kontoowner"), QString::number(anna));
    EXPECT_EQ(rows(m->members()), QStringList({"Anna"}));
    click(m, "editgroup", "Slet_Gruppe", kAdd);
    choose(m->persons(), "Ben");
    click(m, kAdd, "Sletmedlem");
    choose(m->members(), "Anna");
    click(m, "Sletmedlem");
    EXPECT_EQ(messages.texts(),
              QStringList(4, "No Group Selected / Error")
                  + QStringList({"Projects can only be edited by the owner! / ",
                                 "Projects can only be deleted by the owner! / ",
                                 "No Personal Account Selected / Error",
                                 "Projects can only be edited by the owner!! / ",
                                 "No Member Account Selected / Error",
                                 "Projects can only be edited by the owner! / "}));
    EXPECT_EQ(window("Gruppekonto"), nullptr);
    EXPECT_EQ(std::pair(exists(choir), memberships(choir).size()), std::pair(true, qsizetype(1)));

    // Ben's own group: he owns it and is its first member.
    messages.clear();
    auto* g = opens(m, "NyGruppe", "Gruppekonto");
    EXPECT_EQ(text(g, "kontokontakt"), "Ben");
    click(g, "gem");
    EXPECT_EQ(messages.texts(), QStringList({"Fill in Account Name! / Error Message"}));
    type(g, {"Kontonavn", "Band", "Kontotlf", "555 0101"});
    press(g, "gem");
    EXPECT_EQ(window("Gruppekonto"), nullptr);
    const int band = count("Konti");
    EXPECT_EQ(field(band, "Kontonavn||'/'||Kontotype||'/'||kontoowner||'/'||Kontouser||'/'||"
                          "Kontotlf"),
              QString("Band/g/%1/ben/555 0101").arg(ben));
    EXPECT_EQ(memberships(band), QStringList({QString("%1/%2").arg(band).arg(ben)}));
    EXPECT_EQ(rows(m->groups()), QStringList({"Band", "Choir"}));

    // The owner adds and removes members.
    choose(m->groups(), "Band");
    choose(m->persons(), "Anna");
    click(m, kAdd);
    EXPECT_EQ(rows(m->members()), QStringList({"Anna", "Ben"}));
    choose(m->members(), "Anna");
    click(m, "Sletmedlem");
    EXPECT_EQ(rows(m->members()), QStringList({"Ben"}));

    // Saving it again stores the edit without a second row for Ben.
    g = opens(m, "editgroup", "Gruppekonto");
    EXPECT_EQ(text(g, "Kontonavn"), "Band");
    type(g, {"Kontonavn", "Brass Band"});
    press(g, "gem");
    EXPECT_EQ(field(band, "Kontonavn"), "Brass Band");
    EXPECT_EQ(count("Grptilk", "gnr = ?", {band}), 1);
    EXPECT_EQ(rows(m->groups()), QStringList({"Brass Band", "Choir"}));
    EXPECT_EQ(m->selectedGroup(), band);
    EXPECT_EQ(messages.texts().size(), 1);
}

TEST_P(AccountWindows, AGroupWithLiveBookingsIsKeptAndOneWithoutGoesWithItsMembers)
{
    const int choir = addGroup("Choir", anna);
    addMembership(choir, anna);
    addMembership(choir, 1);
    const int booking = addBooking(45000, 600, 660, 1, 1, choir);
    logInAs(anna);

    auto* m = open<GroupAccountManager>(221, "Gruppetilk");
    choose(m->groups(), "Choir");
    click(m, "Slet_Gruppe");
    EXPECT_EQ(messages.texts(),
              QStringList({"Project can't be deleted due to existing bookings ! / "}));

    // Once the booking is archived only, the group may go.
    ASSERT_TRUE(db().exec("DELETE FROM Booking WHERE Bookingnr = ?", {booking}));
    addArchivedBooking(choir);
    messages.clear();
    messages.answerNext(MsgAnswer::No);
    click(m, "Slet_Gruppe");
    EXPECT_EQ(messages.texts(), QStringList({"Confirm Deletion ? / Delete Info"}));
    EXPECT_EQ(messages.shown().value(0).defaultButton, MsgAnswer::No);
    EXPECT_TRUE(exists(choir));

    messages.answerNext(MsgAnswer::Yes);
    click(m, "Slet_Gruppe");
    EXPECT_EQ(std::pair(exists(choir), memberships(choir)), std::pair(false, QStringList()));
    EXPECT_EQ(m->groups()->rowCount(), 0);
    EXPECT_EQ(rows(m->members()), QStringList({"Administrator"}));
}

TEST_P(AccountWindows, ASaveThatIsRefusedSaysWhyAndKeepsTheWindowOpen)
{
    const int choir = addGroup("Choir", 1);
    auto* m = open<GroupAccountManager>(221, "Gruppetilk");
    choose(m->groups(), "Choir");
    type(opens(m, "editgroup", "Gruppekonto"), {"Kontonavn", "Renamed"});
    Database d = db();
    ASSERT_TRUE(d.exec("UPDATE Konti SET Kontonavn = 'Choir singers' WHERE ID = ?", {choir}));
    press(window("Gruppekonto"), "gem");
    ASSERT_NE(window("Gruppekonto"), nullptr);
    // Only what was typed is named as the user's change (the server names
    // fields in lower case).
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_EQ(messages.texts().first().toLower(),
              QString("The record could not be saved:\nThis record was changed on another "
                      "workstation. Your change was not stored; the record is shown as it "
                      "is now.\nChanged both here and elsewhere: Kontonavn\nYour "
                      "change:\nKontonavn: Renamed / Error")
                  .toLower());
    EXPECT_EQ(field(choir, "Kontonavn"), "Choir singers");
    EXPECT_TRUE(memberships(choir).isEmpty());
    // Shown as stored now, from which the change typed again goes in.
    EXPECT_EQ(text(window("Gruppekonto"), "Kontonavn"), "Choir singers");
    type(window("Gruppekonto"), {"Kontonavn", "Renamed"});
    press(window("Gruppekonto"), "gem");
    EXPECT_EQ(field(choir, "Kontonavn"), "Renamed");
}

TEST_P(AccountWindows, TwoWindowsOnOneAccountEachStoreWhatIsTypedInThem)
{
    // My Account and the list's edit window show the same account; a save
    // in one is shown in the other, whose own save then goes through.
    auto* mine = open<PersonalAccountWindow>(222, "Minkonto");
    auto* w = open<AccountManager>(223, "Kontoliste");
    auto* e = edit(w, "Administrator");
    type(mine, {"Kontotlf", "555 0101"});
    shut(mine);
    EXPECT_EQ(text(e, "Kontotlf"), "555 0101");
    type(e, {"kontokontakt", "The office"});
    press(e, "Command22");
    EXPECT_EQ(field(1, "Kontotlf||'/'||kontokontakt"), "555 0101/The office");

    // A password set in one keeps what is typed in the other.
    mine = open<PersonalAccountWindow>(222, "Minkonto");
    e = edit(w, "Administrator");
    type(mine, {"Kontotlf", "555 0202"});
    EXPECT_TRUE(setPassword(e, {}, "n3w", "n3w"));
    shut(mine, e);
    EXPECT_EQ(messages.texts(), QStringList());
    EXPECT_EQ(field(1, "Kontotlf||'/'||kontokontakt"), "555 0202/The office");
    Database d = db();
    EXPECT_TRUE(FindLoginAccount(d, session().LoginUser, "n3w").has_value());

    // Typed in both and stored in turn: different fields both go in; the
    // same field is refused, by its name.
    const std::tuple<const char*, const char*, const char*, const char*, bool> cases[] = {
        {"X1", "Kontofax", "F1", "X1/F1", false}, {"X3", "Kontostilling", "X2", "X2/F1", true}};
    for (const auto& [post, otherField, otherText, stored, refused] : cases) {
        e = edit(w, "Administrator");
        mine = open<PersonalAccountWindow>(222, "Minkonto");
        messages.clear();
        type(e, {"Kontostilling", post});
        type(mine, {otherField, otherText});
        shut(mine);
        press(e, "Command22");
        EXPECT_EQ(field(1, "Kontostilling||'/'||Kontofax"), stored) << otherField;
        EXPECT_EQ(messages.texts().size(), refused ? 1 : 0)
            << messages.texts().join('\n').toStdString();
        if (refused) {
            EXPECT_TRUE(messages.texts().value(0).contains("Changed both here and elsewhere: Post"))
                << messages.texts().value(0).toStdString();
            e->close();
        }
    }
}

TEST_P(AccountWindows, ANewPersonalAccountIsAMemberOfItselfAndCanLogIn)
{
    auto* w = open<AccountManager>(223, "Kontoliste");
    const int before = count("Konti");
    auto* add = addNew(w);
    type(add, {"Kontonavn", "Carla"});
    click(add, "addknap");
    EXPECT_EQ(messages.texts(),
              QStringList({"Account Name and Account Contact are required parameters. / "
                           "Service Message"}));
    EXPECT_EQ(count("Konti"), before);

    type(add, {"kontokontakt", "Carla C.", "Kontouser", "carla"});
    EXPECT_TRUE(setPassword(add, {}, " Pa;ss ", " Pa;ss "));
    press(add, "addknap");
    EXPECT_EQ(window("PersonkontoAdd"), nullptr);
    const int carla = before + 1;
    EXPECT_EQ(field(carla, "Kontotype||'/'||admin"), "p/0");
    EXPECT_EQ(memberships(carla), QStringList({QString("%1/%1").arg(carla)}));
    EXPECT_EQ(rows(w->list()).last(), "Carla;Carla C.;");

    // The password is stored as its hash, and matched exactly as typed.
    EXPECT_TRUE(field(carla, "KontoPass").toString().startsWith("$argon2id$"));
    Database d = db();
    EXPECT_EQ(FindLoginAccount(d, "carla", " Pa;ss ").value_or(LoginAccount()).id, carla);
    EXPECT_FALSE(FindLoginAccount(d, "carla", "Pa;ss").has_value());

    // Cancel drops a new account; closing one with nothing typed does too.
    type(addNew(w), {"Kontonavn", "Dropped"});
    click(window("PersonkontoAdd"), "Canc");
    shut(addNew(w));
    EXPECT_EQ(count("Konti"), before + 1);
}

TEST_P(AccountWindows, EditingFromTheListWritesOnOkAndLocksAGroupsCredentials)
{
    addAccount("g", "Choir", "", "");
    auto* w = open<AccountManager>(223, "Kontoliste");
    auto* e = edit(w, "Anna");
    EXPECT_TRUE(e->findChild<QPushButton*>("SetPasswordButton")->isEnabled());
    type(e, {"Kontotlf", "555 0199"});
    e->findChild<QCheckBox*>("archived")->setChecked(true);
    press(e, "Command22");
    EXPECT_EQ(field(anna, "Kontotlf||'/'||archived"), "555 0199/-1");
    // Logged under the account's number and its name at the time, with what was there before.
    EXPECT_EQ(field(anna, "(SELECT action||'/'||itemkey||'/'||summary FROM Auditlog)").toString(),
              QString("account edited/%1/\u2068Anna\u2069: archived: \u20680\u2069 → "
                      "\u2068-1\u2069 | kontotlf: \u2068555 0199\u2069")
                  .arg(anna));
    EXPECT_EQ(rows(w->list()), QStringList({"Administrator;Administrator;"}));

    // Enter on a row opens it as Edit does.
    w->findChild<QRadioButton*>("OptGrp")->click();
    w->list()->selectRow(0);
    QTest::keyClick(w->list(), Qt::Key_Return);
    e = window<PersonalAccountWindow>("Personkonto");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(text(e, "Kontonavn"), "Choir");
    EXPECT_FALSE(e->findChild<QPushButton*>("SetPasswordButton")->isEnabled());
    EXPECT_FALSE(e->findChild<QLineEdit*>("Kontouser")->isEnabled());
}

TEST_P(AccountWindows, ReturnPressesOkEscapeCancelsAndNoWindowShowsAPassword)
{
    const int choir = addGroup("Choir", 1);
    auto* w = open<AccountManager>(223, "Kontoliste");
    const auto edited = [&](Qt::Key k) {
        auto* e = edit(w, "Anna");
        for (const QLineEdit* edit : e->findChildren<QLineEdit*>())
            EXPECT_NE(edit->text(), "pw") << edit->objectName().toStdString();
        type(e, {"Kontotlf", k == Qt::Key_Escape ? "dropped" : "555 0199"});
        key(e, "Kontotlf", k);
        EXPECT_EQ(window("Personkonto"), nullptr) << "the window is closed";
    };
    edited(Qt::Key_Escape);
    EXPECT_TRUE(field(anna, "Kontotlf").isNull());
    edited(Qt::Key_Return);
    EXPECT_EQ(field(anna, "Kontotlf"), "555 0199");

    auto* mine = open<PersonalAccountWindow>(222, "Minkonto");
    EXPECT_EQ(mine->findChild<QLineEdit*>("KontoPass"), nullptr);
    key(mine, "Kontonavn", Qt::Key_Escape);

    // Add: Return adds, Escape and Return on Cancel drop the new account.
    const int before = count("Konti");
    const std::pair<const char*, Qt::Key> keys[] = {{"kontokontakt", Qt::Key_Escape},
                                                    {"Canc", Qt::Key_Return},
                                                    {"kontokontakt", Qt::Key_Return}};
    for (const auto& [on, k] : keys) {
        auto* add = addNew(w);
        type(add, {"Kontonavn", "Carla", "kontokontakt", "Carla C."});
        key(add, on, k);
        EXPECT_EQ(window("PersonkontoAdd"), nullptr);
    }
    EXPECT_EQ(std::pair(count("Konti"), count("Konti", "Kontonavn = 'Carla'")),
              std::pair(before + 1, 1));

    // The group window: Return is Ok, Escape is Cancel.
    auto* m = open<GroupAccountManager>(221, "Gruppetilk");
    for (const auto k : {Qt::Key_Escape, Qt::Key_Enter}) {
        choose(m->groups(), "Choir");
        auto* g = opens(m, "editgroup", "Gruppekonto");
        type(g, {"Kontonavn", k == Qt::Key_Escape ? "Dropped" : "Choir 2"});
        key(g, "Kontonavn", k);
        EXPECT_EQ(window("Gruppekonto"), nullptr);
        EXPECT_EQ(field(choir, "Kontonavn"), k == Qt::Key_Escape ? "Choir" : "Choir 2");
    }
}

TEST_P(AccountWindows, TheListShowsOneTypeAndStatusAtATimeDeletesAndCleansUp)
{
    const int booked = addAccount("p", "Booked", "b", "pw");
    const int old = addAccount("p", "Old", "old", "pw", false, true);
    const int pastBooked = addAccount("p", "Past booked", "pb", "pw", false, true);
    addAccount("g", "Choir", "", "");
    addAccount("g", "Gone group", "", "", false, true);
    ASSERT_TRUE(db().exec("UPDATE Konti SET kontokontakt = 'Anna A.', Kontotlf = '555 0101' "
                          "WHERE Kontonavn = 'Anna'"));
    addBooking(45000, 600, 660, 1, 1, booked);
    addArchivedBooking(pastBooked);
    const QStringList active = {"Administrator;Administrator;", "Anna;Anna A.;555 0101",
                                "Booked;;"};

    auto* w = open<AccountManager>(223, "Kontoliste");
    EXPECT_EQ(rows(w->list()), active);
    const std::pair<const char*, QStringList> steps[] = {{"OptGrp", {"Choir;;"}},
                                                         {"OptArc", {"Gone group;;"}},
                                                         {"OptPri", {"Old;;", "Past booked;;"}},
                                                         {"OptAct", active}};
    for (const auto& [option, shown] : steps) {
        w->findChild<QRadioButton*>(option)->click();
        EXPECT_EQ(rows(w->list()), shown) << option;
    }
    // With nothing chosen Edit says so and Delete does nothing.
    click(w, "EditAcc", "Slet");
    EXPECT_EQ(messages.texts(), QStringList({"No Account Selected. / Service Message2"}));

    const std::tuple<const char*, MsgAnswer, bool, const char*> cases[] = {
        {"Anna", MsgAnswer::No, false, nullptr},
        {"Administrator", MsgAnswer::Yes, false,
         "Admin Accounts can't be deleted. / Service Message"},
        {"Booked", MsgAnswer::Yes, false,
         "System not able to delete account due to corresponding bookings. / Deletion Denied"},
        {"Anna", MsgAnswer::Yes, true, nullptr}};
    for (const auto& [name, answer, gone, said] : cases) {
        messages.clear();
        choose(w->list(), name);
        const int id = w->list()->selectedData().toInt();
        messages.answerNext(answer);
        click(w, "Slet");
        EXPECT_EQ(messages.texts(),
                  QStringList({"Confirm deletion of selected account. / Confirm Deletion"})
                      + (said ? QStringList({said}) : QStringList()))
            << name;
        EXPECT_EQ(exists(id), !gone) << name;
    }
    EXPECT_TRUE(memberships(anna).isEmpty());
    EXPECT_EQ(rows(w->list()), QStringList({"Administrator;Administrator;", "Booked;;"}));

    w->findChild<QRadioButton*>("OptArc")->click();
    messages.clear();
    for (const auto answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        messages.answerNext(answer);
        click(w, "Cleanup");
        EXPECT_EQ(exists(old), answer == MsgAnswer::No);
    }
    EXPECT_EQ(messages.texts(),
              QStringList(2, QStringLiteral("Confirm deletion of all archived accounts, with no "
                                            "corresponding active or archived bookings. / "
                                            "Confirm Deletion")));
    EXPECT_EQ(rows(w->list()), QStringList({"Past booked;;"}));
}

TEST_P(AccountWindows, UsersSetTheirOwnPasswordAfterTheOldOneAdministratorsSetAnyones)
{
    logInAs(anna);
    ASSERT_TRUE(db().exec("INSERT INTO Department (depnr, depname) VALUES (4, 'Music')"));
    // My Account opens on the logged-in account, without the administrators' fields.
    auto* mine = open<PersonalAccountWindow>(222, "Minkonto");
    EXPECT_EQ(text(mine, "Kontonavn"), "Anna");
    EXPECT_EQ(mine->findChild<QCheckBox*>("admin"), nullptr);
    EXPECT_EQ(mine->findChild<QCheckBox*>("archived"), nullptr);
    // Refused: a wrong old password, an empty new one, two different ones.
    EXPECT_FALSE(setPassword(mine, "wrong", "n3w", "n3w"));
    EXPECT_FALSE(setPassword(mine, "pw", "", ""));
    EXPECT_FALSE(setPassword(mine, "pw", "n3w", "n3x"));
    EXPECT_EQ(messages.texts(), QStringList({"The old password is not right. / Set Password",
                                             "The password must not be empty. / Set Password",
                                             "The two new passwords differ. / Set Password"}));
    EXPECT_EQ(field(anna, "KontoPass").toString(), "pw");
    messages.clear();
    // What was typed before and after the password is kept with it.
    type(mine, {"Kontotlf", "555 0101"});
    EXPECT_TRUE(setPassword(mine, "pw", "n3w", "n3w"));
    Database d = db();
    EXPECT_TRUE(FindLoginAccount(d, "anna", "n3w").has_value());
    EXPECT_FALSE(FindLoginAccount(d, "anna", "pw").has_value());
    mine->findChild<QComboBox*>("depnr")->setCurrentText("Music");
    shut(mine);
    EXPECT_EQ(messages.texts(), QStringList());
    // Untouched fields stay empty.
    EXPECT_EQ(field(anna, "Kontotlf||'/'||depnr||'/'||coalesce(Kontofax, 'null')"),
              "555 0101/4/null");
    EXPECT_TRUE(FindLoginAccount(d, "anna", "n3w").has_value());

    // An administrator is not asked for the old one.
    logInAs(1, true);
    auto* e = edit(open<AccountManager>(223, "Kontoliste"), "Anna");
    EXPECT_TRUE(setPassword(e, {}, "from admin", "from admin"));
    EXPECT_TRUE(FindLoginAccount(d, "anna", "from admin").has_value());
    EXPECT_EQ(d.scalar("SELECT count(*) FROM Auditlog WHERE action = 'password set'").toInt(), 2);
}

// On a secured server no role reads a password: the account windows still
// open and store, and a password set is the login role's. An administrator
// adding a person makes their login with the account and asks its first
// password; the login follows the administrator flag and archiving, and
// one's own new password needs the old one, which the server itself checks.
TEST_P(AccountWindows, OnASecuredServerAccountsAreStoredAndPasswordsAndLoginsAreTheServers)
{
    if (GetParam() != Engine::PostgreSQL)
        GTEST_SKIP() << "a server's rights and logins";
    const int stine = addAccount("p", "Stine", "stine", "");
    addAccount("p", "Otto", "otto", "", true);
    const QString owner = session().BookingFilePath;
    const QString database = ParseServerAddress(owner)->database;
    // Secured as vestra-admin secure does.
    Database store = db();
    QStringList lines;
    QString error;
    ASSERT_TRUE(admin::SecureServerStore(store, &lines, &error)) << error.toStdString();
    const auto asOwner = [&owner](const char* sql, const QVariantList& binds = {}) {
        return Database::open(owner).scalar(sql, binds).toString();
    };
    // What the server checks a login against: the role's SCRAM verifier.
    const auto logsInWith = [&](const char* role, const char* typed) {
        return PythonReads(
                   R"(
import sys, json, hashlib, hmac, base64
kind, head, keys = (sys.argv[1] + '$$').split('$')[:3]
n, _, salt = head.partition(':')
salted = hashlib.pbkdf2_hmac('sha256', sys.argv[2].encode(), base64.b64decode(salt), int(n or 1))
client = hmac.new(salted, b'Client Key', 'sha256').digest()
stored = base64.b64encode(hashlib.sha256(client).digest()).decode()
print(json.dumps([kind == 'SCRAM-SHA-256' and keys.split(':')[0] == stored]))
)",
                   {asOwner("SELECT rolpassword FROM pg_authid WHERE rolname = ?", {role}), typed})
            .at(0)
            .toBool();
    };
    // Logs the session in as the role, as the program does on a secured server.
    const auto logIn = [&database](const QString& role) {
        Database::closeAll(session().BookingFilePath);
        session().BookingFilePath = TestServerAddress(database, role);
        return LoginAsServerRole(session()) == ServerLogin::LoggedIn;
    };

    ASSERT_TRUE(logIn("otto"));
    auto* w = open<AccountManager>(223, "Kontoliste");
    auto* e = edit(w, "Stine");
    EXPECT_EQ(text(e, "Kontonavn"), "Stine");
    type(e, {"Kontotlf", "555 0202"});
    EXPECT_TRUE(setPassword(e, {}, "from otto", "from otto"));
    EXPECT_TRUE(logsInWith("stine", "from otto"));
    shut(e);
    EXPECT_EQ(asOwner("SELECT Kontotlf || '/' || KontoPass FROM Konti WHERE ID = ?", {stine}),
              "555 0202/");
    EXPECT_EQ(asOwner("SELECT count(*) FROM Auditlog WHERE account = 'otto' "
                      "AND summary LIKE '%kontotlf%555 0202%'"),
              "1");

    auto* add = addNew(w);
    type(add, {"Kontonavn", "Nina", "kontokontakt", "Nina N.", "Kontouser", "nina"});
    EXPECT_TRUE(setPassword(add, {}, "first", "first", "addknap"));
    EXPECT_EQ(window("PersonkontoAdd"), nullptr);
    // May log in / staff / administrator / has a password.
    const auto nina = [&] {
        return asOwner("SELECT concat_ws('/', rolcanlogin, pg_has_role(rolname, 'vestra_staff', "
                       "'MEMBER'), pg_has_role(rolname, 'vestra_admin', 'MEMBER'), rolpassword "
                       "LIKE 'SCRAM-SHA-256$%') FROM pg_authid WHERE rolname = 'nina'");
    };
    EXPECT_EQ(nina(), "t/t/f/t");
    const std::pair<const char*, const char*> steps[] = {{"admin = -1", "t/t/t/t"},
                                                         {"archived = -1", "f/t/f/t"},
                                                         {"archived = 0", "t/t/t/t"},
                                                         {"admin = 0", "t/t/f/t"}};
    for (Database otto = BookingFile(); const auto& [change, login] : steps) {
        ASSERT_TRUE(otto.exec(QString("UPDATE Konti SET %1 WHERE Kontouser = 'nina'").arg(change)))
            << otto.lastError().toStdString();
        EXPECT_EQ(nina(), login) << change;
    }
    shut(w);

    ASSERT_TRUE(logIn("stine"));
    auto* mine = open<PersonalAccountWindow>(222, "Minkonto");
    type(mine, {"Kontomobil", "555 0303"});
    EXPECT_TRUE(setPassword(mine, "from otto", "stine's own", "stine's own"));
    EXPECT_TRUE(logsInWith("stine", "stine's own"));
    EXPECT_FALSE(logsInWith("stine", "from otto"));
    shut(mine);
    EXPECT_EQ(messages.texts(), QStringList());
    EXPECT_EQ(asOwner("SELECT Kontomobil FROM Konti WHERE ID = ?", {stine}), "555 0303");

    ASSERT_TRUE(Database::open(owner).exec("GRANT vestra_test_pw TO nina"));
    SetServerPassword(TestServerAddress(database, "nina"), "first");
    ASSERT_TRUE(logIn("nina"));
    Database d = BookingFile();
    EXPECT_FALSE(ChangeOwnPassword(d, session().LoginAccountId, "wrong", "second", &error));
    EXPECT_EQ(error, "The old password is not right.");
    EXPECT_TRUE(ChangeOwnPassword(d, session().LoginAccountId, "first", "second", &error))
        << error.toStdString();
    Database::closeAll(session().BookingFilePath);
    ASSERT_TRUE(Database::open(owner).exec("REVOKE vestra_test_pw FROM nina"));
    Database::closeAll(owner);
}

} // namespace
