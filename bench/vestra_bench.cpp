// Speed of the schedule's hot paths on large booking files.
//
// The booking files are made once per size in the system's temporary folder
// (vestra-bench-<N>.mdb) and reused by later runs.

#include "data/dates.h"
#include "data/helpers.h"
#include "data/migrations.h"
#include "data/schema.h"
#include "grid/schedulegrid.h"
#include "lists/listdata.h"
#include "reports/periodreports.h"
#include "schedule/scheduledata.h"
#include "series/candidates.h"
#include "session/archiving.h"
#include "session/session.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

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

// VESTRA_BENCH_PG names a server database; each size gets a database of its
// own beside it (<name>_<n>), made on first use and reused by later runs.
QString serverBase()
{
    return qEnvironmentVariable("VESTRA_BENCH_PG");
}

QString benchServer(int n)
{
    const std::optional<ServerAddress> base = ParseServerAddress(serverBase());
    if (!base)
        return {};
    return ServerAddressWithDatabase(serverBase(),
                                     QStringLiteral("%1_%2").arg(base->database).arg(n));
}

// An empty booking store of the current schema at store; false when it
// cannot be made.
bool freshStore(Engine engine, const QString& store)
{
    if (engine == Engine::SQLite)
        return BuildTemplateFile(store);
    {
        Database probe = Database::open(store);
        if (!probe.isValid() && !CreateServerDatabase(store))
            return false;
    }
    // The bench's own database (<name>_<n>): whatever a smaller run left goes.
    Database db = Database::open(store);
    return db.exec(QStringLiteral("DROP SCHEMA public CASCADE"))
           && db.exec(QStringLiteral("CREATE SCHEMA public")) && BuildServerStore(db);
}

// An account of their own for every 200th booking (5,000 of 1,000,000),
// its own member; the items' types in three groups. Made once.
constexpr int kBusyAccount = 2;
void addAccounts(Database& db)
{
    if (db.scalar(QStringLiteral("SELECT count(*) FROM Konti WHERE ID = ?"), {kBusyAccount})
            .toInt())
        return;
    Transaction tx(db);
    for (int group = 1; group <= 3; ++group)
        db.exec(QStringLiteral("INSERT INTO Overgruppenavne (overgruppenr, OverGruppenavn, "
                               "Gruppeart) VALUES (?, ?, 1)"),
                {group, QStringLiteral("Group %1").arg(group)});
    for (int type = 1; type <= kItems / kItemsPerType; ++type)
        db.exec(QStringLiteral("INSERT INTO lokaliteter (Lokalitetsnr, Overgruppenr, "
                               "Lokalitetsnavn) VALUES (?, ?, ?)"),
                {type, (type - 1) / 2 + 1, QStringLiteral("Type %1").arg(type)});
    // Account 1 is the store's administrator.
    db.exec(QStringLiteral("INSERT INTO Konti (ID, Kontotype, Kontonavn) VALUES (?, 'p', ?)"),
            {kBusyAccount, QStringLiteral("Busy account")});
    db.exec(QStringLiteral("INSERT INTO Grptilk (gnr, pnr) VALUES (?, ?)"),
            {kBusyAccount, kBusyAccount});
    db.exec(QStringLiteral("UPDATE Booking SET kontonr = ? WHERE Bookingnr % 200 = 0"),
            {kBusyAccount});
    tx.commit();
    db.exec(QStringLiteral("ANALYZE"));
}

// A booking store with n live bookings spread over three years and 300
// items, on the engine given: the same rows on both.
QString prepare(Engine engine, int n)
{
    const QString store = engine == Engine::SQLite ? benchFile(n) : benchServer(n);
    if (engine == Engine::PostgreSQL || QFile::exists(store)) {
        Database db = Database::open(store);
        if (db.isValid() && db.scalar(QStringLiteral("SELECT count(*) FROM Booking")).toInt() == n
            && MigrateDatabase(db, BookingFileSteps(), Backup::None).outcome
                   != MigrationOutcome::Failed) {
            addAccounts(db);
            return store;
        }
        Database::closeAll(store);
    }
    if (!freshStore(engine, store)) {
        fprintf(stderr, "cannot make the benchmark store %s\n", qPrintable(store));
        std::exit(1);
    }
    Database db = Database::open(store);
    Transaction tx(db);
    for (int i = 1; i <= kItems; ++i)
        db.exec(QStringLiteral("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, Gruppeart) "
                               "VALUES (?, ?, ?, 1)"),
                {i, (i - 1) / kItemsPerType + 1, QStringLiteral("Item %1").arg(i)});
    // Many rows a statement: one round trip per row would take minutes on a server.
    constexpr int kRowsPerInsert = 200;
    auto insertSql = [](int count) {
        QStringList rows(count, QStringLiteral("(?, ?, ?, ?, ?, ?, ?, 1, 'Bench', 255, 0)"));
        return QStringLiteral("INSERT INTO Booking (Bookingnr, Beskrivelse, Bdato, Bstart, Bslut, "
                              "Bgruppe, Lokalenr, kontonr, curacname, Bcolor, Tentative) VALUES ")
               + rows.join(QLatin1Char(','));
    };
    QRandomGenerator rng(42);
    QVariantList binds;
    for (int i = 1; i <= n; ++i) {
        const int item = rng.bounded(kItems) + 1;
        const int start = 480 + 15 * rng.bounded(36);
        binds << i << QStringLiteral("Booking %1").arg(i) << kFirstDay + rng.bounded(kDays) << start
              << start + 30 + 15 * rng.bounded(8) << (item - 1) / kItemsPerType + 1 << item;
        if (binds.size() == 7 * kRowsPerInsert || i == n) {
            if (!db.exec(insertSql(static_cast<int>(binds.size() / 7)), binds)) {
                fprintf(stderr, "%s\n", qPrintable(db.lastError()));
                std::exit(1);
            }
            binds.clear();
        }
    }
    db.exec(QStringLiteral("UPDATE næstenøgle SET nextkey = ?"), {n + 1});
    tx.commit();
    addAccounts(db);
    db.exec(QStringLiteral("ANALYZE"));
    return store;
}

