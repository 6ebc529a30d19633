// Files offered as a booking file that are none: each is refused with the
// reason the user can act on, quickly, and nothing is stored or written.

#include "data/dates.h"
#include "data/helpers.h"
#include "data/migrations.h"
#include "data/schema.h"
#include "schedule/editing.h"
#include "schedule/scheduledata.h"
#include "session/connection.h"
#include "session/startup.h"
#include "support/busyfile.h"
#include "support/deadline.h"
#include "support/fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <QScopeGuard>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vestra;
using namespace vestra::test;

namespace {

struct BadFile {
    QString kind;
    QString path;
    QString refusal; // the reason it is refused for
};

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Makes the file refuse writes as a share mounted read-only does: no write
// permission, and where that does not stop the user (root), marked as not
// to be changed. False when neither can be done here.
bool refuseWrites(const QString& path, bool refuse = true)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL)) {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther
                                    | (refuse ? QFile::Permissions() : QFile::WriteOwner));
    bool refused = !refuse || ::access(name.constData(), W_OK) != 0;
    if (!refused && fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags |= FS_IMMUTABLE_FL;
        refused = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0)
        ::close(fd);
    return refused;
}

} // namespace

class BadFiles : public BookingFileTest {
protected:
    void SetUp() override
    {
        BookingFileTest::SetUp();
        good = makeBookingFile("good.mdb");
        ASSERT_TRUE(EnsureWorkDatabase());
        ASSERT_TRUE(StoreBookingFilePath(good));
        Database::closeAll(good);
        goodBytes = fileBytes(good);
        ASSERT_GT(goodBytes.size(), 4096);
    }
    QString next(const QString& kind)
    {
        return pathOf(QStringLiteral("%1-%2.mdb").arg(kind).arg(++made));
    }
    // A copy of the good file changed by the statements.
    QString altered(const QString& kind, const QStringList& statements)
    {
        const QString path = next(kind);
        EXPECT_TRUE(writeAll(path, goodBytes));
        {
            Database d = Database::open(path);
            for (const QString& s : statements)
                EXPECT_TRUE(d.exec(s)) << s.toStdString() << ": " << d.lastError().toStdString();
        }
        Database::closeAll(path);
        return path;
    }
    QList<BadFile> generate()
    {
        QList<BadFile> files;
        // count files of a kind, each made by make from its index and path.
        auto add = [&](const QString& kind, int count,
                       const std::function<void(int, const QString&)>& make) {
            for (int i = 0; i < count; ++i) {
                const QString path = next(kind);
                make(i, path);
                files.append(
                    {kind, path,
                     kind == "pipe"
                         ? path + " is a named pipe, not a booking file; it was not opened."
                         : path + " is not a valid Vestra Bookingfile!"});
            }
        };
        QRandomGenerator random(20261205);
        add("garbage", 110, [&](int i, const QString& path) { // some behind a database's header
            QByteArray bytes(int(random.bounded(1, 40000)), Qt::Uninitialized);
            for (char& c : bytes)
                c = char(random.bounded(256));
            if (i % 2)
                bytes.replace(0, std::min<qsizetype>(16, bytes.size()),
                              QByteArray("SQLite format 3\0", 16).left(bytes.size()));
            EXPECT_TRUE(writeAll(path, bytes));
        });
        add("truncated", 110, [&](int, const QString& path) { // anywhere short of the end
            EXPECT_TRUE(
                writeAll(path, goodBytes.left(qsizetype(random.bounded(goodBytes.size() - 1)))));
        });
        add("empty", 5, [](int, const QString& path) { EXPECT_TRUE(writeAll(path, {})); });
        add("directory", 3, [](int, const QString& path) { EXPECT_TRUE(QDir().mkpath(path)); });
        add("unreadable", 5, [&](int i, const QString& path) { // no permission, a link to nowhere
            if (i < 3) {
                EXPECT_TRUE(writeAll(path, goodBytes.left(goodBytes.size() / 2)));
                QFile::setPermissions(path, {});
            } else {
                EXPECT_TRUE(QFile::link(path + ".nowhere", path));
            }
        });
        // A named pipe: opening it waits for a writer for ever.
        add("pipe", 2,
            [](int, const QString& path) { EXPECT_EQ(mkfifo(qPrintable(path), 0644), 0); });
        add("wrongschema", 20, [](int i, const QString& path) { // databases of another program
            {
                Database d = Database::create(path);
                EXPECT_TRUE(d.exec(QStringLiteral("CREATE TABLE t%1 (a INTEGER, b TEXT)").arg(i)));
                if (i % 2) {
                    EXPECT_TRUE(d.exec("CREATE TABLE RUC (marker INTEGER)"));
                }
            }
            Database::closeAll(path);
        });
        for (const QString& name : BookingSchemaObjects()) { // each table or view missing
            const QString type =
                Database::open(good)
                    .scalar("SELECT type FROM sqlite_master WHERE name = ?", {name})
                    .toString();
            Database::closeAll(good);
            EXPECT_FALSE(type.isEmpty()) << name.toStdString();
            const QString path =
                altered("missing", {"PRAGMA legacy_alter_table = ON",
                                    QStringLiteral("DROP %1 \"%2\"").arg(type, name)});
            files.append({"missing " + name, path, MissingTablesText(path, {name})});
        }
        const int latest = LatestVersion(BookingFileSteps());
        for (int v = 1; v <= 10; ++v) { // a file of a newer program
            const QString path =
                altered("newer", {QStringLiteral("PRAGMA user_version = %1").arg(latest + v * v)});
            files.append({"newer", path, NewerFileText(path, latest + v * v, latest)});
        }
        for (int i = 0; i < 2; ++i)
            files.append({"locked", altered("locked", {}), BusyText()});
        return files;
    }
    QString good;
    QByteArray goodBytes;
    int made = 0;
};

