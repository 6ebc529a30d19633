// Speed of the schedule's hot paths on large booking files.
//
// The booking files are made once per size in the system's temporary folder
// (vestra-bench-<N>.mdb) and reused by later runs.

#include "data/helpers.h"
#include "data/schema.h"
#include "platform/schedulegrid.h"
#include "schedule/scheduledata.h"
#include "series/candidates.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace vestra;

namespace {

constexpr int kItems = 300;
constexpr int kItemsPerType = 50;
constexpr int kDays = 3 * 365 + 1;
constexpr int kFirstDay = 46000; // 2025-12-11

QString benchFile(int n)
{
    return QDir::temp().filePath(QStringLiteral("vestra-bench-%1.mdb").arg(n));
}

// A booking file with n live bookings spread over three years and 300 items.
QString prepare(int n)
{
    const QString path = benchFile(n);
    if (QFile::exists(path)) {
        Database db = Database::open(path);
        if (db.scalar(QStringLiteral("SELECT count(*) FROM Booking")).toInt() == n)
            return path;
        Database::closeAll(path);
    }
    BuildTemplateFile(path);
    Database db = Database::open(path);
    Transaction tx(db);
    for (int i = 1; i <= kItems; ++i)
        db.exec(QStringLiteral("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, Gruppeart) "
                               "VALUES (?, ?, ?, 1)"),
                {i, (i - 1) / kItemsPerType + 1, QStringLiteral("Item %1").arg(i)});
    QSqlQuery insert(db.handle());
    insert.prepare(QStringLiteral(
        "INSERT INTO Booking (Bookingnr, Beskrivelse, Bdato, Bstart, Bslut, Bgruppe, Lokalenr, "
        "kontonr, curacname, Bcolor, Tentative) VALUES (?, ?, ?, ?, ?, ?, ?, 1, 'Bench', 255, 0)"));
    QRandomGenerator rng(42);
    for (int i = 1; i <= n; ++i) {
        const int item = rng.bounded(kItems) + 1;
        const int start = 480 + 15 * rng.bounded(36);
        insert.addBindValue(i);
        insert.addBindValue(QStringLiteral("Booking %1").arg(i));
        insert.addBindValue(kFirstDay + rng.bounded(kDays));
        insert.addBindValue(start);
        insert.addBindValue(start + 30 + 15 * rng.bounded(8));
        insert.addBindValue((item - 1) / kItemsPerType + 1);
        insert.addBindValue(item);
        insert.exec();
    }
    db.exec(QStringLiteral("UPDATE næstenøgle SET nextkey = ?"), {n + 1});
    tx.commit();
    db.exec(QStringLiteral("ANALYZE"));
    return path;
}

void BM_DayViewLoad(benchmark::State& state)
{
    Database db = Database::open(prepare(static_cast<int>(state.range(0))));
    int i = 0, blocks = 0;
    for (auto _ : state) {
        const int day = kFirstDay + (i * 37) % kDays;
        const int type = i % (kItems / kItemsPerType) + 1;
        auto columns = LoadDayColumns(db, type, day);
        auto b = LoadDayBlocks(db, type, day);
        blocks += b.size();
        benchmark::DoNotOptimize(columns);
        ++i;
    }
    state.counters["blocks"] = benchmark::Counter(blocks, benchmark::Counter::kAvgIterations);
}

void BM_DayViewLoadFullScan(benchmark::State& state)
{
    Database db = Database::open(prepare(static_cast<int>(state.range(0))));
    int i = 0;
    for (auto _ : state) {
        const int day = kFirstDay + (i * 37) % kDays;
        const int type = i % (kItems / kItemsPerType) + 1;
        auto columns = LoadDayColumns(db, type, day);
        auto b = LoadDayBlocksByScan(db, type, day);
        benchmark::DoNotOptimize(b);
        ++i;
    }
}

void BM_WeekViewLoad(benchmark::State& state)
{
    Database db = Database::open(prepare(static_cast<int>(state.range(0))));
    int i = 0, blocks = 0;
    for (auto _ : state) {
        const int weekStart = kFirstDay + (i * 7) % (kDays - 7);
        const int item = i % kItems + 1;
        auto b = LoadWeekBlocks(db, item, weekStart);
        blocks += b.size();
        ++i;
    }
    state.counters["blocks"] = benchmark::Counter(blocks, benchmark::Counter::kAvgIterations);
}

// One frame of a busy day: 40 columns and 200 blocks, many overlapping.
void BM_DayViewPaint(benchmark::State& state)
{
    ScheduleGrid grid;
    grid.resize(1280, 800);
    grid.setOpeningTime(480);
    grid.setClosingTime(1020);
    grid.setPrimeTime(540, 960);
    grid.setSlotSize(15);
    grid.setColumnDisplay(255);
    for (int c = 1; c <= 40; ++c)
        grid.addColumn(c, QStringLiteral("Room %1").arg(c));
    QRandomGenerator rng(7);
    for (int i = 0; i < 200; ++i) {
        const int start = 480 + 15 * rng.bounded(32);
        const int n = grid.addBlock(start, start + 30 + 15 * rng.bounded(6), kFirstDay,
                                    QStringLiteral("Booking %1").arg(i), QString::number(i + 1));
        grid.setBlockColumnKey(n, i % 40 + 1);
        grid.setBlockSecondText(n, QStringLiteral("Account %1").arg(i % 13));
        grid.setBlockColour(n, static_cast<int>(rng.bounded(0x1000000)));
        grid.setBlockTentative(n, i % 5 == 0);
    }
    grid.show();
    QCoreApplication::processEvents();
    QImage frame(grid.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&frame);
        grid.render(&p);
        p.end();
        benchmark::DoNotOptimize(frame.bits());
    }
}

// The workstation's own work database, fresh for the benchmark.
Database benchWork()
{
    static QTemporaryDir dir;
    SetProgramFolder(dir.path());
    EnsureWorkDatabase();
    return Database::open(WorkDatabasePath());
}

BookingDetails benchTemplate()
{
    BookingDetails t;
    t.bookingnr = 1;
    t.item = 1;
    t.startSeconds = 600 * 60;
    t.endSeconds = 720 * 60;
    return t;
}

// A year of daily dates, each checked against the stored bookings.
void BM_GenerateDailySeries(benchmark::State& state)
{
    Database db = Database::open(prepare(static_cast<int>(state.range(0))));
    Database work = benchWork();
    const BookingDetails t = benchTemplate();
    int colliding = 0;
    for (auto _ : state) {
        ClearCandidates(work);
        GenerateCandidates(work, db, kFirstDay + 100, kFirstDay + 465, 1, t);
        state.PauseTiming();
        colliding = 0;
        for (const Candidate& c : LoadCandidates(work))
            colliding += c.collides ? 1 : 0;
        state.ResumeTiming();
    }
    state.counters["colliding"] = colliding;
}

// The free items of a type of 50 for one colliding date.
void BM_FindAlternatives(benchmark::State& state)
{
    Database db = Database::open(prepare(static_cast<int>(state.range(0))));
    Database work = benchWork();
    const BookingDetails t = benchTemplate();
    ClearCandidates(work);
    const auto id =
        AddCandidate(work, db, kFirstDay + 200, t.item, t.startMinutes(), t.endMinutes());
    int offered = 0;
    for (auto _ : state)
        offered = static_cast<int>(FindAlternatives(work, db, *id, t.item).size());
    state.counters["offered"] = offered;
}

} // namespace

BENCHMARK(BM_GenerateDailySeries)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindAlternatives)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayViewPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayViewLoad)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayViewLoadFullScan)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WeekViewLoad)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
