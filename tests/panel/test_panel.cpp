#include "data/dates.h"
#include "panel/panelfeed.h"
#include "panel/ui/boardwindow.h"
#include "panel/ui/itemview.h"
#include "panel/ui/panelstyle.h"
#include "panel/ui/panelwindow.h"
#include "support/fixture.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace vestra;
using namespace vestra::test;

namespace {

constexpr int kToday = 46000;

PanelBooking booking(int day, int start, int end, const char* title, bool tentative = false)
{
    static int number = 0;
    return {++number, day, start, end, QString::fromUtf8(title), QStringLiteral("Choir"),
            tentative};
}

// A panel or board at the given size, showing what its feed reads.
void start(KioskWindow& w, QSize size)
{
    w.resize(size);
    w.show();
    w.feed()->start();
    QTest::qWait(50);
}

QString titles(const QList<PanelBooking>& list)
{
    QStringList out;
    for (const PanelBooking& b : list)
        out << b.title;
    return out.join(u',');
}

TEST(PanelState, EachMomentGivesItsStatusUntilWhenAndTheBookingsStillToCome)
{
    const PanelItemData empty{2, "Room", "Small", false, {}, {}, {}};
    PanelItemData day = empty;
    day.bookings = {
        booking(kToday - 1, 1380, 120, "Night"), booking(kToday, 600, 660, "Ten"),
        booking(kToday, 660, 720, "Eleven"),     booking(kToday, 840, 900, "Maybe", true),
        booking(kToday, 1320, 60, "Late"),       booking(kToday + 1, 480, 540, "Morning")};
    const PanelItemData closed{2, "Room", "Small", true, kToday - 2, kToday + 3, {}};
    const PanelItemData closedLater{2, "Room", "Small", true, kToday + 1, kToday + 3, {}};
    const PanelItemData tomorrowOnly{
        2, "Room", "Small", false, {}, {}, {booking(kToday + 1, 480, 540, "First")}};
    using enum PanelStatus;
    // Later today and tomorrow are the titles, comma-separated.
    const struct {
        const char* what;
        const PanelItemData* data;
        int day, minute;
        PanelStatus status;
        const char *until, *current, *later, *tomorrow, *next;
    } cases[] = {
        {"past midnight from yesterday", &day, kToday, 60, InUse, "until 02:00", "Night",
         "Ten,Eleven,Maybe,Late", "Morning", "Next: 10:00 Ten"},
        {"ends exactly now: free until the next", &day, kToday, 120, Free, "until 10:00", "",
         "Ten,Eleven,Maybe,Late", "Morning", "Next: 10:00 Ten"},
        {"back to back: the first", &day, kToday, 659, InUse, "until 11:00", "Ten",
         "Eleven,Maybe,Late", "Morning", "Next: 11:00 Eleven"},
        {"back to back: the second from its first minute", &day, kToday, 660, InUse, "until 12:00",
         "Eleven", "Maybe,Late", "Morning", "Next: 14:00 Maybe"},
        {"tentative", &day, kToday, 850, Tentative, "until 15:00", "Maybe", "Late", "Morning",
         "Next: 22:00 Late"},
        {"into tomorrow", &day, kToday, 1400, InUse, "until tomorrow 01:00", "Late", "", "Morning",
         "Next: tomorrow 08:00 Morning"},
        {"an empty day", &empty, kToday, 600, Free, "all day", "", "", "", ""},
        {"tomorrow's first booking", &tomorrowOnly, kToday, 1439, Free, "all day", "", "", "First",
         "Next: tomorrow 08:00 First"},
        {"the date changes at midnight", &tomorrowOnly, kToday + 1, 0, Free, "until 08:00", "",
         "First", "", "Next: 08:00 First"},
        {"unavailable", &closed, kToday, 600, Unavailable, "back on 15-12-2025", "", "", "", ""},
        {"unavailable from tomorrow", &closedLater, kToday, 600, Free, "all day", "", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PanelMoment now{c.day, c.minute};
        const PanelItemState s = ComputeItemState(*c.data, now);
        EXPECT_EQ(s.status, c.status);
        EXPECT_EQ(QStringList({UntilText(s, now), s.current ? s.current->title : QString(),
                               titles(s.laterToday), titles(s.tomorrow), NextText(s, now)}),
                  QStringList({c.until, c.current, c.later, c.tomorrow, c.next}));
    }
    // A walk-in starts at the quarter hour, or where a booking just ended,
    // and offers only the lengths that end before the next booking.
    PanelItemData walk = empty;
    walk.bookings = {booking(kToday, 540, 605, "Ended"), booking(kToday, 640, 700, "Next")};
    EXPECT_EQ(WalkInStart(walk, {kToday, 607}), 605);
    EXPECT_EQ(WalkInLengths(walk, {kToday, 607}), (QList<int>{15, 30}));
    EXPECT_EQ(WalkInStart(empty, {kToday, 1438}), 1425);
    EXPECT_EQ(WalkInLengths(day, {kToday, 600}), QList<int>());
}

TEST(PanelStyle, EveryStatusReadsByContrastWordAndSymbol)
{
    QSet<QString> signs;
    for (PanelStatus s : {PanelStatus::Free, PanelStatus::InUse, PanelStatus::Tentative,
                          PanelStatus::Unavailable}) {
        EXPECT_GE(ContrastRatio(ColoursOf(s).background, ColoursOf(s).text), 4.5);
        signs << StatusSymbol(s) << StatusWord(s);
    }
    EXPECT_EQ(signs.size(), 8);
    for (const StatusColours& c : {UnknownColours(), StaleColours()})
        EXPECT_GE(ContrastRatio(c.background, c.text), 4.5);
}

TEST(PanelArguments, ItemsCommaSeparatedOrRepeatedUpToFour)
{
    QString error;
    const auto r = ParsePanelArguments(
        {"vestra", "--panel", "Hall A, 2", "--store", "/x.mdb", "--panel", "Lab"}, &error);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->items, (QStringList{"Hall A", "2", "Lab"}));
    EXPECT_EQ(r->store, "/x.mdb");
    // No panel without arguments, and no reason to give; the rest are refused with one.
    for (const char* bad : {"", "--panel 1,2,3,4,5", "--panel 1 --board 2", "--board 2 --walk-in x",
                            "--panel ,", "--panel --store x"}) {
        const QStringList arguments = QString(bad).split(' ', Qt::SkipEmptyParts);
        EXPECT_FALSE(ParsePanelArguments(QStringList{"vestra"} + arguments, &error)) << bad;
        EXPECT_EQ(error.isEmpty(), arguments.isEmpty()) << bad;
    }
}

class Panels : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        openScheduleStore(kToday, {"Hall A", "Hall B"});
        store = session().BookingFilePath;
    }
    void TearDown() override
    {
        SetReadOnlyStores(false);
        BookingStoreTest::TearDown();
    }
    // A panel on the session's store, at the given moment or the real one.
    // Without pollMs the panel learns of changes from the store watcher alone.
    std::unique_ptr<PanelWindow> panel(const QStringList& items, const QString& walkIn = {},
                                       PanelFeed::Clock clock = {}, int pollMs = 600000)
    {
        auto* feed = new PanelFeed(
            store, [items](Database& d, QString* e) { return ResolvePanelItems(d, items, e); },
            std::move(clock));
        feed->setPollInterval(pollMs);
        auto window = std::make_unique<PanelWindow>(feed, store, walkIn);
        start(*window, QSize(1920, 1080));
        return window;
    }
    static QString status(PanelWindow& w, int i = 0) { return w.views().value(i)->statusText(); }
    QString store;
};

