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
    // The session filled from the booking file as start-up fills it, dates
    // printing in the file's format.
    void SetUp() override
    {
        ReportFileTest::SetUp();
        Database d = db();
        ASSERT_TRUE(d.exec("UPDATE Konti SET kontokontakt = 'Jane', Kontoadresse = 'High Road 5', "
                           "Kontopnr = '8000', Kontoby = 'Aarhus', Kontotlf = '87 65 43 21', "
                           "kontomail = 'jane@example.org' WHERE ID = ?",
                           {jane}));
        ASSERT_TRUE(d.exec("UPDATE institutionsoplysninger SET Instutionsnavn = 'Town Hall', "
                           "Instutionsadresse = 'Main Street 1', Instutionspostnr = '1000', "
                           "Instutionsby = 'Town', Instutionstlf = '12 34 56 78', "
                           "Institutionsemail = 'hall@town.example'"));
        ASSERT_TRUE(LoadInstitutionSettings(d, session()));
        SetFileDateFormat(session().DateFormatLong);
    }

    // A booking of Room 1 at 10:00-11:30 for price, in series gennr (0: single).
    int book(int day, double price, int gennr = 0)
    {
        const int nr = addBooking(day, 600, 690, 101, 10, jane, "Choir rehearsal");
        EXPECT_TRUE(db().exec("UPDATE Booking SET Pris = ?, gennr = ?, gentagende = ?, "
                              "Bemærkninger = 'Bring keys' WHERE Bookingnr = ?",
                              {price, gennr, gennr ? -1 : 0, nr}));
        return nr;
    }

    // A series of count bookings at 100, one a week; returns its number.
    int series(int count)
    {
        const int first = book(kDay, 100);
        db().exec("UPDATE Booking SET gennr = ?, gentagende = -1 WHERE Bookingnr = ?",
                  {first, first});
        for (int i = 1; i < count; ++i)
            book(kDay + 7 * i, 100, first);
        return first;
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, ReceiptTest, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(ReceiptTest, FooterShowsSumTaxAndTotalOfTheSeries)
{
    const int gennr = series(3);
    Database d = db();
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
        QString error;
        const LaidOutReport r =
            laidOut(BuildSeriesReceipt(d, gennr, c.taxbool, c.percent, &error), error, *c.locale);
        ASSERT_EQ(r.pageCount(), 1);
        EXPECT_EQ(r.textsNamed("Pris"), QStringList(3, c.price));
        EXPECT_EQ(r.textsNamed("txtPris"), QStringList{c.sum});
        EXPECT_EQ(r.textsNamed("Taxtex"), QStringList{c.caption});
        EXPECT_EQ(r.textsNamed("taxbel"), QStringList{c.tax});
        EXPECT_EQ(r.textsNamed("total"), QStringList{c.total});
        EXPECT_EQ(r.textsNamed("taxbool").size(), c.taxbool ? 1 : 0);
    }
}

TEST_P(ReceiptTest, LogoComesFromTheInstitutionRowAndIsLeftOutWhenUnreadable)
{
    const int nr = book(kDay, 10);
    Database d = db();
    const auto logoOnFirstPage = [&] {
        const LaidOutReport report = laidOut(BuildSingleReceipt(d, nr, true, 25));
        EXPECT_EQ(report.textsNamed("Bookingnr"), QStringList{QString::number(nr)});
        const PlacedItem* logo =
            report.pages.isEmpty() ? nullptr : report.pages.first().find("Logorap");
        return logo && logo->kind == PlacedItem::Image && !logo->image.isNull();
    };
    EXPECT_FALSE(logoOnFirstPage()); // none stored
    d.exec("UPDATE institutionsoplysninger SET Logopic = ?", {pngLogo()});
    EXPECT_TRUE(logoOnFirstPage());
    d.exec("UPDATE institutionsoplysninger SET Logopic = ?", {QByteArray("not a picture")});
    EXPECT_FALSE(logoOnFirstPage());
}

TEST(InstitutionFooter, GoesBelowWhatThePageFooterAlreadyHolds)
{
    ReportDefinition def;
    def.pageFooter.height = 6;
    def.pageFooter.add(ReportItem::label("above", {0, 0, 40, 5}).named("above"));
    Session s;
    s.InstitutionName = "A";
    s.InstitutionAddress = "B";
    s.InstitutionZip = "C";
    s.InstitutionCity = "D";
    s.InstitutionPhone = "E";
    s.InstitutionEmail = "F";
    AddInstitutionFooter(def, s);
    const LaidOutPage page = LayoutReport(def, ReportRows(), kUs).pages.value(0);
    const PlacedItem* above = page.find("above");
    const PlacedItem* info1 = page.find("Cinfo1");
    const PlacedItem* info2 = page.find("Cinfo2");
    const PlacedItem* number = page.find("PageNo");
    ASSERT_TRUE(above && info1 && info2 && number);
    EXPECT_EQ(QStringList({info1->text, info2->text, number->text}),
              QStringList({"A, B, C D", "Phone: E, eMail: F", "Page 1 of 1"}));
    EXPECT_GE(info1->rect.top(), above->rect.bottom());
    EXPECT_GT(info2->rect.top(), info1->rect.top());
    EXPECT_GE(number->rect.left(), info1->rect.right() - 1e-9) << "beside the lines, not over them";
    EXPECT_LE(info2->rect.bottom(), def.paperSize().height() - def.margins.bottom() + 1e-6);
}

TEST_P(ReceiptTest, PdfReadsBackWithTheReceiptsTexts)
{
    db().exec("UPDATE institutionsoplysninger SET Logopic = ?", {pngLogo()});
    const int gennr = series(3);
    Database d = db();
    const QString text = pdfText(BuildSeriesReceipt(d, gennr, true, 25), "multikvitto.pdf");
    for (const char* expected :
         {"Booking Reciept", "Jane Miller", "8000 Aarhus", "Ressource:", "Room 1", "19-03-2024",
          "10:00", "11:30", "300.00", "Tax 25%", "75.00", "375.00", "Signature :",
          "Town Hall, Main Street 1, 1000 Town", "Phone: 12 34 56 78, eMail: hall@town.example"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                << text.toStdString();
    const QString one = pdfText(BuildSingleReceipt(d, gennr, false, 25), "enkeltkvitto.pdf");
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
