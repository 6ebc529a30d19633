#include "booking/bookingform.h"
#include "data/dates.h"
#include "report/listcontrol.h"
#include "series/alternativeswindow.h"
#include "series/expiringserieswindow.h"
#include "series/freedateswindow.h"
#include "series/patternwindow.h"
#include "series/serieswindows.h"
#include "shell/commands.h"
#include "support/busyfile.h"
#include "support/fixture.h"
#include "widgets/windowregistry.h"
#include "widgets/yearcalendar.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTest>

using namespace vestra;
using namespace vestra::test;

namespace {

class Series : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        openScheduleStore(D, {"Room 1", "Room 2", "Room 3"});
        ASSERT_TRUE(db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, Gruppeart) "
                              "VALUES (4, 2, 'Beamer', 2)"));
        RegisterSeriesWindows();
    }

    // The template: Room 1 today, 10:00-12:00, at a fee of 300.
    int makeTemplate()
    {
        const int nr = addBooking(D, 600, 720, 1, 1, 1, "Board");
        EXPECT_TRUE(db().exec("UPDATE Booking SET Pris = 300 WHERE Bookingnr = ?", {nr}));
        return nr;
    }
    // A stored series on these days from today: the first day is the booking
    // the form opens, and the bookings added here are the only ones numbered from it on.
    int makeSeries(const QList<int>& days, const QString& title = "Board")
    {
        const int head = addBooking(D + days[0], 600, 720, 1, 1, 1, title);
        for (int day : days.mid(1))
            addBooking(D + day, 600, 720, 1, 1, 1, title);
        EXPECT_TRUE(db().exec("UPDATE Booking SET gennr = ?, gentagende = -1 WHERE Bookingnr >= ?",
                              {head, head}));
        return head;
    }
    BookingForm* openForm(int nr)
    {
        BookingForm* f = ShowBookingForm(nr, nullptr);
        QCoreApplication::processEvents();
        return f;
    }
    QWidget* window(const char* name) { return WindowRegistry::instance().find(name); }
    template <typename T> T* child(QWidget* w, const char* name)
    {
        T* c = w ? w->findChild<T*>(name) : nullptr;
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    void click(QWidget* w, const char* name)
    {
        if (auto* b = child<QAbstractButton>(w, name))
            b->click();
        QCoreApplication::processEvents();
    }
    // The pattern window from the form's repeated-booking button.
    PatternWindow* openPattern(int templateNr)
    {
        click(openForm(templateNr), "genkn");
        return qobject_cast<PatternWindow*>(window("fastgen"));
    }
    // Chooses the interval, optionally the end day, and generates the dates.
    void generate(PatternWindow* w, const char* option, int endOffset = -1)
    {
        click(w, option);
        if (endOffset >= 0)
            child<QDateEdit>(w, "slcoy")->setDate(today.addDays(endOffset));
        click(w, "Udvalg");
    }
    // The days a list shows and a series holds, as days from today.
    QList<int> listedDays(const ListControl* list) const
    {
        QList<int> days;
        for (int r = 0; r < list->rowCount(); ++r)
            days << DayNumber(QDate::fromString(list->text(r, 0), "dd-MM-yyyy")) - D;
        return days;
    }
    QList<int> seriesDays(int gennr)
    {
        QList<int> days;
        auto q = db().query("SELECT Bdato FROM Booking WHERE gennr = ? ORDER BY Bdato", {gennr});
        while (q && q->next())
            days << q->value(0).toInt() - D;
        return days;
    }
    int candidates() { return WorkDatabase().scalar("SELECT count(*) FROM gendatogent").toInt(); }
    // The rows the window lists and the candidates the work file holds.
    QList<int> sizes(PatternWindow* w) { return {w->list()->rowCount(), candidates()}; }

    const QDate today = QDate::currentDate();
    const int D = DayNumber(today);
};

// --- pattern window ---

