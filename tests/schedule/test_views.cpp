#include "app/registerwindows.h"
#include "booking/bookingform.h"
#include "data/dates.h"
#include "grid/schedulegrid.h"
#include "schedule/dayview.h"
#include "schedule/viewcommon.h"
#include "schedule/weekview.h"
#include "shell/commands.h"
#include "shell/navigator.h"
#include "support/fixture.h"
#include "undo/undo.h"
#include "widgets/windowregistry.h"

#include <QAccessible>
#include <QAction>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QStyle>
#include <QTest>
#include <QToolBar>
#include <functional>
#include <set>

using namespace vestra;
using namespace vestra::test;

const QDate kSaturday(2026, 12, 5);

class Views : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        openScheduleStore(t);
        ASSERT_TRUE(db().exec("INSERT INTO Overgruppenavne VALUES (2, 'Empty', 1)"));
        ASSERT_TRUE(db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, inaktiv, "
                              "inakstart, inakslut) VALUES (3, 1, 'Closed', -1, ?, ?)",
                              {t, t}));
    }
    DayView* day(int width = 1000)
    {
        DayView* c = ShowDayView();
        c->resize(width, 700);
        QCoreApplication::processEvents();
        return c;
    }
    std::pair<DayView*, ScheduleGrid*> dayGrid(int width = 1000)
    {
        DayView* c = day(width);
        return {c, c->grid()};
    }
    int blockOf(ScheduleGrid* g, int bookingnr)
    {
        for (int n : g->blockNumbers())
            if (g->blockKey(n) == QString::number(bookingnr))
                return n;
        return 0;
    }
    int columnOf(ScheduleGrid* g, int key)
    {
        for (int c = 0; c < g->columnCount(); ++c)
            if (g->columnKey(c) == key)
                return c;
        return -1;
    }
    // Clicks the slot and types the text into it, then the end key if one is given.
    void typeInto(ScheduleGrid* g, int column, int minutes, const QString& text,
                  Qt::Key end = Qt::Key_unknown)
    {
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->slotRect(column, minutes).center());
        QTest::keyClick(g->viewport(), text.at(0).toLatin1());
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClicks(QApplication::focusWidget(), text.mid(1));
        if (end != Qt::Key_unknown)
            QTest::keyClick(QApplication::focusWidget(), end);
    }
    // Opens the booking's form from the view and types a new title into it.
    QWidget* editForm(int nr, QWidget* view, const QString& title)
    {
        OpenBookingFromView(nr, view);
        QWidget* form = WindowRegistry::instance().find("bookingform");
        if (form)
            form->findChild<QLineEdit*>("Beskrivelse")->setText(title);
        return form;
    }
    // Deletes the block (the one selected when none is given), answering the question.
    void deleteBlock(ScheduleView* view, int block = 0, MsgAnswer answer = MsgAnswer::Yes)
    {
        if (block)
            view->grid()->selectBlock(block);
        messages.answerNext(answer);
        RunBookingCommand(BookingCommand::DeleteBooking, view, view);
    }
    // What the messages said since the last look.
    QStringList said()
    {
        const QStringList texts = messages.texts();
        messages.clear();
        return texts;
    }
    // Shows the window in front and waits till the window system says so.
    void activate(QWidget* w)
    {
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    WeekView* weekOf(int item)
    {
        day()->SwitchToWeekView(item);
        auto* w = WindowRegistry::instance().findAs<WeekView>("CalMdag");
        EXPECT_NE(w, nullptr);
        w->resize(1000, 700);
        activate(w);
        return w;
    }
    void drag(QWidget* vp, QPoint from, QPoint to)
    {
        QTest::mousePress(vp, Qt::LeftButton, {}, from);
        QTest::mouseMove(vp, from + (to - from) / 2);
        QTest::mouseMove(vp, to);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, to);
    }
    void dragDown(ScheduleGrid* g, int bookingnr, int rows)
    {
        const QPoint from = g->blockRect(blockOf(g, bookingnr)).center();
        drag(g->viewport(), from, from + QPoint(0, rows * g->slotRect(0, 600).height()));
    }
    const int t = DayNumber(kSaturday);
};

