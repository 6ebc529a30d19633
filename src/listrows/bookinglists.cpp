#include "listrows/bookinglists.h"

#include "data/dates.h"
#include "data/helpers.h"
#include "session/session.h"

#include <QRegularExpression>

namespace vestra {

namespace {

QString field(const QSqlRecord& r, const char* name)
{
    return r.value(QString::fromLatin1(name)).toString();
}

// Date, resource, title, from, to and account: the cells every booking list
// starts its row with.
QVariantList bookingCells(const QSqlRecord& r)
{
    return {ListDate(r.value(QStringLiteral("Bdato"))),
            field(r, "Lokalenavn"),
            field(r, "Beskrivelse"),
            ListTime(r.value(QStringLiteral("bstart"))),
            ListTime(r.value(QStringLiteral("bslut"))),
            field(r, "Kontonavn")};
}

// A date column shows the booking file's date format, as the session holds it.
ListControlColumn dateColumn(const QString& heading, int width)
{
    return {heading, width, Qt::AlignLeft, false, session().DateFormatLong};
}

QVariantList kindBinds(const GroupKinds& kinds)
{
    return {kinds[0], kinds[1], kinds[2]};
}

} // namespace

GroupKinds KindsForOption(int option)
{
    if (option >= 1 && option <= 3)
        return {option, option, option};
    return {1, 2, 3};
}

QVariant ListDate(const QVariant& dayNumber)
{
    if (dayNumber.isNull() || !dayNumber.isValid())
        return QString();
    return DateFromDayNumber(dayNumber.toInt());
}

QVariant ListTime(const QVariant& minutes)
{
    if (minutes.isNull() || !minutes.isValid())
        return QString();
    return TimeFromMinutes(minutes.toInt());
}

// --- search ---

bool KeywordMatches(const QString& keyword, const QSqlRecord& r)
{
    return field(r, "Bookingnr").contains(keyword, Qt::CaseInsensitive)
           || field(r, "Beskrivelse").contains(keyword, Qt::CaseInsensitive)
           || field(r, "Kontonavn").contains(keyword, Qt::CaseInsensitive);
}

QVector<ListControlColumn> SearchColumns()
{
    const QString time = QStringLiteral("HH.mm");
    return {dateColumn(QStringLiteral("Date"), 60),
            {QStringLiteral("Resource"), 120},
            {QStringLiteral("Booking"), 100},
            {QStringLiteral("From"), 40, Qt::AlignLeft, false, time},
            {QStringLiteral("To"), 40, Qt::AlignLeft, false, time},
            {QStringLiteral("Account"), 100}};
}

QVariantList SearchCells(const QSqlRecord& r)
{
    return bookingCells(r);
}

namespace {

// The bookings that may hold the keyword, found through the keyword indexes:
// a statement for "Bookingnr IN (...)" and its binds. Every row the plain
// match admits is among them; the match itself still decides.
std::pair<QString, QVariantList> keywordCandidates(Engine engine, const QString& keyword)
{
    const QString contains = ContainsPattern(keyword);
    // The few accounts whose names match lead to their bookings through the
    // index on the account.
    const QString byAccount = QStringLiteral("SELECT Bookingnr FROM Booking WHERE kontonr IN "
                                             "(SELECT ID FROM Konti WHERE %1 LIKE %2 ESCAPE '!')")
                                  .arg(dialect::fold(engine, QStringLiteral("Kontonavn")),
                                       dialect::fold(engine, QStringLiteral("?")));
    if (engine == Engine::SQLite) {
        // A quoted phrase of the trigram table matches the text anywhere,
        // folded as the table folds; quotes within are doubled.
        QString phrase = keyword;
        phrase.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return {QStringLiteral("SELECT rowid FROM BookingSearch WHERE BookingSearch MATCH ? "
                               "UNION ")
                    + byAccount,
                {QLatin1Char('"') + phrase + QLatin1Char('"'), contains}};
    }
    // Each part is one condition its trigram index answers. Only digits
    // can be part of a booking number.
    const QString byTitle = QStringLiteral(
        "SELECT Bookingnr FROM Booking WHERE lower(Beskrivelse) LIKE lower(?) ESCAPE '!' UNION ");
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(keyword).hasMatch())
        return {byTitle + byAccount, {contains, contains}};
    return {byTitle
                + QStringLiteral("SELECT Bookingnr FROM Booking "
                                 "WHERE CAST(Bookingnr AS TEXT) LIKE ? ESCAPE '!' UNION ")
                + byAccount,
            {contains, contains, contains}};
}

// Whether the keyword's title matches alone reach the list's cap many times
// over. Such a keyword is best read in the list's own order straight from the
// index on the date and start, so reading stops at the cap instead of
// sorting every match first; the match alone then decides.
bool commonKeyword(Engine engine, const QString& keyword)
{
    constexpr int kCommonMatches = 20000;
    const QString titles =
        engine == Engine::SQLite
            ? QStringLiteral("SELECT rowid FROM BookingSearch WHERE BookingSearch MATCH ?")
            : QStringLiteral(
                "SELECT Bookingnr FROM Booking WHERE lower(Beskrivelse) LIKE lower(?) ESCAPE '!'");
    QString phrase = keyword;
    phrase.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    const QVariant bind = engine == Engine::SQLite
                              ? QVariant(QLatin1Char('"') + phrase + QLatin1Char('"'))
                              : QVariant(ContainsPattern(keyword));
    Database db = BookingFile();
    return db.scalar(QStringLiteral("SELECT count(*) FROM (%1 LIMIT ?) t").arg(titles),
                     {bind, kCommonMatches})
               .toInt()
           >= kCommonMatches;
}

} // namespace

