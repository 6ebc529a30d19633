#include "reports/receipts.h"

#include "booking/price.h"
#include "db/database.h"
#include "report/reportformat.h"
#include "reports/reportcommon.h"
#include "reports/reportrun.h"
#include "services/messages.h"
#include "session/session.h"

#include <QPrintPreviewDialog>

namespace vestra {

namespace {

enum class Kind { Single, Series };

// Only the series receipt reads the booking's tax flag; the columns are
// otherwise the same for both receipts.
QString receiptSql(Kind kind)
{
    // Concatenation treats a missing part as empty text, as the receipts
    // always printed it: a town without a postal code still shows.
    return QStringLiteral("SELECT DISTINCT Booking.Bookingnr, Booking.Beskrivelse, Konti.Kontotlf, "
                          "lokale.Lokalenavn, Booking.Pris, ")
           + (kind == Kind::Series ? QStringLiteral("Booking.tax, ") : QString())
           + QStringLiteral(
               "Konti.Kontoadresse, "
               "COALESCE(Konti.Kontopnr, '') || ' ' || COALESCE(Konti.Kontoby, '') AS PoB, "
               "Konti.Kontonavn, Booking.gennr, Konti.kontokontakt, Konti.kontomail, "
               "COALESCE(Booking.leveringstype, '') || ' at ' "
               "|| COALESCE(Booking.leveringssted, '') AS lev, "
               "lokale.lokalenr, Booking.Bemærkninger, Booking.Bstart, Booking.Bslut, "
               "Booking.Bdato "
               "FROM Booking "
               "INNER JOIN lokale ON Booking.Lokalenr = lokale.lokalenr "
               "INNER JOIN Konti ON Booking.kontonr = Konti.ID "
               "LEFT JOIN Homebases ON Homebases.ID = lokale.ID ")
           + (kind == Kind::Series ? QStringLiteral("WHERE Booking.gennr = ? ")
                                   : QStringLiteral("WHERE Booking.Bookingnr = ? "))
           // A series reads in the order it happens.
           + QStringLiteral("ORDER BY Booking.Bdato, Booking.Bstart, Booking.Bookingnr");
}

// Column positions (mm) shared by the page header and the detail.
constexpr qreal kNoX = 0, kNoW = 26;
constexpr qreal kDateX = 28, kDateW = 30;
constexpr qreal kStartX = 60, kStartW = 18;
constexpr qreal kEndX = 80, kEndW = 18;
constexpr qreal kItemX = 100, kItemW = 48;
constexpr qreal kFeeW = 30;
constexpr qreal kLabelX = 26; // values beside the header captions

void addReportHeader(ReportDefinition& def, Kind kind, const QImage& logo)
{
    const qreal w = def.contentWidth();
    ReportBand& band = def.reportHeader;
    band.height = 58;
    band.add(ReportItem::label(QStringLiteral(" Booking Reciept"), {0, 0, 120, 11})
                 .pointSize(18)
                 .bold());
    AddInstitutionLogo(band, logo, {w - 50, 0, 50, 22});
    band.add(ReportItem::computed([](const ReportRow&) { return QDate::currentDate(); },
                                  {w - 70, 24, 70, 6},
                                  kind == Kind::Single ? QStringLiteral("mmmm d, yyyy") : QString())
                 .named(QStringLiteral("Udate"))
                 .alignedRight());

    band.add(ReportItem::label(QStringLiteral("Booking:"), {0, 14, kLabelX, 6}).bold());
    band.add(ReportItem::field(QStringLiteral("Beskrivelse"), {kLabelX, 14, 90, 6})
                 .named(QStringLiteral("Beskrivelse"))
                 .pointSize(11)
                 .bold());

    band.add(ReportItem::label(QStringLiteral("Ordered by:"), {0, 22, kLabelX, 5.5}).bold());
    const char* const account[] = {"Kontonavn", "kontokontakt", "Kontoadresse",
                                   "PoB",       "Kontotlf",     "kontomail"};
    qreal y = 22;
    for (const char* field : account) {
        band.add(ReportItem::field(QString::fromLatin1(field), {kLabelX, y, 90, 5.5})
                     .named(QString::fromLatin1(field)));
        y += 5.5;
    }

    if (kind == Kind::Single) {
        band.add(ReportItem::label(QStringLiteral("Type:"), {120, 33, 14, 5.5}).bold());
        band.add(ReportItem::label(QStringLiteral("Single"), {134, 33, w - 134, 5.5}));
        band.add(ReportItem::field(QStringLiteral("Lokalenavn"), {134, 38.5, w - 134, 5.5})
                     .named(QStringLiteral("Lokalenavn")));
        band.add(ReportItem::label(QStringLiteral("No.:"), {120, 44, 14, 5.5}).bold());
        band.add(ReportItem::field(QStringLiteral("lokalenr"), {134, 44, w - 134, 5.5})
                     .named(QStringLiteral("lokalenr")));
    }
}

void addPageHeader(ReportDefinition& def, Kind kind)
{
    const qreal w = def.contentWidth();
    ReportBand& band = def.pageHeader;
    band.height = 9;
    band.add(ReportItem::label(QStringLiteral("Booking No."), {kNoX, 1, kNoW, 6}).bold());
    band.add(ReportItem::label(QStringLiteral("Date"), {kDateX, 1, kDateW, 6}).bold());
    band.add(ReportItem::label(QStringLiteral("Start"), {kStartX, 1, kStartW, 6}).bold());
    band.add(ReportItem::label(QStringLiteral("End"), {kEndX, 1, kEndW, 6}).bold());
    if (kind == Kind::Series)
        band.add(ReportItem::label(QStringLiteral("Ressource:"), {kItemX, 1, kItemW, 6}).bold());
    band.add(
        ReportItem::label(QStringLiteral("Fee"), {w - kFeeW, 1, kFeeW, 6}).alignedRight().bold());
    band.add(ReportItem::line({0, 8}, {w, 8}));
}

void addDetail(ReportDefinition& def, Kind kind)
{
    const qreal w = def.contentWidth();
    ReportBand& band = def.detail;
    band.height = 5.5;
    band.add(ReportItem::field(QStringLiteral("Bookingnr"), {kNoX, 0, kNoW, 5.5})
                 .named(QStringLiteral("Bookingnr")));
    band.add(ReportItem::field(QStringLiteral(R"(=DateAdd("d", bdato, #1/1/1900#))"),
                               {kDateX, 0, kDateW, 5.5})
                 .named(QStringLiteral("Bdato")));
    band.add(ReportItem::field(QStringLiteral(R"(=DateAdd("n", bstart, #12:00:00 AM#))"),
                               {kStartX, 0, kStartW, 5.5}, QStringLiteral("h:mm"))
                 .named(QStringLiteral("Bstart")));
    band.add(ReportItem::field(QStringLiteral(R"(=DateAdd("n", bslut, #12:00:00 AM#))"),
                               {kEndX, 0, kEndW, 5.5}, QStringLiteral("h:mm"))
                 .named(QStringLiteral("Bslut")));
    if (kind == Kind::Series)
        band.add(ReportItem::field(QStringLiteral("Lokalenavn"), {kItemX, 0, kItemW, 5.5})
                     .named(QStringLiteral("Lokalenavn")));
    band.add(ReportItem::field(QStringLiteral("Pris"), {w - kFeeW, 0, kFeeW, 5.5},
                               QLatin1String(kAmountFormat))
                 .named(QStringLiteral("Pris"))
                 .alignedRight());
    // An export writes the lines under the printed captions.
    def.exportColumns = {
        {QStringLiteral("Bookingnr"), QStringLiteral("Booking No."), CellKind::Number},
        {QStringLiteral("Bdato"), QStringLiteral("Date"), CellKind::Date},
        {QStringLiteral("Bstart"), QStringLiteral("Start"), CellKind::Time},
        {QStringLiteral("Bslut"), QStringLiteral("End"), CellKind::Time}};
    if (kind == Kind::Series)
        def.exportColumns.append({QStringLiteral("Lokalenavn"), QStringLiteral("Ressource:")});
    def.exportColumns.append({QStringLiteral("Beskrivelse"), QStringLiteral("Booking:")});
    def.exportColumns.append({QStringLiteral("Pris"), QStringLiteral("Fee"), CellKind::Money});
}

// An amount the footer's format event fills in.
ReportItem amount(const QString& name, const QRectF& rect)
{
    ReportItem item = ReportItem::label({}, rect);
    item.format = QLatin1String(kAmountFormat);
    return item.named(name).alignedRight();
}

void addReportFooter(ReportDefinition& def, bool taxbool, double taxPercent)
{
    const qreal w = def.contentWidth();
    const qreal x = 100;
    ReportBand& band = def.reportFooter;
    band.height = 58;
    band.add(ReportItem::field(QStringLiteral("Bemærkninger"), {0, 3, x - 4, 14})
                 .named(QStringLiteral("Bemærkninger"))
                 .aligned(Qt::AlignLeft | Qt::AlignTop)
                 .wrapped());
    band.add(ReportItem::line({x, 2}, {w, 2}));
    band.add(ReportItem::label(QStringLiteral("Sum"), {x, 3, 40, 6}));
    band.add(ReportItem::sum(QStringLiteral("Pris"), {w - 40, 3, 40, 6},
                             QLatin1String(kAmountFormat), kWholeReport)
                 .named(QStringLiteral("txtPris"))
                 .alignedRight());

    // The unbound check box: a box, crossed when tax is charged.
    band.add(ReportItem::box({x, 10.5, 3.5, 3.5}));
    ReportItem tick = ReportItem::label(QStringLiteral("X"), {x, 10.5, 3.5, 3.5})
                          .named(QStringLiteral("taxbool"))
                          .centered()
                          .pointSize(7);
    tick.visible = taxbool;
    band.add(tick);
    band.add(ReportItem::label({}, {x + 5, 9.5, 35, 6}).named(QStringLiteral("Taxtex")));
    band.add(amount(QStringLiteral("taxbel"), {w - 40, 9.5, 40, 6}));

    band.add(ReportItem::line({x, 16.5}, {w, 16.5}));
    band.add(ReportItem::label(QStringLiteral("Total"), {x, 17, 40, 7}).pointSize(10).bold());
    band.add(amount(QStringLiteral("total"), {w - 40, 17, 40, 7}).pointSize(10).bold());
    band.add(ReportItem::line({x, 24.5}, {w, 24.5}));
    band.add(ReportItem::line({x, 25.2}, {w, 25.2}));

    band.add(ReportItem::label(QStringLiteral("Signature :__________________________________"),
                               {0, 44, 130, 7}));

    band.onFormat = [taxbool, taxPercent](BandFormat& f) {
        // The rule works on the sum as printed, to the cent.
        const ReceiptTax tax = ReceiptTaxLine(f.value(QStringLiteral("txtPris")).toDouble(),
                                              taxbool, taxPercent, f.locale());
        f.setText(QStringLiteral("Taxtex"), tax.caption);
        f.setValue(QStringLiteral("taxbel"), tax.tax);
        f.setValue(QStringLiteral("total"), tax.total);
    };
}

std::optional<Report> buildReceipt(Database& db, Kind kind, int number, bool taxbool,
                                   double taxPercent, QString* error,
                                   const RowProgress& progress = {})
{
    const Statement st =
        kind == Kind::Single ? SingleReceiptStatement(number) : SeriesReceiptStatement(number);
    auto rows = ReportRows::fromDatabase(db, st.sql, st.binds, error, progress);
    if (!rows)
        return std::nullopt;

    ReportDefinition def;
    def.title = QStringLiteral("Booking Reciept");
    addReportHeader(def, kind, LoadInstitutionLogo(db));
    addPageHeader(def, kind);
    addDetail(def, kind);
    AddInstitutionFooter(
        def, session(), kind == Kind::Single ? QStringLiteral("CInfo1") : QStringLiteral("Cinfo1"));
    addReportFooter(def, taxbool, taxPercent);
    return Report(std::move(def), std::move(*rows));
}

} // namespace

Statement SingleReceiptStatement(int bookingnr)
{
    return {receiptSql(Kind::Single), {bookingnr}};
}

Statement SeriesReceiptStatement(int gennr)
{
    return {receiptSql(Kind::Series), {gennr}};
}

ReceiptTax ReceiptTaxLine(double shownSum, bool taxbool, double taxPercent, const QLocale& locale)
{
    // The booking form works its tax out the same way, so both show the same total.
    const TaxedAmount t = AddTax(shownSum, taxbool ? taxPercent : 0.0);
    if (!taxbool)
        return {QStringLiteral("No Tax"), 0, t.total};
    return {QStringLiteral("Tax ") + PlainNumber(taxPercent, locale) + u'%', t.tax, t.total};
}

std::optional<Report> BuildSingleReceipt(Database& db, int bookingnr, bool taxbool,
                                         double taxPercent, QString* error)
{
    return buildReceipt(db, Kind::Single, bookingnr, taxbool, taxPercent, error);
}

std::optional<Report> BuildSeriesReceipt(Database& db, int gennr, bool taxbool, double taxPercent,
                                         QString* error, const RowProgress& progress)
{
    return buildReceipt(db, Kind::Series, gennr, taxbool, taxPercent, error, progress);
}

QPrintPreviewDialog* ShowReceipt(int bookingnr, bool repeated, int gennr, bool taxbool,
                                 QWidget* parent)
{
    Database db = BookingFile();
    QString error;
    std::optional<Report> report;
    ProgressWindow shown(ReportProgressTexts(QStringLiteral("Booking Reciept")),
                         kReportStretchRows);
    if (db.isValid())
        report = repeated
                     ? BuildSeriesReceipt(db, gennr, taxbool, session().TaxPercent, &error,
                                          std::ref(shown))
                     : BuildSingleReceipt(db, bookingnr, taxbool, session().TaxPercent, &error);
    else
        error = QStringLiteral("The booking file could not be opened.");
    if (!report) {
        if (shown.cancelled())
            return nullptr;
        showMessage(QStringLiteral("The receipt could not be made:\n") + error,
                    QStringLiteral("Booking Reciept"), MsgIcon::Warning);
        return nullptr;
    }
    return report->showPreview(parent);
}

} // namespace vestra
