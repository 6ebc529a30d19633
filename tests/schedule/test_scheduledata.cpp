#include "support/fixture.h"

using namespace vestra;
using namespace vestra::test;

using ScheduleData = BookingStoreTest;

INSTANTIATE_TEST_SUITE_P(Engines, ScheduleData, ::testing::ValuesIn(TestEngines()), EngineName);

TEST_P(ScheduleData, LoadsReadThroughIndexes)
{
    makeBookingFile();
    Database d = db();
    const std::pair<QString, QVariantList> statements[] = {
        {"SELECT * FROM Booking WHERE Bdato = ? AND Bgruppe = ? ORDER BY Bookingnr", {1, 2}},
        {"SELECT * FROM Booking WHERE Lokalenr = ? AND Bdato >= ? AND Bdato <= ? ORDER BY "
         "Bookingnr",
         {1, 2, 3}},
        {"SELECT lokalenr FROM headerfor WHERE lokalinr = ?", {1}}};
    const bool server = d.engine() == Engine::PostgreSQL;
    for (const auto& [sql, binds] : statements) {
        const QString plan = QueryPlan(d, sql, binds);
        EXPECT_TRUE(plan.contains(server ? "Index" : "USING INDEX")) << plan.toStdString();
    }
}
