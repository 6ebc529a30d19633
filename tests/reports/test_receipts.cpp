#include "report/reportformat.h"
#include "reportfixture.h"
#include "reports/receipts.h"
#include "reports/reportcommon.h"
#include "session/startup.h"

#include <QPrintPreviewDialog>

namespace vestra::test {
namespace {

const QLocale kDanish(QLocale::Danish, QLocale::Denmark);

constexpr int kDay = 45354; // 2024-03-05

class ReceiptTest : public ReportFileTest {
protected:
    void SetUp() override
    {
        ReportFileTest::SetUp();
        Database d = db();
        ASSERT_TRUE(d.exec("INSERT INTO Homebases (ID, Homebase) VALUES (1, 'Main building')"));
        // Room 1 has a homebase, Room 2 none, Room 3 one that no longer exists.
        for (const auto& [nr, name, home] :
             {std::tuple{1, "Room 1", QVariant(1)}, std::tuple{2, "Room 2", QVariant()},
              std::tuple{3, "Room 3", QVariant(9)}})
            ASSERT_TRUE(d.exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, ID) "
                               "VALUES (?, 1, ?, ?)",
                               {nr, QString::fromLatin1(name), home}));
        ASSERT_TRUE(d.exec("UPDATE Konti SET kontokontakt = 'Jane', Kontoadresse = 'High Road 5', "
                           "Kontopnr = '8000', Kontoby = 'Aarhus', Kontotlf = '87 65 43 21', "
                           "kontomail = 'jane@example.org' WHERE ID = ?",
                           {jane}));
        ASSERT_TRUE(d.exec("UPDATE institutionsoplysninger SET Instutionsnavn = 'Town Hall', "
                           "Instutionsadresse = 'Main Street 1', Instutionspostnr = '1000', "
                           "Instutionsby = 'Town', Instutionstlf = '12 34 56 78', "
                           "Institutionsemail = 'hall@town.example'"));
        startUp();
    }
    void TearDown() override
    {
        SetFileDateFormat({});
        ReportFileTest::TearDown();
    }

    // The session filled from the booking file as start-up fills it, dates
    // printing in the file's format.
    void startUp()
    {
        Database d = db();
        ASSERT_TRUE(LoadInstitutionSettings(d, session()));
        SetFileDateFormat(session().DateFormatLong);
    }

    // A booking at 10:00-11:30 for price, in series gennr (0: single).
    int book(int day, int item, double price, int gennr = 0,
             const QString& title = QStringLiteral("Choir rehearsal"))
    {
        const int nr = addBooking(day, 600, 690, item, 1, jane, title);
        EXPECT_TRUE(db().exec("UPDATE Booking SET Pris = ?, gennr = ?, gentagende = ?, "
                              "Bemærkninger = 'Bring keys' WHERE Bookingnr = ?",
                              {price, gennr, gennr ? -1 : 0, nr}));
        return nr;
    }

