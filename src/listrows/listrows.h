#pragma once
// A list's rows as typed cells: a date is a QDate, a time a QTime, an
// amount a Money, a count a number, a title the text it is. Cells go as
// values from the query to the screen, the printout and every export, so no
// separator is ever put into or taken out of what a user typed.

#include "db/database.h"
#include "exchange/sheet.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVector>
#include <functional>
#include <optional>

namespace vestra {

struct ListControlColumn {
    QString heading;
    int width = 100; // list units, about a pixel of an 8-point screen font
    Qt::Alignment alignment = Qt::AlignLeft;
    bool checkBox = false; // the cell shows a check box instead of text
    // How the screen and the printout show a date, time or number cell (the
    // report formats' letters, "HH.mm"); empty: the booking file's date
    // format, "hh:mm", a plain number.
    QString format = {};
};

// One row as a fill's row builder makes it.
struct ListRow {
    QVariantList cells; // one value per column
    QVariant data;      // the record key
    int picture = -1;   // index into the list's row pictures, -1 for none
};

using ListRowBuilder = std::function<std::optional<ListRow>(const QSqlRecord&)>;

// Where a list's rows come from: a query on a database opened for each fill,
// and a builder that turns a record into a row or skips it (std::nullopt).
struct ListFillSource {
    std::function<Database()> open;
    QString sql;
    QVariantList binds;
    ListRowBuilder build;
    // Whether the builder skips rows the statement finds; when it does not,
    // the statement alone can count the rows.
    bool builderSkips = false;
};

// Hands the first limit rows the builder admits to take (all when limit is
// negative) and returns how many it admits in all; with stopPastLimit it
// stops at the first admitted row past the limit (and counts it).
qint64 ReadListQuery(QSqlQuery& query, const ListRowBuilder& build, int limit,
                     const std::function<void(ListRow&&)>& take, bool stopPastLimit = false);

// Every row of the source, or nullopt and the reason. progress hears how
// many rows are read of the expected number, at the start and after every
// stretch of rows; a false answer stops the reading (nullopt).
std::optional<QList<ListRow>> ReadListRows(const ListFillSource& source, QString* error,
                                           const SheetProgress& progress = {}, int expected = 0);

// The columns' headings and the rows' cells as a sheet; a check box column
// holds a tick or nothing, as on paper.
SheetTable ListTable(const QVector<ListControlColumn>& columns, const QList<QVariantList>& rows);

} // namespace vestra