INSTANTIATE_TEST_SUITE_P(Engines, Series, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(Series, PatternRefusesAnEmptySpanAndAMissingIntervalAndANewIntervalStartsAfresh)
{
    PatternWindow* w = openPattern(makeTemplate());
    ASSERT_NE(w, nullptr);

    // No interval chosen: start and end are the same day; nothing may loop.
    click(w, "Udvalg");
    EXPECT_EQ(messages.texts(), QStringList({"Choose a frequency first. / Service Message"}));
    EXPECT_EQ(candidates(), 0);
    EXPECT_FALSE(child<QPushButton>(w, "bookingknap")->isEnabled());

    messages.clear();
    generate(w, "Option1", 0);
    EXPECT_EQ(messages.texts(), QStringList({"Dates are not valid ! / Vestra"}));
    EXPECT_EQ(sizes(w), QList<int>({0, 0}));

    // Dates changed after a list was made: Book waits for a list that
    // matches them, and dates refused take the old list away.
    generate(w, "Option2", 70);
    ASSERT_TRUE(child<QPushButton>(w, "bookingknap")->isEnabled());
    child<QDateEdit>(w, "slcoy")->setDate(today);
    EXPECT_FALSE(child<QPushButton>(w, "bookingknap")->isEnabled());
    click(w, "Udvalg");
    EXPECT_EQ(sizes(w), QList<int>({0, 0}));

    // Another interval empties the candidates and resets the dates.
    generate(w, "Option2", 70);
    ASSERT_EQ(w->list()->rowCount(), 10);
    click(w, "Option1");
    EXPECT_EQ(sizes(w), QList<int>({0, 0}));
    EXPECT_EQ(child<QDateEdit>(w, "slcoy")->date(), today.addDays(7));
    EXPECT_EQ(w->endDay(), D + 7);
}

TEST_P(Series, NoDatesLeftOrAFeeTheFormCannotStoreBooksNothing)
{
    const int nr = makeTemplate();
    PatternWindow* w = openPattern(nr);
    ASSERT_NE(w, nullptr);
    generate(w, "Option1", 1);
    ASSERT_EQ(listedDays(w->list()), QList<int>({1}));
    w->list()->selectRow(0);
    click(w, "sletvalgt");
    EXPECT_EQ(sizes(w), QList<int>({0, 0}));
    click(w, "bookingknap");
    EXPECT_EQ(messages.texts(), QStringList({"No generated dates available / "}));
    // The template is the only booking, and no series yet.
    EXPECT_EQ(firstRow("SELECT count(*), max(gentagende) FROM Booking"), QStringList({"1", "0"}));
    EXPECT_NE(window("fastgen"), nullptr);

    QWidget* f = window("bookingform");
    click(f, "aftres");
    child<QLineEdit>(f, "Pris")->setText("ten");
    generate(w, "Option2", 49);
    click(w, "bookingknap");
    EXPECT_EQ(messages.texts().last(), "Fee: \"ten\" is not a number. Type it as in "
                                           + QLocale().toString(1234.5, 'f', 1) + ". / Error");
    EXPECT_EQ(firstRow("SELECT count(*), max(gentagende) FROM Booking"), QStringList({"1", "0"}))
        << "no copies with a fee of 0";
    ASSERT_NE(window("fastgen"), nullptr);

    child<QLineEdit>(f, "Pris")->setText("250");
    click(w, "bookingknap");
    EXPECT_EQ(count("Booking", "gennr = ? AND Pris = 250", {nr}), 8);
}

// --- alternatives ---

TEST_P(Series, AlternativeOffersFreeItemsOfTheTemplatesTypeAndMovesTheDate)
{
    // The schedule shows the Beamer's type; the series belongs to Room 1's.
    session().CurrentTypeNo = 2;
    const int nr = makeTemplate();
    addBooking(D + 7, 600, 720, 1);       // the collision on the template's item
    addBooking(D + 7, 540, 600, 2);       // Room 2 ends as the date starts: free
    addBooking(D + 7, 570, 660, 3);       // Room 3 overlaps the start: taken
    addBooking(D + 7, 600, 720, 4, 2, 1); // Beamer is free but of another type
    PatternWindow* w = openPattern(nr);
    ASSERT_NE(w, nullptr);
    generate(w, "Option2");
    ASSERT_EQ(w->list()->rowPicture(0), 0);

    click(w, "findalternativ");
    EXPECT_EQ(messages.texts(), QStringList({"Select a booking. / Service Message"}));
    EXPECT_EQ(window("alternatives"), nullptr);

    w->list()->selectRow(0);
    click(w, "findalternativ");
    auto* alt = qobject_cast<AlternativesWindow*>(window("alternatives"));
    ASSERT_NE(alt, nullptr);
    ASSERT_EQ(alt->list()->rowCount(), 1);
    EXPECT_EQ(alt->list()->text(0, 0), "Room 2");

    messages.clear();
    click(alt, "apply");
    EXPECT_EQ(messages.texts(), QStringList({"Select Alternative / Service Message"}));
    alt->list()->selectRow(0);
    click(alt, "apply");
    EXPECT_EQ(window("alternatives"), nullptr);
    EXPECT_EQ(w->list()->rowPicture(0), 1);

    // Removing the colliding dates now leaves the moved one.
    click(w, "sletdobbelt");
    EXPECT_EQ(w->list()->rowCount(), 7);
    click(w, "bookingknap");
    const char* moved = "gennr = ? AND Bdato = ? AND Lokalenr = 2 AND Bstart = 600";
    EXPECT_EQ(count("Booking", moved, {nr, D + 7}), 1);
    EXPECT_EQ(count("Booking", "gennr = ? AND Bgruppe = 1", {nr}), 8);
}

TEST_P(Series, DatesTheBusyFileCouldNotCheckStayMarkedAndTheUserIsTold)
{
    if (GetParam() == Engine::PostgreSQL)
        GTEST_SKIP() << "a busy booking file is a lock on the file itself";
    const QStringList busyText = {
        "The booking file is busy; the dates could not be checked. Try again. / Service Message"};
    PatternWindow* w = openPattern(makeTemplate());
    ASSERT_NE(w, nullptr);
    {
        BusyFile busy(session().BookingFilePath);
        generate(w, "Option2", 14);
        ASSERT_EQ(w->list()->rowCount(), 2);
        for (int r = 0; r < 2; ++r) // marked as colliding
            EXPECT_EQ(std::pair(w->list()->rowPicture(r), w->list()->text(r, 3)),
                      std::pair(0, QString("not checked")));
        EXPECT_EQ(messages.texts(), busyText);
        w->list()->selectRow(0);
        click(w, "findalternativ");
        EXPECT_EQ(messages.texts(), busyText + busyText);
        EXPECT_EQ(window("alternatives"), nullptr);
    }
    messages.clear();
    generate(w, "Option2", 14);
    EXPECT_EQ(std::pair(w->list()->rowPicture(0), w->list()->text(0, 3)), std::pair(1, QString()));
    EXPECT_TRUE(messages.shown().isEmpty());
}

// --- free dates ---

TEST_P(Series, FreeDatesWithNoneChosenMakesTheTemplateAloneRepeated)
{
    PatternWindow* w = openPattern(makeTemplate());
    ASSERT_NE(w, nullptr);
    click(w, "Option6");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window("fastgen"), nullptr);
    auto* free = qobject_cast<FreeDatesWindow*>(window("vilkdatover"));
    ASSERT_NE(free, nullptr);

    click(free, "book");
    // The template alone, marked as heading a series, in no colour.
    EXPECT_EQ(firstRow("SELECT count(*), min(gentagende), max(Bcolor) FROM Booking"),
              QStringList({"1", "-1", "0"}));
    EXPECT_EQ(window("vilkdatover"), nullptr);
    EXPECT_EQ(window("bookingform"), nullptr);
}

