#include "data/dates.h"
#include "data/helpers.h"
#include "lists/listdata.h"
#include "schedule/editing.h"
#include "schedule/scheduledata.h"
#include "series/candidates.h"
#include "series/seriesdelete.h"
#include "session/archiving.h"
#include "support/fixture.h"
#include "undo/undo.h"

using namespace vestra;
using namespace vestra::test;

class Editing : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        openScheduleStore(45000);
    }
    QStringList fields(int nr, const QString& names)
    {
        return firstRow(QString("SELECT %1 FROM Booking WHERE Bookingnr = ?").arg(names), {nr});
    }
    // Start and end of the booking a store wrote; none when it stored nothing.
    QStringList span(StoreResult r) { return r ? fields(*r, "Bstart, Bslut") : QStringList(); }
    int fullBooking()
    {
        const int nr = addBooking(45000, 600, 690, 1, 1, 1, "Board meeting");
        Database d = db();
        EXPECT_TRUE(d.exec("UPDATE Booking SET Kontaktperson2 = 'Eva', Kontakttlf2 = '555', "
                           "langbeskrivelse = 'long', Antalpers = 12, Pris = 300.5, ID = 2, "
                           "Bemærkninger = 'coffee', gennr = 0, gentagende = 0, Intern = -1, "
                           "Tentative = -1, curacname = 'Anna', Bcolor = 65280 WHERE Bookingnr = ?",
                           {nr}));
        return nr;
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, Editing, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(Editing, CutThenPasteKeepsNumberAndFields)
{
    const int nr = fullBooking();
    const QString kept =
        "Beskrivelse, Bcolor, kontonr, Kontaktperson2, Kontakttlf2, langbeskrivelse, "
        "Antalpers, Pris, ID, Bemærkninger, gennr, gentagende, Intern, Tentative, curacname";
    const QStringList before = fields(nr, kept);
    Database d = db(), w = WorkDatabase();
    ASSERT_TRUE(CutOrCopyBooking(d, w, nr, ClipboardOp::Cut));
    EXPECT_TRUE(bookingRow(nr).isEmpty());
    EXPECT_EQ(ClipboardRows(w), 1);

    const auto pasted = PasteBooking(d, w, 1, {45010, 2, 780});
    ASSERT_TRUE(pasted);
    EXPECT_EQ(*pasted, nr);
    EXPECT_EQ(fields(nr, "Bstart, Bslut, Bdato, Lokalenr, " + kept),
              QStringList({"780", "870", "45010", "2"}) + before); // the same length
    EXPECT_EQ(ClipboardRows(w), 0) << "a cut booking is pasted once";
}

TEST_P(Editing, ABookingCutFromAnArchivedDayTakesItsArchiveCopyAlong)
{
    // Archived, cut and pasted three days later: the archive shows the new
    // day once it is due, and the live row goes when its new day is due. A
    // copy of another booking under the same number stays.
    const QDate today(2026, 12, 5);
    const int t = DayNumber(today);
    const int nr = addBooking(t - 10, 600, 660, 1, 1, 1, "Choir");
    const int other = addBooking(t - 9, 600, 660, 1, 1, 1, "Solo");
    Database d = db(), w = WorkDatabase();
    ASSERT_TRUE(d.exec("UPDATE arkiveringsdato SET arkiveringsdato = ?",
                       {today.addDays(-1).toString(Qt::ISODate)}));
    ASSERT_TRUE(ArchiveBookings(d, today, 3, 12).ok);
    ASSERT_TRUE(
        d.exec("UPDATE Bookingarkiv SET Beskrivelse = 'Restored' WHERE Bookingnr = ?", {other}));
    for (const auto& [number, day] : {std::pair{nr, t - 7}, {other, t - 6}}) {
        ASSERT_TRUE(CutOrCopyBooking(d, w, number, ClipboardOp::Cut));
        ASSERT_TRUE(PasteBooking(d, w, 1, {day, 1, 600}));
    }
    ASSERT_TRUE(ArchiveBookings(d, today.addDays(1), 3, 12).ok);
    const QString archived = "SELECT Bdato FROM Bookingarkiv WHERE Bookingnr = ?";
    EXPECT_EQ(firstRow(archived, {nr}), QStringList{QString::number(t - 7)});
    EXPECT_EQ(firstRow(archived, {other}), QStringList{QString::number(t - 9)});
    ASSERT_TRUE(ArchiveBookings(d, today.addDays(6), 3, 12).ok);
    EXPECT_TRUE(bookingRow(nr).isEmpty()) << "gone when its new day is due";
    EXPECT_FALSE(bookingRow(other).isEmpty()) << "its number's copy is another booking's";
}

TEST_P(Editing, BookingPastMidnightKeepsItsLength)
{
    const int nr = addBooking(45000, 1320, 120);
    Database d = db(), w = WorkDatabase();
    ASSERT_TRUE(CutOrCopyBooking(d, w, nr, ClipboardOp::Copy));
    EXPECT_EQ(w.scalar("SELECT btid FROM standby").toInt(), 240);
    EXPECT_EQ(span(PasteBooking(d, w, 2, {45001, 1, 480})), QStringList({"480", "720"}));

    // Ends at or past midnight are stored as minutes of the day, 0-1439.
    EXPECT_EQ(span(PasteBooking(d, w, 2, {45002, 1, 1380})), QStringList({"1380", "180"}));
    const auto last = CreateBookingFromGrid(d, session(), "Late", {45003, 1, 1425}, 1440, {});
    EXPECT_EQ(span(last), QStringList({"1425", "0"}));
    EXPECT_EQ(span(SaveBlockChange(d, session(), *last, {"Late", 1410, 1440, {}, {}, {}})),
              QStringList({"1410", "0"}));
}

TEST_P(Editing, ASecondCutReplacesTheClipboard)
{
    const int a = addBooking(45000, 600, 660, 1, 1, 1, "A");
    const int b = addBooking(45000, 700, 760, 1, 1, 1, "B");
    Database d = db(), w = WorkDatabase();
    ASSERT_TRUE(CutOrCopyBooking(d, w, a, ClipboardOp::Copy));
    ASSERT_TRUE(CutOrCopyBooking(d, w, b, ClipboardOp::Copy));
    EXPECT_EQ(ClipboardRows(w), 1);
    EXPECT_EQ(w.scalar("SELECT Beskrivelse FROM standby").toString(), "B");
    // A booking deleted meanwhile elsewhere cannot be cut.
    ASSERT_TRUE(DeleteBooking(d, a));
    EXPECT_FALSE(CutOrCopyBooking(d, w, a, ClipboardOp::Cut));
    EXPECT_EQ(w.scalar("SELECT Beskrivelse FROM standby").toString(), "B");
    EXPECT_FALSE(DeleteBooking(d, a));
}

TEST_P(Editing, MovesAreSavedOnlyForThoseWhoMayAct)
{
    const int anna = addAccount("p", "Anna", "anna", "pw");
    const int bo = addAccount("p", "Bo", "bo", "pw");
    const int nr = addBooking(45000, 600, 660, 1, 1, anna, "Anna's");
    Database d = db();
    session().IsAdmin = false;
    session().LoginAccountId = bo;
    EXPECT_FALSE(SaveBlockChange(d, session(), nr, {"Moved", 700, 760, 2, {}, {}}));
    const char* moved = "Beskrivelse, Bstart, Lokalenr, Bdato, Bgruppe";
    EXPECT_EQ(fields(nr, moved), QStringList({"Anna's", "600", "1", "45000", "1"}));

    // The day view never moves the date; the week view never the item.
    session().LoginAccountId = anna;
    EXPECT_TRUE(SaveBlockChange(d, session(), nr, {"Moved", 700, 760, 2, {}, {}}));
    EXPECT_EQ(fields(nr, moved), QStringList({"Moved", "700", "2", "45000", "1"}));
    EXPECT_TRUE(SaveBlockChange(d, session(), nr, {"Moved", 700, 760, {}, 45003, {}}));
    EXPECT_EQ(fields(nr, moved), QStringList({"Moved", "700", "2", "45003", "1"}));
    EXPECT_FALSE(SaveBlockChange(d, session(), 99999, {"x", 1, 2, {}, {}, {}}));
}

TEST_P(Editing, NothingIsStoredOnADeletedItemAndNewBookingsTakeTheirItemsType)
{
    const int cut = addBooking(45000, 600, 660, 1, 1, 1, "Cut");
    const int moved = addBooking(45000, 700, 760, 1, 1, 1, "Moved");
    Database d = db(), w = WorkDatabase();
    ASSERT_TRUE(CutOrCopyBooking(d, w, cut, ClipboardOp::Cut));
    ASSERT_TRUE(d.exec("DELETE FROM lokale WHERE lokalenr = 2"));
    EXPECT_EQ(CreateBookingFromGrid(d, session(), "New", {45000, 2, 540}, 600, true).status,
              StoreStatus::ItemGone);
    EXPECT_EQ(PasteBooking(d, w, 1, {45000, 2, 780}).status, StoreStatus::ItemGone);
    EXPECT_EQ(ClipboardRows(w), 1) << "the cut booking still waits on the clipboard";
    EXPECT_EQ(SaveBlockChange(d, session(), moved, {"Moved", 700, 760, 2, {}, {}}).status,
              StoreStatus::ItemGone);
    EXPECT_EQ(stored(moved, "Lokalenr").toInt(), 1);
    EXPECT_EQ(count("Booking"), 1);

    // The schedule showing another type does not change a new booking's own.
    session().CurrentTypeNo = 9;
    const auto typed = CreateBookingFromGrid(d, session(), "New", {45000, 1, 540}, 600, true);
    ASSERT_TRUE(typed);
    EXPECT_EQ(stored(*typed, "Bgruppe").toInt(), 1);
    const auto pasted = PasteBooking(d, w, 1, {45000, 1, 780});
    ASSERT_TRUE(pasted);
    EXPECT_EQ(stored(*pasted, "Bgruppe").toInt(), 1);
}

// --- undo and redo ---

// Every booking row but its change counter, which undo moves on.
static QHash<int, QVariantMap> bookingsOf(Database& d)
{
    auto rows = ReadBookingRows(d, "1 = 1", {});
    EXPECT_TRUE(rows);
    for (QVariantMap& row : *rows)
        for (const QString& key : row.keys())
            if (key.compare(kChangeCounter, Qt::CaseInsensitive) == 0)
                row.remove(key);
    return rows.value_or(QHash<int, QVariantMap>{});
}

TEST_P(Editing, EveryKindOfChangeUndoesToTheBookingsBeforeAndRedoesToThoseAfter)
{
    Database w = WorkDatabase();
    const int full = fullBooking();
    ASSERT_TRUE(
        db().exec("UPDATE Booking SET gennr = 7, gentagende = -1 WHERE Bookingnr = ?", {full}));
    const int other = addBooking(45000, 720, 780, 2, 1, 1, "Choir");
    struct Case {
        UndoKind kind;
        QString where;                        // the rows the change may touch, read before it
        std::function<int(Database&)> change; // the booking it adds, or 0
        QString title = "Board meeting";
    };
    const auto done = [](const auto& ok) {
        EXPECT_TRUE(ok);
        return 0;
    };
    const auto block = [&](int nr, BlockChange c) {
        return [=](Database& d) { return done(SaveBlockChange(d, session(), nr, c)); };
    };
    const QString one = QString("Bookingnr = %1").arg(full);
    const std::vector<Case> cases = {
        {UndoKind::Typed, "1 = 0",
         [](Database& d) {
             return *CreateBookingFromGrid(d, session(), "Typed", {45000, 1, 480}, 540, false);
         },
         "Typed"},
        {UndoKind::Move, one, block(full, {"Board meeting", 600, 690, 2, std::nullopt, {}})},
        {UndoKind::Resize, one, block(full, {"Board meeting", 630, 690, {}, {}, {}})},
        {UndoKind::Retype, one, block(full, {"Board", 600, 690, {}, {}, {}}), "Board"},
        {UndoKind::Delete, one, [&](Database& d) { return done(DeleteBooking(d, full)); }},
        {UndoKind::Cut, one,
         [&](Database& d) { return done(CutOrCopyBooking(d, w, full, ClipboardOp::Cut)); }},
        {UndoKind::Paste, "1 = 0",
         [&](Database& d) {
             EXPECT_TRUE(CutOrCopyBooking(d, w, other, ClipboardOp::Copy));
             return *PasteBooking(d, w, 2, {45001, 1, 600});
         },
         "Choir"},
        {UndoKind::Confirm, one,
         [&](Database& d) {
             EXPECT_EQ(SetTentative(d, full, false), BookingChange::Done);
             return 0;
         }},
        {UndoKind::Edit, one,
         [&](Database& d) {
             return done(d.exec("UPDATE Booking SET Antalpers = 3, Pris = 10, "
                                "rowversion = rowversion + 1 WHERE Bookingnr = ?",
                                {full}));
         }},
        {UndoKind::CommitSeries, QString("Bookingnr = %1").arg(other),
         [&](Database& d) {
             for (int day : {45007, 45014})
                 EXPECT_TRUE(AddCandidate(w, d, day, 2, 720, 780));
             BookingDetails t;
             t.bookingnr = other;
             t.item = 2;
             t.beskrivelse = "Choir";
             t.pris = 0;
             t.kontonr = 1;
             EXPECT_EQ(CommitSeries(d, w, t, 255), 2);
             return other;
         },
         "Choir"},
        {UndoKind::DeleteSeries, "gennr = 7",
         [](Database& d) {
             EXPECT_EQ(DeleteSeriesRange(d, 7, {44000, 46000}), 1);
             return 0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(UndoKindText(c.kind).toStdString());
        UndoStack& stack = UndoStack::instance();
        stack.clear();
        Database d = db();
        const auto before = bookingsOf(d);
        BookingChangeRecorder recorder(d, c.where, {});
        const int added = c.change(d);
        ASSERT_TRUE(added ? recorder.record(d, c.kind, "Bookingnr = ? OR gennr = ?", {added, added})
                          : recorder.record(d, c.kind));
        const auto after = bookingsOf(d);
        ASSERT_NE(before, after);
        // The menu names the step by its booking.
        EXPECT_EQ(stack.undoText(), QString("Undo %1 '%2'").arg(UndoKindText(c.kind), c.title));
        const UndoStep* step = stack.next(false);
        ASSERT_NE(step, nullptr);
        if (c.kind == UndoKind::Move || c.kind == UndoKind::Resize || c.kind == UndoKind::Retype) {
            EXPECT_EQ(BlockChangeKind(*step->entries[0].before, *step->entries[0].after), c.kind);
        }
        const int logged = count("Auditlog");
        const QString undone = "action IN ('undone', 'redone')";
        const int undoneBefore = count("Auditlog", undone);
        // Undone, redone and undone again: back with its number, every field
        // and its place in the series.
        for (const auto* rows : {&before, &after, &before}) {
            ASSERT_TRUE(stack.apply(d, session(), rows == &after)); // redo leads to after
            EXPECT_EQ(bookingsOf(d), *rows);
        }
        // Each booking written is logged as undone or redone, and nothing else is.
        EXPECT_EQ(count("Auditlog", undone) - undoneBefore, count("Auditlog") - logged);
        EXPECT_GE(count("Auditlog") - logged, 3 * static_cast<int>(step->entries.size()));
    }
}

TEST_P(Editing, UndoIsRefusedAfterAnotherWorkstationsChangeAndTheRestStays)
{
    UndoStack& stack = UndoStack::instance();
    stack.clear();
    Database d = db();
    BookingChangeRecorder typed;
    const auto nr = CreateBookingFromGrid(d, session(), "Typed", {45000, 1, 480}, 540, false);
    ASSERT_TRUE(typed.record(d, UndoKind::Typed, *nr));
    const int moved = addBooking(45000, 600, 660, 1, 1, 1, "Board meeting");
    BookingChangeRecorder move(d, moved);
    ASSERT_TRUE(SaveBlockChange(d, session(), moved, {"Board meeting", 600, 660, 2, {}, {}}));
    ASSERT_TRUE(move.record(d, UndoKind::Move));

    // Another workstation retitles the moved booking: its move stays.
    ASSERT_TRUE(d.exec("UPDATE Booking SET Beskrivelse = 'Theirs', rowversion = rowversion + 1 "
                       "WHERE Bookingnr = ?",
                       {moved}));
    const UndoResult refused = stack.apply(d, session(), false);
    EXPECT_EQ(refused.status, UndoStatus::ChangedElsewhere);
    EXPECT_EQ(refused.message, "Cannot undo Move 'Board meeting': the booking was changed on "
                               "another workstation since.");
    EXPECT_EQ(fields(moved, "Beskrivelse, Lokalenr"), QStringList({"Theirs", "2"}));
    // The typed booking's step is next and still undoes.
    EXPECT_EQ(stack.undoText(), "Undo New Booking 'Typed'");
    EXPECT_FALSE(stack.canRedo());

    // A user who may not act for the booking's account cannot undo either.
    session().IsAdmin = false;
    session().LoginAccountId = 99;
    EXPECT_EQ(stack.apply(d, session(), false).status, UndoStatus::Refused);
    EXPECT_EQ(count("Booking", "Bookingnr = ?", {*nr}), 1);

    // Another booking store: the steps taken on this one go.
    BookingChangeRecorder again;
    const auto second = CreateBookingFromGrid(d, session(), "Again", {45000, 1, 900}, 960, false);
    ASSERT_TRUE(again.record(d, UndoKind::Typed, *second));
    const QString store = std::exchange(session().BookingFilePath, pathOf("other.mdb"));
    EXPECT_FALSE(stack.canUndo());
    session().BookingFilePath = store;
}
