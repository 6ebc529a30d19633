#pragma once
// The process-wide session: the booking file in use, the logged-in account,
// the institution's settings and the schedule's position. One record, alive
// from program start to exit; every window reads it.

#include "db/database.h"

#include <QDate>
#include <QString>
#include <QVariant>

namespace vestra {

struct Session {
    QString BookingFilePath;

    bool LoginOk = false;
    QString LoginUser;
    QString LoginName;
    int LoginAccountId = 0;
    bool IsAdmin = false;

    // Times of day in minutes since midnight.
    int OpeningTime = 0;
    int ClosingTime = 0;
    int PrimeTimeStart = 0;
    int PrimeTimeEnd = 0;
    int PrintTimeStart = 0;
    int PrintTimeEnd = 0;

    bool TaxEnabled = false;
    double TaxPercent = 0.0;
    bool TentativeDefault = false;
    qint16 TimeUnits = 0;
    QString DateFormatLong;
    QString DateFormatShort;
    qint16 DateFormatNo = 0;
    QString FirstDay;
    bool ShowAmPm = false;
    bool MilitaryTime = false;
    int ArchiveDelayDays = 0;
    int DeleteDelayDays = 0;

    QString InstitutionName;
    QString InstitutionAddress;
    QString InstitutionZip;
    QString InstitutionCity;
    QString InstitutionPhone;
    QString InstitutionEmail;

    // Schedule position (day numbers).
    int SelectedDay = 0;
    int ShownWeekStart = 0;
    int CurrentItemNo = 0;
    int CurrentGroupNo = 0;
    int CurrentTypeNo = 0;
    int ClipboardMode = 0; // 1 after a cut, 2 after a copy
    int OpenViewNo = 0;    // 1 day view, 2 week view
    qint16 ActiveViewNo = 0;

    QDate LastArchiveDate;
};

Session& session();
// Back to the empty record of program start (tests use it between cases).
void ResetSession();

// The databases of the session: the booking file at BookingFilePath and the
// workstation's paths.mdb. Invalid when they do not open.
Database BookingFile();
Database WorkDatabase();

// The shared helpers on the session's databases.
int CountWhere(const QString& field, const QString& table, const QString& criteria = {},
               const QVariantList& binds = {});
int CountWhereWork(const QString& field, const QString& table, const QString& criteria = {},
                   const QVariantList& binds = {});
QVariant LookupValue(const QString& field, const QString& table, const QString& criteria = {},
                     const QVariantList& binds = {});
bool RecordExists(const QString& table, const QString& field, const QVariant& value);

// Week number of the first day of the shown week.
int WeekNumberOfSelected();

} // namespace vestra
