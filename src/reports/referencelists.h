#pragma once
// The reference printouts without parameters: the resource list of one kind
// (ResListDom, ResListAdd, ResListSA) and the account list kontoudskrift.

#include "data/statements.h"
#include "reports/reportrun.h"

namespace vestra {

// The items of kind 1 (Domestic), 2 (Add-On) or 3 (Stand-Alone) with their
// type, group and kind, ordered by kind, group, type and item name. Only
// types with items and groups with types appear.
Statement ResourceListStatement(int kind);
// "Resource List  -  Domestic", "...  -  Add-Ons", "...  -  Stand-Alones".
QString ResourceListTitle(int kind);

std::optional<Report> BuildResourceList(Database& db, int kind, QString* error = nullptr,
                                        const RowProgress& progress = {});
// Every account under "Personal" or "Group" (any type but "p"), and within
// that "Active" or "Archived", from the saved query kontoudskrift.
std::optional<Report> BuildAccountList(Database& db, QString* error = nullptr,
                                       const RowProgress& progress = {});

// The command bar's entries: the report in the print preview, owned by owner.
QPrintPreviewDialog* ShowResourceList(int kind, QWidget* owner = nullptr);
QPrintPreviewDialog* ShowAccountList(QWidget* owner = nullptr);

} // namespace vestra
