#include "data/dates.h"
#include "report/reportformat.h"
#include "reportfixture.h"
#include "reports/overview.h"
#include "reports/periodreports.h"

#include <QRegularExpression>

namespace vestra::test {
namespace {

constexpr int kDay = 45354; // Tuesday 2024-03-05

ReportPeriod period(int from, int to)
{
    return {from, to, QStringLiteral("from-text"), QStringLiteral("to-text")};
}

class PeriodReportTest : public ReportFileTest {
protected:
    void SetUp() override
    {
        ReportFileTest::SetUp();
        archive(kDay, 480, 570, 101, jane, 10, 100); // 08:00-09:30
        archive(kDay + 3, 600, 720, 101, bob, 5, 50.5);
        archive(kDay + 30, 600, 660, 102, jane, 3, 1000);
        archive(kDay + 10, 540, 555, 111, bob, 0, 0);
        archive(kDay - 1, 540, 600, 111, bob, 1, 1);  // before the period
        archive(kDay + 31, 540, 600, 111, bob, 1, 1); // after it
        archive(kDay + 5, 600, 630, 201, jane, 1, 20.25);
        addBooking(kDay, 480, 600, 101, 10, jane); // not archived yet
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, PeriodReportTest, ::testing::ValuesIn(TestEngines()), EngineName);

// A year of a large archive is summed from the archive's date index alone,
// without reading the archived bookings themselves.
TEST_P(PeriodReportTest, TotalsReadTheArchiveFromItsDateIndexAlone)
{
    Database d = db();
    const Statement st = PeriodTotalsStatement(kDay, kDay + 30);
    const QString plan = QueryPlan(d, st.sql, st.binds);
    EXPECT_TRUE(plan.contains(d.engine() == Engine::PostgreSQL
                                  ? "Index Only Scan using bookingarkiv_period"
                                  : "COVERING INDEX Bookingarkiv_period"))
        << plan.toStdString();
}

// A large archive is summed a stretch of bookings at a time: the count
// moves several times, the sums are those of one statement, and a stop
// gives no report. Any report's rows are read the same way.
TEST_P(PeriodReportTest, ALargePeriodTellsItsCountInStretchesOfBookings)
{
    Database d = db();
    const int many = 2 * kReportStretchRows + 500;
    ASSERT_TRUE(d.exec("INSERT INTO Bookingarkiv (Bookingnr, Beskrivelse, Bdato, Bstart, Bslut, "
                       "Lokalenr, kontonr, Antalpers, Pris) WITH RECURSIVE n(i) AS (SELECT 1 "
                       "UNION ALL SELECT i + 1 FROM n WHERE i < ?) SELECT 1000 + i, 'Old', "
                       "? + i % 20, 480, 540, 102 + i % 2, CAST(? AS INTEGER), 1, 2 FROM n",
                       {many, kDay, bob}))
        << d.lastError().toStdString();
    QList<int> told;
    const auto goOn = [&told](int done, int) { return told << done, true; };
    const auto stopAtSecond = [&told](int done, int) { return told << done, told.size() < 2; };
    for (const int account : {0, bob}) {
        SCOPED_TRACE(account);
        const auto build = [&](const RowProgress& progress) {
            told.clear();
            return account ? BuildPeriodDetail(d, period(kDay, kDay + 30), account, "Bob", nullptr,
                                               progress)
                           : BuildPeriodTotals(d, period(kDay, kDay + 30), nullptr, progress);
        };
        const LaidOutReport whole = laidOut(build({}));
        const LaidOutReport stretched = laidOut(build(goOn));
        EXPECT_GE(told.size(), 4);
        EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
        EXPECT_EQ(told.back(), many + (account ? 2 : 5));
        for (const char* name : {"Lokalenavn", "ItemBookings", "ItemPersons", "ItemHours",
                                 "ItemFee", "TypeFee", "ReportBookings"})
            EXPECT_EQ(stretched.textsNamed(name), whole.textsNamed(name)) << name;
        EXPECT_FALSE(whole.textsNamed("ItemFee").isEmpty());
        EXPECT_FALSE(build(stopAtSecond));
        EXPECT_EQ(told.size(), 2);
    }

    QString error;
    const auto readAll = [&](const RowProgress& progress) {
        told.clear();
        return ReportRows::fromDatabase(d, "SELECT Bookingnr FROM Bookingarkiv", {}, &error,
                                        progress)
            .has_value();
    };
    EXPECT_TRUE(readAll(goOn)) << error.toStdString();
    EXPECT_EQ(told, (QList<int>{0, kReportStretchRows, 2 * kReportStretchRows}));
    EXPECT_FALSE(readAll(stopAtSecond));
    EXPECT_EQ(told, (QList<int>{0, kReportStretchRows}));
}

// ------------------------------------------------------------ overview

class OverviewTest : public ReportFileTest {
protected:
    void SetUp() override
    {
        ReportFileTest::SetUp();
        addBooking(kDay, 600, 660, 101, 10, jane, "Board");
        addBooking(kDay, 540, 600, 102, 10, bob, "Early");
        addBooking(kDay, 480, 540, 201, 20, jane, "Projector loan");
        addBooking(kDay + 1, 480, 500, 999, 11, jane, "Lost item"); // its item is gone
        addBooking(kDay + 2, 480, 500, 301, 30, bob, "Van trip");
        addBooking(kDay + 8, 480, 500, 101, 10, bob, "Next week");
        SetFileDateFormat(QStringLiteral("dd-mm-yyyy"));
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, OverviewTest, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(OverviewTest, PdfShowsWholePhoneNumbersDatesAndWrappedTexts)
{
    Database d = db();
    d.exec("UPDATE Konti SET Kontotlf = '+45 7000 0000' WHERE ID = ?", {jane});
    d.exec("UPDATE Konti SET Kontotlf = '+45 70 00 00 00' WHERE ID = ?", {bob});
    const QString longTitle = QStringLiteral(
        "Annual general meeting of the residents' association, with dinner afterwards");
    d.exec("UPDATE Booking SET Beskrivelse = ? WHERE Beskrivelse = 'Board'", {longTitle});
    const QString text =
        pdfText(BuildOverview(d, period(kDay, kDay + 7), OverviewKindsFor(OverviewChoice::All)),
                QStringLiteral("overview.pdf"));
    for (const char* whole : {"+45 7000 0000", "+45 70 00 00 00", "05-03-2024", "Tuesday", "9:00",
                              "10:00", "Jane Miller", "Projector loan"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(whole))) << whole << "\n" << text.toStdString();
    // The long title wraps within its column: every word is printed.
    for (const QString& word : longTitle.split(u' '))
        EXPECT_TRUE(text.contains(word)) << word.toStdString();
    EXPECT_FALSE(text.contains(QChar(0x2026))) << "nothing is elided";
}

TEST_P(OverviewTest, EveryCellOfAWrappedRowStartsOnTheRowsFirstLine)
{
    // Bob's row grows to three lines for the account name and the phone
    // numbers; its time, item and title are single lines beside them.
    Database d = db();
    d.exec("UPDATE Konti SET Kontonavn = 'Anne-Mette Østergaard Kristiansen Sportsklub', "
           "Kontotlf = '+45 70 00 00 00 / +45 21 21 21 21' WHERE ID = ?",
           {bob});
    pdfText(BuildOverview(d, period(kDay, kDay), OverviewKindsFor(OverviewChoice::All)),
            "rows.pdf");
    // Top of each word pdftotext finds in the PDF, by the word's text.
    const QString html =
        RunTool("pdftotext",
                {"-bbox", qEnvironmentVariable("VESTRA_SHOTS", dir.path()) + "/rows.pdf", "-"});
    static const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="[^"]*" yMin="([^"]*)"[^>]*>([^<]*)</word>)re"));
    QMultiMap<QString, double> tops;
    for (const QRegularExpressionMatch& m : word.globalMatch(html))
        tops.insert(m.captured(2), m.captured(1).toDouble());
    ASSERT_TRUE(tops.contains("Early")) << "the row is printed";
    const double row = tops.value("Early");
    for (const char* first : {"Anne-Mette", "+45", "Room"})
        EXPECT_NEAR(tops.values(first).last(), row, 0.5) << first;
    // The phone's second number goes below its first, within the row.
    EXPECT_GT(tops.values("+45").first(), row + 1);
}

} // namespace
} // namespace vestra::test
