#include "session/access.h"
#include "session/login.h"
#include "shell/navigator.h"
#include "startup/loginwindow.h"
#include "support/fixture.h"
#include "widgets/setpassworddialog.h"
#include "widgets/windowregistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace vestra;
using namespace vestra::test;

class Login : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
        navigator().showMainWindow = [this] { ++mainShown; };
        navigator().quit = [this] { ++quits; };
    }
    bool check(const QString& user, const QString& password)
    {
        return CheckCredentials(session(), user, password);
    }
    // Main windows shown, program ends asked for, and whether a login is made.
    auto outcome() const { return std::tuple(mainShown, quits, session().LoginOk); }
    int mainShown = 0;
    int quits = 0;
};

INSTANTIATE_TEST_SUITE_P(Engines, Login, ::testing::ValuesIn(TestEngines()), EngineName);

// User and password are compared exactly; the first personal, active
// account with them wins.
TEST_P(Login, OnlyAnExactMatchOnAPersonalActiveAccountLogsIn)
{
    addAccount("g", "Choir", "choir", "sing");
    addAccount("p", "Retired", "old", "pw", false, true);
    EXPECT_TRUE(check("admin", "admin"));
    EXPECT_TRUE(session().IsAdmin);
    EXPECT_EQ(session().LoginName, "Administrator");
    // Other case or spacing, nothing typed, a group's or an archived account's: no login.
    for (const QString wrong :
         {"Admin/admin", "admin/ADMIN", "admin /admin", "admin/", "/", "choir/sing", "old/pw"}) {
        EXPECT_FALSE(check(wrong.section('/', 0, 0), wrong.section('/', 1))) << qPrintable(wrong);
        EXPECT_FALSE(session().LoginOk);
    }

    const int first = addAccount("p", "First Anna", "anna", "pw");
    // A user name is one person's, whatever its case.
    for (const char* taken : {"anna", "ANNA", "Admin"})
        EXPECT_FALSE(db().exec("INSERT INTO Konti (Kontotype, Kontonavn, Kontouser, KontoPass) "
                               "VALUES ('p', 'Other', ?, 'pw')",
                               {QString(taken)}))
            << taken;
    ASSERT_TRUE(check("anna", "pw"));
    EXPECT_EQ(std::tuple(session().LoginAccountId, session().LoginName, session().IsAdmin,
                         session().LoginUser),
              std::tuple(first, QString("First Anna"), false, QString("anna")));

    // A personal account with the same credentials after the group one still works.
    const int bo = addAccount("p", "Bo", "choir", "sing");
    EXPECT_TRUE(check("choir", "sing"));
    EXPECT_EQ(session().LoginAccountId, bo);
}

TEST_P(Login, PasswordsAreHashesAndPlainOnesBecomeHashesAtTheNextLogin)
{
    const auto stored = [this](int id) {
        return firstRow("SELECT KontoPass FROM Konti WHERE ID = ?", {id}).value(0);
    };
    // A new store's administrator logs in with admin/admin stored as a hash.
    EXPECT_TRUE(stored(1).startsWith("$argon2id$"));
    EXPECT_TRUE(check("admin", "admin"));

    // A password from before hashing works once as typed and is then replaced.
    const int anna = addAccount("p", "Anna", "anna", "pw");
    EXPECT_FALSE(check("anna", "PW"));
    EXPECT_EQ(stored(anna), "pw") << "a failed login changes nothing";
    ASSERT_TRUE(check("anna", "pw"));
    const QString hash = stored(anna);
    EXPECT_TRUE(hash.startsWith("$argon2id$"));
    EXPECT_TRUE(check("anna", "pw"));
    EXPECT_FALSE(check("anna", hash)) << "the hash itself is no password";
    EXPECT_EQ(stored(anna), hash) << "a hashed password is not hashed again";
}

TEST_P(Login, ThrottleWaitsDoubleAfterFiveWrongPasswordsUpTo30sEvenAfterARestart)
{
    qint64 now = 1'000'000;
    // Each try from a throttle of its own, as a restarted program would.
    const auto t = [&now] { return LoginThrottle([&now] { return now; }); };
    for (int i = 0; i < LoginThrottle::kFreeTries; ++i) {
        EXPECT_EQ(t().waitMs("anna"), 0) << i;
        EXPECT_TRUE(t().failed("anna"));
    }
    // The 6th try waits 1 s after the 5th wrong one, the 7th 2 s...
    for (const qint64 wait : {1000, 2000, 4000, 8000, 16000, 30000, 30000}) {
        EXPECT_EQ(t().waitMs("anna"), wait);
        EXPECT_EQ(t().waitMs("bo"), 0) << "counted per user name";
        now += wait - 1;
        EXPECT_EQ(t().waitMs("anna"), 1);
        now += 1;
        EXPECT_EQ(t().waitMs("anna"), 0);
        t().failed("anna");
    }
    t().succeeded("anna");
    EXPECT_EQ(t().waitMs("anna"), 0);
    t().failed("anna");
    EXPECT_EQ(t().waitMs("anna"), 0) << "a good login starts the count afresh";
    EXPECT_EQ(
        count("Auditlog", "action = 'login failed' AND itemkey = ?", {QString("\u2068anna\u2069")}),
        13);
}