TEST_P(Series, ClickedDatesAreCheckedAtOnce)
{
    BookingForm* f = openForm(makeTemplate());
    session().FirstDay = QStringLiteral("1");
    FreeDatesWindow* free = ShowFreeDatesWindow(f);
    QCoreApplication::processEvents();
    YearCalendar* cal = free->calendar();
    EXPECT_EQ(cal->currentDate(), today);
    EXPECT_EQ(cal->firstDayOfWeek(), Qt::Monday); // weeks start as in the day view

    // The template's own day collides with the template.
    QTest::mouseClick(cal, Qt::LeftButton, {}, cal->dateRect(today).center());
    ASSERT_EQ(free->list()->rowCount(), 1);
    EXPECT_EQ(free->list()->rowTexts(0).mid(0, 3),
              QStringList({today.toString("dd-MM-yyyy"), "10.00", "12:00"}));
    EXPECT_EQ(free->list()->rowPicture(0), 0);

    // The keyboard picks the next day, which is free.
    cal->setFocus();
    QTest::keyClick(cal, Qt::Key_Right);
    QTest::keyClick(cal, Qt::Key_Return);
    ASSERT_EQ(listedDays(free->list()), QList<int>({0, 1}));
    EXPECT_EQ(free->list()->rowPicture(1), 1);

    free->list()->selectRow(0);
    emit free->list()->rowActivated(0, free->list()->rowData(0));
    EXPECT_NE(window("alternativesV"), nullptr);
    EXPECT_EQ(window("alternatives"), nullptr);
    window("alternativesV")->close();

    click(free, "Cancel");
    EXPECT_EQ(std::pair(candidates(), count("Booking")), std::pair(0, 1));
}

