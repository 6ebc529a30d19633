#include "reports/periodreports.h"

#include "report/reportformat.h"
#include "reports/reportcommon.h"
#include "session/session.h"

namespace vestra {

namespace {

enum class Kind { Totals, Detail };

// One row per resource item, its figures summed by the database: a year of
// an institution's archive is a million rows, and the report needs only the
// items. The archive is summed per item first, so the names of item, type
// and group are looked up once per item rather than once per archived
// booking. Groups are keyed on their numbers and ordered by name: two items
// of the same name in one type still get a line each.
QString periodSql(Kind kind)
{
    return QStringLiteral(
               "SELECT Overgruppenavne.overgruppenr, Overgruppenavne.OverGruppenavn, "
               "lokaliteter.Lokalitetsnr, lokaliteter.Lokalitetsnavn, "
               "a.Lokalenr, lokale.Lokalenavn, a.antal, a.Antalpers, a.Pris, a.antaltimer "
               "FROM (SELECT Lokalenr, count(*) AS antal, sum(Antalpers) AS Antalpers, "
               "sum(Pris) AS Pris, "
               // Hours are a fraction: 08:00 to 09:30 is 1.5, not 1.
               "sum((Bslut - Bstart) / 60.0) AS antaltimer "
               "FROM Bookingarkiv WHERE Bdato >= ? AND Bdato <= ? ")
           + (kind == Kind::Detail ? QStringLiteral("AND kontonr = ? ") : QString())
           + QStringLiteral(
               "GROUP BY Lokalenr) a "
               "INNER JOIN lokale ON a.Lokalenr = lokale.lokalenr "
               "INNER JOIN lokaliteter ON lokaliteter.Lokalitetsnr = lokale.lokalinr "
               "INNER JOIN Overgruppenavne "
               "ON Overgruppenavne.overgruppenr = lokaliteter.Overgruppenr "
               "ORDER BY Overgruppenavne.OverGruppenavn, Overgruppenavne.overgruppenr, "
               "lokaliteter.Lokalitetsnavn, lokaliteter.Lokalitetsnr, lokale.Lokalenavn, "
               "a.Lokalenr");
}

// Figure columns (mm), shared by the captions and every summary line.
constexpr qreal kFigureW = 22;
constexpr qreal kFigureX[] = {92, 114, 136, 158};
const char* const kFigureNames[] = {"Bookings", "Persons", "Hours", "Fee"};

void addFigures(ReportBand& band, const QString& prefix, qreal top, qreal height, int scope,
                bool strong)
{
    // Each row already holds an item's figures; every level sums them.
    const QString fields[] = {QStringLiteral("antal"), QStringLiteral("Antalpers"),
                              QStringLiteral("antaltimer"), QStringLiteral("Pris")};
    const QString formats[] = {QStringLiteral("#,##0"), QStringLiteral("#,##0"),
                               QStringLiteral("#,##0.00"), QLatin1String(kAmountFormat)};
    for (int i = 0; i < 4; ++i) {
        const QRectF rect(kFigureX[i], top, kFigureW, height);
        ReportItem item = ReportItem::sum(fields[i], rect, formats[i], scope);
        item.named(prefix + QString::fromLatin1(kFigureNames[i])).alignedRight();
        if (strong)
            item.bold();
        band.add(item);
    }
}

ReportItem nameOf(const QString& field, const QRectF& rect)
{
    return ReportItem::field(field, rect).named(field);
}

ReportItem totalOf(const QString& field, const QRectF& rect)
{
    return ReportItem::computed(
               [field](const ReportRow& row) {
                   return QStringLiteral("Total ") + row.value(field).toString();
               },
               rect)
        .named(QStringLiteral("Total") + field);
}

ReportDefinition periodDefinition(Kind kind, const ReportPeriod& period, const QString& accountName,
                                  const QImage& logo)
{
    ReportDefinition def;
    const qreal w = def.contentWidth();
    def.title = kind == Kind::Totals ? QStringLiteral("Period Totals")
                                     : QStringLiteral("Period Details (Account)");

    ReportBand& head = def.reportHeader;
    head.height = 30;
    head.add(ReportItem::label(def.title, {0, 0, 120, 10})
                 .named(QStringLiteral("Title"))
                 .pointSize(18)
                 .bold());
    head.add(ReportItem::label(QStringLiteral("Period: ") + period.fromText
                                   + QStringLiteral("  -  ") + period.toText,
                               {0, 12, 120, 6})
                 .named(QStringLiteral("Periode")));
    if (kind == Kind::Detail)
        head.add(ReportItem::label(accountName, {0, 19, 120, 6})
                     .named(QStringLiteral("AccName"))
                     .pointSize(11)
                     .bold());
    AddInstitutionLogo(head, logo, {w - 50, 0, 50, 26});

    ReportBand& captions = def.pageHeader;
    captions.height = 8;
    const char* const texts[] = {"#Bookings", "#Persons", "#Hours", "Fee"};
    for (int i = 0; i < 4; ++i)
        captions.add(ReportItem::label(QString::fromLatin1(texts[i]), {kFigureX[i], 1, kFigureW, 6})
                         .alignedRight()
                         .bold());
    captions.add(ReportItem::line({0, 7.5}, {w, 7.5}));
    // An export writes a row per item under the printed captions.
    def.exportColumns = {{QStringLiteral("OverGruppenavn"), QStringLiteral("Group")},
                         {QStringLiteral("Lokalitetsnavn"), QStringLiteral("Type")},
                         {QStringLiteral("Lokalenavn"), QStringLiteral("Item")}};
    const CellKind kinds[] = {CellKind::Number, CellKind::Number, CellKind::Number,
                              CellKind::Money};
    const char* const fields[] = {"antal", "Antalpers", "antaltimer", "Pris"};
    for (int i = 0; i < 4; ++i)
        def.exportColumns.append(
            {QString::fromLatin1(fields[i]), QString::fromLatin1(texts[i]), kinds[i]});

    ReportGroup& group = def.addGroup(QStringLiteral("overgruppenr"));
    group.header.height = 8;
    group.header.add(
        nameOf(QStringLiteral("OverGruppenavn"), {0, 1.5, 90, 6.5}).pointSize(12).bold());
    group.header.repeatOnNewPage = true;
    group.keep = GroupKeep::WithFirstDetail;
    group.footer.height = 10;
    group.footer.add(ReportItem::line({kFigureX[0], 0.5}, {w, 0.5}));
    group.footer.add(totalOf(QStringLiteral("OverGruppenavn"), {0, 1, 90, 6}).bold());
    addFigures(group.footer, QStringLiteral("Group"), 1, 6, kOwnGroup, true);

    ReportGroup& type = def.addGroup(QStringLiteral("Lokalitetsnr"));
    type.header.height = 6.5;
    type.header.add(nameOf(QStringLiteral("Lokalitetsnavn"), {5, 0.5, 85, 6}).bold());
    type.header.repeatOnNewPage = true;
    type.keep = GroupKeep::WithFirstDetail;
    type.footer.height = 8;
    type.footer.add(ReportItem::line({kFigureX[0], 0.5}, {w, 0.5}));
    type.footer.add(totalOf(QStringLiteral("Lokalitetsnavn"), {5, 1, 85, 5.5}));
    addFigures(type.footer, QStringLiteral("Type"), 1, 5.5, kOwnGroup, false);

    // One line per item: its footer carries the name beside its figures, so
    // the item's header stays empty rather than print the name twice.
    ReportGroup& item = def.addGroup(QStringLiteral("Lokalenr"));
    item.footer.height = 5.5;
    item.footer.add(nameOf(QStringLiteral("Lokalenavn"), {10, 0, 80, 5.5}));
    addFigures(item.footer, QStringLiteral("Item"), 0, 5.5, kOwnGroup, false);

    // The rows only feed the figures.
    def.detail.height = 0;

    ReportBand& end = def.reportFooter;
    end.height = 10;
    end.add(ReportItem::line({0, 1}, {w, 1}));
    end.add(ReportItem::line({0, 1.7}, {w, 1.7}));
    end.add(ReportItem::label(QStringLiteral("Total"), {0, 2.5, 90, 6.5})
                .named(QStringLiteral("ReportTotal"))
                .pointSize(11)
                .bold());
    addFigures(end, QStringLiteral("Report"), 2.5, 6.5, kWholeReport, true);
    if (kind == Kind::Detail) {
        end.add(ReportItem::label(QStringLiteral("No Bookings"), {10, 2.5, 80, 6.5})
                    .named(QStringLiteral("Lokalenavn")));
        end.onFormat = [](BandFormat& f) {
            const bool none = !f.row().isValid();
            f.setVisible(QStringLiteral("Lokalenavn"), none);
            f.setVisible(QStringLiteral("ReportTotal"), !none);
            for (const char* figure : kFigureNames)
                f.setVisible(QStringLiteral("Report") + QString::fromLatin1(figure), !none);
        };
    }

    AddInstitutionFooter(def, session());
    return def;
}

// One item's figures, summed over the stretches of the archive.
struct ItemSums {
    QVariant antal, persons, fee, hours;
};
QVariant added(const QVariant& sum, const QVariant& more)
{
    if (more.isNull())
        return sum;
    if (sum.isNull())
        return more;
    if (sum.typeId() == QMetaType::Double || more.typeId() == QMetaType::Double)
        return sum.toDouble() + more.toDouble();
    return sum.toLongLong() + more.toLongLong();
}

// A year of the archive is read a stretch of days at a time, each holding
// about kReportStretchRows bookings (a day is never split), so the count on
// screen moves by bookings summed, not by days. The items come in the
// order the database sorts their names in, as one statement would give.
std::optional<ReportRows> periodRows(Database& db, Kind kind, const ReportPeriod& period,
                                     int account, QString* error, const RowProgress& progress)
{
    const Statement whole = kind == Kind::Detail
                                ? PeriodDetailStatement(period.from, period.to, account)
                                : PeriodTotalsStatement(period.from, period.to);
    if (!progress)
        return ReportRows::fromDatabase(db, whole.sql, whole.binds, error);
    const auto failed = [&](const QString& reason) {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    QString where = QStringLiteral("FROM Bookingarkiv WHERE Bdato >= ? AND Bdato <= ?");
    QVariantList binds{period.from, period.to};
    if (kind == Kind::Detail) {
        where += QStringLiteral(" AND kontonr = ?");
        binds << account;
    }
    const QVariant counted = db.scalar(QStringLiteral("SELECT count(*) ") + where, binds);
    if (!counted.isValid())
        return failed(db.lastError());
    const int total = counted.toInt();
    if (!progress(0, total))
        return failed(ReportCancelledText());

    QHash<int, ItemSums> sums;
    int done = 0;
    for (int from = period.from, to = from; from <= period.to && done < total; from = to) {
        bool found = false;
        const int nth = db.scalar(QStringLiteral("SELECT Bdato ") + where
                                      + QStringLiteral(" AND Bdato >= ? ORDER BY Bdato "
                                                       "LIMIT 1 OFFSET ?"),
                                  binds + QVariantList{from, kReportStretchRows})
                            .toInt(&found);
        to = found ? std::max(from + 1, nth) : period.to + 1;
        auto q = db.query(QStringLiteral("SELECT Lokalenr, count(*), sum(Antalpers), sum(Pris), "
                                         "sum((Bslut - Bstart) / 60.0) ")
                              + where
                              + QStringLiteral(" AND Bdato >= ? AND Bdato < ? "
                                               "GROUP BY Lokalenr"),
                          binds + QVariantList{from, to});
        if (!q)
            return failed(db.lastError());
        while (q->next()) {
            ItemSums& item = sums[q->value(0).toInt()];
            item.antal = added(item.antal, q->value(1));
            item.persons = added(item.persons, q->value(2));
            item.fee = added(item.fee, q->value(3));
            item.hours = added(item.hours, q->value(4));
            done += q->value(1).toInt();
        }
        if (!progress(std::min(done, total), total))
            return failed(ReportCancelledText());
    }

    auto items = db.query(QStringLiteral(
        "SELECT Overgruppenavne.overgruppenr, Overgruppenavne.OverGruppenavn, "
        "lokaliteter.Lokalitetsnr, lokaliteter.Lokalitetsnavn, "
        "lokale.lokalenr AS Lokalenr, lokale.Lokalenavn FROM lokale "
        "INNER JOIN lokaliteter ON lokaliteter.Lokalitetsnr = lokale.lokalinr "
        "INNER JOIN Overgruppenavne ON Overgruppenavne.overgruppenr = lokaliteter.Overgruppenr "
        "ORDER BY Overgruppenavne.OverGruppenavn, Overgruppenavne.overgruppenr, "
        "lokaliteter.Lokalitetsnavn, lokaliteter.Lokalitetsnr, lokale.Lokalenavn, "
        "lokale.lokalenr"));
    if (!items)
        return failed(db.lastError());
    ReportRows rows({QStringLiteral("overgruppenr"), QStringLiteral("OverGruppenavn"),
                     QStringLiteral("Lokalitetsnr"), QStringLiteral("Lokalitetsnavn"),
                     QStringLiteral("Lokalenr"), QStringLiteral("Lokalenavn"),
                     QStringLiteral("antal"), QStringLiteral("Antalpers"), QStringLiteral("Pris"),
                     QStringLiteral("antaltimer")});
    while (items->next()) {
        const auto item = sums.constFind(items->value(4).toInt());
        if (item == sums.cend())
            continue;
        rows.append({items->value(0), items->value(1), items->value(2), items->value(3),
                     items->value(4), items->value(5), item->antal, item->persons, item->fee,
                     item->hours});
    }
    return rows;
}

std::optional<Report> buildPeriodReport(Database& db, Kind kind, const ReportPeriod& period,
                                        int account, const QString& accountName, QString* error,
                                        const RowProgress& progress)
{
    auto rows = periodRows(db, kind, period, account, error, progress);
    if (!rows)
        return std::nullopt;
    return Report(periodDefinition(kind, period, accountName, LoadInstitutionLogo(db)),
                  std::move(*rows));
}

} // namespace

Statement PeriodTotalsStatement(int fromDay, int toDay)
{
    return {periodSql(Kind::Totals), {fromDay, toDay}};
}

Statement PeriodDetailStatement(int fromDay, int toDay, int account)
{
    return {periodSql(Kind::Detail), {fromDay, toDay, account}};
}

std::optional<Report> BuildPeriodTotals(Database& db, const ReportPeriod& period, QString* error,
                                        const RowProgress& progress)
{
    return buildPeriodReport(db, Kind::Totals, period, 0, {}, error, progress);
}

std::optional<Report> BuildPeriodDetail(Database& db, const ReportPeriod& period, int account,
                                        const QString& accountName, QString* error,
                                        const RowProgress& progress)
{
    return buildPeriodReport(db, Kind::Detail, period, account, accountName, error, progress);
}

} // namespace vestra
