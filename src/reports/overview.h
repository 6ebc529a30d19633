#pragma once
// The booking overview: the live bookings of a period, day by day, grouped
// by resource group and type, of all kinds of resource or of one.

#include "data/statements.h"
#include "reports/reportrun.h"

namespace vestra {

// The kinds a booking's group may have to be printed (100 matches none),
// and the text the report shows for the choice.
struct OverviewKinds {
    int g1 = 1;
    int g2 = 2;
    int g3 = 3;
    QString text;
};

enum class OverviewChoice { All, Domestic, AddOn, StandAlone };
OverviewKinds OverviewKindsFor(OverviewChoice choice);

// The bookings dated from..to (both included) whose type belongs to a group
// of one of the kinds, ordered by date, group, type and start. A booking
// whose item is gone still shows, without an item name.
Statement OverviewStatement(int fromDay, int toDay, const OverviewKinds& kinds);

std::optional<Report> BuildOverview(Database& db, const ReportPeriod& period,
                                    const OverviewKinds& kinds, QString* error = nullptr,
                                    const RowProgress& progress = {});

} // namespace vestra
