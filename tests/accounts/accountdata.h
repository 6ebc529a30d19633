#pragma once
// Accounts, memberships and bookings for the account tests.

#include "support/fixture.h"

#include <QLineEdit>
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
        const QStringList row =
            firstRow("SELECT Kontonavn, Kontouser FROM Konti WHERE ID = ?", {id});
        session().LoginAccountId = id;
        session().LoginName = row.value(0);
        session().LoginUser = row.value(1);
        session().IsAdmin = admin;
    }

    // A group account owned by owner (stored as given: a number or text).
    int addGroup(const QString& name, const QVariant& owner)
    {
        const int id = addAccount("g", name, QString(), QString());
        EXPECT_TRUE(db().exec("UPDATE Konti SET kontoowner = ? WHERE ID = ?", {owner, id}));
        return id;
    }
    void addMembership(int gnr, int pnr)
    {
        EXPECT_TRUE(db().exec("INSERT INTO Grptilk (gnr, pnr) VALUES (?, ?)", {gnr, pnr}));
    }
    void addArchivedBooking(int account)
    {
        EXPECT_TRUE(db().exec("INSERT INTO Bookingarkiv (Bookingnr, Bdato, Bstart, Bslut, kontonr) "
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
        return db().scalar("SELECT " + name + " FROM Konti WHERE ID = ?", {id});
    }
    bool exists(int id) { return count("Konti", "ID = ?", {id}) == 1; }

    // Clicks the named buttons in turn.
    template <typename... B> static void click(QWidget* window, const B&... buttons)
    {
        for (const QString& button : {QString(buttons)...}) {
            auto* b = window->findChild<QPushButton*>(button);
            ASSERT_TRUE(b) << button.toStdString();
            b->click();
        }
    }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    // Clicks and lets a window that closed go.
    static void press(QWidget* w, const QString& button) { click(w, button), settle(); }
    // Types each text into the field named before it (none for a null text).
    static void type(QWidget* w, const QStringList& fieldsAndTexts)
    {
        for (int i = 0; i + 1 < fieldsAndTexts.size(); i += 2) {
            if (fieldsAndTexts[i + 1].isNull())
                continue;
            auto* edit = w->findChild<QLineEdit*>(fieldsAndTexts[i]);
            ASSERT_TRUE(edit) << fieldsAndTexts[i].toStdString();
            edit->setText(fieldsAndTexts[i + 1]);
        }
    }
    static QString text(QWidget* w, const QString& field)
    {
        auto* edit = w->findChild<QLineEdit*>(field);
        return edit ? edit->text() : "(no " + field + ")";
    }
};

} // namespace vestra::test
