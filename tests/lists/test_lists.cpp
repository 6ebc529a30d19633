#include "app/registerwindows.h"
#include "booking/bookingform.h"
#include "booking/bookinginfowindow.h"
#include "data/dates.h"
#include "data/schema.h"
#include "exchange/sheet.h"
#include "lists/listdata.h"
#include "lists/mybookingswindow.h"
#include "lists/searchwindow.h"
#include "lists/tentativebookingswindow.h"
#include "lists/todaysbookingswindow.h"
#include "report/listcontrol.h"
#include "schedule/dayview.h"
#include "schedule/weekview.h"
#include "series/seriesdelete.h"
#include "shell/commands.h"
#include "support/fixture.h"
#include "widgets/windowregistry.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QTest>
#include <thread>

using namespace vestra;
using namespace vestra::test;

class Lists : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
        ASSERT_TRUE(EnsureWorkDatabase());
        Session& s = session();
        s.LoginOk = true;
        s.DateFormatLong = "dd-mm-yyyy";
        s.DateFormatShort = "D N-m-y";
        s.FirstDay = "1";
        Database d = db();
        ASSERT_TRUE(d.exec("INSERT INTO Overgruppenavne VALUES (1, 'Rooms', 1), (2, 'Media', 2), "
                           "(3, 'Cars', 3)"));
        ASSERT_TRUE(d.exec("INSERT INTO lokaliteter VALUES (10, 1, 'Halls', '', 1), "
                           "(20, 2, 'Projectors', '', 2), (30, 3, 'Vans', '', 3)"));
        ASSERT_TRUE(
            d.exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, Gruppeart, inaktiv) "
                   "VALUES (1, 10, 'Hall A', 1, 0), (2, 20, 'Beamer', 2, 0), "
                   "(3, 30, 'Van 1', 3, 0)"));
        ann = addAccount("p", "Ann Berg", "ann", "x");
        bob = addAccount("p", "Bob Dahl", "bob", "x");
        choir = addGroup("CHOIR", ann, {ann});
        band = addGroup("Band", bob, {bob, ann});
        login(ann, "Ann Berg", false);
    }
    int addGroup(const QString& name, int owner, const QList<int>& members)
    {
        const int id = addAccount("g", name, {}, {});
        Database d = db();
        EXPECT_TRUE(d.exec("UPDATE Konti SET kontoowner = ?, Kontotlf = '555 0101' WHERE ID = ?",
                           {owner, id}));
        for (int m : members)
            d.exec("INSERT INTO Grptilk (gnr, pnr) VALUES (?, ?)", {id, m});
        return id;
    }
    void book(int nr, int day, int item, int account, const QString& title, int start = 510,
              int end = 600, bool repeated = false, bool tentative = false)
    {
        Database d = db();
        ASSERT_TRUE(d.exec("INSERT INTO Booking (Bookingnr, Beskrivelse, Bdato, Bstart, Bslut, "
                           "Bgruppe, Lokalenr, kontonr, gentagende, Tentative) "
                           "VALUES (?,?,?,?,?,?,?,?,?,?)",
                           {nr, title, day, start, end, item * 10, item, account, repeated ? -1 : 0,
                            tentative ? -1 : 0}))
            << d.lastError().toStdString();
    }
    void login(int id, const QString& name, bool admin)
    {
        session().LoginAccountId = id;
        session().LoginName = name;
        session().IsAdmin = admin;
    }
    static QVariantList keys(ListControl* list)
    {
        QVariantList k;
        for (int r = 0; r < list->rowCount(); ++r)
            k << list->rowData(r);
        return k;
    }
    static QVariantList listed(const ListFillSource& source)
    {
        ListControl list;
        list.setColumns({{"a"}});
        list.setFillSource(source);
        EXPECT_GE(list.fill(), 0) << list.lastFillError().toStdString();
        return keys(&list);
    }
    // The booking numbers a statement reads, in its order.
    static QVariantList numbers(Database d, const QString& sql, const QVariantList& binds = {})
    {
        QVariantList k;
        for (auto q = d.query(sql, binds); q && q->next();)
            k << q->value(QStringLiteral("Bookingnr")).toInt();
        return k;
    }
    static QString dateText(int day) { return DateFromDayNumber(day).toString("dd-MM-yyyy"); }
    template <typename T> T* findIn(QWidget* w, const char* name)
    {
        T* c = w->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    // The list window a command of the booking bar (or of the menu) opens,
    // shown without a word.
    template <typename W> W* open(int command, const char* name, bool menu = false)
    {
        RegisterWindows();
        menu ? RunMenuCommand(Command(command), nullptr, nullptr)
             : RunBookingCommand(BookingCommand(command), nullptr, nullptr);
        auto* w = WindowRegistry::instance().findAs<W>(name);
        EXPECT_TRUE(w && w->isVisible()) << name;
        EXPECT_EQ(messages.texts(), QStringList()) << name;
        return w;
    }
    // The bookings a list window shows after a click on its button (an option, by default).
    template <typename B = QRadioButton>
    QVariantList listAfter(BookingListWindow* w, const char* button)
    {
        findIn<B>(w, button)->click();
        return keys(w->list());
    }
    int ann = 0, bob = 0, choir = 0, band = 0;
    const int T = DayNumber(QDate::currentDate());
};

