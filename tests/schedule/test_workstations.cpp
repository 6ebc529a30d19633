// Two workstations on one store: what one writes shows at the other without
// anyone pressing anything, and neither silently undoes the other's change.

#include "booking/bookingform.h"
#include "booking/seriesupdate.h"
#include "data/dates.h"
#include "data/schema.h"
#include "grid/schedulegrid.h"
#include "schedule/dayview.h"
#include "schedule/editing.h"
#include "schedule/scheduledata.h"
#include "session/storewatcher.h"
#include "support/fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTest>
#include <thread>

using namespace vestra;
using namespace vestra::test;

const int kDay = 46000;

class Workstations : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        openScheduleStore(kDay);
    }

    // A statement run by another workstation: a connection of its own.
    bool elsewhere(const QString& sql, const QVariantList& binds = {})
    {
        bool ok = false;
        std::thread([&, store = session().BookingFilePath] {
            QString name;
            {
                Database own = Database::open(store);
                ok = own.exec(sql, binds);
                name = own.handle().connectionName();
            }
            // Gone with its thread, whose id a later thread may be given.
            QSqlDatabase::database(name, false).close();
            QSqlDatabase::removeDatabase(name);
        }).join();
        return ok;
    }
    // A booking in room 2 (or 1) stored by another workstation.
    bool bookElsewhere(int nr, const char* title, int day, int start, int end, int item = 2)
    {
        return elsewhere("INSERT INTO Booking (Bookingnr, Beskrivelse, Bdato, Bstart, Bslut, "
                         "Lokalenr, Bgruppe, kontonr) VALUES (?, ?, ?, ?, ?, ?, 1, 1)",
                         {nr, title, day, start, end, item});
    }
    static QStringList keysOn(const ScheduleGrid* grid)
    {
        QStringList keys;
        for (int n : grid->blockNumbers())
            keys << grid->blockKey(n);
        keys.sort();
        return keys;
    }
};

TEST_P(Workstations, ABookingMadeElsewhereShowsInTheOpenDayViewWithinTwoSeconds)
{
    const int mine = addBooking(kDay, 600, 660, 1, 1, 1, "Mine");
    DayView* view = ShowDayView();
    ASSERT_NE(view, nullptr);
    view->resize(1000, 700);
    QCoreApplication::processEvents();
    ScheduleGrid* grid = view->grid();
    ASSERT_EQ(keysOn(grid), QStringList{QString::number(mine)});
    grid->selectBlock(grid->blockNumbers().first());
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum() / 2);
    const int scrolled = grid->verticalScrollBar()->value();

    // Another day's booking leaves the view alone; the shown day's appears.
    ASSERT_TRUE(bookElsewhere(900, "Other day", kDay + 1, 600, 660, 1));
    ASSERT_TRUE(bookElsewhere(901, "Theirs", kDay, 700, 760));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return keysOn(grid).size() == 2; }, 2000));
    EXPECT_LE(clock.elapsed(), 2000);
    EXPECT_EQ(keysOn(grid), QStringList({QString::number(mine), "901"}));
    EXPECT_EQ(grid->blockKey(grid->selectedBlock()), QString::number(mine))
        << "the selection survives the refresh";
    EXPECT_EQ(grid->verticalScrollBar()->value(), scrolled);

    // A block being typed is not swept away: the refresh waits until it is stored.
    grid->scrollToTime(840);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->slotRect(0, 840).center());
    QTest::keyClick(grid->viewport(), 'N');
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClicks(QApplication::focusWidget(), "ew");
    ASSERT_TRUE(grid->isBusy());
    ASSERT_TRUE(elsewhere("DELETE FROM Booking WHERE Bookingnr = 901"));
    QTest::qWait(1500);
    EXPECT_TRUE(grid->isBusy());
    EXPECT_TRUE(keysOn(grid).contains("901")) << "nothing reloaded under the typing";
    grid->commitEditing();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !keysOn(grid).contains("901"); }, 2000));
    EXPECT_EQ(count("Booking", "Beskrivelse = 'New'"), 1);
    EXPECT_EQ(keysOn(grid).size(), 2);

    // Many workstations storing at once: the changes that arrived together
    // are read once, or the view falls ever further behind them.
    QSignalSpy told(&StoreWatcher::instance(), &StoreWatcher::bookingsChanged);
    for (int n = 910; n < 914; ++n)
        ASSERT_TRUE(bookElsewhere(n, "Burst", kDay, 900, 915));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(QTest::qWaitFor([&] { return keysOn(grid).size() == 6; }, 2000));
    EXPECT_EQ(told.count(), 1);
    // Nor does the view read the whole day again more than twice a second.
    clock.restart();
    ASSERT_TRUE(bookElsewhere(920, "Later", kDay, 960, 975));
    EXPECT_TRUE(QTest::qWaitFor([&] { return keysOn(grid).size() == 7; }, 2000));
    EXPECT_GE(clock.elapsed(), 400);
}

