#include "platform/reportformat.h"
#include "reports/receipts.h"
#include "reports/reportcommon.h"
#include "support/fixture.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>

namespace vestra::test {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kDanish(QLocale::Danish, QLocale::Denmark);

constexpr int kDay = 45354; // 2024-03-05

QByteArray pngLogo()
{
    QImage image(60, 30, QImage::Format_ARGB32);
    image.fill(QColor(30, 90, 160));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString runTool(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

class ReceiptTest : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
        Session& s = session();
        s.InstitutionName = QStringLiteral("Town Hall");
        s.InstitutionAddress = QStringLiteral("Main Street 1");
        s.InstitutionZip = QStringLiteral("1000");
        s.InstitutionCity = QStringLiteral("Town");
        s.InstitutionPhone = QStringLiteral("12 34 56 78");
        s.InstitutionEmail = QStringLiteral("hall@town.example");

        Database d = db();
        ASSERT_TRUE(d.exec("INSERT INTO Homebases (ID, Homebase) VALUES (1, 'Main building')"));
        // Room 1 has a homebase, Room 2 none, Room 3 one that no longer exists.
        for (const auto& [nr, name, home] :
             {std::tuple{1, "Room 1", QVariant(1)}, std::tuple{2, "Room 2", QVariant()},
              std::tuple{3, "Room 3", QVariant(9)}})
            ASSERT_TRUE(d.exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, ID) "
                               "VALUES (?, 1, ?, ?)",
                               {nr, QString::fromLatin1(name), home}));
        account = addAccount("p", "Jane Miller", "jane", "pw");
        ASSERT_TRUE(d.exec("UPDATE Konti SET kontokontakt = 'Jane', Kontoadresse = 'High Road 5', "
                           "Kontopnr = '8000', Kontoby = 'Aarhus', Kontotlf = '87 65 43 21', "
                           "kontomail = 'jane@example.org' WHERE ID = ?",
                           {account}));
    }

    // A booking at 10:00-11:30 for price, in series gennr (0: single).
    int book(int day, int item, double price, int gennr = 0,
             const QString& title = QStringLiteral("Choir rehearsal"))
    {
        const int nr = addBooking(day, 600, 690, item, 1, account, title);
        Database d = db();
        EXPECT_TRUE(d.exec("UPDATE Booking SET Pris = ?, gennr = ?, gentagende = ?, "
                           "Bemærkninger = 'Bring keys' WHERE Bookingnr = ?",
                           {price, gennr, gennr ? -1 : 0, nr}));
        return nr;
    }

    // A series of count bookings at 100.00, one a week; returns its number.
    int series(int count, int item = 1)
    {
        const int first = book(kDay, item, 100, 0);
        db().exec("UPDATE Booking SET gennr = ?, gentagende = -1 WHERE Bookingnr = ?",
                  {first, first});
        for (int i = 1; i < count; ++i)
            book(kDay + 7 * i, item, 100, first);
        return first;
    }

    LaidOutReport seriesReceipt(int gennr, bool taxbool, double pct, const QLocale& locale = kUs)
    {
        Database d = db();
        QString error;
        auto report = BuildSeriesReceipt(d, gennr, taxbool, pct, &error);
        EXPECT_TRUE(report.has_value()) << error.toStdString();
        return report ? (report->locale = locale, report->layout()) : LaidOutReport();
    }
    LaidOutReport singleReceipt(int bookingnr)
    {
        Database d = db();
        auto report = BuildSingleReceipt(d, bookingnr, true, 25);
        EXPECT_TRUE(report.has_value());
        return report ? (report->locale = kUs, report->layout()) : LaidOutReport();
    }

    int account = 0;
};

// ------------------------------------------------------------ footer rule

struct TaxCase {
    bool taxbool;
    double percent;
    const QLocale* locale;
    const char* price;
    const char* sum;
    const char* caption;
    const char* tax;
    const char* total;
};