INSTANTIATE_TEST_SUITE_P(Engines, Views, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(Views, DayViewShowsAndPrintsTheTypesItemsAndBookingsOfTheGroupAndDay)
{
    addBooking(t, 600, 660, 1, 1, 1, "Board");
    addBooking(t, 600, 700, 2, 1, 1, "Choir");
    addBooking(t + 1, 600, 660, 1, 1, 1, "Tomorrow");
    auto [c, g] = dayGrid();
    EXPECT_EQ(g->objectName(), "cc");
    ASSERT_EQ(g->columnCount(), 2) << "the item inactive today has no column";
    EXPECT_EQ(g->columnCaption(0), "Hall A");
    EXPECT_EQ(g->columnCaption(1), "Hall B");
    EXPECT_EQ(g->blockCount(), 2);
    EXPECT_EQ(c->findChild<QLabel*>("CUser")->text(), "Administrator");
    EXPECT_EQ(c->findChild<QLabel*>("grouptype")->text(), "Rooms/Large");
    EXPECT_TRUE(messages.shown().isEmpty());
    // What the grid prints (its own tests read the PDF) comes from the session.
    c->preparePrint();
    EXPECT_EQ(QStringList({g->printTitle(), g->printSubtitle()}),
              QStringList({"Day Scheme  - 05-12-2026", "Rooms/Large"}));
    EXPECT_EQ(QList<int>({g->printStart(), g->printEnd(), g->printSlotSize()}),
              QList<int>({420, 1140, 15}));

    // Tomorrow the closed item is back, and tomorrow's booking shows.
    session().SelectedDay = t + 1;
    c->reload();
    EXPECT_EQ(g->columnCount(), 3);
    ASSERT_EQ(g->blockCount(), 1);
    EXPECT_EQ(g->blockText(g->blockNumbers().first()), "Tomorrow");

    auto* groups = c->findChild<QListWidget*>("aktuelovergruppe");
    ASSERT_EQ(groups->count(), 2);
    groups->setCurrentRow(groups->item(0)->text() == "Empty" ? 0 : 1);
    EXPECT_EQ(c->findChild<QLabel*>("grouptype")->text(), "Empty/None Created");
    EXPECT_EQ(session().CurrentTypeNo, 0);
    EXPECT_EQ(g->columnCount(), 0);
}

TEST_P(Views, ABlockMovedByAnOutsiderReturnsOnReload)
{
    SKIP_UNLESS_ADMIN_ON_SERVER(); // acts for accounts the connection is no member of
    const int anna = addAccount("p", "Anna", "anna", "pw");
    const int bo = addAccount("p", "Bo", "bo", "pw");
    const int annas = addBooking(t, 600, 660, 1, 1, anna, "Anna's");
    const int bos = addBooking(t, 600, 660, 2, 1, bo, "Bo's");
    session().IsAdmin = false;
    session().LoginAccountId = bo;
    ScheduleGrid* g = day()->grid();
    dragDown(g, annas, 4);
    EXPECT_EQ(stored(annas, "Bstart").toInt(), 600) << "not saved";
    EXPECT_EQ(g->blockStart(blockOf(g, annas)), 600) << "back where it is stored";
    EXPECT_TRUE(messages.shown().isEmpty()) << "refused silently";
    dragDown(g, bos, 4);
    EXPECT_EQ(stored(bos, "Bstart").toInt(), 660);
    EXPECT_EQ(stored(bos, "Bslut").toInt(), 720);
}

TEST_P(Views, ClipboardCommandsSayWhatIsMissing)
{
    const int nr = addBooking(t, 600, 660, 1, 1, 1, "Board");
    auto [c, g] = dayGrid();
    RunBookingCommand(BookingCommand::CutBooking, c, c);   // cut with nothing selected
    RunBookingCommand(BookingCommand::PasteBooking, c, c); // paste with an empty clipboard
    EXPECT_EQ(said(), QStringList({"No Booking Selected. / Service message",
                                   "No Booking on Clipboard ! / Information"}));
    g->selectBlock(blockOf(g, nr));
    RunBookingCommand(BookingCommand::CopyBooking, c, c);
    auto* saks = c->findChild<QLabel*>("saks");
    EXPECT_TRUE(saks->isVisibleTo(c));
    // Scissors, not the waste bin it once was.
    EXPECT_FALSE(ScissorsIcon().isNull());
    EXPECT_EQ(saks->pixmap().toImage(), ScissorsIcon().pixmap(20, 20).toImage());
    EXPECT_NE(saks->pixmap().toImage(),
              c->style()->standardIcon(QStyle::SP_DialogDiscardButton).pixmap(20, 20).toImage());
    RunBookingCommand(BookingCommand::PasteBooking, c, c); // the copied block is still selected
    EXPECT_EQ(said(), QStringList({"Select Entrypoint! / Information"}));

    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->slotRect(columnOf(g, 2), 780).center());
    // A cut that found nothing to cut leaves the clipboard a copy: the paste
    // takes a new number instead of the copied booking's own.
    RunBookingCommand(BookingCommand::CutBooking, c, c);
    EXPECT_EQ(said(), QStringList({"No Booking Selected. / Service message"}));
    RunBookingCommand(BookingCommand::PasteBooking, c, c);
    EXPECT_EQ(said(), QStringList());
    EXPECT_EQ(count("Booking", "Lokalenr = 2 AND Bstart = 780 AND Bslut = 840"), 1);
    EXPECT_EQ(count("Booking", "Bookingnr = ?", {nr}), 1);
    EXPECT_EQ(c->grid()->blockCount(), 2);

    // The context menu offers Paste on an empty slot only, and it pastes there.
    auto* menu = c->findChild<QMenu*>("ctDrop");
    auto* pasteHere = menu->findChild<QAction*>("pasteHere");
    ASSERT_NE(pasteHere, nullptr);
    g->selectBlock(blockOf(g, nr));
    emit menu->aboutToShow();
    EXPECT_FALSE(pasteHere->isVisible());
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->slotRect(columnOf(g, 1), 900).center());
    emit menu->aboutToShow();
    ASSERT_TRUE(pasteHere->isVisible());
    pasteHere->trigger();
    EXPECT_EQ(said(), QStringList());
    EXPECT_EQ(count("Booking", "Lokalenr = 1 AND Bstart = 900 AND Bslut = 960"), 1);
}

