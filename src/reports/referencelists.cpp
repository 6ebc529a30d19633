#include "reports/referencelists.h"

#include "report/reportformat.h"
#include "reports/reportcommon.h"
#include "session/session.h"

namespace vestra {

namespace {

struct Column {
    const char* field;
    const char* caption;
    qreal width;
    const char* format = "";
    bool right = false;
};

const Column kDomesticColumns[] = {
    {"Lokalenavn", "Room Name", 40},
    {"maxprs", "#Pers", 12, "", true},
    {"Lejetime", "Fee/Hour", 20, kAmountFormat, true},
    {"lokbeskrivelse", "Description", 55},
    {"Lokfastinv", "Fixture", 36},
};

// Equipment: brand, model and supplier data need the paper's width. Dates
// with their four-digit year and phone numbers fit on one line; longer
// names wrap.
const Column kEquipmentColumns[] = {
    {"Lokalenavn", "Resource Name", 34}, {"Lejetime", "Fee/Hour", 18, kAmountFormat, true},
    {"lokfabrikat", "Brand", 22},        {"lokmodel", "Model", 22},
    {"loksernr", "Serial No#", 22},      {"lokårgang", "Year", 11},
    {"Leverandør", "Supplier", 30},      {"Garantislut", "Warranty", 23, "Short Date"},
    {"levphone", "Phone", 31},           {"nextservice", "Service", 23, "Short Date"},
};

// Columns start under the type name; a right-aligned figure keeps clear
// of the text beside it.
constexpr qreal kIndent = 4;
constexpr qreal kGap = 3;

template <std::size_t N>
void addColumns(ReportDefinition& def, ReportBand& captions, qreal captionTop,
                const Column (&columns)[N])
{
    def.detail.height = 5;
    qreal x = kIndent;
    for (const Column& c : columns) {
        const QString field = QString::fromUtf8(c.field);
        ReportItem caption =
            ReportItem::label(QString::fromLatin1(c.caption), {x, captionTop, c.width, 5.5}).bold();
        ReportItem value =
            ReportItem::field(field, {x, 0, c.width, 5}, QString::fromLatin1(c.format))
                .named(field);
        if (c.right) {
            caption.alignedRight();
            value.alignedRight();
        }
        captions.add(caption);
        def.detail.add(value);
        // An export heads each column as printed; fees are money, counts numbers.
        const CellKind kind = !c.right ? CellKind::Text
                              : QLatin1String(c.format) == QLatin1String(kAmountFormat)
                                  ? CellKind::Money
                                  : CellKind::Number;
        def.exportColumns.append({field, QString::fromLatin1(c.caption), kind});
        x += c.width + kGap;
    }
}

} // namespace

Statement ResourceListStatement(int kind)
{
    const QString items =
        kind == 1 ? QStringLiteral("lokale.maxprs, lokale.Lejetime, lokale.lokbeskrivelse, "
                                   "lokale.Lokfastinv ")
                  : QStringLiteral("lokale.Lejetime, lokale.lokfabrikat, lokale.lokmodel, "
                                   "lokale.loksernr, lokale.lokårgang, lokale.Leverandør, "
                                   "lokale.Garantislut, lokale.levphone, lokale.nextservice ");
    return {QStringLiteral("SELECT Gruppetyper.gruppeart, Gruppetyper.GTypenavn, "
                           "Overgruppenavne.OverGruppenavn, lokaliteter.Lokalitetsnavn, "
                           "lokale.Lokalenavn, ")
                + items
                + QStringLiteral(
                    ", Overgruppenavne.overgruppenr, lokaliteter.Lokalitetsnr "
                    "FROM Overgruppenavne "
                    "INNER JOIN lokaliteter "
                    "ON Overgruppenavne.overgruppenr = lokaliteter.Overgruppenr "
                    "INNER JOIN lokale ON lokaliteter.Lokalitetsnr = lokale.lokalinr "
                    "INNER JOIN Gruppetyper ON Overgruppenavne.Gruppeart = Gruppetyper.gruppeart "
                    "WHERE Gruppetyper.gruppeart = ? "
                    "ORDER BY Gruppetyper.GTypenavn, Overgruppenavne.OverGruppenavn, "
                    "Overgruppenavne.overgruppenr, lokaliteter.Lokalitetsnavn, "
                    "lokaliteter.Lokalitetsnr, lokale.Lokalenavn, lokale.lokalenr"),
            {kind}};
}

QString ResourceListTitle(int kind)
{
    switch (kind) {
    case 1:
        return QStringLiteral("Resource List  -  Domestic");
    case 2:
        return QStringLiteral("Resource List  -  Add-Ons");
    default:
        return QStringLiteral("Resource List  -  Stand-Alones");
    }
}

std::optional<Report> BuildResourceList(Database& db, int kind, QString* error,
                                        const RowProgress& progress)
{
    const Statement st = ResourceListStatement(kind);
    auto rows = ReportRows::fromDatabase(db, st.sql, st.binds, error, progress);
    if (!rows)
        return std::nullopt;

    ReportDefinition def;
    def.title = ResourceListTitle(kind);
    if (kind != 1)
        def.orientation = QPageLayout::Landscape;
    const qreal w = def.contentWidth();

    const QImage logo = LoadInstitutionLogo(db);
    def.reportHeader.height = logo.isNull() ? 14 : 26;
    def.reportHeader.add(ReportItem::label(def.title, {0, 0, 150, 10})
                             .named(QStringLiteral("Title"))
                             .pointSize(18)
                             .bold());
    AddInstitutionLogo(def.reportHeader, logo, {w - 50, 0, 50, 22});

    def.exportColumns = {{QStringLiteral("OverGruppenavn"), QStringLiteral("Group")},
                         {QStringLiteral("Lokalitetsnavn"), QStringLiteral("Type")}};
    ReportGroup& group = def.addGroup(QStringLiteral("overgruppenr"));
    group.keep = GroupKeep::WithFirstDetail;
    group.header.repeatOnNewPage = true;
    group.header.height = 9;
    group.header.add(ReportItem::field(QStringLiteral("OverGruppenavn"), {0, 2, w, 6.5})
                         .named(QStringLiteral("OverGruppenavn"))
                         .pointSize(12)
                         .bold());

    // The captions stand under each type, so a type continued on the next
    // page brings them along.
    ReportGroup& type = def.addGroup(QStringLiteral("Lokalitetsnr"));
    type.keep = GroupKeep::WithFirstDetail;
    type.header.repeatOnNewPage = true;
    type.header.height = 14;
    type.header.add(ReportItem::field(QStringLiteral("Lokalitetsnavn"), {2, 1, w - 2, 6})
                        .named(QStringLiteral("Lokalitetsnavn"))
                        .pointSize(10)
                        .bold());
    type.header.add(ReportItem::line({kIndent, 13}, {w, 13}));
    if (kind == 1)
        addColumns(def, type.header, 7.5, kDomesticColumns);
    else
        addColumns(def, type.header, 7.5, kEquipmentColumns);
    type.footer.height = 3;

    AddInstitutionFooter(def, session());
    return Report(std::move(def), std::move(*rows));
}

namespace {

struct AccountColumn {
    const char* field;
    const char* caption;
    qreal width;
};

const AccountColumn kAccountColumns[] = {
    // No password column: a printout must not carry any login.
    {"Kontonavn", "Name", 56},
    {"kontokontakt", "Contact", 48},
    {"Kontotlf", "Phone", 30},
    {"kontomail", "Mail", 66},
    {"Kontouser", "Username", 38},
    {"admin", "Admin", 12},
    {"ID", "", 12},
};

bool isSet(const QVariant& flag)
{
    return !flag.isNull() && flag.toInt() != 0;
}

} // namespace

std::optional<Report> BuildAccountList(Database& db, QString* error, const RowProgress& progress)
{
    auto rows = ReportRows::fromDatabase(
        db,
        // The saved query's order puts an unset flag (empty) apart from 0 and
        // a set one (-1) between them; ordering on the state keeps one
        // "Active" and one "Archived" group per type, the active first.
        QStringLiteral("SELECT Kontotype, archived, Kontonavn, kontokontakt, Kontotlf, kontomail, "
                       "Kontouser, admin, ID FROM kontoudskrift "
                       "ORDER BY Kontotype, "
                       "CASE WHEN archived IS NULL OR archived = 0 THEN 0 ELSE 1 END, "
                       "Kontonavn, ID"),
        {}, error, progress);
    if (!rows)
        return std::nullopt;

    ReportDefinition def;
    def.title = QStringLiteral("Accounts");
    def.orientation = QPageLayout::Landscape;
    const qreal w = def.contentWidth();

    ReportBand& head = def.pageHeader;
    head.height = 28;
    head.add(ReportItem::label(def.title, {0, 0, 120, 10})
                 .named(QStringLiteral("Title"))
                 .pointSize(18)
                 .bold());
    AddInstitutionLogo(head, LoadInstitutionLogo(db), {w - 50, 0, 50, 20});
    head.add(ReportItem::line({0, 27.5}, {w, 27.5}));

    def.detail.height = 5.5;
    qreal x = 0;
    for (const AccountColumn& c : kAccountColumns) {
        const QString field = QString::fromLatin1(c.field);
        head.add(ReportItem::label(QString::fromLatin1(c.caption), {x, 21.5, c.width, 6}).bold());
        if (field == QLatin1String("admin")) {
            // The check box: a box, crossed for an administrator.
            def.detail.add(ReportItem::box({x + 1, 1, 3.5, 3.5}));
            def.detail.add(ReportItem::label(QStringLiteral("X"), {x + 1, 1, 3.5, 3.5})
                               .named(field)
                               .centered()
                               .pointSize(7));
        } else {
            def.detail.add(ReportItem::field(field, {x, 0, c.width - kGap, 5.5}).named(field));
            if (c.caption[0])
                def.exportColumns.append({field, QString::fromLatin1(c.caption)});
        }
        x += c.width;
    }
    def.detail.onFormat = [](BandFormat& f) {
        f.setVisible(QStringLiteral("admin"), isSet(f.row().value(QStringLiteral("admin"))));
    };

    ReportGroup& type = def.addGroup(QStringLiteral("Kontotype"));
    type.header.height = 9;
    type.header.repeatOnNewPage = true;
    type.keep = GroupKeep::WithFirstDetail;
    type.header.add(ReportItem::label({}, {0, 2, 100, 6.5})
                        .named(QStringLiteral("txttype"))
                        .pointSize(12)
                        .bold());
    type.header.onFormat = [](BandFormat& f) {
        f.setText(QStringLiteral("txttype"),
                  f.row().value(QStringLiteral("Kontotype")).toString() == QLatin1String("p")
                      ? QStringLiteral("Personal")
                      : QStringLiteral("Group"));
    };

    // An unset flag may be stored empty or 0: both are "Active".
    ReportGroup& state = def.addGroup(QStringLiteral("archived"), [](const ReportRow& row) {
        return QVariant(isSet(row.value(QStringLiteral("archived"))));
    });
    state.header.height = 7;
    state.header.repeatOnNewPage = true;
    state.keep = GroupKeep::WithFirstDetail;
    state.header.add(ReportItem::label({}, {3, 1, 100, 6}).named(QStringLiteral("txtarc")).bold());
    state.header.onFormat = [](BandFormat& f) {
        f.setText(QStringLiteral("txtarc"), isSet(f.row().value(QStringLiteral("archived")))
                                                ? QStringLiteral("Archived")
                                                : QStringLiteral("Active"));
    };
    state.footer.height = 2;

    AddInstitutionFooter(def, session());
    return Report(std::move(def), std::move(*rows));
}

QPrintPreviewDialog* ShowResourceList(int kind, QWidget* owner)
{
    return PreviewReport(
        ResourceListTitle(kind),
        [kind](Database& db, QString* error, const RowProgress& progress) {
            return BuildResourceList(db, kind, error, progress);
        },
        owner);
}

QPrintPreviewDialog* ShowAccountList(QWidget* owner)
{
    return PreviewReport(QStringLiteral("Accounts"), &BuildAccountList, owner);
}

} // namespace vestra
