// Numbers the program hands out are never handed out again: a deleted row's
// number lives on in bookings, the archive and memberships.

#include "accounts/accountdata.h"
#include "accounts/personalaccountwindow.h"
#include "widgets/windowregistry.h"

using namespace vestra;
using namespace vestra::test;

namespace {

class Keys : public AccountTest {};

INSTANTIATE_TEST_SUITE_P(Engines, Keys, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(Keys, ADeletedRowsNumberIsNotGivenToTheNextRow)
{
    Database d = db();
    // Each table (with its key and name) as its record window writes a new
    // row: without a key.
    for (const auto& [table, key, name] : {std::tuple{"lokale", "lokalenr", "Lokalenavn"},
                                           {"lokaliteter", "Lokalitetsnr", "Lokalitetsnavn"},
                                           {"Overgruppenavne", "overgruppenr", "OverGruppenavn"},
                                           {"Konti", "ID", "Kontonavn"},
                                           {"Department", "depnr", "depname"},
                                           {"opstilling", "ID", "Opstilling"},
                                           {"Homebases", "ID", "Homebase"}}) {
        auto add = [&](const QString& value) {
            EXPECT_TRUE(d.exec(QString("INSERT INTO %1 (%2) VALUES (?)").arg(table, name), {value}))
                << d.lastError().toStdString();
            return d
                .scalar(QString("SELECT %1 FROM %2 WHERE %3 = ?").arg(key, table, name), {value})
                .toInt();
        };
        const int old = add("Old");
        ASSERT_TRUE(d.exec(QString("DELETE FROM %1 WHERE %2 = ?").arg(table, key), {old}));
        EXPECT_GT(add("New"), old) << table;
    }
}

TEST_P(Keys, ANewAccountWhoseMembershipFailsStaysAsTypedAndNeverTakesADeletedGroupsNumber)
{
    const int group = addGroup("Choir", 1);
    addArchivedBooking(group);
    Database d = db();
    ASSERT_TRUE(d.exec("DELETE FROM Konti WHERE ID = ?", {group}));
    ASSERT_TRUE(FailInserts(d, "Grptilk"));
    const int before = count("Konti");
    PersonalAccountWindow* add = ShowAddAccount(nullptr);
    ASSERT_NE(add, nullptr);
    type(add, {"Kontonavn", "Carla", "kontokontakt", "Carla C."});
    press(add, "addknap");
    EXPECT_EQ(count("Konti"), before);
    // The message names the file's reason.
    ASSERT_EQ(messages.texts().size(), 1);
    const QString shown = messages.texts().first();
    EXPECT_TRUE(shown.startsWith("The record could not be saved:\n")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("disk full") && shown.endsWith(" / Error")) << shown.toStdString();
    ASSERT_EQ(WindowRegistry::instance().find("PersonkontoAdd"), add);
    ASSERT_TRUE(add->isVisible());
    EXPECT_TRUE(add->source()->isAdding());
    EXPECT_EQ(QStringList({text(add, "Kontonavn"), text(add, "kontokontakt")}),
              QStringList({"Carla", "Carla C."}));

    // Once the membership can be written, the same window stores the account.
    ASSERT_TRUE(AllowInserts(d, "Grptilk"));
    press(add, "addknap");
    EXPECT_EQ(count("Konti"), before + 1);
    const int carla = d.scalar("SELECT ID FROM Konti WHERE Kontonavn = 'Carla'").toInt();
    EXPECT_GT(carla, group);
    EXPECT_EQ(memberships(carla), QStringList({QString("%1/%1").arg(carla)}));
    EXPECT_EQ(messages.shown().size(), 1);
}

} // namespace