TEST_P(Views, DeleteAsksAndRespectsMembership)
{
    const int anna = addAccount("p", "Anna", "anna", "pw");
    const int own = addBooking(t, 600, 660, 1, 1, 1, "Own");
    const int annas = addBooking(t, 700, 760, 1, 1, anna, "Anna's");
    session().IsAdmin = false;
    auto [c, g] = dayGrid();
    RunBookingCommand(BookingCommand::DeleteBooking, c, c);
    g->selectBlock(blockOf(g, annas));
    RunBookingCommand(BookingCommand::DeleteBooking, c, c);
    // Cutting deletes, and pasting makes a booking for its account: both
    // ask the same right as Delete. Copying only reads.
    RunBookingCommand(BookingCommand::CutBooking, c, c);
    RunBookingCommand(BookingCommand::CopyBooking, c, c);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->slotRect(columnOf(g, 2), 900).center());
    RunBookingCommand(BookingCommand::PasteBooking, c, c);
    const QString refused = "You have no authority to delete this booking ! / ";
    EXPECT_EQ(said(),
              QStringList({"No Booking Selected / Service Message", refused, refused, refused}));
    EXPECT_EQ(count("Booking"), 2);

    deleteBlock(c, blockOf(g, own), MsgAnswer::No);
    EXPECT_EQ(count("Booking"), 2);
    deleteBlock(c);
    EXPECT_EQ(count("Booking"), 1);
    ASSERT_EQ(messages.texts(), QStringList(2, "Confirm deletion ? / Slettemeddelelse"));
    EXPECT_EQ(messages.shown()[0].defaultButton, MsgAnswer::No);
}

TEST_P(Views, WeekViewShowsSevenDaysOfOneItem)
{
    const int monday = t - 5;
    addBooking(monday - 1, 600, 660, 2, 1, 1, "Sunday before");
    addBooking(monday, 600, 660, 2, 1, 1, "Monday");
    const int saturday = addBooking(t, 600, 660, 2, 1, 1, "Saturday");
    addBooking(monday + 6, 600, 660, 2, 1, 1, "Sunday");
    addBooking(monday + 7, 600, 660, 2, 1, 1, "Next Monday");
    addBooking(monday + 2, 600, 660, 1, 1, 1, "Other item");
    DayView* c = day();
    c->setGeometry(60, 50, 900, 640);
    const QRect place = c->geometry();
    // The context menu's Open and WeekView want a selected block; WeekView
    // shows the week of the block's item.
    const QList<QAction*> items = c->findChild<QMenu*>("ctDrop")->actions();
    items[0]->trigger();
    EXPECT_EQ(messages.texts(), QStringList({"No Booking Selected / Service Message"}));
    items[4]->trigger();
    EXPECT_NE(WindowRegistry::instance().find("Calendar"), nullptr);
    c->grid()->selectBlock(blockOf(c->grid(), saturday));
    items[4]->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(session().CurrentItemNo, 2);
    EXPECT_EQ(WindowRegistry::instance().find("Calendar"), nullptr);
    auto* w = WindowRegistry::instance().findAs<WeekView>("CalMdag");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), place) << "the week view opens where the day view was";
    EXPECT_EQ(session().ShownWeekStart, monday);
    ScheduleGrid* g = w->findChild<ScheduleGrid*>("dd");
    QStringList titles;
    for (int n : g->blockNumbers())
        titles << g->blockText(n);
    titles.sort();
    EXPECT_EQ(titles, QStringList({"Monday", "Saturday", "Sunday"}));
    EXPECT_EQ(g->headerText(), "Week:49");
    EXPECT_EQ(w->findChild<QLabel*>("lnavn")->text(), "Hall B");

    w->moveWeek(-7);
    EXPECT_EQ(session().ShownWeekStart, monday - 7);
    EXPECT_EQ(g->headerText(), "Week:48");
    ASSERT_EQ(g->blockCount(), 1);
    EXPECT_EQ(g->blockText(g->blockNumbers().first()), "Sunday before");

    // The Day View button goes back to the day, in the same place.
    w->setGeometry(80, 70, 880, 620);
    const QRect weekPlace = w->geometry();
    w->findChild<QAction*>("dayView")->trigger();
    auto* back = WindowRegistry::instance().findAs<DayView>("Calendar");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(session().SelectedDay, t);
    EXPECT_EQ(back->geometry(), weekPlace);
}