TEST_P(Lists, SearchMatchesKeywordPeriodAndKindsInDateOrder)
{
    book(101, T, 1, ann, "Meeting");
    book(112, T + 1, 2, bob, "Slides");
    book(200, T + 2, 1, 1, "Room 12 cleaning");
    book(201, T + 3, 3, choir, "Tour", 600, 660);
    book(205, T + 3, 1, ann, "50% off", 480, 540);
    book(202, T + 10, 1, ann, "Østerbro visit");
    book(203, T + 11, 1, ann, "Meeting late");
    book(204, T - 1, 1, ann, "Meeting early");
    for (int nr = 301; const char* title : {"æblegrød", "Østre Allé", "Vestre", "ÅBEN DØR"})
        book(nr++, T - 5, 1, ann, title);
    const std::pair<SearchFilter, QVariantList> cases[] = {
        {{"", T, T + 10}, {101, 112, 200, 205, 201, 202}},
        {{"12", T, T + 10}, {112, 200}},
        {{"choir", T, T + 10}, {201}},
        {{"MEET", T, T + 10}, {101}},
        {{"meet", T - 1, T + 11}, {204, 101, 203}},
        {{"øSTER", T, T + 10}, {202}},
        {{"%", T, T + 10}, {205}},
        {{"", T, T + 10, {2, 2, 2}}, {112}},
        {{"", T + 3, T + 3, {1, 1, 1}}, {205}},
        {{"ÆBLE", T - 5, T - 5}, {301}},
        {{"Øst", T - 5, T - 5}, {302}},
        {{"allé", T - 5, T - 5}, {302}},
        {{"åben dør", T - 5, T - 5}, {304}},
        {{"stre", T - 5, T - 5}, {302, 303}},
        {{"ø", T - 5, T - 5}, {301, 302, 304}}};
    for (const auto& [filter, want] : cases) {
        SCOPED_TRACE(testing::Message()
                     << filter.keyword.toStdString() << " from " << filter.fromDay - T);
        const ListFillSource source = SearchFillSource(filter);
        EXPECT_EQ(listed(source), want);
        // The statement itself narrows the rows, folding every letter (not
        // just A-Z): a keyword must not fetch the whole period for the row
        // builder to sift through.
        EXPECT_EQ(numbers(source.open(), source.sql, source.binds), want);
    }
}