    // A series of count bookings at price, one a week; returns its number.
    int series(int count, int item = 1, double price = 100)
    {
        const int first = book(kDay, item, price, 0);
        db().exec("UPDATE Booking SET gennr = ?, gentagende = -1 WHERE Bookingnr = ?",
                  {first, first});
        for (int i = 1; i < count; ++i)
            book(kDay + 7 * i, item, price, first);
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
};

INSTANTIATE_TEST_SUITE_P(Engines, ReceiptTest, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(ReceiptTest, FooterShowsSumTaxAndTotalOfTheSeries)
{
    const int gennr = series(3);
    const struct {
        bool taxbool;
        double percent;
        const QLocale* locale;
        const char *price, *sum, *caption, *tax, *total;
    } cases[] = {
        {true, 25, &kUs, "100.00", "300.00", "Tax 25%", "75.00", "375.00"},
        {false, 25, &kUs, "100.00", "300.00", "No Tax", "0.00", "300.00"},
        {true, 12.5, &kUs, "100.00", "300.00", "Tax 12.5%", "37.50", "337.50"},
        {true, 0, &kUs, "100.00", "300.00", "Tax 0%", "0.00", "300.00"},
        // the sum is read back as printed, so the locale's separator must parse
        {true, 12.5, &kDanish, "100,00", "300,00", "Tax 12,5%", "37,50", "337,50"},
    };
    for (const auto& c : cases) {
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
    const int gennr = series(1, 1, 1000.125);
    book(kDay + 1, 1, 500.25, gennr);
    const LaidOutReport r = seriesReceipt(gennr, true, 10);
    EXPECT_EQ(r.textsNamed("Pris"), (QStringList{"1,000.13", "500.25"}));
    EXPECT_EQ(r.textsNamed("txtPris"), QStringList{"1,500.38"});
    EXPECT_EQ(r.textsNamed("taxbel"), QStringList{"150.04"});
    EXPECT_EQ(r.textsNamed("total"), QStringList{"1,650.42"});
}

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
    EXPECT_EQ(r.textsNamed("Bdato"), (QStringList{"05-03-2024", "12-03-2024", "19-03-2024"}));
    EXPECT_EQ(r.textsNamed("Bstart"), QStringList(3, "10:00"));
    EXPECT_EQ(r.textsNamed("Bslut"), QStringList(3, "11:30"));
    EXPECT_EQ(r.textsNamed("txtPris"), QStringList{"300.00"});
    for (int nr : {other, single})
        EXPECT_FALSE(r.textsNamed("Bookingnr").contains(QString::number(nr)));
}

TEST_P(ReceiptTest, DatesPrintInTheBookingFilesDateFormat)
{
    const int gennr = series(2);
    const struct {
        const char *stored, *second, *qtPattern;
    } cases[] = {{"dd-mm-yyyy", "12-03-2024", "dd-MM-yyyy"},
                 {"mm/dd/yyyy", "03/12/2024", "MM/dd/yyyy"},
                 {"d. mmmm yyyy", "12. March 2024", "d. MMMM yyyy"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        db().exec("UPDATE institutionsoplysninger SET dateformatstr1 = ?", {c.stored});
        startUp();
        const LaidOutReport r = seriesReceipt(gennr, true, 25);
        EXPECT_EQ(r.textsNamed("Bdato").value(1), QString(c.second));
        EXPECT_EQ(r.textsNamed("Udate"),
                  QStringList{kUs.toString(QDate::currentDate(), c.qtPattern)});
    }
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

    // The postal line keeps the town when the code is missing.
    db().exec("UPDATE Konti SET Kontopnr = NULL WHERE ID = ?", {jane});
    EXPECT_EQ(singleReceipt(mine).textsNamed("PoB"), QStringList{" Aarhus"});
}

TEST_P(ReceiptTest, LongSeriesRepeatsPageHeaderAndInstitutionFooterOnEveryPage)
{
    const LaidOutReport r = seriesReceipt(series(90), true, 25);
    ASSERT_GE(r.pageCount(), 2);
    for (int i = 0; i < r.pageCount(); ++i) {
        SCOPED_TRACE(i);
        const LaidOutPage& p = r.pages[i];
        EXPECT_TRUE(p.hasText("Booking No."));
        EXPECT_TRUE(p.hasText("Ressource:"));
        EXPECT_EQ(p.textsNamed("Cinfo1"), QStringList{"Town Hall, Main Street 1, 1000 Town"});
        EXPECT_EQ(p.hasText(" Booking Reciept"), i == 0);
    }
    EXPECT_EQ(r.textsNamed("Bookingnr").size(), 90);
    EXPECT_EQ(r.pages.back().textsNamed("txtPris"), QStringList{"9,000.00"});
    EXPECT_EQ(r.pages.back().textsNamed("total"), QStringList{"11,250.00"});
}

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

Session institution(const char* name, const char* address, const char* zip, const char* city,
                    const char* phone, const char* mail)
{
    Session s;
    s.InstitutionName = name;
    s.InstitutionAddress = address;
    s.InstitutionZip = zip;
    s.InstitutionCity = city;
    s.InstitutionPhone = phone;
    s.InstitutionEmail = mail;
    return s;
}

TEST(InstitutionFooter, GoesBelowWhatThePageFooterAlreadyHolds)
{
    ReportDefinition def;
    def.pageFooter.height = 6;
    def.pageFooter.add(ReportItem::label("above", {0, 0, 40, 5}).named("above"));
    AddInstitutionFooter(def, institution("A", "B", "C", "D", "E", "F"));
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
        Session s;
        const char *line1, *line2;
    } cases[] = {
        {institution("My Institution", "", "", "", "", ""), "My Institution", ""},
        {institution("My Institution", "", "8000", "Aarhus", "", "a@b.dk"),
         "My Institution, 8000 Aarhus", "eMail: a@b.dk"},
        {institution("My Institution", "High Road 5", "", "Aarhus", "12 34", ""),
         "My Institution, High Road 5, Aarhus", "Phone: 12 34"},
        {institution("", "High Road 5", "8000", "", " ", "a@b.dk"), "High Road 5, 8000",
         "eMail: a@b.dk"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InstitutionLine1(c.s), c.line1);
        EXPECT_EQ(InstitutionLine2(c.s), c.line2);
    }
}

TEST_P(ReceiptTest, PdfReadsBackWithTheReceiptsTexts)
{
    db().exec("UPDATE institutionsoplysninger SET Logopic = ?", {pngLogo()});
    const int gennr = series(3);
    Database d = db();
    auto threeWeeks = BuildSeriesReceipt(d, gennr, true, 25);
    auto single = BuildSingleReceipt(d, gennr, false, 25);
    ASSERT_TRUE(threeWeeks && single);
    threeWeeks->locale = single->locale = kUs;

    const QString text = pdfText(*threeWeeks, "multikvitto.pdf");
    for (const char* expected :
         {"Booking Reciept", "Jane Miller", "8000 Aarhus", "Ressource:", "Room 1", "19-03-2024",
          "10:00", "11:30", "300.00", "Tax 25%", "75.00", "375.00", "Signature :",
          "Town Hall, Main Street 1, 1000 Town", "Phone: 12 34 56 78, eMail: hall@town.example"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                << text.toStdString();
    const QString one = pdfText(*single, "enkeltkvitto.pdf");
    for (const char* expected : {"Single", "No.:", "No Tax", "100.00"})
        EXPECT_TRUE(one.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                               << one.toStdString();
    EXPECT_FALSE(one.contains("19-03-2024"));
}

TEST_P(ReceiptTest, ShowReceiptOpensTheSeriesForARepeatedBookingElseTheSingleOne)
{
    const int gennr = series(90);
    QPrintPreviewDialog* multi = ShowReceipt(gennr + 5, true, gennr, true);
    ASSERT_NE(multi, nullptr);
    EXPECT_GE(previewPages(multi), 2);
    multi->close();

    QPrintPreviewDialog* one = ShowReceipt(gennr + 5, false, gennr, true);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(previewPages(one), 1);
    one->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(messages.shown().isEmpty());

    // Without its booking file, the user is told.
    session().BookingFilePath = pathOf("missing.mdb");
    EXPECT_EQ(ShowReceipt(1, false, 0, false), nullptr);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown()[0].text.startsWith("The receipt could not be made"));
}

} // namespace
} // namespace vestra::test