TEST_P(Views, AWeekBlockTakesItsColumnsDateAndTheViewsItem)
{
    ScheduleGrid* g = weekOf(2)->grid();
    typeInto(g, 2, 660, "Solo", Qt::Key_Return); // Wednesday
    EXPECT_EQ(firstRow("SELECT Bdato, Lokalenr, Bstart, Tentative FROM Booking"),
              QStringList({QString::number(session().ShownWeekStart + 2), "2", "660", "0"}));

    // A double-click outside the blocks goes back to that day, group and type kept.
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, g->slotRect(4, 900).center());
    auto* back = WindowRegistry::instance().findAs<DayView>("Calendar");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(session().SelectedDay, session().ShownWeekStart + 4);
    EXPECT_EQ(back->findChild<QLabel*>("grouptype")->text(), "Rooms/Large");
}

TEST_P(Views, AdministratorEntriesRefuseOthers)
{
    session().IsAdmin = false;
    DayView* c = day();
    for (int number : {21, 26, 25, 223, 241, 242, 24, 35}) {
        EXPECT_TRUE(RunMenuCommand(Command(number), c, c));
        EXPECT_EQ(said(), QStringList({"Administrator Access Only! / Access Message"})) << number;
    }
    for (int number : {221, 222, 31, 32, 33, 62}) {
        RunMenuCommand(Command(number), c, c);
        EXPECT_FALSE(said().join('\n').contains(" / Access Message")) << number;
        WindowRegistry::instance().closeAll();
    }
    // Group heads have no action.
    for (int number : {1, 2, 3, 6, 22, 23, 0})
        EXPECT_FALSE(RunMenuCommand(Command(number), c, c)) << number;
}

// The schedule's title says which store it shows, a file by its name only and
// a server by its database and host (never the user or options).
TEST(ScheduleTitles, NameTheStoreShown)
{
    for (const auto& [store, title] :
         {std::pair{"", "Vestra - Calendar"},
          {"/home/anna/Bookings/club.mdb", "Vestra - Calendar - club.mdb"},
          {"postgresql://anna@db.example:5433/vestra?sslmode=require",
           "Vestra - Calendar - vestra on db.example"}})
        EXPECT_EQ(ScheduleTitle("Vestra - Calendar", store), title) << store;
}

TEST_P(Views, MenusOpenTheToolBarsEntriesWithTheirOwnLettersAndTheDesktopsKeys)
{
    // The menu bar opens the tool bar's own entries (one object each) with
    // Alt letters, and shows the desktop's usual keys beside them.
    DayView* c = day();
    // The tool bar's order is not the entries' numbers.
    QStringList captions;
    for (QAction* a : c->findChild<QToolBar*>("ctToolBar2")->actions())
        captions << a->data().toString() + " " + a->text().remove('&');
    EXPECT_EQ(captions,
              QStringList({"7 Cut Booking", "8 Copy Booking", "9 Paste Booking",
                           "10 Delete Booking", "14 Search", "15 My Bookings", "16 Todays Bookings",
                           "18 Repeating Bookings", "17 Print Scheeme"}));
    QMap<QString, QKeySequence> keys; // by menu and entry
    // Every entry of every menu has its own Alt letter.
    std::function<void(QMenu*)> lettersOf = [&](QMenu* menu) {
        std::set<QChar> letters;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator())
                continue;
            const qsizetype at = a->text().indexOf('&');
            ASSERT_TRUE(at >= 0 && at + 1 < a->text().size()) << qPrintable(a->text());
            EXPECT_TRUE(letters.insert(a->text().at(at + 1).toLower()).second)
                << qPrintable(menu->title() + ": " + a->text());
            keys[menu->title() + " " + a->objectName()] = a->shortcut();
            if (a->menu())
                lettersOf(a->menu());
        }
    };
    for (QAction* m : c->menuBar()->actions())
        lettersOf(m->menu());
    // Exit Program and Search share the number 14, each in its own menu.
    EXPECT_EQ(keys["&File cmd11"], QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(keys["&File cmd14"], QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(keys["&Help cmd61"], QKeySequence(Qt::Key_F1));
    EXPECT_EQ(keys["&Bookings cmd14"], QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(keys["&Bookings cmd17"], QKeySequence(Qt::CTRL | Qt::Key_P));
    // The tool bar's buttons open the very same entries.
    EXPECT_EQ(c->findChildren<QAction*>("cmd61").size(), 1);

    bool quit = false;
    navigator().quit = [&] { quit = true; };
    activate(c);
    QTest::keyClick(c, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(quit);

    // Entries 11 and 12 title their dialogs after themselves (cancelled here).
    dialogs.chooseNext(std::nullopt);
    dialogs.chooseNext(std::nullopt);
    RunMenuCommand(Command::OpenBookingFile, c, c);
    RunMenuCommand(Command::CreateBookingFile, c, c);
    EXPECT_EQ(dialogs.titles, QStringList({"Open Existing Bookingfile", "Create New Bookingfile"}));
}

TEST_P(Views, AReloadKeepsWhatTheUserSelected)
{
    const int nr = addBooking(t, 600, 660, 1, 1, 1, "Board");
    auto [c, g] = dayGrid();
    // A click that also activates the window reloads it; the click must survive.
    g->selectSlot(columnOf(g, 2), 780, 810);
    c->reload();
    ASSERT_GE(g->currentSlot(), 0);
    EXPECT_EQ(g->columnKey(g->currentColumn()), 2);
    EXPECT_EQ(g->selectedSlotStart(), 780);
    EXPECT_EQ(g->selectedSlotEnd(), 810);

    // A click on a block makes block and slot current, and both survive: a
    // block retyped after the reload is stored.
    g->scrollToTime(540);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->blockRect(blockOf(g, nr)).center());
    c->reload();
    EXPECT_EQ(g->blockKey(g->selectedBlock()), QString::number(nr));
    EXPECT_GE(g->currentSlot(), 0);
    QTest::keyClick(g->viewport(), Qt::Key_F2);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "Board meeting");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(stored(nr, "Beskrivelse").toString(), "Board meeting");
}

TEST_P(Views, AnotherBookingFileLeavesEveryWindowAndStoresItsWorkInTheOldFile)
{
    RegisterWindows();
    bool splash = false;
    navigator().showSplash = [&] { splash = true; };
    const int nr = addBooking(t, 600, 660, 1, 1, 1, "Board");
    const QString old = session().BookingFilePath;
    // A booking file (whatever the first store is) holding a booking of the same number.
    const QString other = templateCopy("other.mdb");
    ASSERT_TRUE(Database::open(other).exec("INSERT INTO Booking (Bookingnr, Beskrivelse, Bdato, "
                                           "Bstart, Bslut, Lokalenr) VALUES (?, 'Board', ?, 600, "
                                           "660, 1)",
                                           {nr, t}));
    DayView* c = day();
    RunBookingCommand(BookingCommand::RepeatingBookings, c, c);
    ASSERT_NE(editForm(nr, c, "Board (edited)"), nullptr);

    dialogs.chooseNext(other);
    EXPECT_TRUE(RunMenuCommand(Command::OpenBookingFile, c, c));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash);
    EXPECT_EQ(session().BookingFilePath, other);
    for (const char* name : {"Calendar", "bookingform", "gudløbover"})
        EXPECT_EQ(WindowRegistry::instance().find(QString::fromUtf8(name)), nullptr) << name;
    const QString title = QStringLiteral("SELECT Beskrivelse FROM Booking WHERE Bookingnr = ?");
    EXPECT_EQ(Database::open(old).scalar(title, {nr}).toString(), "Board (edited)");
    EXPECT_EQ(Database::open(other).scalar(title, {nr}).toString(), "Board");
    navigator().showSplash = {};
}