// The keyword indexes find exactly the rows reading every booking finds,
// also after titles change and bookings go, whatever the keyword holds.
TEST_P(Lists, KeywordIndexFindsExactlyWhatTheScanFinds)
{
    const QStringList pieces{"æble", "ØSTRE",   "Allé", "100%", "50% off", "a_b",    "a.b",
                             "it's", "\"Big\"", "Bånd", "ÆØÅ",  "øl",      "Room 12"};
    const int cat = addGroup("Cat's 100% Ø_Club", bob, {bob});
    const int accounts[] = {ann, bob, choir, band, cat};
    QRandomGenerator rng(16);
    Database d = db();
    {
        Transaction tx(d);
        for (int nr = 1; nr <= 240; ++nr) {
            const QString title = pieces[rng.bounded(pieces.size())] + " "
                                  + pieces[rng.bounded(pieces.size())] + QString::number(nr % 17);
            book(nr, T + rng.bounded(3), rng.bounded(3) + 1, accounts[rng.bounded(5)], title);
        }
        ASSERT_TRUE(tx.commit());
    }
    const char* keywords[] = {"ÆBLE", "østre",   "allé",  "100%", "0% o", "a_b", "_b ",
                              "'s ",  "\"big\"", "\"",    "bÅnd", "æøå",  "øl",  "room 1",
                              "124",  "%",       "cat's", "ø_c",  "b 1",  "bå",  "Zebra"};
    auto compare = [&](const char* when, int unknown) {
        int found = 0;
        for (const char* k : keywords) {
            const SearchFilter filter{k, T, T + 2, {1, 2, 3}};
            const QVariantList scanned = listed(SearchFillSource(filter, KeywordLookup::Scan));
            EXPECT_EQ(listed(SearchFillSource(filter, KeywordLookup::Index)), scanned)
                << k << " " << when;
            found += scanned.size() > 0 ? 1 : 0;
        }
        // Every keyword but the unknown ones finds something, so the
        // comparison says something.
        EXPECT_EQ(found, int(std::size(keywords)) - unknown) << when;
    };
    compare("as made", 1);
    ASSERT_TRUE(d.exec("UPDATE Booking SET Beskrivelse = 'Zebra ' || Beskrivelse "
                       "WHERE Bookingnr % 7 = 0"));
    ASSERT_TRUE(d.exec("UPDATE Booking SET Bookingnr = Bookingnr + 1000 WHERE Bookingnr % 11 = 0"));
    ASSERT_TRUE(d.exec("DELETE FROM Booking WHERE Bookingnr % 5 = 0"));
    compare("after changes", 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, Lists, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(Lists, MyBookingsTellsTheRelationAndNarrowsByTheThreeOptions)
{
    book(1, T, 1, ann, "Own");
    book(2, T + 1, 1, choir, "Choir practice", 510, 600, true);
    book(3, T + 2, 2, band, "Band gig");
    book(4, T + 3, 1, bob, "Bob alone");
    book(5, T + 40, 1, ann, "Too late");
    auto* w = open<MyBookingsWindow>(15, "myboo");
    ListControl* list = w->list();
    EXPECT_EQ(keys(list), (QVariantList{1, 2, 3}));
    EXPECT_EQ((QStringList{list->text(0, 6), list->text(1, 6), list->text(2, 6)}),
              (QStringList{"Private", "Owner", "Member"}));

    const std::pair<const char*, QVariantList> steps[] = {
        {"OptT3", {2}}, {"OptT2", {1, 3}}, {"OptT1", {1, 2, 3}}, {"OptO4", {3}},
        {"OptO3", {2}}, {"OptG3", {}},     {"OptG2", {2}},       {"OptO1", {1, 2}}};
    for (const auto& [option, want] : steps)
        EXPECT_EQ(listAfter(w, option), want) << option;

    // Bob sees his own booking and the band's, where he is the owner.
    login(bob, "Bob Dahl", false);
    EXPECT_EQ(listAfter(w, "OptG1"), (QVariantList{3, 4}));
    EXPECT_EQ(list->text(0, 6), "Owner");
    EXPECT_EQ(w->PrintTitle(),
              "Bob Dahl bookings between " + dateText(T) + " and " + dateText(T + 31));
}

TEST_P(Lists, PeriodPickersRefuseAnInvertedPeriodAndRestoreTheDate)
{
    book(1, T + 5, 1, ann, "Later");
    auto* w = open<SearchWindow>(14, "Searchform");
    auto* start = findIn<QDateEdit>(w, "startdate");
    auto* end = findIn<QDateEdit>(w, "slutdate");
    const QDate today = QDate::currentDate();
    // Each is refused and put back.
    start->setDate(today.addDays(200));
    end->setDate(today.addDays(-1));
    EXPECT_EQ(messages.texts(), QStringList({"Startdate must be earlier than Enddate! / Date Info",
                                             "Enddate must be later than Startdate! / Date Info"}));
    EXPECT_EQ(std::pair(start->date(), end->date()), std::pair(today, today.addDays(183)));
    // Equal dates are a period of one day.
    end->setDate(today.addDays(5));
    start->setDate(today.addDays(5));
    EXPECT_EQ(std::tuple(messages.shown().size(), keys(w->list()), w->period()->fromDay()),
              std::tuple(qsizetype(2), QVariantList{1}, T + 5));

    // Coming back to the window starts the period afresh but keeps the text.
    findIn<QLineEdit>(w, "SSB")->setText("later");
    EXPECT_TRUE(listAfter(w, "Optadd").isEmpty());
    w->Activate();
    EXPECT_EQ(std::pair(start->date(), end->date()), std::pair(today, today.addDays(183)));
    EXPECT_TRUE(findIn<QRadioButton>(w, "optall")->isChecked());
    EXPECT_EQ(keys(w->list()), QVariantList{1});

    findIn<QRadioButton>(w, "OptSA")->click();
    findIn<QPushButton>(w, "Reset")->click();
    EXPECT_EQ(findIn<QLineEdit>(w, "SSB")->text(), "");
    EXPECT_EQ(w->kinds()[1], 2);
}

// What a list finds goes to a spreadsheet cell by cell, as other programs
// read it, every row of it however many the list shows; its bookings go to
// a calendar. Titles keep every character and stay text.
TEST_P(Lists, SearchExportsEveryRowCellByCell)
{
    const QStringList titles = {"0042", "=4+1", "a;b, \"4\"\nlinjer æøå 🎉"};
    book(101, T, 1, ann, titles[0]);
    book(102, T + 1, 2, bob, titles[1], 600, 660);
    book(103, T + 1, 2, ann, titles[2], 1380, 90); // ends after midnight
    book(105, T + 1, 2, bob, "Other");
    auto* w = open<SearchWindow>(14, "Searchform");
    // Exports what the list found to the file, through the button.
    const auto exportTo = [&](const char* file, const char* button = "ExportButton") {
        dialogs.chooseNext(pathOf(file));
        findIn<QPushButton>(w, button)->click();
        return pathOf(file);
    };
    findIn<QLineEdit>(w, "SSB")->setText("4");
    ASSERT_EQ(keys(w->list()), (QVariantList{101, 102, 103}));
    EXPECT_EQ(w->list()->text(2, 2), titles[2]);
    EXPECT_EQ(w->list()->text(2, 5), "Ann Berg");

    const QString day = QDate::currentDate().toString(Qt::ISODate);
    const QString next = QDate::currentDate().addDays(1).toString(Qt::ISODate);
    const QList<QStringList> cells = {{"Date", "Resource", "Booking", "From", "To", "Account"},
                                      {day, "Hall A", "0042", "08:30", "10:00", "Ann Berg"},
                                      {next, "Beamer", "'=4+1", "10:00", "11:00", "Bob Dahl"},
                                      {next, "Beamer", titles[2], "23:00", "01:30", "Ann Berg"}};
    exportTo("found.csv");
    EXPECT_EQ(messages.texts().value(0), QString("3 rows written to %1. / Export")
                                             .arg(QDir::toNativeSeparators(pathOf("found.csv"))));
    exportTo("found.xlsx");
    // The spreadsheet needs no apostrophe to keep a title from being a formula.
    QList<QStringList> sheet = cells;
    sheet[2][2] = titles[1];
    QJsonArray want;
    for (const QStringList& row : cells + sheet)
        want.append(QJsonArray::fromStringList(row));
    // The CSV's rows, then the spreadsheet's.
    const QJsonArray read =
        PythonReads(R"(
import sys, csv, json, openpyxl
with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:
    rows = list(csv.reader(f, delimiter=sys.argv[2]))
rows += openpyxl.load_workbook(sys.argv[3]).active.iter_rows(values_only=True)
print(json.dumps(rows, default=lambda v: v.strftime('%H:%M' if type(v).__name__ == 'time' else '%Y-%m-%d')))
)",
                    {pathOf("found.csv"), CsvSeparator(QLocale()), pathOf("found.xlsx")});
    EXPECT_EQ(read, want) << QJsonDocument(read).toJson().toStdString();

    const QByteArray ics = fileBytes(exportTo("found.ics", "ExportCalendarButton"));
    EXPECT_EQ(ics.count("BEGIN:VEVENT"), 3);
    EXPECT_TRUE(ics.contains("UID:booking-102@"));
    EXPECT_FALSE(ics.contains("Other"));

    // A list at its cap says how many it found; the export writes them all.
    Database d = db();
    ASSERT_TRUE(d.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                       "WHERE i < 2100) "
                       "INSERT INTO Booking (Bookingnr, Beskrivelse, Bdato, Bstart, Bslut, "
                       "Bgruppe, Lokalenr, kontonr, gentagende, Tentative) "
                       "SELECT 1000 + i, 'Room 4', ?, 480, 540, 10, 1, ?, 0, 0 FROM n",
                       {T, ann}))
        << d.lastError().toStdString();
    findIn<QLineEdit>(w, "SSB")->setText("");
    findIn<QLineEdit>(w, "SSB")->setText("4");
    const QLocale locale;
    ASSERT_EQ(w->list()->rowCount(), 2000);
    EXPECT_EQ(w->list()->rowCountText(),
              QString("%1 of %2 shown").arg(locale.toString(2000), locale.toString(2103)));
    EXPECT_EQ(QString::fromUtf8(fileBytes(exportTo("all.csv"))).count("\r\n"), 2104);
    EXPECT_EQ(messages.texts().last(),
              QString("%1 rows written to %2. / Export")
                  .arg(locale.toString(2103), QDir::toNativeSeparators(pathOf("all.csv"))));
}