Engine engineOf(const benchmark::State& state)
{
    return state.range(1) == 1 ? Engine::PostgreSQL : Engine::SQLite;
}

Database storeFor(const benchmark::State& state)
{
    return Database::open(prepare(engineOf(state), static_cast<int>(state.range(0))));
}

void BM_DayViewLoad(benchmark::State& state)
{
    Database db = storeFor(state);
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
    Database db = storeFor(state);
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
    Database db = storeFor(state);
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
    Database db = storeFor(state);
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
    Database db = storeFor(state);
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

// A list's fill without the widget: the statement run and its rows read,
// up to the list's cap.
int fillRows(Database& db, const ListFillSource& source)
{
    auto q = db.query(source.sql, source.binds);
    if (!q) {
        fprintf(stderr, "%s\n", qPrintable(db.lastError()));
        std::exit(1);
    }
    int rows = 0;
    while (rows < 2000 && q->next())
        rows += source.build(q->record()) ? 1 : 0;
    return rows;
}

Database listStore(benchmark::State& state)
{
    const QString store = prepare(engineOf(state), static_cast<int>(state.range(0)));
    session().BookingFilePath = store;
    session().DateFormatLong = QStringLiteral("dd-mm-yyyy");
    return Database::open(store);
}

// A four-letter keyword over the whole three years, as the search window reads it.
void searchWith(benchmark::State& state, KeywordLookup lookup,
                const QString& keyword = QStringLiteral("1234"))
{
    Database db = listStore(state);
    const SearchFilter filter{keyword, kFirstDay, kFirstDay + kDays, {1, 2, 3}};
    int rows = 0;
    for (auto _ : state)
        rows = fillRows(db, SearchFillSource(filter, lookup));
    state.counters["rows"] = rows;
}

void BM_Search(benchmark::State& state)
{
    searchWith(state, KeywordLookup::Index);
}

void BM_SearchScan(benchmark::State& state)
{
    searchWith(state, KeywordLookup::Scan);
}

// A keyword in every booking's title: the list stops at its cap.
void BM_SearchEveryBooking(benchmark::State& state)
{
    searchWith(state, KeywordLookup::Index, QStringLiteral("Booking"));
}

void BM_MyBookings(benchmark::State& state)
{
    Database db = listStore(state);
    MyBookingsFilter filter;
    filter.account = kBusyAccount;
    filter.fromDay = kFirstDay;
    filter.toDay = kFirstDay + kDays;
    int rows = 0;
    for (auto _ : state)
        rows = fillRows(db, MyBookingsFillSource(filter));
    state.counters["rows"] = rows;
}

void BM_TodaysBookings(benchmark::State& state)
{
    Database db = listStore(state);
    int i = 0, rows = 0;
    for (auto _ : state)
        rows = fillRows(db, TodaysFillSource(kFirstDay + (i++ * 37) % kDays, {1, 2, 3}));
    state.counters["rows"] = rows;
}

// A copy of the n-booking store whose daily run has not been done for
// years: on the server a database made from the store as a template.
QString backlogCopy(Engine engine, int n)
{
    const QString store = prepare(engine, n);
    Database::closeAll(store);
    if (engine == Engine::SQLite) {
        const QString copy =
            QDir::temp().filePath(QStringLiteral("vestra-bench-backlog-%1.mdb").arg(n));
        Database::closeAll(copy);
        QFile::remove(copy);
        if (!QFile::copy(store, copy))
            std::exit(1);
        return copy;
    }
    const QString name =
        QStringLiteral("%1_%2").arg(ParseServerAddress(serverBase())->database).arg(n);
    const QString copy = ServerAddressWithDatabase(serverBase(), name + QStringLiteral("_backlog"));
    Database::closeAll(copy);
    // A template is copied from outside it: from the server's own database.
    Database base =
        Database::open(ServerAddressWithDatabase(serverBase(), QStringLiteral("postgres")));
    base.exec(QStringLiteral("DROP DATABASE IF EXISTS %1_backlog").arg(name));
    if (!base.exec(QStringLiteral("CREATE DATABASE %1_backlog TEMPLATE %1").arg(name))) {
        fprintf(stderr, "%s\n", qPrintable(base.lastError()));
        std::exit(1);
    }
    return copy;
}

// The daily run on a store with every booking past: all are copied to the
// archive and deleted, in one transaction.
ArchiveResult archiveAll(const QString& store)
{
    Database db = Database::open(store);
    return ArchiveBookings(db, DateFromDayNumber(kFirstDay + kDays + 1), 0, 0);
}

void BM_Archive(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    ArchiveResult r;
    for (auto _ : state) {
        state.PauseTiming();
        const QString store = backlogCopy(engineOf(state), n);
        state.ResumeTiming();
        r = archiveAll(store);
    }
    if (!r.ok)
        state.SkipWithError(qPrintable(r.error));
    state.counters["copied"] = r.copied;
    state.counters["deleted"] = r.deleted;
}

// The period totals over a year of a million archived bookings.
void BM_PeriodTotals(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const QString store = backlogCopy(engineOf(state), n);
    if (const ArchiveResult r = archiveAll(store); !r.ok) {
        fprintf(stderr, "the daily run failed: %s\n", qPrintable(r.error));
        std::exit(1);
    }
    session().BookingFilePath = store;
    Database db = Database::open(store);
    const ReportPeriod year{kFirstDay, kFirstDay + 364, QStringLiteral("from"),
                            QStringLiteral("to")};
    int rows = 0;
    // Read and laid out, as the preview shows it.
    for (auto _ : state) {
        std::optional<Report> report = BuildPeriodTotals(db, year);
        rows = report ? report->rows.count() : 0;
        benchmark::DoNotOptimize(report ? report->layout().pageCount() : 0);
    }
    state.counters["items"] = rows;
}

} // namespace