TEST_P(Views, LeavingTheDayViewStoresAnOpenBookingForm)
{
    RegisterWindows();
    const int nr = addBooking(t, 600, 660, 1, 1, 1, "Board");
    DayView* c = day();
    QWidget* form = editForm(nr, c, "Board (edited)");
    ASSERT_NE(form, nullptr);
    // A fee that is not a number keeps the form, and so the day view, open.
    form->findChild<QRadioButton*>("aftres")->click();
    form->findChild<QLineEdit*>("Pris")->setText("lots");
    c->SwitchToWeekView(1);
    EXPECT_NE(WindowRegistry::instance().find("Calendar"), nullptr);
    EXPECT_EQ(WindowRegistry::instance().find("CalMdag"), nullptr);

    form->findChild<QLineEdit*>("Pris")->setText("100");
    c->SwitchToWeekView(1);
    EXPECT_NE(WindowRegistry::instance().find("CalMdag"), nullptr);
    EXPECT_EQ(stored(nr, "Beskrivelse").toString(), "Board (edited)");
}

// The form and the schedule may be open on one booking: a block moved in the
// schedule keeps what is typed in the form, and both are stored.
TEST_P(Views, MovingABlockKeepsWhatIsTypedInItsOpenForm)
{
    RegisterWindows();
    const int nr = addBooking(t, 600, 660, 1, 1, 1, "Board");
    auto [c, g] = dayGrid();
    const QString row = QStringLiteral("SELECT Beskrivelse, Bstart, Bslut FROM Booking");
    QWidget* form = editForm(nr, c, "Board (edited)");
    ASSERT_NE(form, nullptr);
    dragDown(g, nr, 4);
    EXPECT_EQ(firstRow(row), QStringList({"Board (edited)", "660", "720"}));
    form->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(said(), QStringList());
    EXPECT_EQ(firstRow(row), QStringList({"Board (edited)", "660", "720"}));

    // Stored from the form, then moved again in the schedule.
    ASSERT_NE(form = editForm(nr, c, "Board (again)"), nullptr);
    form->close();
    QCoreApplication::processEvents();
    dragDown(g, nr, 4);
    EXPECT_EQ(said(), QStringList());
    EXPECT_EQ(firstRow(row), QStringList({"Board (again)", "720", "780"}));

    // Deleted from the schedule, its open form goes with it: the booking is
    // not said to be deleted by another workstation.
    ASSERT_NE(editForm(nr, c, "Board (gone)"), nullptr);
    deleteBlock(c, blockOf(g, nr));
    QCoreApplication::processEvents();
    EXPECT_EQ(count("Booking"), 0);
    EXPECT_EQ(WindowRegistry::instance().find("bookingform"), nullptr);
    EXPECT_EQ(messages.texts(), QStringList({"Confirm deletion ? / Slettemeddelelse"}));
}

