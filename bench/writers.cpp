// Many workstations typing bookings at once into a secured server store,
// each as its own server role, as the schedule stores a typed block, while
// one more workstation shows their day in its day view: how long one store
// takes (p50, p99), how long from a store's commit until the watching
// workstation hears of it, and until its day view has drawn the booking;
// timed once every writer is running.
//
//   vestra_writers ADDRESS [WRITERS [SECONDS [PAUSE_MS]]]
//
// ADDRESS is a secured booking store as a superuser (vestra-admin secure),
// with a resource type of at least WRITERS items; the roles bw00 (the
// watcher), bw01… and their accounts are made on first use. Each writer
// runs in a process of its own and books an item of that type of its own,
// all on the day the watcher shows. The watcher's window is drawn off
// screen unless QT_QPA_PLATFORM says otherwise.

#include "data/helpers.h"
#include "grid/schedulegrid.h"
#include "schedule/dayview.h"
#include "schedule/editing.h"
#include "session/login.h"
#include "session/session.h"
#include "session/startup.h"
#include "session/storewatcher.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QProcess>
#include <QSqlDriver>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>

using namespace vestra;

namespace {

// Past the days the speed benchmarks fill, so that a run clears only its own.
constexpr int kDay = 48000;
// Five-minute bookings from eight, where a new store's day view opens, on
// round the clock: a writer fills its item's day only after 288, and goes
// on to the next.
constexpr int kMinutes = 5;
constexpr int kPerDay = 24 * 60 / kMinutes;
constexpr int kFrom = 8 * 60;

QString roleName(int workstation)
{
    return QStringLiteral("bw%1").arg(workstation, 2, 10, QLatin1Char('0'));
}

QString asRole(const QString& address, const QString& role)
{
    const std::optional<ServerAddress> p = ParseServerAddress(address);
    QString out = QStringLiteral("postgresql://%1@%2/%3")
                      .arg(role, p->host.startsWith('/') ? QString() : p->host, p->database);
    if (p->host.startsWith('/'))
        out += QStringLiteral("?host=") + p->host;
    return out;
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int at = std::min<int>(values.size() - 1, static_cast<int>(p * values.size()));
    return values[at];
}

QString figures(const QList<double>& ms)
{
    return QStringLiteral("p50 %1 ms, p99 %2 ms, max %3 ms")
        .arg(percentile(ms, 0.5), 0, 'f', 1)
        .arg(percentile(ms, 0.99), 0, 'f', 1)
        .arg(percentile(ms, 1.0), 0, 'f', 1);
}

bool logIn(const QString& address, int workstation)
{
    Session& s = session();
    s.BookingFilePath = asRole(address, roleName(workstation));
    if (LoginAsServerRole(s) == ServerLogin::LoggedIn)
        return true;
    std::fprintf(stderr, "%s cannot log in\n", qPrintable(roleName(workstation)));
    return false;
}

// One writer: stores bookings on its item until the time is up and prints
// "commit <booking> <day> <epoch ms> <store ms>" for each.
int writer(const QString& address, int number, int item, int seconds, int pauseMs)
{
    if (!logIn(address, number))
        return 1;
    Database db = BookingFile();
    QElapsedTimer running;
    running.start();
    for (int n = 0; running.elapsed() < seconds * 1000; ++n) {
        const int day = kDay + n / kPerDay;
        const int start = (kFrom + (n % kPerDay) * kMinutes) % (24 * 60);
        QElapsedTimer one;
        one.start();
        const StoreResult r =
            CreateBookingFromGrid(db, session(), QStringLiteral("Typed %1").arg(n),
                                  {day, item, start}, start + kMinutes, false);
        const double ms = one.nsecsElapsed() / 1e6;
        if (r.status != StoreStatus::Stored) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(roleName(number)),
                         qPrintable(db.lastError()));
            QThread::msleep(pauseMs);
            continue;
        }
        std::printf("commit %d %d %lld %.3f\n", *r, day, QDateTime::currentMSecsSinceEpoch(), ms);
        std::fflush(stdout);
        QThread::msleep(pauseMs);
    }
    return 0;
}

// The roles of the watcher and the writers, their accounts and
// memberships, made once.
bool prepareWorkstations(Database& db, int writers)
{
    for (int w = 0; w <= writers; ++w) {
        const QString role = roleName(w);
        if (db.scalar(QStringLiteral("SELECT count(*) FROM Konti WHERE Kontouser = ?"), {role})
                .toInt())
            continue;
        Transaction tx(db);
        const QVariant id = db.scalar(QStringLiteral("SELECT coalesce(max(ID), 0) + 1 FROM Konti"));
        if (!tx.ok()
            || !db.exec(
                QStringLiteral("INSERT INTO Konti (ID, Kontotype, Kontonavn, Kontouser, "
                               "KontoPass, admin, archived) VALUES (?, 'p', ?, ?, '', 0, 0)"),
                {id, role, role})
            || !db.exec(QStringLiteral("INSERT INTO Grptilk (gnr, pnr) VALUES (?, ?)"), {id, id})
            || (db.scalar(QStringLiteral("SELECT count(*) FROM pg_roles WHERE rolname = ?"), {role})
                        .toInt()
                    == 0
                && !db.exec(QStringLiteral("CREATE ROLE %1 LOGIN IN ROLE vestra_staff").arg(role)))
            || !tx.commit()) {
            std::fprintf(stderr, "%s\n", qPrintable(db.lastError()));
            return false;
        }
    }
    return true;
}

