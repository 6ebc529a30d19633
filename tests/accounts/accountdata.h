#pragma once
// Accounts, memberships and bookings for the account tests.

#include "support/fixture.h"

#include <QPushButton>

namespace vestra::test {

class AccountTest : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
        logInAs(1, true);
    }

    void logInAs(int id, bool admin = false)
    {
        Database d = db();
        Session& s = session();
        s.LoginAccountId = id;
        s.LoginName = d.scalar("SELECT Kontonavn FROM Konti WHERE ID = ?", {id}).toString();
        s.LoginUser = d.scalar("SELECT Kontouser FROM Konti WHERE ID = ?", {id}).toString();
        s.IsAdmin = admin;
    }

    // A group account owned by owner (stored as given: a number or text).
    int addGroup(const QString& name, const QVariant& owner)
    {
        const int id = addAccount("g", name, QString(), QString());
        Database d = db();
        EXPECT_TRUE(d.exec("UPDATE Konti SET kontoowner = ? WHERE ID = ?", {owner, id}));
        return id;
    }
    void addMembership(int gnr, int pnr)
    {
        Database d = db();
        EXPECT_TRUE(d.exec("INSERT INTO Grptilk (gnr, pnr) VALUES (?, ?)", {gnr, pnr}));
    }
    void addArchivedBooking(int account)
    {
        Database d = db();
        EXPECT_TRUE(d.exec("INSERT INTO Bookingarkiv (Bookingnr, Bdato, Bstart, Bslut, kontonr) "
                           "VALUES (900, 40000, 600, 660, ?)",
                           {account}));
    }
    // "gnr/pnr" of every membership row naming the account.
    QStringList memberships(int id)
    {
        Database d = db();
        QStringList rows;
        auto q = d.query("SELECT gnr, pnr FROM Grptilk WHERE gnr = ? OR pnr = ? ORDER BY gnr, pnr",
                         {id, id});
        while (q && q->next())
            rows << q->value(0).toString() + "/" + q->value(1).toString();
        return rows;
    }
    QVariant field(int id, const QString& name)
    {
        Database d = db();
        return d.scalar("SELECT " + name + " FROM Konti WHERE ID = ?", {id});
    }
    bool exists(int id) { return count("Konti", "ID = ?", {id}) == 1; }

    static void click(QWidget* window, const QString& button)
    {
        auto* b = window->findChild<QPushButton*>(button);
        ASSERT_TRUE(b) << button.toStdString();
        b->click();
    }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

} // namespace vestra::test
