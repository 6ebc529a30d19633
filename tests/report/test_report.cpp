#include "db/database.h"
#include "report/reportformat.h"
#include "report/reportlist.h"
#include "report/reportoutput.h"
#include "support/printers.h"
#include "support/reportpages.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vestra {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kDanish(QLocale::Danish, QLocale::Denmark);

// ---------------------------------------------------------------- formats

struct FormatCase {
    QVariant value;
    const char* format;
    const QLocale* locale; // none: the same in every locale
    const char* expected;
    const char* fileDates = nullptr; // the booking file's date format
};

TEST(ReportFormat, NumbersDatesAndTimesThroughOneConverter)
{
    const FormatCase cases[] = {
        // amounts, with the locale's separators
        {1250.0, "#,##0.00", &kUs, "1,250.00"},
        {1250.0, "#,##0.00", &kDanish, "1.250,00"},
        {1234567.891, "#,##0", &kUs, "1,234,568"},
        {1250.5, "0.00", &kDanish, "1250,50"},
        {0.4, "0", &kUs, "0"},
        // halves go away from zero, also where binary storage misses the half
        {0.125, "0.00", &kUs, "0.13"},
        {2.5, "0", &kUs, "3"},
        {312.625, "#,##0.00", &kDanish, "312,63"},
        {1563.125, "Standard", &kDanish, "1.563,13"},
        {-0.125, "0.00", &kUs, "-0.13"},
        // signs, sections, optional digits, percent, literal text
        {-0.001, "0.00", &kUs, "0.00"},
        {-5, "0.00;(0.00)", &kUs, "(5.00)"},
        {0, "0.00;(0.00);\"nil\"", &kUs, "nil"},
        {12.5, "0.##", &kUs, "12.5"},
        {12.0, "0.##", &kUs, "12"},
        {0.25, "0%", &kUs, "25%"},
        {99.5, "\"kr \"#,##0.00", &kDanish, "kr 99,50"},
        // SQLite hands numbers back as text at times
        {"12.5", "0.00", &kUs, "12.50"},
        {"abc", "0.00", &kUs, "abc"},
        // times
        {QTime(8, 5), "h:mm", &kUs, "8:05"},
        {QTime(8, 5), "hh:mm", &kUs, "08:05"},
        {QTime(8, 5), "HH:mm", &kUs, "08:05"},
        {QTime(14, 5), "h:mm AM/PM", &kUs, "2:05 PM"},
        {QTime(0, 15), "h:nn am/pm", &kUs, "12:15 am"},
        {QTime(9, 5), "Short Time", &kUs, "09:05"},
        {0.5, "h:mm", &kUs, "12:00"},          // a number used as a date: noon of day zero
        {785 / 1440.0, "h:mm", &kUs, "13:05"}, // a hair under 13:05 as a double
        // dates
        {QDate(2024, 3, 4), "dddd", &kUs, "Monday"},
        {QDate(2024, 3, 4), "dddd", &kDanish, "mandag"},
        {QDate(2024, 3, 4), "ddd d mmm", &kUs, "Mon 4 Mar"},
        {QDate(2024, 3, 4), "mmmm d, yyyy", &kUs, "March 4, 2024"},
        {QDate(2024, 3, 4), "d/m/yy", &kUs, "4/3/24"},
        {QDate(2024, 3, 4), "Short Date", &kUs, "3/4/2024"},
        {QDate(2024, 3, 4), "Short Date", &kDanish, "04.03.2024"},
        {"2025-06-30", "Short Date", &kUs, "6/30/2025"},
        {QDateTime(QDate(2024, 3, 4), QTime(9, 7)), "yyyy-mm-dd hh:mm", &kUs, "2024-03-04 09:07"},
        {QDate(2024, 3, 4), "\"Day\" d", &kUs, "Day 4"},
        // the booking file's date format, in every locale; names stay the locale's
        {QDate(2024, 3, 4), "Short Date", nullptr, "04-03-2024", "dd-mm-yyyy"},
        {QDate(2024, 3, 4), "", nullptr, "04-03-2024", "dd-mm-yyyy"},
        {QDateTime(QDate(2024, 3, 4), QTime(9, 7)), "General Date", nullptr, "04-03-2024 9:07:00",
         "dd-mm-yyyy"},
        {QDate(2024, 3, 4), "ddddd", nullptr, "04-03-2024", "dd-mm-yyyy"},
        {QDate(2024, 3, 4), "Short Date", nullptr, "03-04-2024", "mm-dd-yyyy"},
        {QDate(2024, 3, 4), "dddd", &kDanish, "mandag", "mm-dd-yyyy"},
        // a file format that would name itself falls back instead of recursing
        {QDate(2024, 3, 4), "Short Date", &kDanish, "04.03.2024", "ddddd"},
        // empty values stay empty, whatever the format
        {QVariant(), "0.00", &kUs, ""},
        {QVariant(QMetaType(QMetaType::Double)), "#,##0.00", &kUs, ""},
        // no format: the value's plain text in the locale
        {12.5, "", &kDanish, "12,5"},
        {"Room 1", "", &kUs, "Room 1"},
    };
    for (const FormatCase& c : cases) {
        SetFileDateFormat(QString::fromUtf8(c.fileDates));
        for (const QLocale* locale : c.locale ? QList{c.locale} : QList{&kUs, &kDanish})
            EXPECT_EQ(FormatValue(c.value, QString::fromUtf8(c.format), *locale),
                      QString::fromUtf8(c.expected))
                << c.format << " on " << c.value.toString().toStdString() << " in "
                << locale->name().toStdString() << " with file dates "
                << (c.fileDates ? c.fileDates : "");
    }
    SetFileDateFormat({});
}