// Another workstation's booking reaches a panel that only reads the store
// within 2 s; with titles turned off it shows "Booked" and no account.
TEST_P(Panels, ABookingStoredElsewhereShowsWithinTwoSecondsOnAReadOnlyPanel)
{
    Database::closeAll(store);
    SetReadOnlyStores(true);
    auto w = panel({"Hall A"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->views().isEmpty(); }, 3000));
    EXPECT_TRUE(status(*w).endsWith("Free")) << status(*w).toStdString();
    // A read-only panel never writes, even by mistake.
    EXPECT_FALSE(db().exec("UPDATE Booking SET Beskrivelse = 'x'"));

    const QDateTime now = QDateTime::currentDateTime();
    const int minute = MinutesOfDay(now.time());
    const QString end = QString::number(std::min(minute + 60, 1439));
    QProcess writer;
    writer.start(PANEL_WRITER, {store, "1", QString::number(DayNumber(now.date())),
                                QString::number(std::max(0, minute - 1)), end, "Choir practice"});
    ASSERT_TRUE(writer.waitForFinished(10000));
    ASSERT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
    QElapsedTimer shown;
    shown.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return status(*w).endsWith("In use"); }, 2000));
    EXPECT_LT(shown.elapsed(), 2000);
    auto* current = w->findChild<QLabel*>("panelcurrent");
    EXPECT_TRUE(current->text().startsWith("Choir practice")) << current->text().toStdString();

    SetReadOnlyStores(false);
    Database::closeAll(store);
    ASSERT_TRUE(db().exec("UPDATE institutionsoplysninger SET paneltitles = 0"));
    w->feed()->refresh();
    EXPECT_EQ(current->text(), "Booked");
}