// Each store benchmark runs on the booking file (engine 0), and on the
// server (engine 1) when VESTRA_BENCH_PG names one.
void Engines(benchmark::internal::Benchmark* b, std::initializer_list<int64_t> sizes)
{
    b->ArgNames({"n", "pg"})->Unit(benchmark::kMillisecond);
    for (int64_t engine : {0, 1}) {
        if (engine == 1 && serverBase().isEmpty())
            continue;
        for (int64_t n : sizes)
            b->Args({n, engine});
    }
}

BENCHMARK(BM_GenerateDailySeries)->Apply([](benchmark::internal::Benchmark* b) {
    Engines(b, {1000000});
});
BENCHMARK(BM_FindAlternatives)->Apply([](benchmark::internal::Benchmark* b) {
    Engines(b, {1000000});
});
BENCHMARK(BM_DayViewPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayViewLoad)->Apply([](benchmark::internal::Benchmark* b) {
    Engines(b, {10000, 100000, 1000000});
});
BENCHMARK(BM_DayViewLoadFullScan)->Apply([](benchmark::internal::Benchmark* b) {
    Engines(b, {10000, 100000, 1000000});
});
BENCHMARK(BM_WeekViewLoad)->Apply([](benchmark::internal::Benchmark* b) {
    Engines(b, {10000, 100000, 1000000});
});

BENCHMARK(BM_Search)->Apply([](benchmark::internal::Benchmark* b) { Engines(b, {1000000}); });
BENCHMARK(BM_SearchScan)->Apply([](benchmark::internal::Benchmark* b) { Engines(b, {1000000}); });
BENCHMARK(BM_SearchEveryBooking)->Apply([](benchmark::internal::Benchmark* b) {
    Engines(b, {1000000});
});
BENCHMARK(BM_MyBookings)->Apply([](benchmark::internal::Benchmark* b) { Engines(b, {1000000}); });
BENCHMARK(BM_TodaysBookings)->Apply([](benchmark::internal::Benchmark* b) {
    Engines(b, {1000000});
});

BENCHMARK(BM_PeriodTotals)->Apply([](benchmark::internal::Benchmark* b) { Engines(b, {1000000}); });
// A minute or more a run, each on a fresh copy of the store.
BENCHMARK(BM_Archive)->Iterations(1)->Apply([](benchmark::internal::Benchmark* b) {
    Engines(b, {1000000});
});

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