TEST_P(Lists, SearchOpensTheFormForMembersAndTheInfoOtherwiseMovingTheSchedule)
{
    book(7, T + 9, 2, band, "Band gig");
    // The week view is current: it moves to the item and week, and the
    // search stays beside the form.
    session().CurrentItemNo = 1;
    session().ShownWeekStart = DayNumber(WeekStart(QDate::currentDate(), "1"));
    WeekView* week = ShowWeekView();
    session().ActiveViewNo = 2;
    auto* w = open<SearchWindow>(14, "Searchform");
    findIn<QPushButton>(w, "Info")->click();
    EXPECT_EQ(messages.texts(), QStringList{"No Booking Selected / Service Message"});
    w->list()->selectRow(0);
    findIn<QPushButton>(w, "Info")->click();
    QCoreApplication::processEvents();
    const Session& s = session();
    EXPECT_EQ(std::tuple(s.CurrentItemNo, s.CurrentTypeNo, s.CurrentGroupNo, s.ShownWeekStart),
              std::tuple(2, 20, 2, DayNumber(WeekStart(DateFromDayNumber(T + 9), "1"))));
    auto* form = WindowRegistry::instance().findAs<BookingForm>("bookingform");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(std::tuple(form->bookingnr(), form->parentWidget(), w->isVisible()),
              (std::tuple<int, QWidget*, bool>(7, week, true)));
    form->close();
    week->close();

    // The day view is current and the user may not act for the account:
    // the information window opens and the search closes.
    login(bob, "Bob Dahl", false);
    session().SelectedDay = T;
    DayView* day = ShowDayView();
    session().ActiveViewNo = 1;
    ASSERT_TRUE(db().exec("DELETE FROM Grptilk WHERE gnr = ? AND pnr = ?", {band, bob}));
    w = ShowSearchWindow(nullptr);
    w->OpenBooking(7);
    QCoreApplication::processEvents();
    EXPECT_EQ(WindowRegistry::instance().find("Searchform"), nullptr);
    EXPECT_EQ(WindowRegistry::instance().find("bookingform"), nullptr);
    auto* info = WindowRegistry::instance().findAs<BookingInfoWindow>("Searchinfoform");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(findIn<QLineEdit>(info, "Bookingnr")->text(), "7");
    EXPECT_EQ(session().SelectedDay, T + 9);
    EXPECT_EQ(findIn<QCalendarWidget>(day, "aktueldato")->selectedDate(), DateFromDayNumber(T + 9));
}