// The context menu writes what the view shows: the week of one item, the
// day of one type; a folder that is not there is said, nothing written.
TEST_P(Views, ExportCalendarWritesTheShownBookings)
{
    const int mine = addBooking(t, 600, 660, 2, 1, 1, "Board");
    addBooking(t - 5, 600, 660, 2, 1, 1, "Monday"); // the week's first day
    addBooking(t + 2, 600, 660, 2, 1, 1, "Next week");
    addBooking(t, 700, 760, 1, 1, 1, "Other hall");
    auto exportFrom = [&](QWidget* view, const QString& path) {
        dialogs.chooseNext(path);
        auto* action = view->findChild<QMenu*>("ctDrop")->findChild<QAction*>("exportCalendar");
        EXPECT_NE(action, nullptr);
        if (action)
            action->trigger();
        return QString::fromUtf8(fileBytes(path));
    };
    const QString dayFile = exportFrom(day(), pathOf("day.ics"));
    EXPECT_EQ(dayFile.count("BEGIN:VEVENT"), 2);
    EXPECT_TRUE(dayFile.contains("SUMMARY:Other hall"));

    WeekView* w = weekOf(2);
    const QString week = exportFrom(w, pathOf("week æø.ics"));
    EXPECT_EQ(week.count("BEGIN:VEVENT"), 2);
    EXPECT_TRUE(week.contains(QString("UID:booking-%1@").arg(mine)));
    EXPECT_TRUE(week.contains("SUMMARY:Monday"));
    EXPECT_FALSE(week.contains("Next week"));
    EXPECT_FALSE(week.contains("Other hall"));
    EXPECT_EQ(said(), QStringList());

    EXPECT_EQ(exportFrom(w, pathOf("nowhere/week.ics")), "");
    EXPECT_EQ(messages.texts(),
              QStringList{QString("The file \"%1\" could not be written: the folder does not "
                                  "exist. / Export Calendar")
                              .arg(pathOf("nowhere/week.ics"))});
}

