// A booking file another workstation holds: every write waits the busy
// timeout at most, once, and is then refused with the reason; what the user
// typed stays. A start-up against such a file (or one out of reach) says so.

#include "booking/bookingform.h"
#include "data/dates.h"
#include "data/helpers.h"
#include "grid/schedulegrid.h"
#include "schedule/dayview.h"
#include "session/connection.h"
#include "session/startup.h"
#include "startup/startupsequence.h"
#include "support/busyfile.h"
#include "support/fixture.h"
#include "widgets/widgetservices.h"
#include "widgets/windowregistry.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>

using namespace vestra;
using namespace vestra::test;

namespace {

struct CountingObserver : WaitObserver {
    CountingObserver() { SetWaitObserver(this); }
    ~CountingObserver() override { SetWaitObserver(nullptr); }
    void waitStarted() override { ++started; }
    void waitEnded() override { ++ended; }
    int started = 0;
    int ended = 0;
};

} // namespace

class Waits : public BookingFileTest {
protected:
    void SetUp() override
    {
        BookingFileTest::SetUp();
        openScheduleStore(DayNumber(QDate(2026, 12, 5)), {"Hall A"});
        ASSERT_TRUE(StoreBookingFilePath(session().BookingFilePath));
    }
    QString file() const { return session().BookingFilePath; }
};

// The wait is the busy timeout, once: no retry multiplies it. The window is
// told when the wait begins and when it ends.
TEST_F(Waits, AWriteAgainstALockedFileWaitsTheBusyTimeoutOnceAndSaysWhy)
{
    Database d = db();
    CountingObserver observer;
    QElapsedTimer clock;
    {
        BusyFile other(file(), BusyFile::Lock::Write, kBusyTimeoutMs);
        clock.start();
        EXPECT_FALSE(NextKey(d).has_value());
    }
    const qint64 waited = clock.elapsed();
    EXPECT_GE(waited, kBusyTimeoutMs - 100);
    EXPECT_LE(waited, kBusyTimeoutMs + 1500);
    EXPECT_EQ(d.lastError(), BusyText());
    EXPECT_EQ(std::pair(observer.started, observer.ended), std::pair(1, 1));
    EXPECT_TRUE(NextKey(d).has_value()) << "the first write after the lock goes works";
}

// A commit refused because another workstation is reading is rolled back;
// the refusal still names its reason, in the form too, and the typed title
// stays in its field.
TEST_F(Waits, ACommitRefusedUnderAnotherReaderNamesItsReasonAndKeepsTheTypedText)
{
    const int nr = addBooking(38423, 600, 720, 1, 1, 1, "Board");
    Database d = db();
    {
        BusyFile reader(file(), BusyFile::Lock::Read, 100);
        EXPECT_FALSE(NextKey(d).has_value());
        EXPECT_EQ(d.lastError(), BusyText());

        BookingForm* f = ShowBookingForm(nr, nullptr);
        QCoreApplication::processEvents();
        ASSERT_NE(f, nullptr);
        auto* title = f->findChild<QLineEdit*>("Beskrivelse");
        ASSERT_NE(title, nullptr);
        title->setText("Board meeting");
        messages.clear();
        EXPECT_FALSE(f->Store());
        EXPECT_EQ(messages.texts(), QStringList({BusyText() + " / Error"}));
        EXPECT_EQ(title->text(), "Board meeting");
    }
    EXPECT_EQ(d.scalar("SELECT Beskrivelse FROM Booking WHERE Bookingnr = ?", {nr}), "Board");
}

// Text typed into the schedule on a busy file keeps its block and editor,
// and Enter stores it once the file is free again. During the wait the
// window says what it is waiting for.
TEST_F(Waits, TextTypedIntoTheScheduleStaysWhenTheFileIsBusy)
{
    DayView* view = ShowDayView();
    QCoreApplication::processEvents();
    ScheduleGrid* g = view->grid();
    view->resize(1000, 700);
    view->show();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->slotRect(0, 600).center());
    QTest::keyClick(g->viewport(), 'B');
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClicks(QApplication::focusWidget(), "oard");
    // What the window shows while it waits: the status line and a busy cursor.
    struct Peek : StatusBarWaitObserver {
        QStatusBar* bar = nullptr;
        QString shown;
        bool busyCursor = false;
        void waitStarted() override
        {
            StatusBarWaitObserver::waitStarted();
            shown = bar->currentMessage();
            busyCursor = QApplication::overrideCursor() != nullptr;
        }
    } peek;
    peek.bar = view->statusBar();
    SetWaitObserver(&peek);
    {
        BusyFile other(file(), BusyFile::Lock::Write, 600);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    SetWaitObserver(nullptr);
    EXPECT_EQ(peek.shown, "Waiting for the booking file…");
    EXPECT_TRUE(peek.busyCursor);
    EXPECT_EQ(view->statusBar()->currentMessage(), "");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(messages.texts(), QStringList({BusyText() + " / Error"}));
    auto* editor = g->findChild<QLineEdit*>("blockeditor");
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "Board");
    EXPECT_EQ(count("Booking"), 0);

    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(count("Booking", "Beskrivelse = 'Board'"), 1);
}

// A stored file that is busy, or whose folder (a network share) is gone, is
// reported for what it is with Retry and Cancel; the stored path stays, and
// the start-up waits no longer than the busy timeout.
TEST_F(Waits, StartUpReportsABusyOrUnreachableFileAndKeepsItsPath)
{
    const QString path = file();
    {
        BusyFile other(path, BusyFile::Lock::Write, kBusyTimeoutMs);
        QElapsedTimer clock;
        clock.start();
        const StartupReport r = PrepareSession(session(), QDate(2026, 12, 5));
        EXPECT_LE(clock.elapsed(), kBusyTimeoutMs + 1500);
        EXPECT_EQ(r.outcome, StartupOutcome::BusyBookingFile);

        // Cancel leads to the connect window; nothing is forgotten.
        messages.answerNext(MsgAnswer::Cancel);
        SetBusyTimeout(100);
        RunStartup();
        ASSERT_EQ(messages.shown().size(), 1);
        EXPECT_EQ(messages.shown()[0].buttons, MsgButtons::RetryCancel);
        EXPECT_TRUE(messages.shown()[0].text.contains("is busy on another workstation"));
        EXPECT_NE(WindowRegistry::instance().find("IntroConnect"), nullptr);
    }
    EXPECT_EQ(storedPath(), path);

    // Retry once the other workstation is done goes on to the login.
    {
        // The retry is answered after the lock went.
        struct Release : RecordingMessageService {
            std::unique_ptr<BusyFile> lock;
            MsgAnswer show(const Message& m) override
            {
                lock.reset();
                return RecordingMessageService::show(m);
            }
        } release;
        release.lock = std::make_unique<BusyFile>(path, BusyFile::Lock::Write, 100);
        release.answerNext(MsgAnswer::Retry);
        setMessageService(&release);
        RunStartup();
        setMessageService(&messages);
    }
    EXPECT_NE(WindowRegistry::instance().find("frmLogin"), nullptr);

    const QString gone = pathOf("share/booking.mdb");
    ASSERT_TRUE(StoreBookingFilePath(gone));
    const StartupReport r = PrepareSession(session(), QDate(2026, 12, 5));
    EXPECT_EQ(r.outcome, StartupOutcome::UnreachableBookingFile);
    EXPECT_TRUE(StartupProblemText(r, gone).contains("cannot be reached"));
    EXPECT_EQ(storedPath(), gone);
}
