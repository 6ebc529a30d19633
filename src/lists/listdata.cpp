#include "lists/listdata.h"

#include "data/dates.h"
#include "report/reportformat.h"
#include "session/session.h"

#include <QHash>
#include <QRegularExpression>
#include <memory>

namespace vestra {

namespace {

QString field(const QSqlRecord& r, const char* name)
{
    return r.value(QString::fromLatin1(name)).toString();
}

// Date, resource, title, from, to and account: the cells every booking list
// starts its row with.
QStringList bookingCells(const QSqlRecord& r, const QString& dateFormat, const QString& timeFormat)
{
    return {ListDate(r.value(QStringLiteral("Bdato")), dateFormat),
            field(r, "Lokalenavn"),
            field(r, "Beskrivelse"),
            ListTime(r.value(QStringLiteral("bstart")), timeFormat),
            ListTime(r.value(QStringLiteral("bslut")), timeFormat),
            field(r, "Kontonavn")};
}

// A LIKE pattern for "contains", with the wildcards of the text escaped.
QString containsPattern(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('!'), QStringLiteral("!!"))
        .replace(QLatin1Char('%'), QStringLiteral("!%"))
        .replace(QLatin1Char('_'), QStringLiteral("!_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
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

QString ListDate(const QVariant& dayNumber, const QString& dateFormat)
{
    if (dayNumber.isNull() || !dayNumber.isValid())
        return {};
    return FormatValue(DateFromDayNumber(dayNumber.toInt()), dateFormat);
}

QString ListTime(const QVariant& minutes, const QString& timeFormat)
{
    if (minutes.isNull() || !minutes.isValid())
        return {};
    return FormatValue(TimeFromMinutes(minutes.toInt()), timeFormat);
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
    return {{QStringLiteral("Date"), 60},     {QStringLiteral("Resource"), 120},
            {QStringLiteral("Booking"), 100}, {QStringLiteral("From"), 40},
            {QStringLiteral("To"), 40},       {QStringLiteral("Account"), 100}};
}

QString SearchRowText(const QSqlRecord& r, const QString& dateFormat)
{
    return bookingCells(r, dateFormat, QStringLiteral("HH.mm")).join(QLatin1Char(';'));
}

namespace {

// The bookings that may hold the keyword, found through the keyword indexes:
// a statement for "Bookingnr IN (...)" and its binds. Every row the plain
// match admits is among them; the match itself still decides.
std::pair<QString, QVariantList> keywordCandidates(Engine engine, const QString& keyword)
{
    const QString contains = containsPattern(keyword);
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
                              : QVariant(containsPattern(keyword));
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
        const QString contains = containsPattern(filter.keyword);
        binds << contains << contains << contains;
    }
    sql += QStringLiteral(" ORDER BY Bdato, bstart, Bookingnr");
    const QString keyword = filter.keyword;
    return {BookingFile, sql, binds, [keyword](const QSqlRecord& r) -> std::optional<ListRow> {
                if (!KeywordMatches(keyword, r))
                    return std::nullopt;
                return ListRow{SearchRowText(r, session().DateFormatLong),
                               r.value(QStringLiteral("Bookingnr")).toInt()};
            }};
}

std::optional<BookingPlace> FindBookingPlace(Database& db, int bookingnr)
{
    auto q = db.query(QStringLiteral("SELECT Bdato, Overgruppenr, lokalinr, lokalenr, Kontonr "
                                     "FROM bookingS WHERE Bookingnr = ?"),
                      {bookingnr});
    if (!q || !q->next())
        return std::nullopt;
    return BookingPlace{q->value(0).toInt(), q->value(1).toInt(), q->value(2).toInt(),
                        q->value(3).toInt(), q->value(4).toInt()};
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
    // A day's list repeats the same few start and end times on many rows.
    auto times = std::make_shared<QHash<int, QString>>();
    return {BookingFile,
            QStringLiteral("SELECT Bookingnr, Start, Slut, Lokalenavn, Kontonavn, Kontotlf "
                           "FROM bookingfor WHERE Bdato = ? AND Gruppeart IN (?, ?, ?) "
                           "ORDER BY Bstart, Bslut, Bookingnr"),
            binds, [times](const QSqlRecord& r) -> std::optional<ListRow> {
                // "resource;account;start;end;phone", the times from seconds;
                // read by position, as the statement above lists them.
                auto time = [&times](const QVariant& seconds) {
                    const int minutes = seconds.toInt() / 60;
                    auto text = times->constFind(minutes);
                    if (text == times->cend())
                        text = times->insert(minutes, ListTime(minutes, QStringLiteral("hh:mm")));
                    return *text;
                };
                return ListRow{QStringList{r.value(3).toString(), r.value(4).toString(),
                                           time(r.value(1)), time(r.value(2)),
                                           r.value(5).toString()}
                                   .join(QLatin1Char(';')),
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
    return {{QStringLiteral("Date"), 70},     {QStringLiteral("Resource"), 110},
            {QStringLiteral("Booking"), 110}, {QStringLiteral("From"), 60},
            {QStringLiteral("To"), 60},       {QStringLiteral("Account"), 110},
            {QStringLiteral("Conn."), 60}};
}

QString MyBookingsRowText(const QSqlRecord& r, const QString& relation, const QString& dateFormat)
{
    return (bookingCells(r, dateFormat, QStringLiteral("HH:mm")) << relation)
        .join(QLatin1Char(';'));
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
    return {BookingFile,
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
                const QString relation =
                    BookingRelation(r.value(QStringLiteral("kontoowner")).toInt(),
                                    r.value(QStringLiteral("pnr")).toInt(),
                                    r.value(QStringLiteral("Kontonr")).toInt());
                if (!relations.contains(relation))
                    return std::nullopt;
                return ListRow{MyBookingsRowText(r, relation, session().DateFormatLong),
                               r.value(QStringLiteral("Bookingnr")).toInt()};
            }};
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
            {QStringLiteral("Date"), 70},
            {QStringLiteral("Start"), 50},
            {QStringLiteral("End"), 50},
            {QStringLiteral("Resource"), 120},
            {QStringLiteral("Account"), 120},
            {QStringLiteral("Contact"), 70}};
}

QString TentativeRowText(const QSqlRecord& r, const QString& dateFormat)
{
    const QString time = QStringLiteral("hh:mm");
    return QStringList{QString(),
                       QString(),
                       ListDate(r.value(QStringLiteral("Bdato")), dateFormat),
                       ListTime(r.value(QStringLiteral("Start")).toInt() / 60, time),
                       ListTime(r.value(QStringLiteral("Slut")).toInt() / 60, time),
                       field(r, "Lokalenavn"),
                       field(r, "Kontonavn"),
                       field(r, "Kontotlf")}
        .join(QLatin1Char(';'));
}

ListFillSource TentativeFillSource()
{
    return {BookingFile,
            QStringLiteral("SELECT Bookingnr, Bdato, Start, Slut, Lokalenavn, Kontonavn, Kontotlf "
                           "FROM bookingtent"),
            {},
            [](const QSqlRecord& r) -> std::optional<ListRow> {
                return ListRow{TentativeRowText(r, session().DateFormatLong),
                               r.value(QStringLiteral("Bookingnr")).toInt()};
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

// --- printing ---

QString ListPrintSubtitle(const Session& s, const QString& separator, const QDate& today)
{
    return s.InstitutionName + separator + s.InstitutionCity + QStringLiteral(", ")
           + FormatValue(today, QStringLiteral("Short Date"));
}

} // namespace vestra