TEST_F(BadFiles, EachIsRefusedWithItsReasonQuicklyAndNothingIsStored)
{
    const QList<BadFile> files = generate();
    ASSERT_GE(files.size(), 300);
    for (const BadFile& f : files) {
        SCOPED_TRACE(f.kind.toStdString() + " " + f.path.toStdString());
        std::optional<BusyFile> lock;
        if (f.kind == "locked")
            lock.emplace(f.path, BusyFile::Lock::Write, kBusyTimeoutMs);
        const QByteArray before =
            QFileInfo(f.path).isFile() && f.kind != "locked" && f.kind != "pipe" ? fileBytes(f.path)
                                                                                 : QByteArray();
        messages.clear();
        dialogs.chooseNext(f.path);
        QElapsedTimer clock;
        clock.start();
        const Deadline deadline(30, "Open Existing File on " + f.path.toStdString());
        EXPECT_EQ(OpenExistingFile("Open"), ConnectResult::Refused);
        EXPECT_LT(clock.elapsed(), 10000);
        ASSERT_EQ(messages.shown().size(), 1);
        EXPECT_EQ(messages.shown()[0].text, f.refusal);
        EXPECT_TRUE(before.isEmpty() || fileBytes(f.path) == before)
            << "a refused file is never written";
    }
    EXPECT_EQ(WorkDatabase().scalar("SELECT sti FROM stitabel"), good);
    EXPECT_TRUE(fileBytes(good) == goodBytes) << "the good file was written";
    // The good file itself is still taken, in the same way.
    dialogs.chooseNext(good);
    EXPECT_EQ(OpenExistingFile("Open"), ConnectResult::Connected);
    // A stored booking file that has become a pipe is no booking file at the next start.
    const QString pipe = next("pipe");
    ASSERT_EQ(mkfifo(qPrintable(pipe), 0644), 0);
    ASSERT_TRUE(StoreBookingFilePath(pipe));
    const Deadline deadline(30, "starting on a named pipe");
    EXPECT_EQ(PrepareSession(session(), QDate(2026, 12, 6)).outcome, StartupOutcome::NoBookingFile);
}

// A file the drive or its rights keep from being written is said to be so at
// once, shows its schedule as it is, and refuses every write with that
// reason, leaving no journal behind to spoil later reads.
TEST_F(BadFiles, AReadOnlyFileShowsItsScheduleAndRefusesWritesWithItsReason)
{
    const int day = DayNumber(QDate(2026, 12, 7));
    openScheduleStore(day);
    const QString path = session().BookingFilePath;
    ASSERT_TRUE(StoreBookingFilePath(path));
    addBooking(day, 600, 660, 1, 1, 1, "Choir");
    ASSERT_TRUE(db().exec("UPDATE arkiveringsdato SET arkiveringsdato = '2026-01-01'"));
    Database::closeAll(path);
    const QByteArray before = fileBytes(path);
    if (!refuseWrites(path))
        GTEST_SKIP() << "no file can be made read-only here";
    auto undo = qScopeGuard([&path] { refuseWrites(path, false); });

    const StartupReport report = PrepareSession(session(), QDate(2026, 12, 7));
    EXPECT_EQ(std::pair(report.outcome, report.archive.ran),
              std::pair(StartupOutcome::ReadyForLogin, false));
    EXPECT_TRUE(report.readOnly.contains(path + " can only be read"))
        << report.readOnly.toStdString();
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        Database d = BookingFile();
        const QList<ScheduleBlock> shown = LoadDayBlocks(d, 1, day);
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown[0].text, "Choir");
        const StoreResult typed =
            CreateBookingFromGrid(d, session(), "Typed", {day, 1, 700}, 760, std::nullopt);
        EXPECT_FALSE(typed);
        EXPECT_TRUE(typed.error.contains(report.readOnly)) << typed.error.toStdString();
        EXPECT_FALSE(QFile::exists(path + "-journal"));
    }
    Database::closeAll(path);
    EXPECT_TRUE(fileBytes(path) == before) << "the read-only file was written";
}

// The keyword table is made from the bookings: a file that lost only it gets
// it back at the start and keeps it in step again.
TEST_F(BadFiles, AFileLackingOnlyItsKeywordTableGetsItBack)
{
    dialogs.chooseNext(altered("keyword", DropKeywordTableStatements()));
    ASSERT_EQ(OpenExistingFile("Open"), ConnectResult::Connected);
    const StartupReport report = PrepareSession(session(), QDate(2026, 12, 7));
    EXPECT_EQ(report.outcome, StartupOutcome::ReadyForLogin);
    EXPECT_TRUE(report.keywordIndexRebuilt);
    addBooking(46000, 600, 660, 1, 1, 1, "Choir rehearsal");
    EXPECT_EQ(count("BookingSearch", "BookingSearch MATCH ?", {"rehears"}), 1);
}