INSTANTIATE_TEST_SUITE_P(Engines, ReceiptTest, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(ReceiptTest, FooterShowsSumTaxAndTotalOfTheSeries)
{
    const int gennr = series(3);
    const TaxCase cases[] = {
        {true, 25, &kUs, "100.00", "300.00", "Tax 25%", "75.00", "375.00"},
        {false, 25, &kUs, "100.00", "300.00", "No Tax", "0.00", "300.00"},
        {true, 12.5, &kUs, "100.00", "300.00", "Tax 12.5%", "37.50", "337.50"},
        {true, 0, &kUs, "100.00", "300.00", "Tax 0%", "0.00", "300.00"},
        // the sum is read back as printed, so the locale's separator must parse
        {true, 12.5, &kDanish, "100,00", "300,00", "Tax 12,5%", "37,50", "337,50"},
    };
    for (const TaxCase& c : cases) {
        SCOPED_TRACE(c.caption);
        const LaidOutReport r = seriesReceipt(gennr, c.taxbool, c.percent, *c.locale);
        ASSERT_EQ(r.pageCount(), 1);
        EXPECT_EQ(r.textsNamed("Pris"), QStringList(3, c.price));
        EXPECT_EQ(r.textsNamed("txtPris"), QStringList{c.sum});
        EXPECT_EQ(r.textsNamed("Taxtex"), QStringList{c.caption});
        EXPECT_EQ(r.textsNamed("taxbel"), QStringList{c.tax});
        EXPECT_EQ(r.textsNamed("total"), QStringList{c.total});
        EXPECT_EQ(r.textsNamed("taxbool").size(), c.taxbool ? 1 : 0);
    }
}

TEST_P(ReceiptTest, SumTaxAndTotalAreGroupedAlikeAndTaxUsesTheSumAsPrinted)
{
    // The sum 1500.375 prints as 1,500.38; 10% of the printed figure gives a
    // total of 1650.42, where the unrounded sum would give 1650.41.
    const int gennr = book(kDay, 1, 1000.125);
    db().exec("UPDATE Booking SET gennr = ? WHERE Bookingnr = ?", {gennr, gennr});
    book(kDay + 1, 1, 500.25, gennr);
    const LaidOutReport r = seriesReceipt(gennr, true, 10);
    EXPECT_EQ(r.textsNamed("Pris"), (QStringList{"1,000.13", "500.25"}));
    EXPECT_EQ(r.textsNamed("txtPris"), QStringList{"1,500.38"});
    EXPECT_EQ(r.textsNamed("taxbel"), QStringList{"150.04"});
    EXPECT_EQ(r.textsNamed("total"), QStringList{"1,650.42"});
}

// ------------------------------------------------------------ rows

TEST_P(ReceiptTest, SeriesListsEveryBookingOfItsSeriesInDateOrderWhateverTheHomebase)
{
    const int gennr = book(kDay + 14, 1, 100, 0, "Board meeting");
    db().exec("UPDATE Booking SET gennr = ? WHERE Bookingnr = ?", {gennr, gennr});
    const int noHome = book(kDay, 2, 120, gennr);
    const int lostHome = book(kDay + 7, 3, 80, gennr);
    const int other = series(2);
    const int single = book(kDay + 3, 1, 50);

    const LaidOutReport r = seriesReceipt(gennr, false, 25);
    ASSERT_EQ(r.pageCount(), 1);
    EXPECT_EQ(
        r.textsNamed("Bookingnr"),
        (QStringList{QString::number(noHome), QString::number(lostHome), QString::number(gennr)}));
    EXPECT_EQ(r.textsNamed("Lokalenavn"), (QStringList{"Room 2", "Room 3", "Room 1"}));
    EXPECT_EQ(r.textsNamed("Bdato"), (QStringList{"3/5/2024", "3/12/2024", "3/19/2024"}));
    EXPECT_EQ(r.textsNamed("Bstart"), QStringList(3, "10:00"));
    EXPECT_EQ(r.textsNamed("Bslut"), QStringList(3, "11:30"));
    EXPECT_EQ(r.textsNamed("txtPris"), QStringList{"300.00"});
    for (int nr : {other, single})
        EXPECT_FALSE(r.textsNamed("Bookingnr").contains(QString::number(nr)));
}

TEST_P(ReceiptTest, SingleReceiptShowsOnlyItsBookingWithItemAndAccount)
{
    const int gennr = series(3);
    const int mine = book(kDay + 1, 2, 250, 0, "Summer party");
    book(kDay + 1, 1, 75);

    const LaidOutReport r = singleReceipt(mine);
    ASSERT_EQ(r.pageCount(), 1);
    const LaidOutPage& p = r.pages[0];
    EXPECT_EQ(r.textsNamed("Bookingnr"), QStringList{QString::number(mine)});
    EXPECT_EQ(r.textsNamed("txtPris"), QStringList{"250.00"});
    EXPECT_EQ(r.textsNamed("total"), QStringList{"312.50"});
    EXPECT_FALSE(r.textsNamed("Bookingnr").contains(QString::number(gennr)));
    for (const char* text : {" Booking Reciept", "Booking:", "Ordered by:", "Type:", "Single",
                             "No.:", "Booking No.", "Date", "Start", "End", "Fee", "Sum", "Total",
                             "Signature :__________________________________"})
        EXPECT_TRUE(p.hasText(text)) << text;
    EXPECT_FALSE(p.hasText("Ressource:"));
    EXPECT_EQ(p.textsNamed("Beskrivelse"), QStringList{"Summer party"});
    EXPECT_EQ(p.textsNamed("Lokalenavn"), QStringList{"Room 2"});
    EXPECT_EQ(p.textsNamed("lokalenr"), QStringList{"2"});
    EXPECT_EQ(p.textsNamed("PoB"), QStringList{"8000 Aarhus"});
    EXPECT_EQ(p.textsNamed("kontomail"), QStringList{"jane@example.org"});
    EXPECT_EQ(p.textsNamed("Bemærkninger"), QStringList{"Bring keys"});
    EXPECT_EQ(p.textsNamed("Udate"),
              QStringList{FormatValue(QDate::currentDate(), "mmmm d, yyyy", kUs)});
    EXPECT_EQ(p.textsNamed("CInfo1"), QStringList{"Town Hall, Main Street 1, 1000 Town"});
}

TEST_P(ReceiptTest, PostalLineKeepsTheTownWhenTheCodeIsMissing)
{
    db().exec("UPDATE Konti SET Kontopnr = NULL WHERE ID = ?", {account});
    const LaidOutReport r = singleReceipt(book(kDay, 1, 10));
    EXPECT_EQ(r.textsNamed("PoB"), QStringList{" Aarhus"});
}

TEST_P(ReceiptTest, StatementsBindTheirNumber)
{
    for (const Statement& st : {SingleReceiptStatement(42), SeriesReceiptStatement(42)}) {
        EXPECT_EQ(st.binds, QVariantList{42});
        EXPECT_FALSE(st.sql.contains("42"));
    }
}

// ------------------------------------------------------------ pages

TEST_P(ReceiptTest, LongSeriesRepeatsPageHeaderAndInstitutionFooterOnEveryPage)
{
    const int gennr = series(90);
    const LaidOutReport r = seriesReceipt(gennr, true, 25);
    ASSERT_GE(r.pageCount(), 2);
    for (int i = 0; i < r.pageCount(); ++i) {
        SCOPED_TRACE(i);
        const LaidOutPage& p = r.pages[i];
        EXPECT_TRUE(p.hasText("Booking No."));
        EXPECT_TRUE(p.hasText("Ressource:"));
        EXPECT_EQ(p.textsNamed("Cinfo1"), QStringList{"Town Hall, Main Street 1, 1000 Town"});
        EXPECT_EQ(p.textsNamed("Cinfo2"),
                  QStringList{"Phone: 12 34 56 78, eMail: hall@town.example"});
        EXPECT_EQ(p.hasText(" Booking Reciept"), i == 0);
        // the footer stays below every row on the page
        const PlacedItem* info = p.find("Cinfo1");
        for (const PlacedItem& item : p.items) {
            if (item.name == "Bookingnr") {
                EXPECT_LT(item.rect.bottom(), info->rect.top());
            }
        }
    }
    EXPECT_EQ(r.textsNamed("Bookingnr").size(), 90);
    const LaidOutPage& last = r.pages.back();
    EXPECT_EQ(last.textsNamed("txtPris"), QStringList{"9,000.00"});
    EXPECT_EQ(last.textsNamed("total"), QStringList{"11,250.00"});
    EXPECT_EQ(r.textsNamed("Udate"),
              QStringList{FormatValue(QDate::currentDate(), "Short Date", kUs)});
}

// ------------------------------------------------------------ logo

TEST_P(ReceiptTest, LogoComesFromTheInstitutionRowAndIsLeftOutWhenUnreadable)
{
    const int nr = book(kDay, 1, 10);
    const auto logoOnFirstPage = [&] {
        const LaidOutReport report = singleReceipt(nr);
        const PlacedItem* logo =
            report.pages.isEmpty() ? nullptr : report.pages.first().find("Logorap");
        return logo && logo->kind == PlacedItem::Image && !logo->image.isNull();
    };
    EXPECT_FALSE(logoOnFirstPage()); // none stored

    db().exec("UPDATE institutionsoplysninger SET Logopic = ?", {pngLogo()});
    EXPECT_TRUE(logoOnFirstPage());

    db().exec("UPDATE institutionsoplysninger SET Logopic = ?", {QByteArray("not a picture")});
    EXPECT_FALSE(logoOnFirstPage());
    EXPECT_EQ(singleReceipt(nr).textsNamed("Bookingnr"), QStringList{QString::number(nr)});
}

TEST(InstitutionFooter, GoesBelowWhatThePageFooterAlreadyHolds)
{
    Session s;
    s.InstitutionName = "A";
    s.InstitutionAddress = "B";
    s.InstitutionZip = "C";
    s.InstitutionCity = "D";
    s.InstitutionPhone = "E";
    s.InstitutionEmail = "F";
    ReportDefinition def;
    def.pageFooter.height = 6;
    def.pageFooter.add(ReportItem::label("above", {0, 0, 40, 5}).named("above"));
    AddInstitutionFooter(def, s);
    const LaidOutPage page = LayoutReport(def, ReportRows(), kUs).pages.value(0);
    const PlacedItem* above = page.find("above");
    const PlacedItem* info1 = page.find("Cinfo1");
    const PlacedItem* info2 = page.find("Cinfo2");
    const PlacedItem* number = page.find("PageNo");
    ASSERT_TRUE(above && info1 && info2 && number);
    EXPECT_EQ(info1->text, "A, B, C D");
    EXPECT_EQ(info2->text, "Phone: E, eMail: F");
    EXPECT_EQ(number->text, "Page 1 of 1");
    EXPECT_GE(info1->rect.top(), above->rect.bottom());
    EXPECT_GT(info2->rect.top(), info1->rect.top());
    EXPECT_GE(number->rect.left(), info1->rect.right() - 1e-9) << "beside the lines, not over them";
    EXPECT_LE(info2->rect.bottom(), def.paperSize().height() - def.margins.bottom() + 1e-6);
}

TEST(InstitutionFooter, PartsThatAreNotSetLeaveNoStrayCommas)
{
    const struct {
        const char *name, *address, *zip, *city, *phone, *mail;
        const char *line1, *line2;
    } cases[] = {
        {"My Institution", "", "", "", "", "", "My Institution", ""},
        {"My Institution", "", "8000", "Aarhus", "", "a@b.dk", "My Institution, 8000 Aarhus",
         "eMail: a@b.dk"},
        {"My Institution", "High Road 5", "", "Aarhus", "12 34", "",
         "My Institution, High Road 5, Aarhus", "Phone: 12 34"},
        {"", "High Road 5", "8000", "", " ", "a@b.dk", "High Road 5, 8000", "eMail: a@b.dk"},
    };
    for (const auto& c : cases) {
        Session s;
        s.InstitutionName = c.name;
        s.InstitutionAddress = c.address;
        s.InstitutionZip = c.zip;
        s.InstitutionCity = c.city;
        s.InstitutionPhone = c.phone;
        s.InstitutionEmail = c.mail;
        EXPECT_EQ(InstitutionLine1(s), c.line1);
        EXPECT_EQ(InstitutionLine2(s), c.line2);
    }
}

// ------------------------------------------------------------ output

TEST_P(ReceiptTest, PdfReadsBackWithTheReceiptsTexts)
{
    db().exec("UPDATE institutionsoplysninger SET Logopic = ?", {pngLogo()});
    const int gennr = series(3);
    Database d = db();
    auto threeWeeks = BuildSeriesReceipt(d, gennr, true, 25);
    auto single = BuildSingleReceipt(d, gennr, false, 25);
    ASSERT_TRUE(threeWeeks && single);
    threeWeeks->locale = single->locale = kUs;

    // VESTRA_SHOTS keeps the files for a look by eye.
    const QString folder = qEnvironmentVariable("VESTRA_SHOTS", dir.path());
    QDir().mkpath(folder);
    const QString seriesPdf = folder + "/multikvitto.pdf";
    const QString singlePdf = folder + "/enkeltkvitto.pdf";
    QString error;
    ASSERT_TRUE(threeWeeks->printToPdf(seriesPdf, &error)) << error.toStdString();
    ASSERT_TRUE(single->printToPdf(singlePdf, &error)) << error.toStdString();

    const QString text = runTool("pdftotext", {"-layout", seriesPdf, "-"});
    for (const char* expected :
         {"Booking Reciept", "Jane Miller", "8000 Aarhus", "Ressource:", "Room 1", "3/19/2024",
          "10:00", "11:30", "300.00", "Tax 25%", "75.00", "375.00", "Signature :",
          "Town Hall, Main Street 1, 1000 Town", "Phone: 12 34 56 78, eMail: hall@town.example"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                << text.toStdString();
    const QString one = runTool("pdftotext", {"-layout", singlePdf, "-"});
    for (const char* expected : {"Single", "No.:", "No Tax", "100.00"})
        EXPECT_TRUE(one.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                               << one.toStdString();
    EXPECT_FALSE(one.contains("3/19/2024"));
}

// ------------------------------------------------------------ opening

int previewPages(QPrintPreviewDialog* dialog)
{
    auto* widget = dialog->findChild<QPrintPreviewWidget*>();
    return widget ? widget->pageCount() : -1;
}

TEST_P(ReceiptTest, ShowReceiptOpensTheSeriesForARepeatedBookingElseTheSingleOne)
{
    const int gennr = series(90);
    const int member = gennr + 5;

    QPrintPreviewDialog* multi = ShowReceipt(member, true, gennr, true);
    ASSERT_NE(multi, nullptr);
    EXPECT_EQ(multi->objectName(), "reportpreview");
    EXPECT_GE(previewPages(multi), 2);
    multi->close();

    QPrintPreviewDialog* one = ShowReceipt(member, false, gennr, true);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(previewPages(one), 1);
    one->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_P(ReceiptTest, ShowReceiptWithoutABookingFileSaysSo)
{
    session().BookingFilePath = pathOf("missing.mdb");
    EXPECT_EQ(ShowReceipt(1, false, 0, false), nullptr);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown()[0].text.startsWith("The receipt could not be made"));
}

} // namespace
} // namespace vestra::test
