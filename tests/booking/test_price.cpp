#include "booking/price.h"
#include "booking/seriesupdate.h"
#include "support/fixture.h"

using namespace vestra;
using namespace vestra::test;

class Price : public BookingStoreTest {
protected:
    void SetUp() override
    {
        BookingStoreTest::SetUp();
        makeBookingFile();
        ASSERT_TRUE(db().exec("INSERT INTO lokale (lokalenr, lokalinr, Lokalenavn, gebyr) VALUES "
                              "(1, 1, 'Hall', 150), (2, 1, 'Room', 100), (3, 1, 'Free', NULL)"));
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, Price, ::testing::ValuesIn(TestEngines()), EngineName);

// A list price is whole hours times the item's fee, an agreed price is kept
// as it is; tax follows the booking's box and a positive percentage.
TEST_P(Price, ListPriceIsWholeHoursTimesTheFeeAndTaxFollowsTheBox)
{
    const int h = 3600;
    const struct {
        PriceInput in; // item, start, end, price type, agreed price, tax box, tax percent
        double price, taxAmount, total;
    } cases[] = {
        {{1, 8 * h, 10 * h, ListPrice, 0, false, 25}, 300, 0, 300},
        {{2, 8 * h, 9 * h + h / 2, ListPrice, 0, false, 25}, 200, 0, 200}, // 1.5 h rounds to 2
        {{2, 22 * h, 2 * h, ListPrice, 0, false, 25}, 400, 0, 400},        // across midnight
        {{3, 8 * h, 10 * h, ListPrice, 0, false, 25}, 0, 0, 0},            // an item without a fee
        {{99, 8 * h, 10 * h, ListPrice, 0, false, 25}, 0, 0, 0},           // an item that is gone
        {{1, 8 * h, 10 * h, ListPrice, 0, true, 25}, 300, 75, 375},
        {{1, 8 * h, 10 * h, AgreedPrice, 500, false, 25}, 500, 0, 500},
        {{1, 8 * h, 10 * h, ListPrice, 0, true, 0}, 300, 0, 300},
        {{1, 8 * h, 10 * h, ListPrice, 0, true, -5}, 300, 0, 300},
    };
    Database d = db();
    for (const auto& c : cases) {
        const PriceResult r = RecalculatePrice(d, c.in);
        EXPECT_EQ(std::tuple(r.price, r.taxAmount, r.total),
                  std::tuple(c.price, c.taxAmount, c.total))
            << c.in.item << " " << c.in.startSeconds << " " << c.in.taxPercent;
    }
}

// Grouped amounts (FormatAmount) are the report formats' own.
TEST(PriceText, APriceIsWrittenPlainAndReadOnlyAsTheLocaleWritesIt)
{
    const QLocale danish(QLocale::Danish, QLocale::Denmark);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(PlainPrice(300, danish), "300");
    EXPECT_EQ(PlainPrice(1250.5, danish), "1250,5") << "plain: no grouping";
    const struct {
        const QLocale* locale;
        const char* text;
        double value;
    } read[] = {
        {&danish, "1250,5", 1250.5},
        {&danish, "1.250,50", 1250.5},
        {&danish, "1.250", 1250},    // a group separator where it belongs
        {&danish, "1250.5", 1250.5}, // a point that cannot group is the decimal point
        {&danish, " 99 ", 99},
        {&danish, "-12,5", -12.5},
        {&danish, "", 0},
        {&english, "150.50", 150.5},
        {&english, "1,250.50", 1250.5},
    };
    for (const auto& c : read)
        EXPECT_EQ(ParsePrice(c.text, *c.locale), c.value)
            << c.text << " in " << c.locale->name().toStdString();
    // Refused: "1,250.50" is neither Danish nor a plain point, "150,50" is not 15050.
    for (const char* text : {"ten", "1,2,3", "12,5.0", "1.25.0", "1,250.50"})
        EXPECT_EQ(ParsePrice(text, danish), std::nullopt) << text << " in Danish";
    for (const char* text :
         {"150,50", "1,25", "1250,5", "12.5.1", ",", "12 kr", "1e3", "inf", "nan", "1,50,000"})
        EXPECT_EQ(ParsePrice(text, english), std::nullopt) << text << " in English";
}

TEST(PriceText, TaxIsRoundedOnItsOwnAndTheTotalAddsUp)
{
    // A credit rounds away from zero too.
    const TaxedAmount credit = AddTax(-2.1, 25), none = AddTax(300, 0);
    EXPECT_EQ(std::tuple(credit.tax, credit.total, none.tax, none.total),
              std::tuple(-0.53, -2.63, 0.0, 300.0));
}

TEST(MailTarget, IsBuiltExactly)
{
    EXPECT_EQ(
        BookingMailTarget("anna@example.org", "Room 1", QDate(2005, 3, 14), "dd-mm-yyyy", 36000),
        "mailto: anna@example.org?subject=Booking Message&body=Concerning: Booking of Room 1, "
        "14-03-2005, 10:00:00");
    // No address still gives a target; the month-first format is followed.
    EXPECT_EQ(BookingMailTarget("", "Hall", QDate(2005, 3, 14), "mm-dd-yyyy", 36030),
              "mailto: ?subject=Booking Message&body=Concerning: Booking of Hall, 03-14-2005, "
              "10:00:00");
}

TEST_P(Price, SeriesUpdateWritesTheOthersAndKeepsDatesAndItems)
{
    Database d = db();
    QList<int> series;
    for (int i = 0; i < 5; ++i)
        series << addBooking(45000 + 7 * i, 600, 660, 1 + i % 2, 1, 1, "Choir");
    // The match is on the series number alone; one booking is not marked repeated.
    ASSERT_TRUE(d.exec("UPDATE Booking SET gennr = ?, gentagende = -1", {series[0]}));
    ASSERT_TRUE(d.exec("UPDATE Booking SET gentagende = 0 WHERE Bookingnr = ?", {series[4]}));
    const int other = addBooking(45000, 600, 660, 1, 1, 1, "Not in the series");

    BookingDetails s;
    s.gennr = series[0];
    s.bookingnr = series[2];
    s.kontonr = 1;
    s.curacname = "Administrator";
    s.beskrivelse = "Choir (new)";
    s.startSeconds = 600 * 60;
    s.endSeconds = 720 * 60;
    s.pris = 123.5;
    s.tax = true;
    s.priceType = 1;
    s.contact[0] = "Eva";
    EXPECT_EQ(UpdateSeries(d, s), 4);
    for (int i = 0; i < 5; ++i) {
        const QStringList row =
            firstRow("SELECT Beskrivelse, Bslut, Bdato, Lokalenr, Pris, tax, bvpris, "
                     "Kontaktperson2 FROM Booking WHERE Bookingnr = ?",
                     {series[i]});
        if (i == 2)
            EXPECT_EQ(row.value(0), "Choir") << "the open booking is stored by its form";
        else
            EXPECT_EQ(row, QStringList({"Choir (new)", "720", QString::number(45000 + 7 * i),
                                        QString::number(1 + i % 2), "123.5", "-1", "1", "Eva"}))
                << i;
    }
    EXPECT_EQ(stored(other, "Beskrivelse").toString(), "Not in the series");
    // Without a readable fee nothing is written, rather than a fee of 0.
    s.pris.reset();
    s.beskrivelse = "Choir (no fee)";
    EXPECT_EQ(UpdateSeries(d, s), -1);
    EXPECT_EQ(count("Booking", "Beskrivelse = 'Choir (no fee)'"), 0);
    s.gennr = 0;
    EXPECT_EQ(UpdateSeries(d, s), 0) << "an empty series number matches nothing";
}
