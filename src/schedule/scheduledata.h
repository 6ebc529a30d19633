#pragma once
// What the schedule views read from the booking file: the columns of a
// resource type on a day, and the bookings of a day or of an item's week.

#include "db/database.h"

#include <QList>
#include <QString>

namespace vestra {

struct ScheduleColumn {
    int key = 0; // lokalenr
    QString caption;
};

struct ScheduleBlock {
    int bookingnr = 0;
    QString text;   // Beskrivelse
    QString second; // curacname
    int start = 0;
    int end = 0;
    int day = 0;
    int color = 0;
    int item = 0; // Lokalenr
    bool tentative = false;
    qint64 rowversion = 0; // the change counter as read
};

// The items of the type, in column order, except those whose inactive period
// holds the day (both ends included). An item marked inactive without a
// period is hidden every day.
QList<ScheduleColumn> LoadDayColumns(Database& bookingFile, int type, int day);

// The bookings of the type on the day, in booking-number order.
QList<ScheduleBlock> LoadDayBlocks(Database& bookingFile, int type, int day);

// The bookings of the item on the seven days from weekStart.
QList<ScheduleBlock> LoadWeekBlocks(Database& bookingFile, int item, int weekStart);

// The same rows as LoadDayBlocks, found by reading the whole table and
// filtering row by row; kept as the yardstick of the benchmark.
QList<ScheduleBlock> LoadDayBlocksByScan(Database& bookingFile, int type, int day);

} // namespace vestra