// The watching workstation: a member of staff's day view of the writers'
// type and day, told of changes as the program is, and when each notice
// came and each booking's block was first drawn.
class Watcher : public QObject {
public:
    ~Watcher() override { delete m_view; }

    bool open(const QString& address, int group, int type)
    {
        if (!logIn(address, 0))
            return false;
        Session& s = session();
        Database db = BookingFile();
        LoadInstitutionSettings(db, s);
        s.SelectedDay = kDay;
        s.CurrentGroupNo = group;
        s.CurrentTypeNo = type;
        m_view = new DayView;
        m_view->Load();
        m_view->show();
        // Each notice as the connection the view listens on receives it.
        connect(db.handle().driver(),
                qOverload<const QString&, QSqlDriver::NotificationSource, const QVariant&>(
                    &QSqlDriver::notification),
                this, [this](const QString&, QSqlDriver::NotificationSource, const QVariant& p) {
                    const qint64 now = QDateTime::currentMSecsSinceEpoch();
                    for (int day : DaysOfNotice(p.toString()))
                        heard[day].append(now);
                });
        m_view->grid()->viewport()->installEventFilter(this);
        return true;
    }

    QHash<int, QList<qint64>> heard; // day: when each of its notices came
    QHash<int, qint64> drawn;        // booking: when its block was first drawn

protected:
    // A block counts once the grid holds it in its column and a paint that
    // followed has reached the screen. Fifty items do not fit across a
    // window, nor a day down it: whether the user scrolls to the block does
    // not change when it is there.
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        const ScheduleGrid* grid = m_view->grid();
        QList<int> placed;
        for (int n : grid->blockNumbers()) {
            const int booking = grid->blockKey(n).toInt();
            if (!drawn.contains(booking) && !grid->blockRect(n).isEmpty())
                placed << booking;
        }
        if (!placed.isEmpty())
            QTimer::singleShot(0, this, [this, placed] {
                const qint64 now = QDateTime::currentMSecsSinceEpoch();
                for (int booking : placed)
                    if (!drawn.contains(booking))
                        drawn.insert(booking, now);
            });
        return false;
    }

private:
    DayView* m_view = nullptr;
};

