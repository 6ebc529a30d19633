// Many workstations typing bookings at once into a secured server store,
// each as its own server role, as the schedule stores a typed block: how
// long one store takes (p50, p99), and how long from a store's commit until
// another workstation listening hears of it (p50, p99).
//
//   vestra_writers ADDRESS [WRITERS [SECONDS [PAUSE_MS]]]
//
// ADDRESS is a secured booking store as a superuser (vestra-admin secure),
// with at least WRITERS items; the writers' roles bw01… and their accounts
// are made on first use. Each writer runs in a process of its own.

#include "data/helpers.h"
#include "schedule/editing.h"
#include "session/login.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QSqlDriver>
#include <QThread>
#include <algorithm>
#include <cstdio>

using namespace vestra;

namespace {

constexpr int kFirstDay = 47000;
constexpr int kDaysPerWriter = 1000;

QString roleName(int writer)
{
    return QStringLiteral("bw%1").arg(writer, 2, 10, QLatin1Char('0'));
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

// One writer: stores bookings on its own item and days until the time is up
// and prints "commit <day> <epoch ms> <store ms>" for each.
int writer(const QString& address, int number, int seconds, int pauseMs)
{
    Session& s = session();
    s.BookingFilePath = asRole(address, roleName(number));
    if (LoginAsServerRole(s) != ServerLogin::LoggedIn) {
        std::fprintf(stderr, "%s cannot log in\n", qPrintable(roleName(number)));
        return 1;
    }
    Database db = Database::open(s.BookingFilePath);
    QElapsedTimer running;
    running.start();
    for (int n = 0; running.elapsed() < seconds * 1000; ++n) {
        const int day = kFirstDay + number * kDaysPerWriter + n / 40;
        const int start = 480 + (n % 40) * 15;
        QElapsedTimer one;
        one.start();
        const StoreResult r = CreateBookingFromGrid(db, s, QStringLiteral("Typed %1").arg(n),
                                                    {day, number, start}, start + 15, false);
        const double ms = one.nsecsElapsed() / 1e6;
        if (r.status != StoreStatus::Stored) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(roleName(number)),
                         qPrintable(db.lastError()));
            QThread::msleep(pauseMs);
            continue;
        }
        // The first store of a fresh connection reads the server's catalogue
        // as well: it is what starting the program costs, not typing.
        std::printf("%s %d %lld %.3f\n", n == 0 ? "first" : "commit", day,
                    QDateTime::currentMSecsSinceEpoch(), ms);
        std::fflush(stdout);
        QThread::msleep(pauseMs);
    }
    return 0;
}

// The writers' roles, accounts and memberships, made once.
bool prepareWriters(Database& db, int writers)
{
    for (int w = 1; w <= writers; ++w) {
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.value(1) == QStringLiteral("--writer"))
        return writer(a.value(2), a.value(3).toInt(), a.value(4).toInt(), a.value(5).toInt());
    if (a.size() < 2) {
        std::fprintf(stderr, "usage: vestra_writers ADDRESS [WRITERS [SECONDS [PAUSE_MS]]]\n");
        return 2;
    }
    const QString address = a[1];
    const int writers = a.value(2, QStringLiteral("50")).toInt();
    const int seconds = a.value(3, QStringLiteral("20")).toInt();
    const int pauseMs = a.value(4, QStringLiteral("100")).toInt();
    Database db = Database::open(address);
    if (!db.isValid() || !prepareWriters(db, writers)) {
        std::fprintf(stderr, "cannot prepare %s: %s\n", qPrintable(address),
                     qPrintable(db.lastError()));
        return 1;
    }
    // Clean days for this run.
    db.exec(QStringLiteral("DELETE FROM Booking WHERE Bdato >= ?"), {kFirstDay});

    // The listening workstation: when each day's notice arrived.
    QHash<int, QList<qint64>> heard;
    QSqlDriver* driver = db.handle().driver();
    QObject::connect(driver,
                     qOverload<const QString&, QSqlDriver::NotificationSource, const QVariant&>(
                         &QSqlDriver::notification),
                     [&heard](const QString&, QSqlDriver::NotificationSource, const QVariant& p) {
                         const qint64 now = QDateTime::currentMSecsSinceEpoch();
                         for (const QString& day : p.toString().split(QLatin1Char(',')))
                             heard[day.toInt()].append(now);
                     });
    driver->subscribeToNotification(QString::fromLatin1(dialect::kBookingChannel));

    QList<QProcess*> running;
    for (int w = 1; w <= writers; ++w) {
        auto* p = new QProcess;
        p->start(app.applicationFilePath(),
                 {QStringLiteral("--writer"), address, QString::number(w), QString::number(seconds),
                  QString::number(pauseMs)});
        running << p;
    }
    QHash<int, QList<qint64>> committed;
    QList<double> storeMs;
    QHash<QProcess*, QByteArray> out;
    QByteArray errors;
    // Read as they write, so that no writer waits on a full pipe.
    for (bool anyRunning = true; anyRunning;) {
        anyRunning = false;
        app.processEvents(QEventLoop::AllEvents, 20);
        for (QProcess* p : running) {
            p->waitForReadyRead(1);
            out[p] += p->readAllStandardOutput();
            errors += p->readAllStandardError();
            anyRunning = anyRunning || p->state() != QProcess::NotRunning;
        }
    }
    for (QProcess* p : running) {
        out[p] += p->readAllStandardOutput();
        for (const QByteArray& line : out[p].split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() != 4 || (f[0] != "commit" && f[0] != "first"))
                continue;
            committed[f[1].toInt()].append(f[2].toLongLong());
            if (f[0] == "commit")
                storeMs << f[3].toDouble();
        }
        delete p;
    }
    if (!errors.isEmpty())
        std::fprintf(stderr, "%s", errors.left(2000).constData());
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 3000)
        app.processEvents(QEventLoop::AllEvents, 50);
    // Each store sends one notice; a day's notices come in commit order.
    QList<double> seenMs;
    int unheard = 0;
    for (auto it = committed.begin(); it != committed.end(); ++it) {
        const QList<qint64>& notices = heard.value(it.key());
        for (int i = 0; i < it.value().size(); ++i) {
            if (i < notices.size())
                seenMs << std::max<qint64>(0, notices[i] - it.value()[i]);
            else
                ++unheard;
        }
    }
    std::printf("%d writers, %d s, %d ms between bookings: %lld bookings stored after each's "
                "first\n",
                writers, seconds, pauseMs, static_cast<long long>(storeMs.size()));
    std::printf("store: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n", percentile(storeMs, 0.5),
                percentile(storeMs, 0.99), percentile(storeMs, 1.0));
    std::printf("commit to notice elsewhere: p50 %.1f ms, p99 %.1f ms, max %.1f ms, unheard %d\n",
                percentile(seenMs, 0.5), percentile(seenMs, 0.99), percentile(seenMs, 1.0),
                unheard);
    return 0;
}
