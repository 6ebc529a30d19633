#include "adminexport.h"

#include "data/dates.h"
#include "exchange/exchangesettings.h"
#include "exchange/safewrite.h"
#include "exchange/ui/exportactions.h"
#include "listrows/bookinglists.h"
#include "reports/overview.h"
#include "reports/periodreports.h"
#include "reports/referencelists.h"
#include "session/session.h"

#include <QHash>
#include <climits>

namespace vestra::admin {

namespace {

CommandResult refused(const QString& reason, int exitCode = 1)
{
    return {exitCode, {}, reason};
}

struct ExportOptions {
    QString list, report, format, out, keyword, account;
    QDate from, to;
    int kind = 1;
};

// The options after the address; a reason when one is unknown, lacks its
// value or holds no date.
std::optional<ExportOptions> parseOptions(const QStringList& args, QString* error)
{
    ExportOptions o;
    QHash<QString, QString*> texts{
        {QStringLiteral("--list"), &o.list},       {QStringLiteral("--report"), &o.report},
        {QStringLiteral("--format"), &o.format},   {QStringLiteral("--out"), &o.out},
        {QStringLiteral("--keyword"), &o.keyword}, {QStringLiteral("--account"), &o.account}};
    for (int i = 1; i < args.size(); i += 2) {
        const QString& option = args[i];
        if (i + 1 >= args.size()) {
            *error = QStringLiteral("%1 needs a value").arg(option);
            return std::nullopt;
        }
        const QString& value = args[i + 1];
        if (texts.contains(option)) {
            *texts[option] = value;
        } else if (option == QStringLiteral("--from") || option == QStringLiteral("--to")) {
            const QDate date = QDate::fromString(value, Qt::ISODate);
            if (!date.isValid()) {
                *error = QStringLiteral("%1 %2: not a date (YYYY-MM-DD)").arg(option, value);
                return std::nullopt;
            }
            (option == QStringLiteral("--from") ? o.from : o.to) = date;
        } else if (option == QStringLiteral("--kind")) {
            o.kind = value.toInt();
        } else {
            *error = QStringLiteral("unknown option %1").arg(option);
            return std::nullopt;
        }
    }
    if (o.list.isEmpty() == o.report.isEmpty())
        *error = QStringLiteral("name either --list or --report");
    else if (o.format != QStringLiteral("csv") && o.format != QStringLiteral("xlsx"))
        *error = QStringLiteral("--format is csv or xlsx");
    else if (o.out.isEmpty())
        *error = QStringLiteral("--out FILE is missing");
    else if (o.from.isValid() && o.to.isValid() && o.to < o.from)
        *error = QStringLiteral("--to lies before --from");
    else
        return o;
    return std::nullopt;
}

// The account of a login name, with its name.
std::optional<std::pair<int, QString>> accountOf(Database& db, const QString& user, QString* error)
{
    auto q =
        db.query(QStringLiteral("SELECT ID, Kontonavn FROM Konti WHERE Kontouser = ?"), {user});
    if (q && q->next())
        return std::pair{q->value(0).toInt(), q->value(1).toString()};
    *error = user.isEmpty() ? QStringLiteral("--account USER is missing")
                            : QStringLiteral("no account with the user name %1").arg(user);
    return std::nullopt;
}

std::optional<SheetTable> listTable(Database& db, const ExportOptions& o, QString* title,
                                    QString* error)
{
    const QDate today = QDate::currentDate();
    const int from = o.from.isValid() ? DayNumber(o.from) : 0;
    const int to = o.to.isValid() ? DayNumber(o.to) : INT_MAX;
    QVector<ListControlColumn> columns;
    ListFillSource source;
    if (o.list == QStringLiteral("search")) {
        *title = QStringLiteral("Search");
        columns = SearchColumns();
        source = SearchFillSource({o.keyword, from, to, {1, 2, 3}});
    } else if (o.list == QStringLiteral("today")) {
        *title = QStringLiteral("Today's Bookings");
        columns = TodaysColumns();
        source = TodaysFillSource(DayNumber(o.from.isValid() ? o.from : today), {1, 2, 3});
    } else if (o.list == QStringLiteral("mine")) {
        const auto account = accountOf(db, o.account, error);
        if (!account)
            return std::nullopt;
        *title = QStringLiteral("My Bookings");
        columns = MyBookingsColumns();
        MyBookingsFilter filter;
        filter.account = account->first;
        filter.fromDay = from;
        filter.toDay = to;
        source = MyBookingsFillSource(filter); // single and repeated bookings alike
    } else if (o.list == QStringLiteral("tentative")) {
        *title = QStringLiteral("Tentative Bookings");
        columns = TentativeColumns();
        source = TentativeFillSource();
    } else if (o.list == QStringLiteral("expiring")) {
        *title = QStringLiteral("Expiring Repeated Bookings");
        columns = ExpiringColumns();
        source = ExpiringFillSource(o.from.isValid() ? from : DayNumber(today),
                                    o.to.isValid() ? to : DayNumber(today.addDays(31)));
    } else {
        *error = QStringLiteral("--list is search, today, mine, tentative or expiring");
        return std::nullopt;
    }
    const auto rows = ReadListRows(source, error);
    if (!rows)
        return std::nullopt;
    QList<QVariantList> cells;
    for (const ListRow& row : *rows)
        cells << row.cells;
    return ListTable(columns, cells);
}

std::optional<SheetTable> reportTable(Database& db, const ExportOptions& o, QString* title,
                                      QString* error)
{
    const QDate from = o.from.isValid() ? o.from : QDate::currentDate();
    const QDate to = o.to.isValid() ? o.to : from;
    const ReportPeriod period{DayNumber(from), DayNumber(to), from.toString(Qt::ISODate),
                              to.toString(Qt::ISODate)};
    std::optional<Report> report;
    if (o.report == QStringLiteral("totals")) {
        report = BuildPeriodTotals(db, period, error);
    } else if (o.report == QStringLiteral("details")) {
        const auto account = accountOf(db, o.account, error);
        if (!account)
            return std::nullopt;
        report = BuildPeriodDetail(db, period, account->first, account->second, error);
    } else if (o.report == QStringLiteral("overview")) {
        report = BuildOverview(db, period, OverviewKindsFor(OverviewChoice::All), error);
    } else if (o.report == QStringLiteral("resources")) {
        report = BuildResourceList(db, o.kind, error);
    } else if (o.report == QStringLiteral("accounts")) {
        report = BuildAccountList(db, error);
    } else {
        *error = QStringLiteral("--report is totals, details, overview, resources or accounts");
        return std::nullopt;
    }
    if (!report)
        return std::nullopt;
    *title = report->definition.title;
    return ReportSheet(*report);
}

CommandResult exportStore(const QStringList& args)
{
    QString error;
    const auto address = ParseAddress(args.value(0), &error);
    if (!address)
        return refused(error);
    const auto options = parseOptions(args, &error);
    if (!options)
        return refused(error, 2);
    std::optional<Database> db = OpenCurrentStore(*address, &error);
    if (!db)
        return refused(error);
    // The lists read the session's store, as in the windows.
    session().BookingFilePath = address->path;
    QString title;
    const auto table = options->list.isEmpty() ? reportTable(*db, *options, &title, &error)
                                               : listTable(*db, *options, &title, &error);
    if (!table)
        return refused(QStringLiteral("%1: not exported: %2").arg(address->path, error));
    const QByteArray bytes = options->format == QStringLiteral("xlsx")
                                 ? XlsxBytes(*table, title, &error)
                                 : CsvBytes(*table, StoreCsvOptions(*db));
    if (bytes.isEmpty() || !WriteFileSafely(options->out, bytes, &error))
        return refused(QStringLiteral("%1: not exported: %2").arg(address->path, error));
    const qsizetype n = table->rows.size();
    return {0,
            {QStringLiteral("wrote %1 %2 to %3")
                 .arg(n)
                 .arg(n == 1 ? QStringLiteral("row") : QStringLiteral("rows"), options->out)},
            {}};
}

} // namespace

AdminCommand ExportCommand()
{
    return {QStringLiteral("export"),
            QStringLiteral("ADDRESS (--list LIST | --report REPORT) --format csv|xlsx --out FILE\n"
                           "       [--from DATE] [--to DATE] [--keyword TEXT] [--account USER] "
                           "[--kind N]"),
            QStringLiteral(
                "Writes a list or a report to FILE as the windows' Export does.\n"
                "Every matching row goes, dates and times as dates and times, headings as\n"
                "printed.\n"
                "LIST is search (--keyword, --from, --to), today (the day --from, default\n"
                "today), mine (the bookings of --account USER, --from, --to), tentative, or\n"
                "expiring (repeated bookings ending --from to --to, default the next 31 days).\n"
                "REPORT is totals or details (of --account USER) for the period --from to\n"
                "--to, overview for that period, resources (--kind 1 domestic, 2 add-ons,\n"
                "3 stand-alones) or accounts. Dates are YYYY-MM-DD. CSV uses the locale's\n"
                "separator and decimal mark (LANG), dates 2026-12-09 and times 14:30."),
            3,
            21,
            &exportStore};
}

} // namespace vestra::admin