struct Commit {
    int booking = 0;
    int day = 0;
    qint64 at = 0; // epoch ms
    double storeMs = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--writer") == 0) {
        QCoreApplication app(argc, argv);
        const QStringList a = app.arguments();
        return writer(a.value(2), a.value(3).toInt(), a.value(4).toInt(), a.value(5).toInt(),
                      a.value(6).toInt());
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 2) {
        std::fprintf(stderr, "usage: vestra_writers ADDRESS [WRITERS [SECONDS [PAUSE_MS]]]\n");
        return 2;
    }
    const QString address = a[1];
    const int writers = a.value(2, QStringLiteral("50")).toInt();
    const int seconds = a.value(3, QStringLiteral("20")).toInt();
    const int pauseMs = a.value(4, QStringLiteral("100")).toInt();
    Database db = Database::open(address);
    if (!db.isValid() || !prepareWorkstations(db, writers)) {
        std::fprintf(stderr, "cannot prepare %s: %s\n", qPrintable(address),
                     qPrintable(db.lastError()));
        return 1;
    }
    // The first type with an active item for every writer.
    auto q = db.query(
        QStringLiteral("SELECT i.lokalinr, t.Overgruppenr FROM lokale i JOIN lokaliteter t ON "
                       "t.Lokalitetsnr = i.lokalinr WHERE i.inaktiv IS NULL OR i.inaktiv = 0 "
                       "GROUP BY i.lokalinr, t.Overgruppenr HAVING count(*) >= ? "
                       "ORDER BY i.lokalinr LIMIT 1"),
        {writers});
    if (!q || !q->next()) {
        std::fprintf(stderr, "%s has no resource type of %d active items\n", qPrintable(address),
                     writers);
        return 1;
    }
    const int type = q->value(0).toInt();
    const int group = q->value(1).toInt();
    QList<int> items;
    for (q = db.query(QStringLiteral("SELECT lokalenr FROM lokale WHERE lokalinr = ? AND "
                                     "(inaktiv IS NULL OR inaktiv = 0) ORDER BY lokalenr LIMIT ?"),
                      {type, writers});
         q && q->next();)
        items << q->value(0).toInt();
    // Clean days for this run.
    db.exec(QStringLiteral("DELETE FROM Booking WHERE Bdato >= ?"), {kDay});

    Watcher watcher;
    if (!watcher.open(address, group, type))
        return 1;

    QList<QProcess*> running;
    QHash<QProcess*, QByteArray> out;
    QByteArray errors;
    QEventLoop untilDone;
    int left = writers;
    const qint64 spawned = QDateTime::currentMSecsSinceEpoch();
    for (int w = 1; w <= writers; ++w) {
        auto* p = new QProcess;
        // Read as they write, so that no writer waits on a full pipe.
        QObject::connect(p, &QProcess::readyReadStandardOutput,
                         [p, &out] { out[p] += p->readAllStandardOutput(); });
        QObject::connect(p, &QProcess::readyReadStandardError,
                         [p, &errors] { errors += p->readAllStandardError(); });
        QObject::connect(p, &QProcess::finished, [&] {
            if (--left == 0)
                untilDone.quit();
        });
        QObject::connect(p, &QProcess::errorOccurred, [&](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart && --left == 0)
                untilDone.quit();
        });
        p->start(app.applicationFilePath(), {QStringLiteral("--writer"), address,
                                             QString::number(w), QString::number(items[w - 1]),
                                             QString::number(seconds), QString::number(pauseMs)});
        running << p;
    }
    untilDone.exec();

    // Timed are the stores made once every writer was running: before, the
    // programs still starting weigh on every figure, and a writer's first
    // store reads the server's catalogue as well.
    QHash<int, QList<Commit>> committed; // by day
    QList<Commit> shownDay;
    qint64 allRunning = 0;
    int laterDays = 0;
    for (QProcess* p : running) {
        out[p] += p->readAllStandardOutput();
        qint64 firstAt = 0;
        for (const QByteArray& line : out[p].split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() != 5 || f[0] != "commit")
                continue;
            const Commit c{f[1].toInt(), f[2].toInt(), f[3].toLongLong(), f[4].toDouble()};
            firstAt = firstAt ? firstAt : c.at;
            committed[c.day].append(c);
            if (c.day == kDay)
                shownDay << c;
            else
                ++laterDays;
        }
        allRunning = std::max(allRunning, firstAt);
        delete p;
    }
    if (!errors.isEmpty())
        std::fprintf(stderr, "%s", errors.left(2000).constData());
    // The last notices and reloads.
    auto settled = [&] {
        qsizetype notices = 0;
        for (const QList<qint64>& n : std::as_const(watcher.heard))
            notices += n.size();
        return notices >= shownDay.size() + laterDays
               && std::all_of(shownDay.begin(), shownDay.end(),
                              [&](const Commit& c) { return watcher.drawn.contains(c.booking); });
    };
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 10000 && !settled())
        app.processEvents(QEventLoop::AllEvents, 50);

    // Each store sends one notice, and a day's notices come in the order of
    // its commits.
    QList<double> storeMs, heardMs;
    int unheard = 0;
    for (auto it = committed.begin(); it != committed.end(); ++it) {
        QList<Commit>& commits = it.value();
        std::sort(commits.begin(), commits.end(),
                  [](const Commit& a, const Commit& b) { return a.at < b.at; });
        const QList<qint64> notices = watcher.heard.value(it.key());
        for (int i = 0; i < commits.size(); ++i) {
            if (commits[i].at > allRunning)
                storeMs << commits[i].storeMs;
            if (i >= notices.size())
                ++unheard;
            else if (commits[i].at > allRunning)
                heardMs << std::max<qint64>(0, notices[i] - commits[i].at);
        }
    }
    QList<double> shownMs;
    int unseen = 0;
    for (const Commit& c : shownDay) {
        if (!watcher.drawn.contains(c.booking))
            ++unseen;
        else if (c.at > allRunning)
            shownMs << std::max<qint64>(0, watcher.drawn[c.booking] - c.at);
    }
    qsizetype stored = 0;
    for (const QList<Commit>& day : std::as_const(committed))
        stored += day.size();
    std::printf("%d writers, %d s, %d ms between bookings: %lld bookings stored, %lld timed "
                "(all writers running after %.1f s)\n",
                writers, seconds, pauseMs, static_cast<long long>(stored),
                static_cast<long long>(storeMs.size()), (allRunning - spawned) / 1000.0);
    std::printf("store: %s\n", qPrintable(figures(storeMs)));
    std::printf("commit to notice elsewhere: %s, unheard %d\n", qPrintable(figures(heardMs)),
                unheard);
    std::printf("commit to block showing: %s, unseen %d", qPrintable(figures(shownMs)), unseen);
    if (laterDays)
        std::printf(" (%d more on later days, not shown)", laterDays);
    std::printf("\n");
    return 0;
}