ListFillSource SearchFillSource(const SearchFilter& filter, KeywordLookup lookup)
{
    // The period bounds the index on Bdato; the rows keep searchforny's order.
    QString sql = QStringLiteral(
        "SELECT Bookingnr, Beskrivelse, Kontonavn, Bdato, bstart, bslut, Lokalenavn "
        "FROM searchforny WHERE Bdato >= ? AND Bdato <= ? AND gruppeart IN (?, ?, ?)");
    QVariantList binds{filter.fromDay, filter.toDay};
    binds += kindBinds(filter.kinds);
    // Both sides are folded by the database, every letter (æ/ø/å too), so the
    // statement alone narrows the rows to those the keyword matches.
    if (!filter.keyword.isEmpty()) {
        const Engine engine = EngineOf(session().BookingFilePath);
        // Trigram indexes know nothing of keywords shorter than three letters.
        if (lookup == KeywordLookup::Index && filter.keyword.size() >= kMinIndexedKeyword
            && !commonKeyword(engine, filter.keyword)) {
            const auto [candidates, candidateBinds] = keywordCandidates(engine, filter.keyword);
            // The server cannot tell how few the candidates are before it
            // has them; as an array they are looked up one by one.
            sql +=
                (engine == Engine::PostgreSQL ? QStringLiteral(" AND Bookingnr = ANY (ARRAY(%1))")
                                              : QStringLiteral(" AND Bookingnr IN (%1)"))
                    .arg(candidates);
            binds += candidateBinds;
        }
        const QString pattern = dialect::fold(engine, QStringLiteral("?"));
        sql += QStringLiteral(" AND (CAST(Bookingnr AS TEXT) LIKE ? ESCAPE '!'"
                              " OR %1 LIKE %2 ESCAPE '!' OR %3 LIKE %2 ESCAPE '!')")
                   .arg(dialect::fold(engine, QStringLiteral("Beskrivelse")), pattern,
                        dialect::fold(engine, QStringLiteral("Kontonavn")));
        const QString contains = ContainsPattern(filter.keyword);
        binds << contains << contains << contains;
    }
    sql += QStringLiteral(" ORDER BY Bdato, bstart, Bookingnr");
    const QString keyword = filter.keyword;
    return {BookingFile, sql, binds, [keyword](const QSqlRecord& r) -> std::optional<ListRow> {
                if (!KeywordMatches(keyword, r))
                    return std::nullopt;
                return ListRow{SearchCells(r), r.value(QStringLiteral("Bookingnr")).toInt()};
            }};
}

// --- today's bookings ---