// Another workstation's booking joins the open list by itself; the
// selected booking stays selected.
TEST_P(Lists, TodaysBookingsFollowTheDateKindAndOtherWorkstationsInStartTimeOrder)
{
    book(1, T, 1, ann, "Today hall", 450, 1000); // first to start, last to end
    book(2, T, 3, ann, "Today van", 480, 540);
    book(3, T + 1, 1, ann, "Tomorrow");
    book(4, T, 2, ann, "Today beamer", 600, 660);
    auto* w = open<TodaysBookingsWindow>(16, "Todays");
    ASSERT_EQ(keys(w->list()), (QVariantList{1, 2, 4}));
    w->list()->selectRow(0);
    // The other workstation is someone who may book for Bob.
    const QString store = serverStore ? serverStore->address() : session().BookingFilePath;
    std::thread([&store, day = T, account = bob] {
        QString name;
        {
            Database own = Database::open(store);
            EXPECT_TRUE(
                own.exec("INSERT INTO Booking (Bookingnr, Beskrivelse, Bdato, Bstart, "
                         "Bslut, Lokalenr, kontonr) VALUES (5, 'Theirs', ?, 420, 540, 1, ?)",
                         {day, account}));
            name = own.handle().connectionName();
        }
        QSqlDatabase::removeDatabase(name); // closes it
    }).join();
    EXPECT_TRUE(QTest::qWaitFor([w] { return w->list()->rowCount() == 4; }, 2000));
    EXPECT_EQ(keys(w->list()), (QVariantList{5, 1, 2, 4}));
    EXPECT_EQ(w->list()->selectedData(), QVariant(1));
    EXPECT_EQ(listAfter(w, "OptGr3"), QVariantList{4});
    EXPECT_EQ(listAfter(w, "OptGr4"), QVariantList{2});
    findIn<QRadioButton>(w, "OptGr1")->click();
    findIn<QDateEdit>(w, "Fixdate")->setDate(QDate::currentDate().addDays(1));
    EXPECT_EQ(keys(w->list()), QVariantList{3});
    EXPECT_EQ(w->PrintTitle(), "Bookings on " + dateText(T + 1));
    findIn<QDateEdit>(w, "Fixdate")->setDate(QDate::currentDate().addDays(2));
    EXPECT_EQ(std::pair(w->list()->rowCount(), messages.texts()), std::pair(0, QStringList()));

    // Everyone sees the booking read-only, whatever the account.
    findIn<QDateEdit>(w, "Fixdate")->setDate(QDate::currentDate());
    w->list()->selectRow(1); // Ann's own
    findIn<QPushButton>(w, "Info")->click();
    EXPECT_NE(WindowRegistry::instance().find("Searchinfoform"), nullptr);
    EXPECT_EQ(WindowRegistry::instance().find("bookingform"), nullptr);
}

