#include "platform/database.h"
#include "platform/reportformat.h"
#include "platform/reportlist.h"
#include "platform/reportoutput.h"

#include <QBuffer>
#include <QFile>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vestra {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kDanish(QLocale::Danish, QLocale::Denmark);

int dayNumber(const QDate& date)
{
    return int(QDate(1900, 1, 1).daysTo(date));
}

// ---------------------------------------------------------------- formats

struct FormatCase {
    QVariant value;
    const char* format;
    const QLocale* locale;
    const char* expected;
};

TEST(ReportFormat, NumbersDatesAndTimesThroughOneConverter)
{
    const FormatCase cases[] = {
        // amounts, with the locale's separators
        {1250.0, "#,##0.00", &kUs, "1,250.00"},
        {1250.0, "#,##0.00", &kDanish, "1.250,00"},
        {1234567.891, "#,##0", &kUs, "1,234,568"},
        {1234567.891, "#,##0", &kDanish, "1.234.568"},
        {100, "0.00", &kUs, "100.00"},
        {1250.5, "0.00", &kDanish, "1250,50"},
        {0.4, "0", &kUs, "0"},
        {7, "#,##0", &kUs, "7"},
        {0, "#,##0", &kUs, "0"},
        {1.5, "#,##0.00", &kUs, "1.50"},
        // halves go to the even digit, also where binary storage misses the half
        {0.125, "0.00", &kUs, "0.12"},
        {0.375, "0.00", &kUs, "0.38"},
        {2.675, "0.00", &kUs, "2.68"},
        {2.5, "0", &kUs, "2"},
        {3.5, "0", &kUs, "4"},
        // signs, sections, optional digits, percent, literal text
        {-3.5, "0.00", &kUs, "-3.50"},
        {-0.001, "0.00", &kUs, "0.00"},
        {-5, "0.00;(0.00)", &kUs, "(5.00)"},
        {0, "0.00;(0.00);\"nil\"", &kUs, "nil"},
        {12.5, "0.##", &kUs, "12.5"},
        {12.0, "0.##", &kUs, "12"},
        {0.25, "0%", &kUs, "25%"},
        {99.5, "\"kr \"#,##0.00", &kDanish, "kr 99,50"},
        // SQLite hands numbers back as text at times
        {QStringLiteral("12.5"), "0.00", &kUs, "12.50"},
        {QStringLiteral("abc"), "0.00", &kUs, "abc"},
        // times
        {QTime(8, 5), "h:mm", &kUs, "8:05"},
        {QTime(14, 30), "h:mm", &kUs, "14:30"},
        {QTime(8, 5), "hh:mm", &kUs, "08:05"},
        {QTime(8, 5), "HH:mm", &kUs, "08:05"},
        {QTime(14, 5), "h:mm AM/PM", &kUs, "2:05 PM"},
        {QTime(0, 15), "h:nn am/pm", &kUs, "12:15 am"},
        {QTime(9, 5), "Short Time", &kUs, "09:05"},
        {0.5, "h:mm", &kUs, "12:00"}, // a number used as a date: noon of day zero
        // dates
        {QDate(2024, 3, 4), "dddd", &kUs, "Monday"},
        {QDate(2024, 3, 4), "dddd", &kDanish, "mandag"},
        {QDate(2024, 3, 4), "ddd d mmm", &kUs, "Mon 4 Mar"},
        {QDate(2024, 3, 4), "mmmm d, yyyy", &kUs, "March 4, 2024"},
        {QDate(2024, 3, 4), "dd-mm-yyyy", &kUs, "04-03-2024"},
        {QDate(2024, 3, 4), "d/m/yy", &kUs, "4/3/24"},
        {QDate(2024, 3, 4), "Short Date", &kUs, "3/4/2024"},
        {QDate(2024, 3, 4), "Short Date", &kDanish, "04.03.2024"},
        {QStringLiteral("2025-06-30"), "Short Date", &kUs, "6/30/2025"},
        {QDateTime(QDate(2024, 3, 4), QTime(9, 7)), "yyyy-mm-dd hh:mm", &kUs, "2024-03-04 09:07"},
        {QDate(2024, 3, 4), "\"Day\" d", &kUs, "Day 4"},
        // empty values stay empty, whatever the format
        {QVariant(), "0.00", &kUs, ""},
        {QVariant(QMetaType(QMetaType::Double)), "#,##0.00", &kUs, ""},
        // no format: the value's plain text in the locale
        {12.5, "", &kDanish, "12,5"},
        {QStringLiteral("Room 1"), "", &kUs, "Room 1"},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(FormatValue(c.value, QString::fromUtf8(c.format), *c.locale),
                  QString::fromUtf8(c.expected))
            << c.format << " on " << c.value.toString().toStdString() << " in "
            << c.locale->name().toStdString();
}

TEST(ReportFormat, PlainNumberForCaptionsLikeTheTaxLine)
{
    EXPECT_EQ("Tax " + PlainNumber(12.5, kUs) + "%", "Tax 12.5%");
    EXPECT_EQ("Tax " + PlainNumber(25, kUs) + "%", "Tax 25%");
    EXPECT_EQ("Tax " + PlainNumber(12.5, kDanish) + "%", "Tax 12,5%");
    EXPECT_EQ(PlainNumber(1250.75, kDanish), "1250,75"); // never grouped
    EXPECT_EQ(PlainNumber(-0.5, kUs), "-0.5");
    EXPECT_EQ(PlainNumber(0.1 + 0.2, kUs), "0.3");
}

TEST(ReportFormat, DayNumbersAndMinutesAsDatesAndTimes)
{
    EXPECT_EQ(ReportDate(0), QDate(1900, 1, 1));
    EXPECT_EQ(ReportDate(dayNumber(QDate(2024, 2, 29))), QDate(2024, 2, 29));
    EXPECT_FALSE(ReportDate(QVariant()).isValid());
    EXPECT_EQ(ReportTime(570), QTime(9, 30));
    EXPECT_EQ(ReportTime(0), QTime(0, 0));
    EXPECT_EQ(ReportTime(1440), QTime(0, 0)); // a booking ending at midnight
    EXPECT_FALSE(ReportTime(QStringLiteral("x")).isValid());

    const ReportRows rows({QStringLiteral("bdato"), QStringLiteral("bstart")},
                          {{dayNumber(QDate(2024, 3, 4)), 570}});
    const RowFunction date = ReportExpression(R"(=DateAdd("d", bdato, #1/1/1900#))");
    const RowFunction time = ReportExpression(R"(=DateAdd("n", Bstart, #12:00:00 AM#))");
    ASSERT_TRUE(date && time);
    EXPECT_EQ(date(rows.row(0)), QVariant(QDate(2024, 3, 4)));
    EXPECT_EQ(FormatValue(time(rows.row(0)), QStringLiteral("h:mm"), kUs), "9:30");
    EXPECT_EQ(DayNumberDate(QStringLiteral("BDATO"))(rows.row(0)), QVariant(QDate(2024, 3, 4)));
    EXPECT_EQ(MinuteTime(QStringLiteral("bstart"))(rows.row(0)), QVariant(QTime(9, 30)));
    EXPECT_EQ(ReportExpression(QStringLiteral("=bstart"))(rows.row(0)), QVariant(570));

    QString error;
    EXPECT_FALSE(ReportExpression(QStringLiteral("=IIf(a, b, c)"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(ReportExpression(R"(=DateAdd("q", bdato, #1/1/1900#))"));
}

// ---------------------------------------------------------------- rows

TEST(ReportRowsTest, FieldNamesMatchWhateverTheirCase)
{
    const ReportRows rows = ReportRows::fromMaps(
        {{{QStringLiteral("Pris"), 100.0}, {QStringLiteral("Bemærkninger"), QStringLiteral("x")}},
         {{QStringLiteral("pris"), 50.0}}});
    ASSERT_EQ(rows.count(), 2);
    // A map keeps its keys sorted; the second map's "pris" is the same field.
    EXPECT_EQ(rows.fields(), QStringList({QStringLiteral("Bemærkninger"), QStringLiteral("Pris")}));
    EXPECT_EQ(rows.value(0, QStringLiteral("PRIS")).toDouble(), 100.0);
    EXPECT_EQ(rows.value(1, QStringLiteral("Pris")).toDouble(), 50.0);
    EXPECT_EQ(rows.row(0)[QStringLiteral("BEMÆRKNINGER")].toString(), "x");
    EXPECT_TRUE(rows.value(1, QStringLiteral("bemærkninger")).isNull());
    EXPECT_FALSE(rows.value(0, QStringLiteral("missing")).isValid());
    EXPECT_FALSE(rows.value(5, QStringLiteral("Pris")).isValid());
}

TEST(ReportRowsTest, FilledFromADatabaseQueryWithBoundValues)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rows.mdb"));
    {
        Database db = Database::create(path);
        ASSERT_TRUE(db.isValid());
        ASSERT_TRUE(db.exec(QStringLiteral("CREATE TABLE Booking (Bookingnr INTEGER, Pris REAL)")));
        for (int i = 1; i <= 4; ++i)
            ASSERT_TRUE(
                db.exec(QStringLiteral("INSERT INTO Booking VALUES (?, ?)"), {i, i * 10.0}));
        const auto rows = ReportRows::fromDatabase(
            db, QStringLiteral("SELECT Bookingnr, Pris FROM Booking WHERE Pris > ? ORDER BY 1"),
            {15.0});
        ASSERT_TRUE(rows);
        ASSERT_EQ(rows->count(), 3);
        EXPECT_EQ(rows->value(0, QStringLiteral("bookingnr")).toInt(), 2);
        EXPECT_EQ(rows->value(2, QStringLiteral("PRIS")).toDouble(), 40.0);

        QString error;
        EXPECT_FALSE(
            ReportRows::fromDatabase(db, QStringLiteral("SELECT nope FROM Booking"), {}, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    Database::closeAll(path);
}

// ---------------------------------------------------------------- layout

// A receipt as the booking form prints it: three bookings, a sum in the
// report footer, tax worked out in the footer's format event.
ReportDefinition receiptDefinition(double taxPercent, bool tax)
{
    ReportDefinition def;
    def.title = QStringLiteral("Receipt");
    def.reportHeader.height = 12;
    def.reportHeader.add(ReportItem::label(QStringLiteral(" Booking Reciept"), {0, 0, 100, 10})
                             .pointSize(16)
                             .bold());
    def.pageHeader.height = 7;
    def.pageHeader.add(ReportItem::label(QStringLiteral("Booking No."), {0, 0, 30, 6}));
    def.pageHeader.add(ReportItem::label(QStringLiteral("Date"), {30, 0, 30, 6}));
    def.pageHeader.add(ReportItem::label(QStringLiteral("Start"), {60, 0, 20, 6}));
    def.pageHeader.add(ReportItem::label(QStringLiteral("Fee"), {150, 0, 30, 6}).alignedRight());
    def.detail.height = 6;
    def.detail.add(ReportItem::field(QStringLiteral("Bookingnr"), {0, 0, 30, 6})
                       .named(QStringLiteral("Bookingnr")));
    def.detail.add(ReportItem::field(R"(=DateAdd("d", bdato, #1/1/1900#))", {30, 0, 30, 6},
                                     QStringLiteral("Short Date"))
                       .named(QStringLiteral("Dato")));
    def.detail.add(ReportItem::field(R"(=DateAdd("n", bstart, #12:00:00 AM#))", {60, 0, 20, 6},
                                     QStringLiteral("h:mm"))
                       .named(QStringLiteral("Start")));
    def.detail.add(
        ReportItem::field(QStringLiteral("Pris"), {150, 0, 30, 6}, QStringLiteral("0.00"))
            .named(QStringLiteral("Pris"))
            .alignedRight());
    def.reportFooter.height = 24;
    def.reportFooter.add(ReportItem::label(QStringLiteral("Sum"), {110, 0, 30, 6}));
    def.reportFooter.add(
        ReportItem::sum(QStringLiteral("Pris"), {150, 0, 30, 6}, QStringLiteral("0.00"))
            .named(QStringLiteral("txtPris"))
            .alignedRight());
    def.reportFooter.add(ReportItem::label({}, {110, 6, 30, 6}).named(QStringLiteral("Taxtex")));
    def.reportFooter.add(ReportItem::label({}, {150, 6, 30, 6}).named(QStringLiteral("taxbel")));
    def.reportFooter.add(ReportItem::label(QStringLiteral("Total"), {110, 12, 30, 6}));
    def.reportFooter.add(ReportItem::label({}, {150, 12, 30, 6}).named(QStringLiteral("total")));
    def.reportFooter.onFormat = [taxPercent, tax](BandFormat& band) {
        const double sum = band.value(QStringLiteral("txtPris")).toDouble();
        const double amount = tax ? sum * taxPercent / 100 : 0;
        band.setText(QStringLiteral("Taxtex"),
                     tax ? "Tax " + PlainNumber(taxPercent, band.locale()) + "%"
                         : QStringLiteral("No Tax"));
        band.setText(QStringLiteral("taxbel"),
                     FormatNumber(amount, QStringLiteral("0.00"), band.locale()));
        band.setText(QStringLiteral("total"),
                     FormatNumber(sum + amount, QStringLiteral("0.00"), band.locale()));
    };
    def.pageFooter.height = 10;
    def.pageFooter.add(ReportItem::label({}, {0, 0, 150, 5}).named(QStringLiteral("Cinfo1")));
    def.pageFooter.add(ReportItem::pageNumber({150, 0, 30, 5}).named(QStringLiteral("page")));
    return def;
}

ReportRows threeBookings()
{
    const int day = dayNumber(QDate(2024, 3, 4));
    return ReportRows(
        {QStringLiteral("Bookingnr"), QStringLiteral("Bdato"), QStringLiteral("Bstart"),
         QStringLiteral("Pris")},
        {{101, day, 480, 100.0}, {102, day + 7, 480, 100.0}, {103, day + 14, 570, 100.0}});
}

TEST(ReportLayoutTest, ReceiptSumsThreeBookingsAndWorksOutTheTax)
{
    const LaidOutReport withTax = LayoutReport(receiptDefinition(25, true), threeBookings(), kUs);
    ASSERT_EQ(withTax.pageCount(), 1);
    const LaidOutPage& page = withTax.pages[0];
    EXPECT_EQ(page.textsNamed(QStringLiteral("Pris")), QStringList({"100.00", "100.00", "100.00"}));
    EXPECT_EQ(page.textsNamed(QStringLiteral("Dato")),
              QStringList({"3/4/2024", "3/11/2024", "3/18/2024"}));
    EXPECT_EQ(page.textsNamed(QStringLiteral("Start")), QStringList({"8:00", "8:00", "9:30"}));
    EXPECT_EQ(page.textsNamed(QStringLiteral("txtPris")), QStringList{"300.00"});
    EXPECT_EQ(page.textsNamed(QStringLiteral("Taxtex")), QStringList{"Tax 25%"});
    EXPECT_EQ(page.textsNamed(QStringLiteral("taxbel")), QStringList{"75.00"});
    EXPECT_EQ(page.textsNamed(QStringLiteral("total")), QStringList{"375.00"});

    const LaidOutReport noTax = LayoutReport(receiptDefinition(25, false), threeBookings(), kUs);
    EXPECT_EQ(noTax.textsNamed(QStringLiteral("Taxtex")), QStringList{"No Tax"});
    EXPECT_EQ(noTax.textsNamed(QStringLiteral("taxbel")), QStringList{"0.00"});
    EXPECT_EQ(noTax.textsNamed(QStringLiteral("total")), QStringList{"300.00"});

    const LaidOutReport danish =
        LayoutReport(receiptDefinition(12.5, true), threeBookings(), kDanish);
    EXPECT_EQ(danish.textsNamed(QStringLiteral("txtPris")), QStringList{"300,00"});
    EXPECT_EQ(danish.textsNamed(QStringLiteral("Taxtex")), QStringList{"Tax 12,5%"});
    EXPECT_EQ(danish.textsNamed(QStringLiteral("taxbel")), QStringList{"37,50"});
}

TEST(ReportLayoutTest, BandsGoDownThePageInOrderWithTheFooterAtTheBottom)
{
    ReportDefinition def = receiptDefinition(25, true);
    // Texts set by name before the run reach every page.
    def.item(QStringLiteral("cinfo1"))->text = QStringLiteral("Town Hall, Main St 1, 1000 Town");
    const LaidOutReport report = LayoutReport(def, threeBookings(), kUs);
    const QVector<PlacedBand>& bands = report.pages[0].bands;
    QVector<BandKind> kinds;
    for (const PlacedBand& b : bands)
        kinds << b.kind;
    EXPECT_EQ(kinds, (QVector<BandKind>{BandKind::ReportHeader, BandKind::PageHeader,
                                        BandKind::Detail, BandKind::Detail, BandKind::Detail,
                                        BandKind::ReportFooter, BandKind::PageFooter}));
    for (int i = 1; i + 1 < bands.size(); ++i)
        EXPECT_DOUBLE_EQ(bands[i].rect.top(), bands[i - 1].rect.bottom()) << "band " << i;
    EXPECT_DOUBLE_EQ(bands.back().rect.bottom(), report.paperSize.height() - def.margins.bottom());
    EXPECT_DOUBLE_EQ(bands[0].rect.top(), def.margins.top());
    EXPECT_EQ(report.textsNamed(QStringLiteral("Cinfo1")),
              QStringList{"Town Hall, Main St 1, 1000 Town"});
    EXPECT_EQ(report.textsNamed(QStringLiteral("page")), QStringList{"Page 1 of 1"});
}

TEST(ReportLayoutTest, NoRowsStillPrintsHeadersFootersAndZeroSums)
{
    const LaidOutReport report = LayoutReport(receiptDefinition(25, true), ReportRows(), kUs);
    ASSERT_EQ(report.pageCount(), 1);
    EXPECT_TRUE(report.pages[0].hasText(" Booking Reciept"));
    EXPECT_TRUE(report.pages[0].hasText("Booking No."));
    EXPECT_EQ(report.textsNamed(QStringLiteral("txtPris")), QStringList{"0.00"});
    EXPECT_TRUE(report.pages[0].bandsOf(BandKind::Detail).isEmpty());
}

// Archive statistics: groups on resource group and type, details hidden,
// counts and sums in the footers.
struct ArchiveRow {
    const char* group;
    const char* type;
    int persons;
    int start;
    int end;
    double fee;
};

ReportRows archiveRows(const QVector<ArchiveRow>& data)
{
    ReportRows rows({QStringLiteral("OverGruppenavn"), QStringLiteral("Lokalitetsnavn"),
                     QStringLiteral("Antalpers"), QStringLiteral("Bstart"), QStringLiteral("Bslut"),
                     QStringLiteral("Pris")});
    for (const ArchiveRow& r : data)
        rows.append({QString::fromUtf8(r.group), QString::fromUtf8(r.type), r.persons, r.start,
                     r.end, r.fee < 0 ? QVariant() : QVariant(r.fee)});
    return rows;
}

ReportDefinition archiveDefinition()
{
    ReportDefinition def;
    def.pageHeader.height = 6;
    def.pageHeader.add(ReportItem::label(QStringLiteral("#Bookings"), {80, 0, 20, 6}));
    const RowFunction hours = [](const ReportRow& row) -> QVariant {
        return (row.value(QStringLiteral("Bslut")).toDouble()
                - row.value(QStringLiteral("Bstart")).toDouble())
               / 60.0;
    };
    for (int level = 0; level < 2; ++level) {
        const QString field =
            level == 0 ? QStringLiteral("OverGruppenavn") : QStringLiteral("Lokalitetsnavn");
        ReportGroup& g = def.addGroup(field);
        g.header.height = 6;
        g.header.add(ReportItem::field(field, {level * 5.0, 0, 60, 6}).named("head" + field));
        g.footer.height = 6;
        g.footer.add(
            ReportItem::count(QStringLiteral("Pris"), {80, 0, 20, 6}, QStringLiteral("#,##0"))
                .named(QStringLiteral("count%1").arg(level)));
        g.footer.add(
            ReportItem::sum(QStringLiteral("Antalpers"), {100, 0, 20, 6}, QStringLiteral("#,##0"))
                .named(QStringLiteral("persons%1").arg(level)));
        ReportItem h = ReportItem::sum({}, {120, 0, 20, 6}, QStringLiteral("#,##0.00"));
        h.compute = hours;
        g.footer.add(h.named(QStringLiteral("hours%1").arg(level)));
        g.footer.add(
            ReportItem::sum(QStringLiteral("Pris"), {140, 0, 30, 6}, QStringLiteral("#,##0.00"))
                .named(QStringLiteral("fee%1").arg(level)));
    }
    def.detail.height = 5;
    def.detail.visible = false;
    def.reportFooter.height = 6;
    def.reportFooter.add(
        ReportItem::sum(QStringLiteral("Pris"), {140, 0, 30, 6}, QStringLiteral("#,##0.00"))
            .named(QStringLiteral("grandfee")));
    def.reportFooter.add(ReportItem::count(QStringLiteral("Pris"), {80, 0, 20, 6})
                             .named(QStringLiteral("grandcount")));
    return def;
}

TEST(ReportLayoutTest, GroupFootersCarryTheirOwnGroupsCountsAndSums)
{
    const ReportRows rows = archiveRows({
        {"Halls", "Large", 10, 480, 570, 1000.0}, // 08:00 - 09:30
        {"Halls", "Large", 20, 600, 660, 250.5},
        {"Halls", "Small", 5, 480, 540, 100.0},
        {"Vehicles", "Vans", 2, 480, 1080, 1200.0},
        {"Vehicles", "Vans", 3, 480, 600, -1}, // no fee recorded
    });
    const LaidOutReport report = LayoutReport(archiveDefinition(), rows, kUs);
    ASSERT_EQ(report.pageCount(), 1);
    const LaidOutPage& page = report.pages[0];

    EXPECT_EQ(page.textsNamed(QStringLiteral("headOverGruppenavn")),
              QStringList({"Halls", "Vehicles"}));
    EXPECT_EQ(page.textsNamed(QStringLiteral("headLokalitetsnavn")),
              QStringList({"Large", "Small", "Vans"}));
    // Counts skip empty values.
    EXPECT_EQ(page.textsNamed(QStringLiteral("count1")), QStringList({"2", "1", "1"}));
    EXPECT_EQ(page.textsNamed(QStringLiteral("persons1")), QStringList({"30", "5", "5"}));
    EXPECT_EQ(page.textsNamed(QStringLiteral("hours1")), QStringList({"2.50", "1.00", "12.00"}));
    EXPECT_EQ(page.textsNamed(QStringLiteral("fee1")),
              QStringList({"1,250.50", "100.00", "1,200.00"}));
    EXPECT_EQ(page.textsNamed(QStringLiteral("count0")), QStringList({"3", "1"}));
    EXPECT_EQ(page.textsNamed(QStringLiteral("fee0")), QStringList({"1,350.50", "1,200.00"}));
    EXPECT_EQ(page.textsNamed(QStringLiteral("hours0")), QStringList({"3.50", "12.00"}));
    EXPECT_EQ(page.textsNamed(QStringLiteral("grandfee")), QStringList{"2,550.50"});
    EXPECT_EQ(page.textsNamed(QStringLiteral("grandcount")), QStringList{"4"});
    EXPECT_TRUE(page.bandsOf(BandKind::Detail).isEmpty()); // hidden details still count

    // Headers open outermost first, footers close innermost first.
    QStringList order;
    for (const PlacedBand& b : page.bands)
        if (b.kind == BandKind::GroupHeader || b.kind == BandKind::GroupFooter)
            order << QStringLiteral("%1%2:%3")
                         .arg(b.kind == BandKind::GroupHeader ? "H" : "F")
                         .arg(b.group)
                         .arg(b.row);
    EXPECT_EQ(order, QStringList({"H0:0", "H1:0", "F1:1", "H1:2", "F1:2", "F0:2", "H0:3", "H1:3",
                                  "F1:4", "F0:4"}));
}

TEST(ReportLayoutTest, AnInnerGroupBreaksWhenAnOuterKeyChangesEvenWithTheSameName)
{
    // Both groups have a type called "Main": it must still close and reopen.
    const ReportRows rows = archiveRows({
        {"Halls", "Main", 1, 0, 60, 10.0},
        {"Rooms", "Main", 1, 0, 60, 20.0},
    });
    const LaidOutReport report = LayoutReport(archiveDefinition(), rows, kUs);
    EXPECT_EQ(report.textsNamed(QStringLiteral("fee1")), QStringList({"10.00", "20.00"}));
    EXPECT_EQ(report.textsNamed(QStringLiteral("headLokalitetsnavn")),
              QStringList({"Main", "Main"}));
}

ReportRows manyBookings(int count, int perGroup)
{
    ReportRows rows(
        {QStringLiteral("Gruppe"), QStringLiteral("Bookingnr"), QStringLiteral("Pris")});
    for (int i = 0; i < count; ++i)
        rows.append({QStringLiteral("Group %1").arg(QChar(u'A' + i / perGroup)), i + 1, 10.0});
    return rows;
}

ReportDefinition groupedList()
{
    ReportDefinition def;
    def.reportHeader.height = 15;
    def.reportHeader.add(ReportItem::label(QStringLiteral("BOOKING OVERVIEW"), {0, 0, 100, 10}));
    def.pageHeader.height = 8;
    def.pageHeader.add(ReportItem::label(QStringLiteral("Booking No."), {0, 0, 40, 6})
                           .named(QStringLiteral("cap")));
    ReportGroup& g = def.addGroup(QStringLiteral("Gruppe"));
    g.header.height = 8;
    g.header.add(
        ReportItem::field(QStringLiteral("Gruppe"), {0, 0, 80, 8}).named(QStringLiteral("group")));
    g.footer.height = 6;
    g.footer.add(ReportItem::sum(QStringLiteral("Pris"), {100, 0, 30, 6}, QStringLiteral("0.00"))
                     .named(QStringLiteral("groupsum")));
    def.detail.height = 6;
    def.detail.add(
        ReportItem::field(QStringLiteral("Bookingnr"), {0, 0, 30, 6}).named(QStringLiteral("nr")));
    def.pageFooter.height = 10;
    def.pageFooter.add(ReportItem::pageNumber({100, 2, 60, 6}).named(QStringLiteral("page")));
    return def;
}

// The footer's top on every page, from the first page footer placed.
qreal footerTop(const LaidOutReport& report)
{
    return report.pages[0].bandsOf(BandKind::PageFooter).value(0).rect.top();
}

TEST(ReportLayoutTest, LongReportsRepeatPageHeaderAndFooterOnEveryPage)
{
    const LaidOutReport report = LayoutReport(groupedList(), manyBookings(120, 40), kUs);
    ASSERT_GT(report.pageCount(), 3);
    const qreal bottom = footerTop(report);
    QStringList numbers;
    for (int p = 0; p < report.pageCount(); ++p) {
        const LaidOutPage& page = report.pages[p];
        EXPECT_EQ(page.textsNamed(QStringLiteral("cap")), QStringList{"Booking No."}) << p;
        EXPECT_EQ(page.bandsOf(BandKind::PageFooter).size(), 1) << p;
        EXPECT_DOUBLE_EQ(page.bandsOf(BandKind::PageFooter)[0].rect.top(), bottom) << p;
        numbers << page.textsNamed(QStringLiteral("page"));
        for (const PlacedBand& b : page.bands) {
            if (b.kind != BandKind::PageFooter) {
                EXPECT_LE(b.rect.bottom(), bottom + 1e-9)
                    << "page " << p << " runs into its footer";
            }
        }
    }
    QStringList expected;
    for (int p = 1; p <= report.pageCount(); ++p)
        expected << QStringLiteral("Page %1 of %2").arg(p).arg(report.pageCount());
    EXPECT_EQ(numbers, expected);
    EXPECT_EQ(report.pageOf(QStringLiteral("BOOKING OVERVIEW")), 0);
    EXPECT_EQ(report.pages[1].textsNamed(QStringLiteral("BOOKING OVERVIEW")).size(), 0);

    // Every row printed once, in order, and the page fills before it turns.
    QStringList all;
    for (const LaidOutPage& page : report.pages)
        all << page.textsNamed(QStringLiteral("nr"));
    ASSERT_EQ(all.size(), 120);
    for (int i = 0; i < 120; ++i)
        EXPECT_EQ(all[i], QString::number(i + 1));
    const PlacedBand last = report.pages[0].bands[report.pages[0].bands.size() - 2];
    EXPECT_GT(last.rect.bottom() + groupedList().detail.height, bottom);
    EXPECT_EQ(report.textsNamed(QStringLiteral("groupsum")),
              QStringList({"400.00", "400.00", "400.00"}));
}

TEST(ReportLayoutTest, GroupsStartOnTheirOwnPageWhenAsked)
{
    ReportDefinition def = groupedList();
    def.groups[0].header.newPageBefore = true;
    const LaidOutReport report = LayoutReport(def, manyBookings(9, 3), kUs);
    ASSERT_EQ(report.pageCount(), 3);
    EXPECT_EQ(report.pageOf(QStringLiteral("Group A")), 0); // the first group does not leave page 1
    EXPECT_EQ(report.pageOf(QStringLiteral("Group B")), 1);
    EXPECT_EQ(report.pageOf(QStringLiteral("Group C")), 2);
    for (const LaidOutPage& page : report.pages)
        EXPECT_EQ(page.textsNamed(QStringLiteral("nr")).size(), 3);
}

TEST(ReportLayoutTest, AContinuedGroupRepeatsItsHeaderOnTheNextPage)
{
    ReportDefinition def = groupedList();
    def.groups[0].header.repeatOnNewPage = true;
    const LaidOutReport report = LayoutReport(def, manyBookings(60, 60), kUs);
    ASSERT_EQ(report.pageCount(), 2);
    EXPECT_EQ(report.pages[0].textsNamed(QStringLiteral("group")), QStringList{"Group A"});
    EXPECT_EQ(report.pages[1].textsNamed(QStringLiteral("group")), QStringList{"Group A"});
    // Right below the page header, before the rows that follow.
    const QVector<PlacedBand>& bands = report.pages[1].bands;
    ASSERT_GE(bands.size(), 3);
    EXPECT_EQ(bands[0].kind, BandKind::PageHeader);
    EXPECT_EQ(bands[1].kind, BandKind::GroupHeader);
    EXPECT_EQ(bands[2].kind, BandKind::Detail);

    def.groups[0].header.repeatOnNewPage = false;
    const LaidOutReport plain = LayoutReport(def, manyBookings(60, 60), kUs);
    EXPECT_TRUE(plain.pages[1].textsNamed(QStringLiteral("group")).isEmpty());
}

// Rows that leave a few millimetres at the bottom of page 1 for group B.
int rowsFillingPageOneUpTo(const ReportDefinition& def, qreal roomLeft)
{
    const qreal body = def.paperSize().height() - def.margins.top() - def.margins.bottom()
                       - def.pageFooter.height - def.reportHeader.height - def.pageHeader.height;
    const qreal perGroup = def.groups[0].header.height + def.groups[0].footer.height;
    return int((body - perGroup - roomLeft) / def.detail.height);
}

TEST(ReportLayoutTest, KeepTogetherMovesAGroupThatWouldSplit)
{
    ReportDefinition def = groupedList();
    const int first = rowsFillingPageOneUpTo(def, 20); // 20 mm left: B's header and 1 row fit
    ReportRows rows(
        {QStringLiteral("Gruppe"), QStringLiteral("Bookingnr"), QStringLiteral("Pris")});
    for (int i = 0; i < first; ++i)
        rows.append({QStringLiteral("Group A"), i, 1.0});
    for (int i = 0; i < 5; ++i)
        rows.append({QStringLiteral("Group B"), 1000 + i, 1.0});

    const LaidOutReport loose = LayoutReport(def, rows, kUs);
    EXPECT_EQ(loose.pageOf(QStringLiteral("Group B")), 0);
    EXPECT_EQ(loose.pageOf(QStringLiteral("1004")), 1);

    def.groups[0].keep = GroupKeep::All;
    const LaidOutReport kept = LayoutReport(def, rows, kUs);
    EXPECT_EQ(kept.pageOf(QStringLiteral("Group B")), 1);
    EXPECT_EQ(kept.pageOf(QStringLiteral("1000")), 1);
    EXPECT_EQ(kept.pageOf(QStringLiteral("1004")), 1);

    // With only the first row required, B's header stays as 1000 fits below it.
    def.groups[0].keep = GroupKeep::WithFirstDetail;
    const LaidOutReport firstRow = LayoutReport(def, rows, kUs);
    EXPECT_EQ(firstRow.pageOf(QStringLiteral("Group B")), 0);
    EXPECT_EQ(firstRow.pageOf(QStringLiteral("1000")), 0);
}

TEST(ReportLayoutTest, KeepWithFirstDetailLeavesNoHeaderAloneAtThePageBottom)
{
    ReportDefinition def = groupedList();
    def.groups[0].keep = GroupKeep::WithFirstDetail;
    const int first = rowsFillingPageOneUpTo(def, 10); // room for B's header only
    ReportRows rows(
        {QStringLiteral("Gruppe"), QStringLiteral("Bookingnr"), QStringLiteral("Pris")});
    for (int i = 0; i < first; ++i)
        rows.append({QStringLiteral("Group A"), i, 1.0});
    rows.append({QStringLiteral("Group B"), 1000, 1.0});
    const LaidOutReport report = LayoutReport(def, rows, kUs);
    EXPECT_EQ(report.pageOf(QStringLiteral("Group B")), 1);
    EXPECT_EQ(report.pageOf(QStringLiteral("1000")), 1);

    def.groups[0].keep = GroupKeep::None;
    EXPECT_EQ(LayoutReport(def, rows, kUs).pageOf(QStringLiteral("Group B")), 0);
}

TEST(ReportLayoutTest, ABandTallerThanAPageIsPlacedOnceInsteadOfLoopingForever)
{
    ReportDefinition def = groupedList();
    def.detail.height = 400;
    const LaidOutReport report = LayoutReport(def, manyBookings(2, 2), kUs);
    EXPECT_EQ(report.textsNamed(QStringLiteral("nr")), QStringList({"1", "2"}));
    // Each overlong row on a page of its own, the group footer after them.
    EXPECT_EQ(report.pageCount(), 4);
}

TEST(ReportLayoutTest, FormatEventsSetTextsHideItemsAndDropBands)
{
    ReportDefinition def;
    ReportGroup& g = def.addGroup(QStringLiteral("Kontotype"));
    g.header.height = 6;
    g.header.add(ReportItem::label({}, {0, 0, 40, 6}).named(QStringLiteral("txttype")));
    g.header.onFormat = [](BandFormat& band) {
        band.setText(QStringLiteral("txttype"),
                     band.row().value(QStringLiteral("kontotype")).toString() == "p"
                         ? QStringLiteral("Personal")
                         : QStringLiteral("Group"));
    };
    def.detail.height = 5;
    def.detail.add(ReportItem::field(QStringLiteral("Kontonavn"), {0, 0, 40, 5})
                       .named(QStringLiteral("name")));
    def.detail.add(
        ReportItem::label(QStringLiteral("admin"), {40, 0, 20, 5}).named(QStringLiteral("admin")));
    def.detail.onFormat = [](BandFormat& band) {
        if (band.row().value(QStringLiteral("Kontonavn")).toString() == "hidden")
            band.cancel();
        band.setVisible(QStringLiteral("admin"),
                        band.row().value(QStringLiteral("admin")).toBool());
    };
    const ReportRows rows(
        {QStringLiteral("Kontotype"), QStringLiteral("Kontonavn"), QStringLiteral("admin")},
        {{"g", "Choir", false}, {"p", "Ann", true}, {"p", "hidden", true}, {"x", "Club", false}});
    const LaidOutReport report = LayoutReport(def, rows, kUs);
    EXPECT_EQ(report.textsNamed(QStringLiteral("txttype")),
              QStringList({"Group", "Personal", "Group"}));
    EXPECT_EQ(report.textsNamed(QStringLiteral("name")), QStringList({"Choir", "Ann", "Club"}));
    EXPECT_EQ(report.textsNamed(QStringLiteral("admin")), QStringList{"admin"});
}

TEST(ReportLayoutTest, PicturesFromAnImageOrFromAPictureField)
{
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(logo.save(&buffer, "PNG"));

    ReportDefinition def;
    def.reportHeader.height = 20;
    def.reportHeader.add(
        ReportItem::picture(logo, {150, 0, 30, 15}).named(QStringLiteral("fixed")));
    def.detail.height = 20;
    def.detail.add(ReportItem::pictureField(QStringLiteral("Logopic"), {0, 0, 30, 15})
                       .named(QStringLiteral("OLE1")));
    const ReportRows rows({QStringLiteral("Logopic")}, {{png}, {QVariant()}, {QByteArray("junk")}});
    const LaidOutReport report = LayoutReport(def, rows, kUs);
    QVector<QSize> sizes;
    for (const PlacedItem& item : report.pages[0].items)
        if (item.kind == PlacedItem::Image)
            sizes << item.image.size();
    // Empty and unreadable pictures leave their place empty.
    EXPECT_EQ(sizes, (QVector<QSize>{QSize(40, 20), QSize(40, 20)}));
    EXPECT_EQ(report.pages[0].find(QStringLiteral("OLE1"))->rect, QRectF(15, 32, 30, 15));
}

// ---------------------------------------------------------------- output

QString runTool(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(ReportOutputTest, PdfHoldsTheLaidOutTextsOnTheSamePages)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("overview.pdf"));
    ReportDefinition def = groupedList();
    def.groups[0].header.newPageBefore = true;
    const LaidOutReport report = LayoutReport(def, manyBookings(40, 20), kUs);
    ASSERT_EQ(report.pageCount(), 2);
    QString error;
    ASSERT_TRUE(PrintToPdf(report, path, &error)) << error.toStdString();

    EXPECT_TRUE(
        runTool(QStringLiteral("pdfinfo"), {path}).contains(QRegularExpression("Pages:\\s+2\\b")));
    const QString page1 =
        runTool(QStringLiteral("pdftotext"), {"-layout", "-f", "1", "-l", "1", path, "-"});
    const QString page2 =
        runTool(QStringLiteral("pdftotext"), {"-layout", "-f", "2", "-l", "2", path, "-"});
    EXPECT_TRUE(page1.contains("BOOKING OVERVIEW"));
    EXPECT_TRUE(page1.contains("Group A"));
    EXPECT_TRUE(page1.contains("Page 1 of 2"));
    EXPECT_TRUE(page2.contains("Booking No."));
    EXPECT_TRUE(page2.contains("Group B"));
    EXPECT_TRUE(page2.contains("Page 2 of 2"));
    EXPECT_TRUE(page2.contains("200.00"));
    EXPECT_FALSE(page2.contains("Group A"));
    EXPECT_FALSE(page2.contains("BOOKING OVERVIEW"));
}

TEST(ReportOutputTest, ReceiptPdfReadsBackWithItsSumsInTheLocalesFormat)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("receipt.pdf"));
    ASSERT_TRUE(Report(receiptDefinition(25, true), threeBookings(), kDanish).printToPdf(path));
    const QString text = runTool(QStringLiteral("pdftotext"), {"-layout", path, "-"});
    for (const char* expected : {"Booking Reciept", "Booking No.", "300,00", "Tax 25%", "75,00",
                                 "375,00", "04.03.2024", "9:30", "Page 1 of 1"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                << text.toStdString();
}

TEST(ReportOutputTest, PdfToAFolderThatIsNotThereFailsWithAReason)
{
    QString error;
    EXPECT_FALSE(PrintToPdf(LayoutReport(groupedList(), manyBookings(3, 3), kUs),
                            QStringLiteral("/nonexistent/folder/x.pdf"), &error));
    EXPECT_TRUE(error.contains("/nonexistent/folder/x.pdf"));
}

TEST(ReportOutputTest, PreviewShowsEveryPageOfTheLayout)
{
    const Report report(groupedList(), manyBookings(120, 40), kUs);
    const int pages = report.layout().pageCount();
    QPointer<QPrintPreviewDialog> dialog = report.showPreview();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->objectName(), "reportpreview");
    EXPECT_TRUE(dialog->isVisible());
    auto* widget = dialog->findChild<QPrintPreviewWidget*>();
    ASSERT_TRUE(widget);
    widget->updatePreview();
    EXPECT_EQ(widget->pageCount(), pages);
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull()); // closing frees it
}

// ---------------------------------------------------------------- list print

TEST(ListPrintTest, HeadingsRepeatPerPageAndTheTitleOpensTheList)
{
    QVector<QStringList> rows;
    for (int i = 1; i <= 100; ++i)
        rows << QStringList{QStringLiteral("Room %1").arg(i), QString::number(i * 2), "x"};
    const Report report = ListPrintReport(QStringLiteral("Resources"), QStringLiteral("All groups"),
                                          {{QStringLiteral("Name"), 60},
                                           {QStringLiteral("#Pers"), 20, Qt::AlignRight},
                                           {QStringLiteral("Notes"), 60}},
                                          rows);
    const LaidOutReport laid = report.layout();
    ASSERT_GE(laid.pageCount(), 2);
    EXPECT_EQ(laid.orientation, QPageLayout::Portrait);
    EXPECT_EQ(laid.pages[0].textsNamed(QStringLiteral("title")), QStringList{"Resources"});
    EXPECT_EQ(laid.pages[0].textsNamed(QStringLiteral("subtitle")), QStringList{"All groups"});
    EXPECT_TRUE(laid.pages[1].textsNamed(QStringLiteral("title")).isEmpty());
    QStringList names;
    for (int p = 0; p < laid.pageCount(); ++p) {
        EXPECT_EQ(laid.pages[p].textsNamed(QStringLiteral("heading1")), QStringList{"#Pers"});
        EXPECT_EQ(laid.pages[p].textsNamed(QStringLiteral("page")),
                  QStringList{QStringLiteral("Page %1 of %2").arg(p + 1).arg(laid.pageCount())});
        names << laid.pages[p].textsNamed(QStringLiteral("c0"));
    }
    EXPECT_EQ(names.size(), 100);
    EXPECT_EQ(names.front(), "Room 1");
    EXPECT_EQ(names.back(), "Room 100");
    EXPECT_TRUE(laid.pages[0].find(QStringLiteral("c1"))->alignment & Qt::AlignRight);
}

TEST(ListPrintTest, WideListsTurnToLandscapeAndShrinkToFit)
{
    const QVector<ListColumn> columns{{"A", 120}, {"B", 120}, {"C", 120}};
    const ReportDefinition def = ListPrintDefinition("Wide", {}, columns);
    EXPECT_EQ(def.orientation, QPageLayout::Landscape);
    const LaidOutReport laid = LayoutReport(def, ListPrintRows(3, {{"1", "2", "3"}}), kUs);
    const PlacedItem* last = laid.pages[0].find(QStringLiteral("heading2"));
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
