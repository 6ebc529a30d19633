#include "session/session.h"

#include "data/dates.h"
#include "data/helpers.h"
#include "data/schema.h"

namespace vestra {

Session& session()
{
    static Session s;
    return s;
}

void ResetSession()
{
    session() = Session{};
}

Database BookingFile()
{
    return Database::open(session().BookingFilePath);
}

Database WorkDatabase()
{
    return Database::open(WorkDatabasePath());
}

int CountWhere(const QString& field, const QString& table, const QString& criteria,
               const QVariantList& binds)
{
    Database db = BookingFile();
    return CountIn(db, field, table, criteria, binds);
}

int CountWhereWork(const QString& field, const QString& table, const QString& criteria,
                   const QVariantList& binds)
{
    Database db = WorkDatabase();
    return CountIn(db, field, table, criteria, binds);
}

QVariant LookupValue(const QString& field, const QString& table, const QString& criteria,
                     const QVariantList& binds)
{
    Database db = BookingFile();
    return LookupIn(db, field, table, criteria, binds);
}

bool RecordExists(const QString& table, const QString& field, const QVariant& value)
{
    Database db = BookingFile();
    return RecordExistsIn(db, table, field, value);
}

int WeekNumberOfSelected()
{
    return IsoWeekNumber(DateFromDayNumber(session().ShownWeekStart));
}

} // namespace vestra