TEST_P(Workstations, AMoveOfABookingChangedElsewhereTakesOnlyTheFieldsTheGridChanged)
{
    const int nr = addBooking(kDay, 600, 660, 1, 1, 1, "Board");
    Database d = db();
    auto asRead = [&] {
        for (const ScheduleBlock& b : LoadDayBlocks(d, 1, kDay))
            if (b.bookingnr == nr)
                return BlockRow{b.text, b.start, b.end, b.item, b.day, b.rowversion};
        return BlockRow{};
    };
    // Successive moves from one view carry the booking each one left.
    StoreResult r = SaveBlockChange(d, session(), nr, {"Board", 630, 690, 2, {}, asRead()});
    ASSERT_EQ(r.status, StoreStatus::Stored);
    EXPECT_EQ(r.row, asRead());

    const QString stored = "SELECT Beskrivelse, Bstart, Bslut, Lokalenr, Bdato FROM Booking";
    const QString counter = "SELECT rowversion FROM Booking";
    const struct {
        const char* other;
        BlockChange grid;
        QString refusedOn; // empty: both changes stored
        QString after;     // the stored row, fields joined by |
    } cases[] = {
        {"Beskrivelse='Retitled'", {"Board", 700, 760, 1, {}, {}}, {}, "Retitled|700|760|1|46000"},
        {"Bstart=620", {"Meeting", 630, 690, {}, {}, {}}, {}, "Meeting|620|690|2|46000"},
        {"Bstart=620", {"Board", 640, 690, {}, {}, {}}, "start", "Board|620|690|2|46000"},
        {"Bdato=Bdato+1", {"Board", 630, 690, {}, kDay + 2, {}}, "date", "Board|630|690|2|46001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.other);
        ASSERT_TRUE(d.exec("UPDATE Booking SET Beskrivelse = 'Board', Bstart = 630, Bslut = 690, "
                           "Lokalenr = 2, Bdato = 46000"));
        BlockChange grid = c.grid;
        grid.read = BlockRow{"Board", 630, 690, 2, kDay, d.scalar(counter).toLongLong()};
        ASSERT_TRUE(elsewhere("UPDATE Booking SET " + QString(c.other)));
        EXPECT_GT(d.scalar(counter).toLongLong(), grid.read->rowversion)
            << "a write that does not name the counter";
        r = SaveBlockChange(d, session(), nr, grid);
        EXPECT_EQ(r.status,
                  c.refusedOn.isEmpty() ? StoreStatus::Stored : StoreStatus::ChangedElsewhere);
        EXPECT_EQ(r.error, c.refusedOn);
        EXPECT_EQ(firstRow(stored).join('|'), c.after);
    }
}

TEST_P(Workstations, OfTwoFormsOnOneBookingTheSecondToStoreIsToldAndKeepsItsText)
{
    const int nr = addBooking(kDay, 600, 660, 1, 1, 1, "Board");
    auto first = std::make_unique<BookingForm>(), second = std::make_unique<BookingForm>();
    ASSERT_TRUE(first->OpenOn(nr) && second->OpenOn(nr));
    second->show();
    first->findChild<QLineEdit*>("Beskrivelse")->setText("Board meeting");
    second->findChild<QLineEdit*>("Beskrivelse")->setText("Board dinner");
    auto* unstored = second->findChild<QPlainTextEdit*>("unstoredChanges");
    ASSERT_NE(unstored, nullptr);
    EXPECT_FALSE(unstored->isVisible());

    ASSERT_TRUE(first->Store());
    EXPECT_FALSE(second->Store());
    EXPECT_EQ(messages.texts(),
              QStringList{"The title of this booking was changed in another window or on another "
                          "workstation as well. Your change was not stored; the booking is shown "
                          "as it is now. / Service Message"});
    EXPECT_EQ(stored(nr, "Beskrivelse").toString(), "Board meeting");
    // The form shows the booking as stored, and what was typed beside it.
    EXPECT_EQ(second->findChild<QLineEdit*>("Beskrivelse")->text(), "Board meeting");
    EXPECT_TRUE(unstored->isVisible());
    EXPECT_TRUE(unstored->toPlainText().contains("Title: Board dinner"));

    // Typed again on what is now stored, the change goes in; so does the
    // first form's next one, which started from its own write.
    second->findChild<QLineEdit*>("Beskrivelse")->setText("Board dinner");
    EXPECT_TRUE(second->Store());
    EXPECT_EQ(stored(nr, "Beskrivelse").toString(), "Board dinner");
    EXPECT_FALSE(unstored->isVisible());
    first->findChild<QLineEdit*>("Beskrivelse")->setText("Lunch");
    EXPECT_FALSE(first->Store());
    EXPECT_EQ(stored(nr, "Beskrivelse").toString(), "Board dinner");

    // Different fields typed in the two: both are stored, and shown.
    messages.clear();
    first->findChild<QLineEdit*>("Kontaktperson2")->setText("Eva Holm");
    second->findChild<QLineEdit*>("Beskrivelse")->setText("Board lunch");
    ASSERT_TRUE(second->Store());
    EXPECT_TRUE(first->Store());
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(firstRow("SELECT Beskrivelse, Kontaktperson2 FROM Booking", {}),
              QStringList({"Board lunch", "Eva Holm"}));
    EXPECT_EQ(first->findChild<QLineEdit*>("Beskrivelse")->text(), "Board lunch");

    // Deleted elsewhere: the message for that, and the form can still close.
    ASSERT_TRUE(elsewhere("DELETE FROM Booking WHERE Bookingnr = ?", {nr}));
    second->findChild<QLineEdit*>("Beskrivelse")->setText("Late");
    EXPECT_FALSE(second->Store());
    EXPECT_EQ(messages.texts(),
              QStringList{"The booking no longer exists; another workstation may have deleted "
                          "it. / Service Message"});
    EXPECT_TRUE(second->Store());
}

TEST_P(Workstations, ASeriesIsNotUpdatedFromABookingChangedElsewhere)
{
    const int head = addBooking(kDay, 600, 660, 1, 1, 1, "Series");
    const int next = addBooking(kDay + 7, 600, 660, 1, 1, 1, "Series");
    Database d = db();
    ASSERT_TRUE(d.exec("UPDATE Booking SET gennr = ?, gentagende = -1", {head}));
    BookingForm form;
    ASSERT_TRUE(form.OpenOn(head));
    BookingDetails details = form.details();
    details.beskrivelse = "Renamed";
    ASSERT_TRUE(elsewhere("UPDATE Booking SET Antalpers = 12 WHERE Bookingnr = ?", {head}));
    EXPECT_EQ(UpdateSeries(d, details), kSeriesChangedElsewhere);
    EXPECT_EQ(stored(next, "Beskrivelse").toString(), "Series");
    ASSERT_TRUE(form.OpenOn(head));
    details = form.details();
    details.beskrivelse = "Renamed";
    EXPECT_EQ(UpdateSeries(d, details), 1);
    EXPECT_EQ(stored(next, "Beskrivelse").toString(), "Renamed");
}

INSTANTIATE_TEST_SUITE_P(Engines, Workstations, ::testing::ValuesIn(TestEngines()), EngineName);