TEST(YearCalendarTest, EveryDayIsFoundWhereItIsDrawnAndTheKeysCrossTheYear)
{
    YearCalendar cal;
    cal.resize(cal.sizeHint());
    cal.setCurrentDate(QDate(2024, 6, 1));
    for (const Qt::DayOfWeek first : {Qt::Sunday, Qt::Monday}) {
        cal.setFirstDayOfWeek(first);
        for (QDate d(2024, 1, 1); d.year() == 2024; d = d.addDays(1))
            ASSERT_EQ(cal.dateAt(cal.dateRect(d).center()), d) << d.toString().toStdString();
        // 1 September 2024 is a Sunday: the first column of a Sunday week, the
        // last of a Monday week, on the row above the Monday the 2nd. Day n of
        // the week from the 1st (or the 2nd) lies a row below day n - 7.
        const auto sep = [&](int n) { return cal.dateRect({2024, 9, n + (first == Qt::Monday)}); };
        EXPECT_LT(sep(1).left(), sep(7).left());
        EXPECT_EQ(sep(1).top(), sep(7).top());
        EXPECT_EQ(sep(1).left(), sep(15).left());
    }

    cal.setCurrentDate(QDate(2024, 12, 20));
    QTest::keyClick(&cal, Qt::Key_PageDown);
    EXPECT_EQ(std::pair(cal.currentDate(), cal.year()), std::pair(QDate(2025, 1, 20), 2025));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&cal, Qt::Key_Up);
    EXPECT_EQ(cal.currentDate(), QDate(2024, 12, 30));
    QTest::keyClick(&cal, Qt::Key_Down);
    EXPECT_EQ(std::pair(cal.currentDate(), cal.year()), std::pair(QDate(2025, 1, 6), 2025));
    EXPECT_FALSE(cal.dateAt(QPoint(2, 2)).isValid());
}

// --- deleting a series ---