// Each list reaches its bookings through an index on its filter, never by
// reading every booking, whatever order it is shown in. A keyword of three
// letters or more goes through the keyword indexes, and today's list takes
// every column it shows from the day's index without reading the bookings.
TEST_P(Lists, ListsReachTheirBookingsThroughIndexes)
{
    auto of = [](const ListFillSource& list) { return Statement{list.sql, list.binds}; };
    const Statement my = of(MyBookingsFillSource({ann, T, T + 30}));
    const std::tuple<const char*, Statement, const char*, const char*> cases[] = {
        {"today's", of(TodaysFillSource(T, {1, 2, 3})), "COVERING INDEX Booking_day",
         "Index Only Scan using booking_day"},
        {"mine", my, "INDEX", "Index"},
        {"tentative", of(TentativeFillSource()), "INDEX", "Index"},
        {"keyword", of(SearchFillSource({"Vestre", T, T + 30})),
         "BookingSearch VIRTUAL TABLE INDEX", "booking_title_trgm"},
        {"expiring series", ExpiringSeriesStatement(T, T + 30, 2000), "INDEX", "Index"}};
    Database d = db();
    // SQLite's SCAN walks a whole table or index: of the bookings only a
    // partial index (series, tentative) is short.
    const QRegularExpression everyBooking(
        d.engine() == Engine::PostgreSQL
            ? "Seq Scan on booking"
            : "SCAN (b|x|Booking)\\b(?!.*INDEX (Booking_series|Booking_Tentative)\\b)",
        QRegularExpression::MultilineOption);
    for (const auto& [list, statement, fileIndex, serverIndex] : cases) {
        const QString plan = QueryPlan(d, statement.sql, statement.binds);
        SCOPED_TRACE(list + ("\n" + plan.toStdString()));
        EXPECT_FALSE(plan.contains(everyBooking));
        EXPECT_TRUE(plan.contains(d.engine() == Engine::PostgreSQL ? serverIndex : fileIndex));
    }
    // A user's bookings are found from their accounts, not by reading every
    // booking of the period, even where the file's statistics (as at a
    // million bookings over two accounts) favour the date index. The server
    // plans from its own statistics, which a test cannot set.
    if (d.engine() != Engine::SQLite)
        return;
    ASSERT_TRUE(d.exec("ANALYZE"));
    ASSERT_TRUE(d.exec("DELETE FROM sqlite_stat1 WHERE tbl = 'Booking'"));
    ASSERT_TRUE(d.exec("INSERT INTO sqlite_stat1 VALUES "
                       "('Booking', 'Booking_kontonr', '1000000 500000'), "
                       "('Booking', 'Booking_Bdato_Bgruppe', '1000000 913 153')"));
    ASSERT_TRUE(d.exec("ANALYZE sqlite_schema"));
    EXPECT_TRUE(QueryPlan(d, my.sql, my.binds).contains("booking_kontonr", Qt::CaseInsensitive))
        << QueryPlan(d, my.sql, my.binds).toStdString();
}