TEST_P(Views, EveryDayViewReloadStoresTheBlockBeingTypedWhereItWasTyped)
{
    ASSERT_TRUE(db().exec("INSERT INTO lokaliteter VALUES (2, 1, 'Small', '', 1)"));
    ASSERT_TRUE(db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, inaktiv) "
                          "VALUES (4, 2, 'Room S', 0)"));
    DayView* c = nullptr;
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"another day",
         [&] {
             c->findChild<QCalendarWidget*>("aktueldato")->setSelectedDate(kSaturday.addDays(1));
         }},
        {"another type", [&] { c->findChild<QListWidget*>("aktuelgruppe")->setCurrentRow(1); }},
        {"activation", [&] { c->reload(); }},
        {"closing", [&] { c->close(); }},
    };
    const QString where =
        "Beskrivelse = ? AND Bdato = ? AND Lokalenr = 2 AND Bgruppe = 1 AND Bstart = ?";
    int start = 600;
    for (const auto& [way, leave] : ways) {
        SCOPED_TRACE(way);
        session().SelectedDay = t;
        session().CurrentTypeNo = 1;
        c = day();
        const QString title = QStringLiteral("Lost on ") + way;
        start += 60; // each in a slot of its own
        typeInto(c->grid(), columnOf(c->grid(), 2), start, title);
        leave();
        EXPECT_EQ(count("Booking", where, {title, t, start}), 1);
    }
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_P(Views, TheWeekViewStoresATypedBlockBeforeTurningTheWeek)
{
    WeekView* w = weekOf(2);
    const int monday = session().ShownWeekStart;
    const QString storedOn = "Beskrivelse = ? AND Bdato = ? AND Lokalenr = 2";
    typeInto(w->grid(), 2, 600, "Lost week");
    auto* weeks = w->findChild<QToolBar*>("ctToolBar3");
    QTest::mouseClick(weeks->widgetForAction(w->findChild<QAction*>("nextWeek")), Qt::LeftButton);
    EXPECT_EQ(session().ShownWeekStart, monday + 7);
    EXPECT_EQ(count("Booking", storedOn, {"Lost week", monday + 2}), 1);

    typeInto(w->grid(), 3, 600, "Lost again");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(session().ShownWeekStart, monday + 14);
    EXPECT_EQ(count("Booking", storedOn, {"Lost again", monday + 10}), 1);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_P(Views, CutCopyAndDeleteFirstStoreTheBlockBeingTyped)
{
    auto [c, g] = dayGrid();
    typeInto(g, columnOf(g, 2), 600, "Typed copy");
    RunBookingCommand(BookingCommand::CopyBooking, c, c);
    EXPECT_EQ(said(), QStringList());
    EXPECT_EQ(WorkDatabase().scalar("SELECT Beskrivelse FROM standby").toString(), "Typed copy");
    EXPECT_EQ(count("Booking", "Beskrivelse = 'Typed copy'"), 1);

    typeInto(g, columnOf(g, 2), 720, "Typed delete");
    deleteBlock(c);
    EXPECT_EQ(messages.texts(), QStringList({"Confirm deletion ? / Slettemeddelelse"}));
    EXPECT_EQ(count("Booking", "Beskrivelse = 'Typed delete'"), 0);
    EXPECT_EQ(g->blockCount(), 1);

    WeekView* w = weekOf(1);
    typeInto(w->grid(), 4, 600, "Typed cut");
    RunBookingCommand(BookingCommand::CutBooking, w, w);
    EXPECT_EQ(WorkDatabase().scalar("SELECT Beskrivelse FROM standby").toString(), "Typed cut");
    EXPECT_EQ(count("Booking", "Beskrivelse = 'Typed cut'"), 0);
}

TEST_P(Views, NoBookingLandsOnAnItemDeletedWhileTheDayIsShown)
{
    const int nr = addBooking(t, 600, 660, 1, 1, 1, "Board");
    ASSERT_TRUE(db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, inaktiv) "
                          "VALUES (5, 1, 'Hall C', 0)"));
    auto [c, g] = dayGrid(1600);
    const int hallC = columnOf(g, 5);
    ASSERT_TRUE(g->viewport()->rect().contains(g->slotRect(hallC, 600)));
    ASSERT_TRUE(db().exec("DELETE FROM lokale WHERE lokalenr = 5")); // on another workstation
    const QPoint from = g->blockRect(blockOf(g, nr)).center();
    drag(g->viewport(), from, QPoint(g->slotRect(hallC, 600).center().x(), from.y()));
    EXPECT_EQ(said(), QStringList({"The resource no longer exists; it may have been deleted on "
                                   "another workstation. / Service Message"}));
    EXPECT_EQ(stored(nr, "Lokalenr").toInt(), 1);

    ASSERT_TRUE(db().exec("DELETE FROM lokale WHERE lokalenr = 2"));
    typeInto(g, columnOf(g, 2), 780, "Too late", Qt::Key_Return);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith("The booking \"Too late\" could not be stored: the "
                                               "resource no longer exists"));
    EXPECT_EQ(count("Booking"), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(columnOf(g, 2), -1) << "the view reloads without the deleted items";
}

TEST_P(Views, ATypedBlockTheFileRefusesStaysMarkedUntilStoredAgainOrDeleted)
{
    RegisterWindows(); // the double-click below opens the booking form
    auto [c, g] = dayGrid();
    Database d = db();
    ASSERT_TRUE(FailInserts(d, "Booking"));
    for (const auto& [minutes, title] : {std::pair{600, "Choir"}, {720, "Solo"}})
        typeInto(g, columnOf(g, 2), minutes, title, Qt::Key_Return);
    const QStringList refused = said();
    ASSERT_EQ(refused.size(), 2);
    EXPECT_TRUE(refused[0].startsWith("The booking \"Choir\" could not be stored: "))
        << refused[0].toStdString();
    EXPECT_TRUE(refused[1].contains("disk full"));
    c->reload();
    ASSERT_EQ(g->blockCount(), 2) << "a reload keeps the blocks not stored";
    QMap<QString, int> blocks;
    for (int n : g->blockNumbers()) {
        blocks.insert(g->blockText(n), n);
        EXPECT_TRUE(g->blockNotStored(n).contains("disk full"));
    }

    // Stored again once the file takes it; deleted, it leaves nothing behind.
    ASSERT_TRUE(AllowInserts(d, "Booking"));
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, g->blockRect(blocks["Choir"]).center());
    EXPECT_EQ(count("Booking", "Beskrivelse = 'Choir' AND Bstart = 600 AND Lokalenr = 2"), 1);
    if (QWidget* form = WindowRegistry::instance().find("bookingform"))
        form->close();
    deleteBlock(c, blocks["Solo"]);
    EXPECT_EQ(messages.texts(), QStringList({"Confirm deletion ? / Slettemeddelelse"}));
    c->reload();
    EXPECT_EQ(g->blockCount(), 1);
    EXPECT_EQ(count("Booking"), 1);
}