TEST_P(Login, WindowShowsTheWaitAndRefusesTriesDuringIt)
{
    addAccount("p", "Mallory", "mallory", "right");
    LoginWindow* w = ShowLogin();
    auto* user = w->findChild<QLineEdit*>("txtUserName");
    auto* password = w->findChild<QLineEdit*>("txtPassword");
    auto* wait = w->findChild<QLabel*>("lblWait");
    ASSERT_TRUE(user && password && wait);
    const auto attempt = [&](const QString& pw) {
        user->setText("mallory");
        password->setText(pw);
        w->CheckLogin();
    };
    for (int i = 0; i < LoginThrottle::kFreeTries; ++i)
        attempt("wrong");
    EXPECT_TRUE(wait->isVisibleTo(w));
    EXPECT_EQ(wait->text(), "Too many wrong passwords. Wait 1 s before trying again.");
    const int shown = messages.texts().size();
    attempt("right");
    EXPECT_EQ(outcome(), std::tuple(0, 0, false)) << "not even the right password is tried";
    EXPECT_EQ(messages.texts().size(), shown);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !wait->isVisibleTo(w); }, 3000))
        << "the wait goes when it is over";
    attempt("right");
    EXPECT_EQ(outcome(), std::tuple(1, 0, true));
    EXPECT_EQ(WorkstationLoginThrottle().waitMs("mallory"), 0);
}

TEST_P(Login, WindowRefusesWrongCredentialsAndStaysOpen)
{
    LoginWindow* w = ShowLogin();
    EXPECT_EQ(w->windowTitle(), "Vestra - Login");
    auto* user = w->findChild<QLineEdit*>("txtUserName");
    auto* password = w->findChild<QLineEdit*>("txtPassword");
    ASSERT_TRUE(user && password);
    QTest::keyClicks(user, "admin");
    QTest::keyClicks(password, "wrong");
    EXPECT_EQ(password->displayText(), "*****"); // a star for each character, no bullets
    QTest::mouseClick(w->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    EXPECT_EQ(messages.texts(), QStringList({"Invalid Login, try again! / Login"}));
    EXPECT_EQ(user->text() + password->text(), QString()) << "both fields are emptied";
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(outcome(), std::tuple(0, 0, false));

    // The template's admin/admin must choose a new password first: not the
    // same one again, and a cancelled choice is no login.
    const auto adminAdmin = [&] {
        user->clear();
        password->clear();
        QTest::keyClicks(user, "admin");
        QTest::keyClicks(password, "admin");
        QTest::keyClick(password, Qt::Key_Return);
        EXPECT_EQ(outcome(), std::tuple(0, 0, false));
        return w->findChild<SetPasswordDialog*>("SetPassword");
    };
    SetPasswordDialog* choose = adminAdmin();
    ASSERT_NE(choose, nullptr);
    choose->reject();
    EXPECT_TRUE(w->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    choose = adminAdmin();
    ASSERT_NE(choose, nullptr);
    for (const QString& typed : {QString("admin"), QString("Kr1stiansand")}) {
        for (const char* field : {"newpassword", "repeatpassword"})
            choose->findChild<QLineEdit*>(field)->setText(typed);
        choose->accept();
    }
    EXPECT_EQ(messages.texts().last(),
              "Choose a password other than the one every new store starts with. / Set Password");
    EXPECT_EQ(outcome(), std::tuple(1, 0, true));
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(std::pair(check("admin", "admin"), check("admin", "Kr1stiansand")),
              std::pair(false, true));
}

TEST_P(Login, CancelEscapeAndTheCloseBoxEndTheProgramEvenAfterAFailedAttempt)
{
    LoginWindow* w = ShowLogin();
    QTest::mouseClick(w->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    ASSERT_EQ(messages.shown().size(), 1);
    QTest::mouseClick(w->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
    EXPECT_EQ(outcome(), std::tuple(0, 1, false));

    w = ShowLogin();
    QTest::keyClick(w->findChild<QLineEdit*>("txtUserName"), Qt::Key_Escape);
    EXPECT_EQ(std::pair(quits, w->isVisible()), std::pair(2, false));
    LoginWindow* again = ShowLogin();
    EXPECT_NE(again, w) << "a later start-up gets a fresh window";
    again->close();
    EXPECT_EQ(quits, 3);
}

TEST_P(Login, AccessRules)
{
    const int anna = addAccount("p", "Anna", "anna", "pw");
    const int bo = addAccount("p", "Bo", "bo", "pw");
    const int choir = addAccount("g", "Choir", "", "");
    ASSERT_TRUE(db().exec("INSERT INTO Grptilk (gnr, pnr) VALUES (?, ?)", {choir, anna}));
    ASSERT_TRUE(check("bo", "pw"));
    EXPECT_EQ(std::tuple(MayActForAccount(choir), MayActForAccount(bo), IsGroupOwner(bo),
                         IsGroupOwner(anna)),
              std::tuple(false, true, true, false));
    EXPECT_FALSE(RequireAdmin());
    EXPECT_EQ(messages.texts(), QStringList({"Administrator Access Only! / Access Message"}));

    ASSERT_TRUE(check("anna", "pw"));
    EXPECT_TRUE(MayActForAccount(choir));

    ASSERT_TRUE(check("admin", "admin"));
    EXPECT_EQ(std::pair(MayActForAccount(choir), RequireAdmin()), std::pair(true, true));
    EXPECT_EQ(messages.shown().size(), 1) << "nothing more for an administrator";
}
