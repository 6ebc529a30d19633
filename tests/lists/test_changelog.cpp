#include "accounts/accounts.h"
#include "booking/seriesupdate.h"
#include "data/audit.h"
#include "data/helpers.h"
#include "data/schema.h"
#include "forms/periodpicker.h"
#include "lists/changelogwindow.h"
#include "report/listcontrol.h"
#include "resources/hierarchy.h"
#include "schedule/editing.h"
#include "series/candidates.h"
#include "series/seriesdelete.h"
#include "session/archiving.h"
#include "session/login.h"
#include "shell/navigator.h"
#include "support/fixture.h"

#include <QLineEdit>

using namespace vestra;
using namespace vestra::test;

namespace {

class ChangeLog : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
        session().LoginOk = true;
        session().LoginAccountId = 1;
        session().LoginName = "Administrator";
        session().IsAdmin = true;
        SetAuditAccount("admin");
        ASSERT_TRUE(db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn) VALUES "
                              "(1, 3, 'Room 1'), (2, 3, 'Room 2')"));
    }
    // What each row holds (action / key / summary unless told), oldest first.
    QStringList logged(const QString& what = "action || '/' || itemkey || '/' || summary")
    {
        Database d = db();
        QStringList out;
        for (auto q = d.query("SELECT " + what + " FROM Auditlog ORDER BY ID"); q && q->next();)
            out << q->value(0).toString();
        return out;
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, ChangeLog, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(ChangeLog, EveryKindOfChangeWritesOneRowWithWhoWhereAndWhat)
{
    Database d = db();
    const auto made = CreateBookingFromGrid(d, session(), "Choir", {45000, 1, 540}, 600, false);
    ASSERT_EQ(made.status, StoreStatus::Stored);
    const int nr = made.bookingnr;
    const auto change = [&](BlockChange c) {
        EXPECT_EQ(SaveBlockChange(d, session(), nr, c).status, StoreStatus::Stored);
    };
    change({"Choir", 540, 660, {}, {}, {}});           // resized
    change({"Choir", 540, 660, 2, {}, {}});            // moved to another item
    change({"Choir rehearsal", 540, 660, {}, {}, {}}); // retyped
    change({"Choir rehearsal", 540, 660, {}, {}, {}}); // no change: no row

    BookingDetails series; // the booking as the head of a series of its own
    series.bookingnr = series.gennr = nr;
    series.item = 2;
    series.beskrivelse = "Choir rehearsal";
    series.pris = 10;
    Database w = Database::open(WorkDatabasePath());
    ClearCandidates(w);
    EXPECT_EQ(CommitSeries(d, w, series, 0), 0);
    EXPECT_EQ(UpdateSeries(d, series), 0);
    EXPECT_EQ(DeleteSeriesRange(d, nr, {44000, 44001}), 0);
    EXPECT_TRUE(DeleteBooking(d, nr));

    const int old = addBooking(40000, 600, 660);
    EXPECT_TRUE(ArchiveBookings(d, QDate(2026, 12, 1), 3, 548).ran);
    EXPECT_EQ(count("Booking", "Bookingnr = ?", {old}), 0);
    const int anna = addAccount("p", "Anna", "anna", "pw");
    EXPECT_TRUE(SetAccountPassword(d, anna, "n3w"));
    EXPECT_TRUE(DeleteAccount(d, anna).deleted());
    EXPECT_TRUE(DeleteItem(d, 1).deleted());

    EXPECT_EQ(logged("action"),
              QStringList({"created", "resized", "moved", "retyped", "series committed",
                           "series updated", "series deleted", "deleted", "archived",
                           "password set", "account deleted", "resource deleted"}));
    const QStringList rows = logged();
    const QString key = QString::number(nr);
    // What people typed is set apart (FSI…PDI), so that a right-to-left
    // mark in it cannot reorder the rest of the line.
    EXPECT_EQ(rows[0], "created/" + key + "/\u2068Choir\u2069, 2023-03-17 09:00–10:00, item 1");
    EXPECT_EQ(rows[2], "moved/" + key
                           + "/\u2068Choir\u2069, 2023-03-17 09:00–11:00, item 1 → "
                             "\u2068Choir\u2069, 2023-03-17 09:00–11:00, item 2");
    EXPECT_EQ(rows[7],
              "deleted/" + key + "/\u2068Choir rehearsal\u2069, 2023-03-17 09:00–11:00, item 2");
    EXPECT_EQ(rows[10], "account deleted/" + QString::number(anna) + "/\u2068Anna\u2069");

    // Who, from where, when: the same instant in UTC and in local time.
    const QStringList first =
        firstRow("SELECT account, workstation, whenutc, whenlocal FROM Auditlog ORDER BY ID");
    EXPECT_EQ(first.mid(0, 2), QStringList({"admin", QSysInfo::machineHostName()}));
    const QDateTime utc = QDateTime::fromString(first.value(2), Qt::ISODateWithMs);
    EXPECT_LT(std::abs(utc.secsTo(QDateTime::currentDateTimeUtc())), 60);
    EXPECT_EQ(utc.toLocalTime().toString("yyyy-MM-dd HH:mm:ss"), first.value(3));
}

TEST_P(ChangeLog, AChangeAndItsRowStandOrFallTogether)
{
    Database d = db();
    const int nr = addBooking(45000, 540, 600, 1, 3, 1, "Kept");
    // A change refused for a stale counter leaves no row.
    EXPECT_EQ(
        SaveBlockChange(d, session(), nr,
                        {"Changed", 540, 600, {}, {}, BlockRow{"Earlier", 540, 600, 1, 45000, 99}})
            .status,
        StoreStatus::ChangedElsewhere);
    EXPECT_TRUE(logged().isEmpty());

    // Without a log to write to, nothing changes.
    ASSERT_TRUE(d.exec("DROP TABLE Auditlog"));
    EXPECT_FALSE(DeleteBooking(d, nr));
    EXPECT_EQ(CreateBookingFromGrid(d, session(), "Lost", {45000, 1, 700}, 760, false).status,
              StoreStatus::Failed);
    EXPECT_EQ(SaveBlockChange(d, session(), nr, {"Changed", 540, 660, {}, {}, {}}).status,
              StoreStatus::Failed);
    // The booking is still there as it was, alone.
    EXPECT_EQ(firstRow("SELECT count(*), max(Bookingnr), max(Bslut) FROM Booking"),
              QStringList({"1", QString::number(nr), "600"}));
    const int anna = addAccount("p", "Anna", "anna", "pw");
    EXPECT_FALSE(SetAccountPassword(d, anna, "n3w"));
    EXPECT_FALSE(DeleteAccount(d, anna).deleted());
    EXPECT_EQ(count("Konti", "ID = ? AND KontoPass = 'pw'", {anna}), 1);
}

TEST_P(ChangeLog, TextsWithQuotesControlsEmojiAndLengthAreKeptVerbatim)
{
    const QStringList texts = {"O'Brien \"quoted\"", "a -- b; DROP TABLE Booking;",
                               QString("tab\there\nnew line\x01\x1f"),
                               QString::fromUtf8("party 🎉 ✓ æøå"), QString(10000, QChar('x'))};
    Database d = db();
    for (int start = 0; const QString& text : texts) {
        const auto made =
            CreateBookingFromGrid(d, session(), text, {45000, 1, start}, start + 30, false);
        ASSERT_EQ(made.status, StoreStatus::Stored) << text.left(30).toStdString();
        EXPECT_EQ(stored(made.bookingnr, "Beskrivelse").toString(), text);
        EXPECT_TRUE(logged().last().contains(text));
        start += 30;
    }
    EXPECT_EQ(count("Booking"), texts.size());
}

TEST_P(ChangeLog, WindowFiltersByPeriodAndTextAndShowsTheBooking)
{
    Database d = db();
    const auto made = CreateBookingFromGrid(d, session(), "Choir", {45000, 1, 540}, 600, false);
    const int gone = addBooking(45000, 700, 760, 1, 3, 1, "Gone");
    ASSERT_TRUE(DeleteBooking(d, gone));
    ASSERT_TRUE(d.exec("INSERT INTO Auditlog (whenutc, whenlocal, action, itemkey, summary) "
                       "VALUES ('2020-01-01T10:00:00.000Z', '2020-01-01 11:00:00', 'created', "
                       "'5', 'long ago')"));
    int shown = 0;
    navigator().showBookingInSchedule = [&](int nr, const BookingPlace&, QWidget*) { shown = nr; };

    ChangeLogWindow* w = ShowChangeLog(nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), "ChangeLog");
    ListControl* list = w->list();
    // Last month's rows, newest first; a name set apart from the line.
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(QStringList({list->text(0, 3), list->text(1, 3), list->text(1, 2)}),
              QStringList({"deleted", "created", "\u2068admin\u2069"}));

    w->findChild<QLineEdit*>("search")->setText("CHOIR");
    ASSERT_EQ(list->rowCount(), 1);
    list->selectRow(0);
    w->ShowBooking();
    EXPECT_EQ(shown, made.bookingnr);

    w->findChild<QLineEdit*>("search")->setText("gone");
    list->selectRow(0);
    w->ShowBooking();
    EXPECT_EQ(messages.texts().last(),
              QString("Booking %1 no longer exists. / Service Message").arg(gone));

    w->findChild<QLineEdit*>("search")->clear();
    w->period()->setPeriod(QDate(2019, 12, 31), QDate(2020, 1, 2));
    w->Reload();
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->text(0, 5), "long ago");
    w->close();
}

} // namespace