TEST_P(Views, TheDragThatBringsTheViewBackIsStoredAndTheReloadFollowsIt)
{
    const int nr = addBooking(t, 600, 660, 1, 1, 1, "Board");
    auto [c, g] = dayGrid(1600);
    QWidget elsewhere;
    activate(&elsewhere);
    session().ActiveViewNo = 0;
    const QPoint from = g->blockRect(blockOf(g, nr)).center();
    const QPoint to(g->slotRect(columnOf(g, 2), 600).center().x(), from.y());
    QTest::mousePress(g->viewport(), Qt::LeftButton, {}, from);
    activate(c); // the press brings the window back
    EXPECT_EQ(session().ActiveViewNo, 0) << "no reload under the pressed button";
    QTest::mouseMove(g->viewport(), from + (to - from) / 2);
    QTest::mouseMove(g->viewport(), to);
    QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, to);
    EXPECT_EQ(stored(nr, "Lokalenr").toInt(), 2);
    // (QTRY_ macros report to QTestLib, which a gtest run never hears.)
    EXPECT_TRUE(QTest::qWaitFor([] { return session().ActiveViewNo == 1; }))
        << session().ActiveViewNo;
}

// (A block typed for an item deleted meanwhile is refused and kept, as the
// day view's tests check.)
TEST_P(Views, AWeekViewRereadsItsItemOnActivation)
{
    WeekView* w = weekOf(2);
    EXPECT_EQ(w->findChild<QLabel*>("lnavn")->text(), "Hall B");
    // Deleted in the resource manager while the week stays open.
    ASSERT_TRUE(db().exec("DELETE FROM lokale WHERE lokalenr = 2"));
    QWidget elsewhere;
    activate(&elsewhere);
    activate(w);
    auto* name = w->findChild<QLabel*>("lnavn");
    EXPECT_TRUE(QTest::qWaitFor([&] { return name->text().isEmpty(); }))
        << qPrintable(name->text());
    EXPECT_EQ(w->findChild<QLabel*>("lokalenr")->text(), "");
}

TEST_P(Views, ClosingAScheduleWindowEndsTheProgramAsExitDoes)
{
    int quits = 0;
    navigator().quit = [&] { ++quits; };
    // The close button and Alt+F4 reach the window from the window system.
    auto closeByUser = [](QWidget* window) {
        QCloseEvent close;
        QSpontaneKeyEvent::setSpontaneous(&close);
        QApplication::instance()->notify(window->windowHandle(), &close);
        QCoreApplication::processEvents();
    };
    weekOf(1)->SwitchToDayView(t);
    QCoreApplication::processEvents();
    EXPECT_EQ(quits, 0) << "the views closing each other go on";
    auto* c = WindowRegistry::instance().findAs<DayView>("Calendar");
    ASSERT_NE(c, nullptr);
    closeByUser(c);
    EXPECT_EQ(quits, 1);
    closeByUser(weekOf(1));
    EXPECT_EQ(quits, 2);
}

// A booking typed, moved and deleted comes back where it was typed after
// three undos, each named in the Edit menu; an open form follows an undo,
// and a screen reader's press on a block opens the booking.
TEST_P(Views, ThreeUndosBringBackATypedMovedAndDeletedBooking)
{
    RegisterWindows();
    UndoStack::instance().clear();
    auto [c, g] = dayGrid();
    typeInto(g, columnOf(g, 2), 600, "Choir", Qt::Key_Return);
    ASSERT_EQ(count("Booking"), 1);
    const int nr = db().scalar("SELECT Bookingnr FROM Booking").toInt();
    dragDown(g, nr, 4);
    ASSERT_EQ(stored(nr, "Bstart").toInt(), 660);

    // The block's press action opens the form, which follows the undo.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(g);
    ASSERT_EQ(list->childCount(), 1);
    QAccessibleInterface* block = list->child(0);
    ASSERT_EQ(block->text(QAccessible::Name), "Choir");
    ASSERT_NE(block->actionInterface(), nullptr);
    block->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    auto* form = WindowRegistry::instance().findAs<BookingForm>("bookingform");
    ASSERT_NE(form, nullptr);
    auto* undo = c->findChild<QAction*>("editUndo");
    ASSERT_NE(undo, nullptr);
    EXPECT_EQ(undo->text(), "&Undo Move 'Choir'");
    undo->trigger();
    EXPECT_EQ(stored(nr, "Bstart").toInt(), 600);
    EXPECT_EQ(form->startSeconds(), 600 * 60) << "the form shows the booking as undone";
    c->findChild<QAction*>("editRedo")->trigger();
    EXPECT_EQ(stored(nr, "Bstart").toInt(), 660);
    form->close();
    QCoreApplication::processEvents();

    deleteBlock(c, blockOf(g, nr));
    ASSERT_EQ(count("Booking"), 0);
    EXPECT_EQ(undo->text(), "&Undo Delete 'Choir'");
    for (int i = 0; i < 2; ++i)
        undo->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(firstRow("SELECT Bookingnr, Beskrivelse, Lokalenr, Bstart, Bslut FROM Booking"),
              QStringList({QString::number(nr), "Choir", "2", "600", "615"}));
    EXPECT_EQ(undo->text(), "&Undo New Booking 'Choir'");
    undo->trigger();
    EXPECT_EQ(count("Booking"), 0);
    EXPECT_FALSE(undo->isEnabled());
}
