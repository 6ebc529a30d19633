// Rows another program wrote with the wrong kinds of values: the day and
// week loads neither crash nor show nonsense; such a row is left out.

#include "data/dates.h"
#include "schedule/scheduledata.h"
#include "support/fixture.h"

using namespace vestra;
using namespace vestra::test;

using BadRows = BookingFileTest;

TEST_F(BadRows, DayAndWeekLoadsSkipRowsThatHoldNoUsableTimeOrDay)
{
    makeBookingFile();
    const int day = DayNumber(QDate(2026, 12, 7));
    const int good = addBooking(day, 600, 660);
    Database d = db();
    // Bookingnr, Bdato, Bstart, Bslut, Bcolor, Beskrivelse: a file keeps what it is given.
    const QVariantList bad[] = {
        {9001, day, "ten", 660, 255, "text start"},
        {9002, day, 600, "11:00", 255, "text end"},
        {9003, day, QVariant(), 660, 255, "no start"},
        {9004, day, 600, QVariant(), 255, "no end"},
        {9005, day, 9e18, 660, 255, "huge start"},
        {9006, day, 600, -5000000000LL, 255, "huge negative end"},
        {9007, day, 600.5, 660, 255, "half a minute"},
        {9008, day, 600, 2000, 255, "past the day"},
        {9009, day, 600, 660, "red", "text colour"},
        {9010, day, 600, 660, 1e30, "huge colour"},
        {9011, "monday", 600, 660, QVariant(), "text day"},
        {9012, QVariant(), 600, 660, QVariant(), "no day"},
    };
    for (const QVariantList& row : bad)
        ASSERT_TRUE(d.exec("INSERT INTO Booking (Bookingnr, Bdato, Bstart, Bslut, Bcolor, "
                           "Beskrivelse, Bgruppe, Lokalenr) VALUES (?, ?, ?, ?, ?, ?, 1, 1)",
                           row))
            << d.lastError().toStdString();

    const int monday = day - (QDate(2026, 12, 7).dayOfWeek() - 1);
    for (const auto& [name, blocks] : {std::pair{"day", LoadDayBlocks(d, 1, day)},
                                       std::pair{"week", LoadWeekBlocks(d, 1, monday)},
                                       std::pair{"scan", LoadDayBlocksByScan(d, 1, day)}}) {
        SCOPED_TRACE(name);
        QStringList shown;
        for (const ScheduleBlock& b : blocks)
            shown << QStringLiteral("%1 %2-%3").arg(b.text).arg(b.start).arg(b.end);
        // The good row, and those whose faults lie outside the time and the day.
        EXPECT_EQ(shown,
                  QStringList({"Booking 600-660", "text colour 600-660", "huge colour 600-660"}));
        EXPECT_EQ(blocks.first().bookingnr, good);
    }
}
