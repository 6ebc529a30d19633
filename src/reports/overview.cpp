#include "reports/overview.h"

#include "reports/reportcommon.h"
#include "session/session.h"

namespace vestra {

OverviewKinds OverviewKindsFor(OverviewChoice choice)
{
    switch (choice) {
    case OverviewChoice::Domestic:
        return {1, 100, 100, QStringLiteral("Domestic")};
    case OverviewChoice::AddOn:
        return {100, 2, 100, QStringLiteral("Add-On")};
    case OverviewChoice::StandAlone:
        return {100, 100, 3, QStringLiteral("Stand-Alone")};
    case OverviewChoice::All:
        break;
    }
    return {1, 2, 3, QStringLiteral("All Groups")};
}

Statement OverviewStatement(int fromDay, int toDay, const OverviewKinds& kinds)
{
    // The type comes from the booking itself (Bgruppe), so a booking whose
    // item row is gone keeps its place; DISTINCT folds rows as the grouping
    // on every column did.
    return {QStringLiteral(
                "SELECT DISTINCT Booking.Bookingnr, Booking.Beskrivelse, "
                "Overgruppenavne.OverGruppenavn, lokaliteter.Lokalitetsnavn, lokale.Lokalenavn, "
                "Konti.Kontonavn, Konti.kontokontakt, Konti.Kontotlf, Booking.Pris, "
                "Booking.Antalpers, Booking.Bstart, Booking.Bslut, Booking.Bdato, "
                "Overgruppenavne.Gruppeart, Overgruppenavne.overgruppenr, "
                "lokaliteter.Lokalitetsnr "
                "FROM Booking "
                "LEFT JOIN lokale ON lokale.lokalenr = Booking.Lokalenr "
                "INNER JOIN Konti ON Booking.kontonr = Konti.ID "
                "INNER JOIN lokaliteter ON Booking.Bgruppe = lokaliteter.Lokalitetsnr "
                "INNER JOIN Overgruppenavne "
                "ON Overgruppenavne.overgruppenr = lokaliteter.Overgruppenr "
                "WHERE Booking.Bdato >= ? AND Booking.Bdato <= ? "
                "AND Overgruppenavne.Gruppeart IN (?, ?, ?) "
                "ORDER BY Booking.Bdato, Overgruppenavne.OverGruppenavn, "
                "Overgruppenavne.overgruppenr, lokaliteter.Lokalitetsnavn, "
                "lokaliteter.Lokalitetsnr, Booking.Bstart, Booking.Bookingnr"),
            {fromDay, toDay, kinds.g1, kinds.g2, kinds.g3}};
}

namespace {

struct Column {
    const char* caption;
    const char* field;
    qreal x;
    qreal width;
};

// The start and end show as times of day; the rest as stored. Times and
// phone numbers ("+45 70 00 00 00") fit on one line of A4 portrait; longer
// names and descriptions wrap.
const Column kColumns[] = {
    {"Start", R"(=DateAdd("n", bstart, #12:00:00 AM#))", 2, 11},
    {"End", R"(=DateAdd("n", bslut, #12:00:00 AM#))", 14, 11},
    {"Ressource", "Lokalenavn", 26, 32},
    {"Description", "Beskrivelse", 59, 50},
    {"Account", "Kontonavn", 110, 40},
    {"Phone", "Kontotlf", 151, 29},
};
const char* const kItemNames[] = {"Bstart",      "Bslut",     "Lokalenavn",
                                  "Beskrivelse", "Kontonavn", "Kontotlf"};

ReportDefinition overviewDefinition(const ReportPeriod& period, const OverviewKinds& kinds,
                                    const QImage& logo)
{
    ReportDefinition def;
    def.title = QStringLiteral("Booking Overview");
    const qreal w = def.contentWidth();

    // Everything above the columns repeats on each page, as users file the
    // pages apart.
    ReportBand& head = def.pageHeader;
    head.height = 32;
    head.add(ReportItem::label(QStringLiteral("BOOKING OVERVIEW"), {0, 0, 120, 10})
                 .pointSize(18)
                 .bold());
    head.add(ReportItem::label(QStringLiteral("Period:"), {0, 12, 16, 6}).bold());
    head.add(
        ReportItem::label(period.fromText + QStringLiteral(" / ") + period.toText, {16, 12, 100, 6})
            .named(QStringLiteral("period")));
    head.add(ReportItem::label(kinds.text, {16, 18, 100, 6}).named(QStringLiteral("Sort")));
    AddInstitutionLogo(head, logo, {w - 50, 0, 50, 22});
    for (const Column& c : kColumns)
        head.add(ReportItem::label(QString::fromLatin1(c.caption), {c.x, 25, c.width, 6}).bold());
    head.add(ReportItem::line({0, 31.5}, {w, 31.5}));

    ReportGroup& day = def.addGroup(QStringLiteral("Bdato"));
    day.header.height = 9;
    day.header.repeatOnNewPage = true;
    day.keep = GroupKeep::WithFirstDetail;
    const QString date = QStringLiteral(R"(=DateAdd("d", bdato, #1/1/1900#))");
    day.header.add(ReportItem::field(date, {0, 2, 35, 6.5})
                       .named(QStringLiteral("Bdato"))
                       .pointSize(11)
                       .bold());
    day.header.add(ReportItem::field(date, {36, 2, 60, 6.5}, QStringLiteral("dddd"))
                       .named(QStringLiteral("Weekday"))
                       .pointSize(11)
                       .bold());
    day.header.add(ReportItem::line({0, 8.5}, {w, 8.5}));

    // A day that goes on over a page brings its group and type along, so
    // no line on the new page stands without its headings.
    ReportGroup& group = def.addGroup(QStringLiteral("overgruppenr"));
    group.header.height = 6.5;
    group.header.repeatOnNewPage = true;
    group.keep = GroupKeep::WithFirstDetail;
    group.header.add(ReportItem::field(QStringLiteral("OverGruppenavn"), {2, 0.5, 120, 6})
                         .named(QStringLiteral("OverGruppenavn"))
                         .bold());

    ReportGroup& type = def.addGroup(QStringLiteral("Lokalitetsnr"));
    type.header.height = 5.5;
    type.header.repeatOnNewPage = true;
    type.keep = GroupKeep::WithFirstDetail;
    ReportItem typeName = ReportItem::field(QStringLiteral("Lokalitetsnavn"), {5, 0, 120, 5.5})
                              .named(QStringLiteral("Lokalitetsnavn"));
    QFont italic = def.font;
    italic.setItalic(true);
    type.header.add(typeName.withFont(italic));

    // An export writes the day, group and type on every row, then the
    // columns under their printed captions.
    def.exportColumns = {{QStringLiteral("Bdato"), QStringLiteral("Date"), CellKind::Date},
                         {QStringLiteral("OverGruppenavn"), QStringLiteral("Group")},
                         {QStringLiteral("Lokalitetsnavn"), QStringLiteral("Type")}};
    def.detail.height = 5;
    for (int i = 0; i < int(std::size(kColumns)); ++i) {
        const Column& c = kColumns[i];
        const bool time = i < 2;
        def.detail.add(ReportItem::field(QString::fromLatin1(c.field), {c.x, 0, c.width, 5},
                                         time ? QStringLiteral("h:mm") : QString())
                           .named(QString::fromLatin1(kItemNames[i])));
        def.exportColumns.append({QString::fromLatin1(kItemNames[i]),
                                  QString::fromLatin1(kColumns[i].caption),
                                  time ? CellKind::Time : CellKind::Text});
    }

    AddInstitutionFooter(def, session());
    return def;
}

} // namespace

std::optional<Report> BuildOverview(Database& db, const ReportPeriod& period,
                                    const OverviewKinds& kinds, QString* error,
                                    const RowProgress& progress)
{
    const Statement st = OverviewStatement(period.from, period.to, kinds);
    auto rows = ReportRows::fromDatabase(db, st.sql, st.binds, error, progress);
    if (!rows)
        return std::nullopt;
    return Report(overviewDefinition(period, kinds, LoadInstitutionLogo(db)), std::move(*rows));
}

} // namespace vestra