TEST_P(Lists, TentativeBookingsConfirmDeleteAndConfirmAll)
{
    login(1, "Administrator", true);
    for (int nr : {1, 2, 3})
        book(nr, T, nr, ann, "Tentative", 600, 660, false, true);
    book(4, T, 1, ann, "Firm", 700, 760, false, false);
    auto tentative = [this] {
        return numbers(db(), "SELECT Bookingnr FROM Booking WHERE Tentative <> 0 OR Tentative IS "
                             "NULL ORDER BY 1");
    };
    auto* w = open<TentativeBookingsWindow>(26, "TentBookings", true);
    ListControl* list = w->list();
    EXPECT_EQ(keys(list), (QVariantList{1, 2, 3}));
    SKIP_UNLESS_ADMIN_ON_SERVER(); // confirming is for administrators

    // Ticking confirms, clearing makes it tentative again; the row stays.
    list->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QCoreApplication::processEvents();
    EXPECT_EQ(std::pair(tentative(), list->rowCount()), std::pair(QVariantList{2, 3}, 3));
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    QCoreApplication::processEvents();
    EXPECT_EQ(tentative(), (QVariantList{1, 2, 3}));
    w->Confirm(1, true);
    EXPECT_EQ(listAfter<QPushButton>(w, "Refresh"), (QVariantList{2, 3}));

    messages.answerNext(MsgAnswer::No);
    list->topLevelItem(0)->setCheckState(1, Qt::Checked);
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.texts(), QStringList{"Confirm deletion ? / Confirm"});
    EXPECT_EQ(messages.shown().last().defaultButton, MsgAnswer::No);
    EXPECT_EQ(count("Booking", "Bookingnr = 2"), 1);
    EXPECT_FALSE(list->isChecked(0, 1));
    messages.answerNext(MsgAnswer::Yes);
    w->Delete(2);
    EXPECT_EQ(count("Booking", "Bookingnr = 2"), 0);
    EXPECT_EQ(keys(list), QVariantList{3});

    // A booking deleted elsewhere is reported and leaves the list.
    ASSERT_TRUE(db().exec("DELETE FROM Booking WHERE Bookingnr = 3"));
    w->Confirm(3, true);
    EXPECT_EQ(messages.shown().last().title, "Service Message");
    EXPECT_EQ(list->rowCount(), 0);

    book(5, T, 1, ann, "Five", 600, 660, false, true);
    ASSERT_TRUE(db().exec(
        "UPDATE Booking SET Tentative = NULL WHERE Bookingnr = 5")); // as old files hold it
    messages.answerNext(MsgAnswer::No);
    w->ConfirmAll();
    EXPECT_EQ(tentative(), QVariantList{5});
    messages.answerNext(MsgAnswer::Yes);
    findIn<QPushButton>(w, "ConAll")->click();
    EXPECT_EQ(messages.shown().last().text, "Approve confirmation of all tentative bookings");
    EXPECT_EQ(std::pair(tentative(), count("Booking")), std::pair(QVariantList(), 3));
    EXPECT_EQ(WindowRegistry::instance().find("TentBookings"), nullptr);
}
