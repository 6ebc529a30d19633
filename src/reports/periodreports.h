#pragma once
// The two statistics reports over the archive for a period: periodetotaler
// over all accounts and periodedetail for one account. Both count the
// bookings and sum persons, hours and fees per resource item, type and
// group.

#include "data/statements.h"
#include "reports/reportrun.h"

namespace vestra {

// The archived bookings dated from..to (both included), one row per item
// with its type and group, ordered by group, type and item name: antal
// bookings, and the sums of Antalpers, Pris and antaltimer (hours).
Statement PeriodTotalsStatement(int fromDay, int toDay);
// The same for the bookings of one account.
Statement PeriodDetailStatement(int fromDay, int toDay, int account);

// The summary items are named by level and figure: "Item", "Type", "Group"
// and "Report" followed by "Bookings", "Persons", "Hours" or "Fee".
// With progress the archive is read in stretches of bookings, the count
// told after each; a false answer stops the report (nullopt).
std::optional<Report> BuildPeriodTotals(Database& db, const ReportPeriod& period,
                                        QString* error = nullptr, const RowProgress& progress = {});
// accountName goes to AccName. Without rows the report says "No Bookings".
std::optional<Report> BuildPeriodDetail(Database& db, const ReportPeriod& period, int account,
                                        const QString& accountName, QString* error = nullptr,
                                        const RowProgress& progress = {});

} // namespace vestra