QVector<ListControlColumn> TodaysColumns()
{
    return {{QStringLiteral("Resource"), 120},
            {QStringLiteral("Account"), 120},
            {QStringLiteral("Start"), 50},
            {QStringLiteral("End"), 50},
            {QStringLiteral("Contact"), 100}};
}

ListFillSource TodaysFillSource(int day, const GroupKinds& kinds)
{
    // The day is read from the index on Booking(Bdato, Bstart, ...), which
    // holds every booking column the list needs, so no booking row is read;
    // the day's few rows are then put in the order the day runs.
    QVariantList binds{day};
    binds += kindBinds(kinds);
    return {BookingFile,
            QStringLiteral("SELECT Bookingnr, Start, Slut, Lokalenavn, Kontonavn, Kontotlf "
                           "FROM bookingfor WHERE Bdato = ? AND Gruppeart IN (?, ?, ?) "
                           "ORDER BY Bstart, Bslut, Bookingnr"),
            binds, [](const QSqlRecord& r) -> std::optional<ListRow> {
                // The times from seconds; read by position, as the statement
                // above lists them.
                return ListRow{{r.value(3).toString(), r.value(4).toString(),
                                ListTime(r.value(1).toInt() / 60),
                                ListTime(r.value(2).toInt() / 60), r.value(5).toString()},
                               r.value(0).toInt()};
            }};
}

// --- my bookings ---

QString BookingRelation(int kontoowner, int pnr, int kontonr)
{
    if (kontoowner != pnr)
        return QStringLiteral("Member");
    return kontoowner == kontonr ? QStringLiteral("Private") : QStringLiteral("Owner");
}

QVector<ListControlColumn> MyBookingsColumns()
{
    return {dateColumn(QStringLiteral("Date"), 70),
            {QStringLiteral("Resource"), 110},
            {QStringLiteral("Booking"), 110},
            {QStringLiteral("From"), 60},
            {QStringLiteral("To"), 60},
            {QStringLiteral("Account"), 110},
            {QStringLiteral("Conn."), 60}};
}

QVariantList MyBookingsCells(const QSqlRecord& r, const QString& relation)
{
    return bookingCells(r) << relation;
}

ListFillSource MyBookingsFillSource(const MyBookingsFilter& filter)
{
    // The user's memberships lead through the indexes on Grptilk(pnr) and
    // Booking(kontonr). A personal account records no owner, so it counts as
    // owned by itself: that is what makes its bookings "Private".
    // The unary plus keeps the planner off the date index, for the filter and
    // for the order alike: a user's accounts hold far fewer bookings than a
    // period of the whole file does.
    QVariantList binds{filter.account, filter.fromDay, filter.toDay};
    binds += kindBinds(filter.kinds);
    binds << (filter.seriesValue ? 1 : 0) << (filter.allTypes ? 1 : 0);
    const QStringList relations = filter.relations;
    const Engine engine = EngineOf(session().BookingFilePath);
    // A file's planner, counting rows per date and per account, takes the date
    // index for a long period and reads every booking in it: the unary plus
    // keeps it on the user's accounts. The server's planner knows how the
    // bookings spread over accounts, and the plus would hide that from it.
    const QString day =
        engine == Engine::SQLite ? QStringLiteral("+m.Bdato") : QStringLiteral("m.Bdato");
    ListFillSource source{
        BookingFile,
        QStringLiteral(
            "SELECT m.Bookingnr, m.Bdato, m.bstart, m.bslut, m.Beskrivelse, m.Lokalenavn, "
            "m.Kontonr, m.Kontonavn, m.pnr, "
            "CASE WHEN %1 = 'p' THEN k.ID ELSE m.kontoowner END AS kontoowner "
            "FROM mybookingsfor m LEFT JOIN Konti k ON k.ID = m.Kontonr "
            "WHERE m.pnr = ? AND %2 >= ? AND %2 <= ? AND m.gruppeart IN (?, ?, ?) "
            "AND (CASE WHEN m.gentagende <> 0 THEN 1 ELSE 0 END) IN (?, ?) "
            "ORDER BY %2, m.bstart, m.Bookingnr")
            .arg(dialect::fold(engine, QStringLiteral("k.Kontotype")), day),
        binds, [relations](const QSqlRecord& r) -> std::optional<ListRow> {
            const QString relation = BookingRelation(r.value(QStringLiteral("kontoowner")).toInt(),
                                                     r.value(QStringLiteral("pnr")).toInt(),
                                                     r.value(QStringLiteral("Kontonr")).toInt());
            if (!relations.contains(relation))
                return std::nullopt;
            return ListRow{MyBookingsCells(r, relation),
                           r.value(QStringLiteral("Bookingnr")).toInt()};
        }};
    // Every row has one of the three relations; fewer leave rows out.
    source.builderSkips = relations.size() < 3;
    return source;
}