TEST(ReportFormat, AmountsRoundHalvesAwayFromZeroAndPrintGroupedPlainNumbersNot)
{
    const struct {
        double value, rounded;
    } cases[] = {{2.675, 2.68}, {1.005, 1.01}, {-0.125, -0.13},
                 {0.124, 0.12}, {-0.004, 0},   {1e6 + 0.005, 1e6 + 0.01}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(RoundAmount(c.value), c.rounded) << c.value;
    EXPECT_DOUBLE_EQ(RoundAmount(2.5, 0), 3);
    // Plain numbers, for captions like the tax line, are never grouped.
    EXPECT_EQ(QStringList({FormatAmount(1563.125, kDanish), FormatAmount(-0.001, kUs),
                           PlainNumber(25, kUs), PlainNumber(12.5, kDanish),
                           PlainNumber(1250.75, kDanish), PlainNumber(0.1 + 0.2, kUs)}),
              QStringList({"1.563,13", "0.00", "25", "12,5", "1250,75", "0.3"}));
}

TEST(ReportFormat, DayNumbersAndMinutesAsDatesAndTimes)
{
    EXPECT_EQ(QList({ReportDate(0), ReportDate(QDate(1900, 1, 1).daysTo(QDate(2024, 2, 29))),
                     ReportDate(QVariant())}),
              QList({QDate(1900, 1, 1), QDate(2024, 2, 29), QDate()}));
    // 1440: a booking ending at midnight.
    EXPECT_EQ(QList({ReportTime(570), ReportTime(1440), ReportTime("x")}),
              QList({QTime(9, 30), QTime(0, 0), QTime()}));

    // The receipts' tests read the DateAdd expressions they print; an
    // expression the reports cannot evaluate is refused with a reason.
    QString error;
    EXPECT_FALSE(ReportExpression("=IIf(a, b, c)", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(ReportExpression(R"(=DateAdd("q", bdato, #1/1/1900#))"));
}

// ---------------------------------------------------------------- rows

TEST(ReportRowsTest, FieldNamesMatchWhateverTheirCase)
{
    const ReportRows rows =
        ReportRows::fromMaps({{{"Pris", 100.0}, {"Bemærkninger", "x"}}, {{"pris", 50.0}}});
    ASSERT_EQ(rows.count(), 2);
    // A map keeps its keys sorted; the second map's "pris" is the same field.
    EXPECT_EQ(rows.fields(), QStringList({"Bemærkninger", "Pris"}));
    // A missing field or row gives an invalid value.
    EXPECT_EQ(
        QVariantList({rows.value(0, "PRIS"), rows.value(1, "Pris"), rows.row(0)["BEMÆRKNINGER"],
                      rows.value(0, "missing"), rows.value(5, "Pris")}),
        QVariantList({100.0, 50.0, "x", QVariant(), QVariant()}));
    EXPECT_TRUE(rows.value(1, "bemærkninger").isNull());

    // A query that fails gives no rows and says why, for the report to say.
    QTemporaryDir dir;
    const QString path = dir.filePath("rows.mdb");
    {
        Database db = Database::create(path);
        QString error;
        EXPECT_FALSE(ReportRows::fromDatabase(db, "SELECT nope FROM nothing", {}, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    Database::closeAll(path);
}

// ---------------------------------------------------------------- layout

// Archive statistics: groups on resource group and type, details hidden,
// counts and sums in the footers.
ReportDefinition archiveDefinition()
{
    ReportDefinition def;
    def.pageHeader.height = 6;
    def.pageHeader.add(ReportItem::label("#Bookings", {80, 0, 20, 6}));
    for (int level = 0; level < 2; ++level) {
        const QString field = level == 0 ? "OverGruppenavn" : "Lokalitetsnavn";
        const QString n = QString::number(level);
        ReportGroup& g = def.addGroup(field);
        g.header.height = 6;
        g.header.add(ReportItem::field(field, {level * 5.0, 0, 60, 6}).named("head" + field));
        g.footer.height = 6;
        g.footer.add(ReportItem::count("Pris", {80, 0, 20, 6}, "#,##0").named("count" + n));
        ReportItem h = ReportItem::sum({}, {120, 0, 20, 6}, "#,##0.00");
        h.compute = [](const ReportRow& row) -> QVariant {
            return (row.value("Bslut").toDouble() - row.value("Bstart").toDouble()) / 60.0;
        };
        g.footer.add(h.named("hours" + n));
        g.footer.add(ReportItem::sum("Pris", {140, 0, 30, 6}, "#,##0.00").named("fee" + n));
    }
    def.detail.height = 5;
    def.detail.visible = false;
    def.reportFooter.height = 6;
    def.reportFooter.add(ReportItem::sum("Pris", {140, 0, 30, 6}, "#,##0.00").named("grandfee"));
    def.reportFooter.add(ReportItem::count("Pris", {80, 0, 20, 6}).named("grandcount"));
    return def;
}

TEST(ReportLayoutTest, GroupFootersCarryTheirOwnGroupsCountsAndSums)
{
    const QStringList fields{"OverGruppenavn", "Lokalitetsnavn", "Bstart", "Bslut", "Pris"};
    const ReportRows rows(fields, {{"Halls", "Large", 480, 570, 1000.0}, // 08:00 - 09:30
                                   {"Halls", "Large", 600, 660, 250.5},
                                   {"Halls", "Small", 480, 540, 100.0},
                                   {"Vehicles", "Vans", 480, 1080, 1200.0},
                                   {"Vehicles", "Vans", 480, 600, QVariant()}}); // no fee
    const LaidOutReport report = LayoutReport(archiveDefinition(), rows, kUs);
    ASSERT_EQ(report.pageCount(), 1);
    const LaidOutPage& page = report.pages[0];

    // Every item in page order, as name=text. Each footer: the count of fees
    // (the missing one is not counted), the hours and the fees.
    QStringList texts;
    for (const PlacedItem& item : page.items)
        texts << item.name + '=' + item.text;
    EXPECT_EQ(
        texts.join(" | "),
        "=#Bookings | headOverGruppenavn=Halls | headLokalitetsnavn=Large | count1=2 | "
        "hours1=2.50 | fee1=1,250.50 | headLokalitetsnavn=Small | count1=1 | hours1=1.00 | "
        "fee1=100.00 | count0=3 | hours0=3.50 | fee0=1,350.50 | headOverGruppenavn=Vehicles | "
        "headLokalitetsnavn=Vans | count1=1 | hours1=12.00 | fee1=1,200.00 | count0=1 | "
        "hours0=12.00 | fee0=1,200.00 | grandfee=2,550.50 | grandcount=4");
    EXPECT_TRUE(page.bandsOf(BandKind::Detail).isEmpty()); // hidden details still count

    // Headers open outermost first, footers close innermost first.
    QStringList order;
    for (const PlacedBand& b : page.bands)
        if (b.kind == BandKind::GroupHeader || b.kind == BandKind::GroupFooter)
            order << QString::asprintf(b.kind == BandKind::GroupHeader ? "H%d:%d" : "F%d:%d",
                                       b.group, b.row);
    EXPECT_EQ(order, QStringList({"H0:0", "H1:0", "F1:1", "H1:2", "F1:2", "F0:2", "H0:3", "H1:3",
                                  "F1:4", "F0:4"}));

    // An inner group breaks when an outer key changes, even with the same name.
    const LaidOutReport same = LayoutReport(
        archiveDefinition(),
        ReportRows(fields, {{"Halls", "Main", 0, 60, 10.0}, {"Rooms", "Main", 0, 60, 20.0}}), kUs);
    EXPECT_EQ(same.textsNamed("fee1"), QStringList({"10.00", "20.00"}));
    EXPECT_EQ(same.textsNamed("headLokalitetsnavn"), QStringList({"Main", "Main"}));
}

ReportRows manyBookings(int count, int perGroup)
{
    ReportRows rows({"Gruppe", "Bookingnr", "Pris"});
    for (int i = 0; i < count; ++i)
        rows.append({QStringLiteral("Group %1").arg(QChar(u'A' + i / perGroup)), i + 1, 10.0});
    return rows;
}

ReportDefinition groupedList()
{
    ReportDefinition def;
    def.reportHeader.height = 15;
    def.reportHeader.add(ReportItem::label("BOOKING OVERVIEW", {0, 0, 100, 10}));
    def.pageHeader.height = 8;
    def.pageHeader.add(ReportItem::label("Booking No.", {0, 0, 40, 6}).named("cap"));
    ReportGroup& g = def.addGroup("Gruppe");
    g.header.height = 8;
    g.header.add(ReportItem::field("Gruppe", {0, 0, 80, 8}).named("group"));
    g.footer.height = 6;
    g.footer.add(ReportItem::sum("Pris", {100, 0, 30, 6}, "0.00").named("groupsum"));
    def.detail.height = 6;
    def.detail.add(ReportItem::field("Bookingnr", {0, 0, 30, 6}).named("nr"));
    def.pageFooter.height = 10;
    def.pageFooter.add(ReportItem::pageNumber({100, 2, 60, 6}).named("page"));
    return def;
}

TEST(ReportLayoutTest, AContinuedGroupRepeatsItsHeaderOnTheNextPageWhenAsked)
{
    ReportDefinition def = groupedList();
    def.groups[0].header.repeatOnNewPage = true;
    const LaidOutReport report = LayoutReport(def, manyBookings(60, 60), kUs);
    ASSERT_EQ(report.pageCount(), 2);
    EXPECT_EQ(report.pages[0].textsNamed("group"), QStringList{"Group A"});
    EXPECT_EQ(report.pages[1].textsNamed("group"), QStringList{"Group A"});
    // Right below the page header, before the rows that follow.
    const QVector<PlacedBand>& bands = report.pages[1].bands;
    ASSERT_GE(bands.size(), 3);
    EXPECT_EQ(QList({bands[0].kind, bands[1].kind, bands[2].kind}),
              QList({BandKind::PageHeader, BandKind::GroupHeader, BandKind::Detail}));

    def.groups[0].header.repeatOnNewPage = false;
    const LaidOutReport plain = LayoutReport(def, manyBookings(60, 60), kUs);
    EXPECT_TRUE(plain.pages[1].textsNamed("group").isEmpty());
}

// Rows of group A that leave roomLeft millimetres at the bottom of page 1,
// then five rows of group B (1000 to 1004).
ReportRows rowsLeavingRoomForGroupB(const ReportDefinition& def, qreal roomLeft)
{
    const qreal body = def.paperSize().height() - def.margins.top() - def.margins.bottom()
                       - def.pageFooter.height - def.reportHeader.height - def.pageHeader.height;
    const qreal perGroup = def.groups[0].header.height + def.groups[0].footer.height;
    const int first = int((body - perGroup - roomLeft) / def.detail.height);
    ReportRows rows({"Gruppe", "Bookingnr", "Pris"});
    for (int i = 0; i < first; ++i)
        rows.append({"Group A", i, 1.0});
    for (int i = 0; i < 5; ++i)
        rows.append({"Group B", 1000 + i, 1.0});
    return rows;
}

TEST(ReportLayoutTest, KeepRulesMoveAGroupRatherThanSplitIt)
{
    const struct {
        qreal roomLeft;
        GroupKeep keep;
        int headerPage, firstRowPage, lastRowPage;
    } cases[] = {
        {20, GroupKeep::None, 0, 0, 1},            // B's header and one row fit, the rest turns
        {20, GroupKeep::All, 1, 1, 1},             // the whole group moves
        {20, GroupKeep::WithFirstDetail, 0, 0, 1}, // its first row fits below the header
        {10, GroupKeep::None, 0, 1, 1},            // room for the header alone
        {10, GroupKeep::WithFirstDetail, 1, 1, 1}, // no header left alone at the bottom
    };
    for (const auto& c : cases) {
        ReportDefinition def = groupedList();
        def.groups[0].keep = c.keep;
        const LaidOutReport r = LayoutReport(def, rowsLeavingRoomForGroupB(def, c.roomLeft), kUs);
        SCOPED_TRACE(testing::Message() << c.roomLeft << " mm, keep " << int(c.keep));
        EXPECT_EQ(std::tuple(r.pageOf("Group B"), r.pageOf("1000"), r.pageOf("1004")),
                  std::tuple(c.headerPage, c.firstRowPage, c.lastRowPage));
    }
}

TEST(ReportLayoutTest, ATextTooWideForItsBoxWrapsAndItsRowGrows)
{
    ReportDefinition def;
    def.detail.add(ReportItem::field("Text", {0, 0, 30, 5}).named("text"));
    def.detail.add(ReportItem::field("Phone", {40, 0, 40, 5}).named("phone"));
    def.detail.add(ReportItem::line({0, 5}, {80, 5}).named("rule"));
    def.detail.add(ReportItem::field("Note", {0, 5, 80, 4}).named("note").wrapped());
    def.detail.height = 9;
    const ReportRows rows(
        {"Text", "Phone", "Note"},
        {{"short", "+45 7000 0000", "ok"},
         {"a description far too long for thirty millimetres", "+45 7000 0001", "ok"},
         {"short", "+45 7000 0002",
          "a remark that runs on and on and does not "
          "end within one line of eighty millimetres"},
         {"last", "+45 7000 0003", "ok"}});
    const LaidOutReport r = LayoutReport(def, rows, kUs);
    ASSERT_EQ(r.pageCount(), 1);
    const QVector<PlacedBand> bands = r.pages[0].bandsOf(BandKind::Detail);
    ASSERT_EQ(bands.size(), 4);
    EXPECT_DOUBLE_EQ(bands[0].rect.height(), 9) << "what fits keeps its height";
    EXPECT_GT(bands[1].rect.height(), 12) << "a wrapped text takes its lines";
    EXPECT_GT(bands[2].rect.height(), 10) << "a wrapped remark too";
    for (int i = 1; i < 4; ++i)
        EXPECT_NEAR(bands[i].rect.top(), bands[i - 1].rect.bottom(), 1e-9) << "rows never overlap";

    // In the grown row the text keeps its width, its neighbour stays at the
    // top and what lay below the text moves down by the growth.
    QMap<QString, QRectF> row;
    for (const PlacedItem& item : r.pages[0].items)
        if (bands[1].rect.contains(item.rect.center()))
            row[item.name] = item.rect;
    ASSERT_EQ(row.keys(), QStringList({"note", "phone", "rule", "text"}));
    const qreal growth = row["text"].bottom() - (bands[1].rect.top() + 5);
    EXPECT_GT(growth, 3);
    EXPECT_DOUBLE_EQ(row["text"].width(), 30);
    EXPECT_DOUBLE_EQ(row["phone"].top(), bands[1].rect.top());
    EXPECT_DOUBLE_EQ(row["phone"].height(), 5);
    EXPECT_NEAR(row["rule"].top(), bands[1].rect.top() + 5 + growth, 1e-9);
    EXPECT_NEAR(row["note"].top(), bands[1].rect.top() + 5 + growth, 1e-9);
}

TEST(ReportLayoutTest, ABandTallerThanAPageIsPlacedOnceInsteadOfLoopingForever)
{
    ReportDefinition def = groupedList();
    def.detail.height = 400;
    const LaidOutReport report = LayoutReport(def, manyBookings(2, 2), kUs);
    EXPECT_EQ(report.textsNamed("nr"), QStringList({"1", "2"}));
    // Each overlong row on a page of its own, the group footer after them.
    EXPECT_EQ(report.pageCount(), 4);
}

TEST(ReportLayoutTest, FormatEventsSetTextsHideItemsAndDropBands)
{
    ReportDefinition def;
    ReportGroup& g = def.addGroup("Kontotype");
    g.header.height = 6;
    g.header.add(ReportItem::label({}, {0, 0, 40, 6}).named("txttype"));
    g.header.onFormat = [](BandFormat& band) {
        band.setText("txttype",
                     band.row().value("kontotype").toString() == "p" ? "Personal" : "Group");
    };
    def.detail.height = 5;
    def.detail.add(ReportItem::field("Kontonavn", {0, 0, 40, 5}).named("name"));
    def.detail.add(ReportItem::label("admin", {40, 0, 20, 5}).named("admin"));
    def.detail.onFormat = [](BandFormat& band) {
        if (band.row().value("Kontonavn").toString() == "hidden")
            band.cancel();
        band.setVisible("admin", band.row().value("admin").toBool());
    };
    const ReportRows rows(
        {"Kontotype", "Kontonavn", "admin"},
        {{"g", "Choir", false}, {"p", "Ann", true}, {"p", "hidden", true}, {"x", "Club", false}});
    const LaidOutReport report = LayoutReport(def, rows, kUs);
    EXPECT_EQ(report.textsNamed("txttype"), QStringList({"Group", "Personal", "Group"}));
    EXPECT_EQ(report.textsNamed("name"), QStringList({"Choir", "Ann", "Club"}));
    EXPECT_EQ(report.textsNamed("admin"), QStringList{"admin"});
}

// ---------------------------------------------------------------- output

TEST(ReportOutputTest, PdfHoldsTheLaidOutTextsOnTheSamePagesOrSaysWhyNot)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("overview.pdf");
    ReportDefinition def = groupedList();
    def.groups[0].header.newPageBefore = true;
    const LaidOutReport report = LayoutReport(def, manyBookings(40, 20), kUs);
    ASSERT_EQ(report.pageCount(), 2);
    QString error;
    ASSERT_TRUE(PrintToPdf(report, path, &error)) << error.toStdString();

    EXPECT_TRUE(test::RunTool("pdfinfo", {path}).contains(QRegularExpression("Pages:\\s+2\\b")));
    const QString page1 = test::RunTool("pdftotext", {"-layout", "-f", "1", "-l", "1", path, "-"});
    const QString page2 = test::RunTool("pdftotext", {"-layout", "-f", "2", "-l", "2", path, "-"});
    for (const char* text : {"BOOKING OVERVIEW", "Group A", "Page 1 of 2"})
        EXPECT_TRUE(page1.contains(text)) << text;
    for (const char* text : {"Booking No.", "Group B", "Page 2 of 2", "200.00"})
        EXPECT_TRUE(page2.contains(text)) << text;
    EXPECT_FALSE(page2.contains("Group A"));
    EXPECT_FALSE(page2.contains("BOOKING OVERVIEW"));

    EXPECT_FALSE(PrintToPdf(report, "/nonexistent/folder/x.pdf", &error));
    EXPECT_TRUE(error.contains("/nonexistent/folder/x.pdf")) << "the reason names the file";
}

// ---------------------------------------------------------------- list print

TEST(ListPrintTest, WideListsTurnToLandscapeAndShrinkToFit)
{
    const QVector<ListColumn> columns{{"A", 120}, {"B", 120}, {"C", 120}};
    const ReportDefinition def = ListPrintDefinition("Wide", {}, columns);
    EXPECT_EQ(def.orientation, QPageLayout::Landscape);
    const LaidOutReport laid = LayoutReport(def, ListPrintRows(3, {{"1", "2", "3"}}), kUs);
    const PlacedItem* last = laid.pages[0].find("heading2");
    ASSERT_TRUE(last);
    EXPECT_LE(last->rect.right(), laid.paperSize.width() - def.margins.right() + 1e-9);
    EXPECT_GT(last->rect.left(), laid.paperSize.width() / 2);

    // Short rows are padded; cells beyond the columns are dropped.
    const ReportRows rows = ListPrintRows(2, {{"only"}, {"a", "b", "c"}});
    EXPECT_EQ(rows.value(0, "c1").toString(), "");
    EXPECT_EQ(rows.fields(), QStringList({"c0", "c1"}));
}

} // namespace
} // namespace vestra
