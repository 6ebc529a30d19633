#include "session/archiving.h"

#include "data/audit.h"
#include "data/dates.h"
#include "data/migrations.h"
#include "data/statements.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <tuple>

namespace vestra {

namespace {
// A file without its date (or with an unreadable one) archives now.
QDate storedArchiveDate(Database& db)
{
    const QDate d = QDate::fromString(
        db.scalar(QStringLiteral("SELECT arkiveringsdato FROM arkiveringsdato WHERE ID = 1"))
            .toString(),
        Qt::ISODate);
    return d.isValid() ? d : DateFromDayNumber(0);
}

// A backlog's deletes touch every index of Booking page by page; with the
// default page cache each page is read and evicted again and again. The run
// lends the connection a larger cache (taken only as pages are read) and
// gives the old size back when it ends.
class LargerPageCache {
public:
    explicit LargerPageCache(Database& db) : m_db(db)
    {
        if (db.engine() != Engine::SQLite)
            return;
        m_old = db.scalar(QStringLiteral("PRAGMA cache_size"));
        db.exec(QStringLiteral("PRAGMA cache_size = %1").arg(kArchivePageCacheKiB * -1));
    }
    ~LargerPageCache()
    {
        if (m_old.isValid())
            m_db.exec(QStringLiteral("PRAGMA cache_size = %1").arg(m_old.toLongLong()));
    }
    LargerPageCache(const LargerPageCache&) = delete;
    LargerPageCache& operator=(const LargerPageCache&) = delete;

private:
    Database& m_db;
    QVariant m_old;
};

// Whether the bookings dated before the cut-off are most of a large store's
// bookings. On a file each deleted booking updates every index of Booking and
// the keyword table on its own; for most of a file, dropping them for the run
// and making them again from the bookings left is many times quicker. A
// server's delete leaves the indexes to be cleaned later, so there they stay.
// The archive's own indexes, which every copied booking enters, are set
// aside on both when it holds fewer bookings than come in.
struct Bulk {
    bool run = false;
    bool bookingIndexes = false;
    bool archiveIndexes = false;
    int rows = 0; // in Booking when the run starts
};
Bulk bulkRun(Database& db, int deleteBefore)
{
    const qint64 all = db.scalar(QStringLiteral("SELECT count(*) FROM Booking")).toLongLong();
    const qint64 going =
        db.scalar(QStringLiteral("SELECT count(*) FROM Booking WHERE Bdato < ?"), {deleteBefore})
            .toLongLong();
    if (all < kBulkArchiveMinimum || going * 2 < all)
        return {};
    const qint64 archived =
        db.scalar(QStringLiteral("SELECT count(*) FROM Bookingarkiv")).toLongLong();
    return {true, db.engine() == Engine::SQLite, archived <= going, static_cast<int>(all)};
}

// The indexes of Booking and the archive that the program makes, as it
// makes them: a run sets aside only these, and makes them again from this
// text, never from names or definitions read back from the store.
struct OwnIndex {
    bool archive; // on Bookingarkiv, else on Booking
    QString name;
    QString definition;
};
const QList<OwnIndex>& ownIndexes()
{
    static const QList<OwnIndex> indexes = [] {
        QList<OwnIndex> out;
        for (const auto& [archive, name, columns] :
             {std::tuple{false, "Booking_Lokalenr_Bdato", "(Lokalenr, Bdato)"},
              {false, "Booking_gennr", "(gennr)"},
              {false, "Booking_kontonr", "(kontonr)"},
              {false, "Booking_series", "(gennr, Bdato, Bookingnr) WHERE gentagende <> 0"},
              {false, "Booking_Tentative", "(Bdato, Bstart, Bookingnr) WHERE Tentative <> 0"},
              {false, "Booking_day", "(Bdato, Bstart, Bookingnr, Bslut, Lokalenr, kontonr)"},
              {true, "Bookingarkiv_kontonr", "(kontonr)"},
              {true, "Bookingarkiv_period",
               "(Bdato, Lokalenr, kontonr, Bstart, Bslut, Antalpers, Pris)"}}) {
            const QString table =
                archive ? QStringLiteral("Bookingarkiv") : QStringLiteral("Booking");
            out.append({archive, QString::fromLatin1(name),
                        QStringLiteral("CREATE INDEX %1 ON %2 %3")
                            .arg(QString::fromLatin1(name), table, QString::fromLatin1(columns))});
        }
        return out;
    }();
    return indexes;
}

// With bookingIndexes drops Booking's indexes, all but the one the run reads
// its stretches through, and the keyword table with its triggers; with
// archiveIndexes the archive's indexes, all but the one that keeps each
// booking archived once (on a server only the archive's). Returns the
// statements that make them again, or nothing when the store refused. It
// happens inside the run's transaction, so a cancelled or failed run gets
// them all back.
std::optional<QStringList> setAsideIndexes(Database& db, const Bulk& bulk)
{
    QStringList present;
    {
        auto q =
            db.engine() == Engine::SQLite
                ? db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index'"))
                : db.query(QStringLiteral("SELECT indexname FROM pg_indexes "
                                          "WHERE schemaname = current_schema()"));
        if (!q)
            return std::nullopt;
        while (q->next())
            present << q->value(0).toString();
    }
    QStringList drops;
    QStringList remake;
    for (const OwnIndex& index : ownIndexes()) {
        if (!(index.archive ? bulk.archiveIndexes : bulk.bookingIndexes))
            continue;
        for (const QString& name : present) {
            if (name.compare(index.name, Qt::CaseInsensitive) == 0) {
                drops << QStringLiteral("DROP INDEX ") + QuotedName(name);
                remake << index.definition;
            }
        }
    }
    if (bulk.bookingIndexes && db.hasTable(QStringLiteral("BookingSearch"))) {
        drops += DropKeywordTableStatements();
        remake += KeywordTableStatements();
    }
    for (const QString& drop : drops)
        if (!db.exec(drop))
            return std::nullopt;
    return remake;
}

} // namespace

QString ImpossibleDatesText(const ArchiveResult& result)
{
    if (result.impossibleDates == 0)
        return {};
    QStringList numbers;
    for (int number : result.impossibleDateBookings)
        numbers << QString::number(number);
    if (result.impossibleDates > numbers.size())
        numbers << QStringLiteral("…");
    return QStringLiteral("%1 booking(s) have a date outside the years 1900 to 9999 and were "
                          "neither archived nor removed (booking numbers %2). Give them their "
                          "real dates or delete them.")
        .arg(result.impossibleDates)
        .arg(numbers.join(QStringLiteral(", ")));
}

QString DamagedFileText(const QString& path)
{
    return QStringLiteral("The booking file %1 is damaged. Do not go on booking in it: ask the "
                          "person who looks after your computers to restore the latest backup "
                          "of the booking file. Past bookings were not archived.")
        .arg(path);
}

ArchiveResult ArchiveBookings(Database& db, const QDate& today, int archiveDelayDays,
                              int deleteDelayDays, const ArchiveProgress& progress,
                              FileCheck fileCheck)
{
    ArchiveResult r;
    // The run deletes; on a damaged file it could delete what it never
    // managed to copy, so the file is checked before anything is written.
    if (const QString check = dialect::quickCheck(db.engine());
        !check.isEmpty() && fileCheck == FileCheck::Run) {
        auto q = db.query(check);
        const bool healthy = q && q->next() && q->value(0).toString() == QStringLiteral("ok");
        if (!healthy) {
            r.ok = false;
            if (q || db.lastError() != BusyText()) {
                r.damaged = true;
                r.error = DamagedFileText(db.path());
            } else {
                r.error = db.lastError();
            }
            return r;
        }
    }
    // A secured server runs the day's archiving itself, for its own date,
    // with rights no workstation has.
    if (db.engine() == Engine::PostgreSQL
        && db.scalar(QStringLiteral("SELECT to_regproc('vestra_archive') IS NOT NULL")).toBool()) {
        auto q = db.query(QStringLiteral("SELECT copied, removed FROM vestra_archive()"));
        if (!q || !q->next()) {
            r.ok = false;
            r.error = db.lastError();
            return r;
        }
        r.copied = q->value(0).toInt();
        r.deleted = q->value(1).toInt();
        r.ran = true;
        return r;
    }
    const LargerPageCache cache(db);
    // A backlog's statements may each take longer than an ordinary one.
    const LongStatements unlimited(db);
    Transaction tx(db);
    if (!tx.ok()) {
        r.ok = false;
        r.error = db.lastError();
        return r;
    }
    const QDate last = storedArchiveDate(db);
    if (last >= today)
        return r;
    // On a server the run's deletes send no notice each; other
    // workstations hear once, at commit, that bookings changed.
    const bool server = db.engine() == Engine::PostgreSQL;
    if (server
        && !db.exec(QStringLiteral("SELECT set_config(?, 'on', true)"),
                    {QString::fromLatin1(kBulkSetting)})) {
        r.ok = false;
        r.error = db.lastError();
        return r;
    }

    const int t = DayNumber(today);
    auto sane = [](int days) { return days >= 0 && days <= kMaxArchiveDelayDays; };
    // A delay out of reason (a setting typed as any number) must not wrap
    // round: the day before which bookings go is taken as far as int goes.
    auto dayBefore = [t](int days) {
        return static_cast<int>(std::clamp<qint64>(qint64(t) - days, INT_MIN, INT_MAX));
    };
    const int copyBefore = dayBefore(archiveDelayDays);
    const int deleteBefore = dayBefore(deleteDelayDays);
    // With the shorter delete delay the settings ask for bookings to go
    // unarchived; otherwise only what the archive holds may leave.
    const bool archivedOnly = !sane(archiveDelayDays) || deleteDelayDays >= archiveDelayDays;
    const Statement date = ArchiveDateStatement(today);
    auto failed = [&r, &db] {
        r.ok = false;
        r.error = db.lastError();
        r.copied = r.deleted = 0;
        return r;
    };

    // Stretches run from the earliest dated booking (text in the date column
    // sorts after every number, so min() is a number whenever one is there)
    // up to the later cut-off; each copies its own days, then deletes up to
    // its end, so every booking is copied before it may go.
    // A date outside the possible days (another program's, or a damaged
    // one) would stretch the run over millions of years: such rows are
    // counted and left as they are.
    const QString impossible = QStringLiteral("FROM Booking WHERE Bdato < ? OR Bdato > ?");
    const QVariantList possible{FirstPossibleDay(), LastPossibleDay()};
    r.impossibleDates =
        db.scalar(QStringLiteral("SELECT count(*) ") + impossible, possible).toInt();
    if (r.impossibleDates > 0) {
        auto q = db.query(QStringLiteral("SELECT Bookingnr ") + impossible
                              + QStringLiteral(" ORDER BY Bookingnr LIMIT 10"),
                          possible);
        while (q && q->next())
            r.impossibleDateBookings << q->value(0).toInt();
    }
    bool numeric = false;
    const double earliest =
        db.scalar(QStringLiteral("SELECT min(Bdato) FROM Booking WHERE Bdato >= ?"),
                  {FirstPossibleDay()})
            .toDouble(&numeric);
    const int end = std::max(sane(archiveDelayDays) ? copyBefore : INT_MIN,
                             sane(deleteDelayDays) ? deleteBefore : INT_MIN);
    auto run = [&db](const Statement& s, int& count) {
        if (!db.exec(s.sql, s.binds))
            return false;
        count += db.changedRows();
        return true;
    };
    auto goOn = [&r, &progress](int done, int total) {
        if (!progress || progress(done, total))
            return true;
        r.cancelled = true;
        r.copied = r.deleted = 0;
        return false;
    };
    if (numeric && end != INT_MIN && earliest < end) {
        if (const Bulk bulk = sane(deleteDelayDays) ? bulkRun(db, deleteBefore) : Bulk{};
            bulk.run) {
            const int total = bulk.rows;
            if (!goOn(0, total))
                return r;
            const std::optional<QStringList> remake = setAsideIndexes(db, bulk);
            if (!remake)
                return failed();
            // Most of the table goes: it is read once in the order of its
            // numbers, a stretch of numbers at a time, each copied before
            // it is deleted.
            auto q = db.query(QStringLiteral("SELECT min(Bookingnr), max(Bookingnr) FROM Booking"));
            if (!q || !q->next())
                return failed();
            const qint64 low = q->value(0).toLongLong();
            const qint64 high = q->value(1).toLongLong() + 1;
            q.reset();
            // Stretches of about a fiftieth of the rows, at most a few
            // thousand, so the count on screen moves steadily.
            const qint64 stretches = std::max(50, total / kArchiveStretchRows);
            const qint64 step = std::max<qint64>(1, (high - low + stretches - 1) / stretches);
            int done = 0;
            for (qint64 from = low; from < high; from += step) {
                const qint64 to = std::min(high, from + step);
                const int rows = db.scalar(QStringLiteral("SELECT count(*) FROM Booking WHERE "
                                                          "Bookingnr >= ? AND Bookingnr < ?"),
                                           {from, to})
                                     .toInt();
                if (sane(archiveDelayDays)) {
                    const Statement held = ArchiveHoldsNumbersStatement(from, to);
                    bool read = false;
                    const int any = db.scalar(held.sql, held.binds).toInt(&read);
                    if (!read
                        || !run(ArchiveCopyByNumberStatement(copyBefore, from, to, any > 0),
                                r.copied))
                        return failed();
                }
                if (!run(ArchiveDeleteByNumberStatement(deleteBefore, archivedOnly, from, to),
                         r.deleted))
                    return failed();
                done += rows;
                if (!goOn(std::min(done, total), total))
                    return r;
            }
            // Making an index again takes a while: the window keeps
            // answering, and a cancel still takes the whole run back.
            for (const QString& statement : *remake)
                if (!db.exec(statement))
                    return failed();
                else if (!goOn(total, total))
                    return r;
        } else {
            // Stretches of days that hold about a fiftieth of the rows, at
            // most a few thousand (a day's bookings are never split), so a
            // few busy days move the count as steadily as years of quiet ones.
            const int first = static_cast<int>(std::floor(earliest));
            const QString span = QStringLiteral("FROM Booking WHERE Bdato >= ? AND Bdato < ?");
            const int total =
                db.scalar(QStringLiteral("SELECT count(*) ") + span, {first, end}).toInt();
            const int rows = std::clamp(total / 50, 1, kArchiveStretchRows);
            int done = 0;
            if (!goOn(0, total))
                return r;
            for (int from = first, to = first; from < end && done < total; from = to) {
                bool found = false;
                const double nth =
                    db.scalar(QStringLiteral("SELECT Bdato ") + span
                                  + QStringLiteral(" ORDER BY Bdato LIMIT 1 OFFSET ?"),
                              {from, end, rows})
                        .toDouble(&found);
                to = found ? std::max(from + 1, static_cast<int>(std::floor(nth))) : end;
                done += db.scalar(QStringLiteral("SELECT count(*) ") + span, {from, to}).toInt();
                if (sane(archiveDelayDays) && from < copyBefore
                    && !run(ArchiveCopyStatement(from, std::min(to, copyBefore)), r.copied))
                    return failed();
                if (sane(deleteDelayDays) && from < deleteBefore
                    && !run(ArchiveDeleteStatement(std::min(to, deleteBefore), archivedOnly),
                            r.deleted))
                    return failed();
                if (!goOn(std::min(done, total), total))
                    return r;
            }
        }
    }
    int withdrawn = 0;
    if (sane(archiveDelayDays) && sane(deleteDelayDays)
        && !run({ArchiveWithdrawSql(QStringLiteral("?"), QStringLiteral("?")),
                 {deleteBefore, copyBefore}},
                withdrawn))
        return failed();
    // The change log is kept as long as the archived bookings it speaks of.
    if (sane(deleteDelayDays)
        && !DeleteAuditRowsBefore(db, today.addDays(-deleteDelayDays).startOfDay()))
        return failed();
    if (!db.exec(date.sql, date.binds)
        || (server && r.deleted > 0
            && !db.exec(QStringLiteral("SELECT pg_notify(?, '')"),
                        {QString::fromLatin1(dialect::kBookingChannel)}))
        || ((r.copied > 0 || r.deleted > 0)
            && !WriteAuditRow(db, AuditAction::Archived, QString(),
                              QStringLiteral("%1 bookings archived, %2 removed up to %3")
                                  .arg(r.copied)
                                  .arg(r.deleted)
                                  .arg(today.toString(Qt::ISODate))))
        || !tx.commit()) {
        r.ok = false;
        r.error = db.lastError();
        r.copied = r.deleted = 0;
        return r;
    }
    r.ran = true;
    return r;
}

} // namespace vestra