class SeriesDelete : public Series {
protected:
    // From the form's series button through a button of the menu it opens
    // ("delete" or "Add") to the window that one opens.
    QWidget* fromSeriesMenu(int nr, const char* button = "delete",
                            const char* opens = "sletgentagendeform")
    {
        click(openForm(nr), "genkn");
        click(window("slettil"), button);
        return window(opens);
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, SeriesDelete, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(SeriesDelete, ThisAndUntilDeletesTheRangeBothEndsIncludedAfterTheConfirmation)
{
    const int nr = makeSeries({0, -7, 7, 31, 32});
    const int other = makeSeries({7}, "Other series");
    QWidget* w = fromSeriesMenu(nr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(window("slettil"), nullptr);
    auto* picker = child<QDateEdit>(w, "slcoy");
    EXPECT_TRUE(picker->isHidden());

    click(w, "optuntil");
    EXPECT_FALSE(picker->isHidden());
    EXPECT_EQ(picker->text(), today.addDays(31).toString("dd-MM-yyyy"));
    // An earlier day snaps back to the booking's; the default answer, Cancel, deletes nothing.
    picker->setDate(today.addDays(-5));
    EXPECT_EQ(picker->text(), today.toString("dd-MM-yyyy"));
    click(w, "Knap12");
    EXPECT_EQ(seriesDays(nr).size(), 5);
    EXPECT_NE(window("sletgentagendeform"), nullptr);

    picker->setDate(today.addDays(31));
    messages.answerNext(MsgAnswer::Ok);
    click(w, "Knap12");
    EXPECT_EQ(messages.texts(), QStringList(2, "Confirm Delete!  / Delete Info"));
    EXPECT_EQ(seriesDays(nr), QList<int>({-7, 32}));
    EXPECT_EQ(seriesDays(other), QList<int>({7}));
    EXPECT_EQ(window("sletgentagendeform"), nullptr);
    EXPECT_EQ(window("bookingform"), nullptr);
}

// A form open on the series' booking stores what is typed on it first; a
// booking outside the deleted range keeps it.
TEST_P(SeriesDelete, AllAndRestReachOneYearAfterToday)
{
    struct Case {
        const char* option;
        QList<int> days, left; // from today, the first on the form
        const char* typed;     // into the form's title, and stored when the booking is left
    } cases[] = {{"optall", {10, -400, -300, 300, 400}, {-400, 400}, nullptr},
                 {"optrest", {10, -400, -300, 300, 400}, {-400, -300, 400}, nullptr},
                 {"optall", {400, 10}, {400}, "Kept title"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        ASSERT_TRUE(db().exec("DELETE FROM Booking"));
        const int nr = makeSeries(c.days);
        QWidget* w = fromSeriesMenu(nr);
        ASSERT_NE(w, nullptr);
        if (c.typed)
            child<QLineEdit>(window("bookingform"), "Beskrivelse")->setText(c.typed);
        click(w, c.option);
        messages.answerNext(MsgAnswer::Ok);
        click(w, "Knap12");
        EXPECT_EQ(seriesDays(nr), c.left);
        EXPECT_EQ(stored(nr, "Beskrivelse").toString(), QString(c.typed)) << "gone, or kept";
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_P(SeriesDelete, AddOpensThePatternWindowOnTheSeriesBooking)
{
    const int nr = makeSeries({0, 7});
    auto* w = qobject_cast<PatternWindow*>(fromSeriesMenu(nr, "Add", "fastgen"));
    ASSERT_NE(w, nullptr);
    generate(w, "Option2", 14);
    click(w, "bookingknap");
    // The open booking heads a new series with its new dates.
    EXPECT_EQ(seriesDays(nr), QList<int>({0, 7, 7, 14}));
}

// --- expiring series ---

TEST_P(Series, ExpiringListShowsSeriesEndingBetweenTheDates)
{
    makeSeries({-7, 0}, "Ends today");
    makeSeries({13, 20}, "Ends in 20 days");
    makeSeries({33, 40}, "Ends in 40 days");
    addBooking(D + 5, 600, 720, 1, 1, 1, "Single");
    ASSERT_TRUE(db().exec("UPDATE Konti SET Kontotlf = '555 0101' WHERE ID = 1"));

    QWidget schedule;
    ASSERT_TRUE(RunBookingCommand(BookingCommand::RepeatingBookings, &schedule, nullptr));
    auto* w = qobject_cast<ExpiringSeriesWindow*>(window("gudløbover"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), nullptr) << "free: it outlives a switch of the schedule view";
    const auto titles = [w] {
        QStringList t;
        for (int r = 0; r < w->list()->rowCount(); ++r)
            t << w->list()->text(r, 0);
        t.sort();
        return t;
    };
    EXPECT_EQ(titles(), QStringList({"Ends in 20 days", "Ends today"}));
    const QStringList row = w->list()->rowTexts(w->list()->text(0, 0) == "Ends today" ? 0 : 1);
    EXPECT_EQ(row.mid(1, 4) << row.last(),
              QStringList({today.toString("dd-MM-yyyy"), "10:00", "12:00", "Room 1", "555 0101"}));

    auto* end = child<QDateEdit>(w, "Cend");
    end->setDate(today.addDays(45));
    EXPECT_EQ(w->list()->rowCount(), 3);
    end->setDate(today.addDays(-1));
    EXPECT_EQ(messages.texts(), QStringList({"Enddate must be later than Startdate! / Date Info"}));
    EXPECT_EQ(std::pair(end->date(), w->list()->rowCount()), std::pair(today.addDays(45), 3));

    messages.clear();
    child<QDateEdit>(w, "Cstart")->setDate(today.addDays(46));
    EXPECT_EQ(messages.texts(),
              QStringList({"Startdate must be earlier than Enddate! / Date Info"}));
    EXPECT_EQ(child<QDateEdit>(w, "Cstart")->date(), today);
    child<QDateEdit>(w, "Cstart")->setDate(today.addDays(1));
    EXPECT_EQ(titles(), QStringList({"Ends in 20 days", "Ends in 40 days"}));

    click(w, "PrintButton");
    auto* preview = w->findChild<QPrintPreviewDialog*>();
    ASSERT_NE(preview, nullptr);
    preview->close();
}

} // namespace