// A walk-in tap refuses a time another workstation booked since the panel
// read the store, and two quick taps store one booking.
TEST_P(Panels, WalkInRefusesATimeBookedMeanwhileAndStoresOneBookingForTwoTaps)
{
    const QDateTime at(DateFromDayNumber(kToday), QTime(10, 7));
    auto w = panel({"Hall A"}, "Administrator", [at] { return at; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->views().isEmpty(); }, 3000));
    auto* book30 = w->findChild<QPushButton*>("book30");
    ASSERT_TRUE(book30 && book30->isVisible());
    addBooking(kToday, 615, 660, 1, 1, 1, "Meanwhile");
    QTest::mouseClick(book30, Qt::LeftButton);
    EXPECT_EQ(count("Booking"), 1);
    EXPECT_EQ(w->findChild<QLabel*>("panelmessage")->text(),
              "Not booked: the time was booked meanwhile.");

    w->book(1, 15);
    w->book(1, 15);
    EXPECT_EQ(count("Booking"), 2);
    EXPECT_EQ(count("Booking", "Bstart = 600 AND Bslut = 615 AND kontonr = 1"), 1);
    EXPECT_TRUE(status(*w).endsWith("In use"));
}

// Only an administrator's login lets a panel go: on a file an administrator
// account, on a server a role in vestra_admin, each with its own password.
TEST_P(Panels, OnlyAnAdministratorsLoginQuits)
{
    QString admin = "admin", password = "admin";
    if (GetParam() == Engine::PostgreSQL) {
        for (const char* role : {"vestra_admin NOLOGIN", "panel_staff LOGIN"})
            db().exec(QString("DO $$ BEGIN CREATE ROLE %1; EXCEPTION WHEN duplicate_object THEN "
                              "NULL; END $$")
                          .arg(role));
        // The test cluster's vestra_pw is a superuser that must give its password.
        admin = "vestra_pw";
        password = "vestra-pw-secret";
    } else {
        addAccount("p", "Staff", "panel_staff", "pw");
    }
    EXPECT_TRUE(IsAdministratorLogin(store, admin, password));
    EXPECT_FALSE(IsAdministratorLogin(store, admin, "wrong"));
    EXPECT_FALSE(IsAdministratorLogin(store, "panel_staff", "pw"));
}

INSTANTIATE_TEST_SUITE_P(Engines, Panels, ::testing::ValuesIn(TestEngines()), EngineName);

class PanelFile : public Panels {};