// --- tentative bookings ---

QVector<ListControlColumn> TentativeColumns()
{
    ListControlColumn confirm{QStringLiteral("Conf."), 40};
    confirm.checkBox = true;
    ListControlColumn remove{QStringLiteral("Del."), 40};
    remove.checkBox = true;
    return {confirm,
            remove,
            dateColumn(QStringLiteral("Date"), 70),
            {QStringLiteral("Start"), 50},
            {QStringLiteral("End"), 50},
            {QStringLiteral("Resource"), 120},
            {QStringLiteral("Account"), 120},
            {QStringLiteral("Contact"), 70}};
}

QVariantList TentativeCells(const QSqlRecord& r)
{
    return {false,
            false,
            ListDate(r.value(QStringLiteral("Bdato"))),
            ListTime(r.value(QStringLiteral("Start")).toInt() / 60),
            ListTime(r.value(QStringLiteral("Slut")).toInt() / 60),
            field(r, "Lokalenavn"),
            field(r, "Kontonavn"),
            field(r, "Kontotlf")};
}

ListFillSource TentativeFillSource()
{
    return {BookingFile,
            QStringLiteral("SELECT Bookingnr, Bdato, Start, Slut, Lokalenavn, Kontonavn, Kontotlf "
                           "FROM bookingtent"),
            {},
            [](const QSqlRecord& r) -> std::optional<ListRow> {
                return ListRow{TentativeCells(r), r.value(QStringLiteral("Bookingnr")).toInt()};
            }};
}

BookingChange SetTentative(Database& db, int bookingnr, bool tentative)
{
    if (!db.exec(QStringLiteral("UPDATE Booking SET Tentative = ? WHERE Bookingnr = ?"),
                 {tentative ? -1 : 0, bookingnr}))
        return BookingChange::Failed;
    return db.changedRows() > 0 ? BookingChange::Done : BookingChange::Missing;
}

bool ConfirmAllBookings(Database& db)
{
    // Rows already confirmed would be written unchanged; leaving them alone
    // has the same effect with fewer writes on a shared file.
    return db.exec(QStringLiteral(
        "UPDATE Booking SET Tentative = 0 WHERE Tentative <> 0 OR Tentative IS NULL"));
}

// --- expiring series ---

QVector<ListControlColumn> ExpiringColumns()
{
    return {{QStringLiteral("Booking"), 140},  dateColumn(QStringLiteral("Exp. Date"), 70),
            {QStringLiteral("Start"), 40},     {QStringLiteral("End"), 40},
            {QStringLiteral("Resource"), 110}, {QStringLiteral("Group"), 110},
            {QStringLiteral("Contact"), 80}};
}

ListFillSource ExpiringFillSource(int fromDay, int toDay)
{
    return {BookingFile,
            QStringLiteral("SELECT maxofbdato, bstart, bslut, Beskrivelse, Lokalenavn, "
                           "Kontonavn, Kontotlf FROM gentagendeudløbfor "
                           "WHERE maxofbdato >= ? AND maxofbdato <= ?"),
            {fromDay, toDay},
            [](const QSqlRecord& r) -> std::optional<ListRow> {
                return ListRow{{r.value(3).toString(), ListDate(r.value(0)), ListTime(r.value(1)),
                                ListTime(r.value(2)), r.value(4).toString(), r.value(5).toString(),
                                r.value(6).toString()},
                               {}};
            }};
}

} // namespace vestra