// A booking file that goes away leaves the last picture up with the time
// it was read, never a free screen, and the panel finds the file again.
TEST_P(PanelFile, AStoreThatDisappearsSaysSinceWhenAndRecoversByItself)
{
    addBooking(kToday, 600, 720, 1, 1, 1, "Concert");
    ASSERT_TRUE(db().exec("UPDATE Booking SET Tentative = 0"));
    QDateTime at(DateFromDayNumber(kToday), QTime(10, 30));
    auto w = panel(
        {"Hall A"}, {}, [&at] { return at; }, 200);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->views().isEmpty(); }, 3000));
    EXPECT_TRUE(w->staleText().isEmpty());
    ASSERT_TRUE(QFile::rename(store, store + ".away"));
    at = at.addSecs(120);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->staleText().isEmpty(); }, 3000));
    EXPECT_TRUE(w->staleText().contains("Not updated since 10:30")) << w->staleText().toStdString();
    EXPECT_TRUE(status(*w).endsWith("In use"));
    ASSERT_TRUE(QFile::rename(store + ".away", store));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->staleText().isEmpty(); }, 3000));
    EXPECT_TRUE(status(*w).endsWith("In use"));
}

INSTANTIATE_TEST_SUITE_P(File, PanelFile, ::testing::Values(Engine::SQLite), EngineName);

// The status reads from across a corridor on a large screen (a twelfth of
// its height), everything fits a small door panel, and 40 tiles fit a board.
class PanelScreens : public BookingFileTest {};

TEST_F(PanelScreens, PanelsAndBoardsFitLargeAndSmallScreens)
{
    QStringList halls;
    for (int i = 1; i <= 40; ++i)
        halls << QStringLiteral("Seminar room %1").arg(i);
    openScheduleStore(kToday, halls);
    addBooking(kToday, 600, 720, 1, 1, 1, "A rather long title for a meeting of the board");
    ASSERT_TRUE(db().exec("UPDATE Booking SET Tentative = 0"));
    const QDateTime at(DateFromDayNumber(kToday), QTime(11, 0));
    const QString store = session().BookingFilePath;
    auto feed = [&](PanelFeed::Items items) {
        return new PanelFeed(store, std::move(items), [at] { return at; });
    };
    for (const QSize& screen : {QSize(1920, 1080), QSize(800, 480)}) {
        SCOPED_TRACE(screen.height());
        PanelWindow w(feed([](auto&&...) { return QList<int>{1, 2}; }), store, "Administrator");
        start(w, screen);
        ASSERT_EQ(w.views().size(), 2);
        for (ItemView* view : w.views()) {
            const int px = view->statusLabel()->font().pixelSize();
            EXPECT_GE(px * 12, screen.height() / 2) << view->statusText().toStdString();
            for (QWidget* part : view->findChildren<QWidget*>()) {
                if (!part->isVisible())
                    continue;
                const QRect r(part->mapTo(&w, QPoint()), part->size());
                EXPECT_TRUE(w.rect().contains(r)) << part->objectName().toStdString();
                if (auto* label = qobject_cast<QLabel*>(part)) {
                    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), r.width())
                        << label->text().toStdString();
                }
            }
            if (auto* b = view->findChild<QPushButton*>("book15"); b && b->isVisible()) {
                EXPECT_GE(b->height(), 48);
            }
        }
        PanelWindow one(feed([](auto&&...) { return QList<int>{1}; }), store);
        start(one, screen);
        EXPECT_GE(one.views().value(0)->statusLabel()->font().pixelSize() * 12, screen.height());
    }
    BoardWindow board(
        feed([](Database& d, QString* e) { return ItemsOfType(d, "Large", nullptr, e); }), store,
        "Large");
    start(board, QSize(1920, 1080));
    ASSERT_EQ(board.tiles().size(), 40);
    for (BoardTile* tile : board.tiles()) {
        EXPECT_TRUE(board.rect().contains(QRect(tile->mapTo(&board, QPoint()), tile->size())));
        EXPECT_GE(tile->height(), 120);
    }
    EXPECT_EQ(board.tiles()[0]->lines().mid(0, 3),
              (QStringList{"Seminar room 1", QString(QChar(0x2715)) + " In use", "until 12:00"}));
}

} // namespace
