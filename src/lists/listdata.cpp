#include "lists/listdata.h"

#include "report/reportformat.h"
#include "session/session.h"

namespace vestra {

std::optional<BookingPlace> FindBookingPlace(Database& db, int bookingnr)
{
    auto q = db.query(QStringLiteral("SELECT Bdato, Overgruppenr, lokalinr, lokalenr, Kontonr "
                                     "FROM bookingS WHERE Bookingnr = ?"),
                      {bookingnr});
    if (!q || !q->next())
        return std::nullopt;
    return BookingPlace{q->value(0).toInt(), q->value(1).toInt(), q->value(2).toInt(),
                        q->value(3).toInt(), q->value(4).toInt()};
}

QString ListPrintSubtitle(const Session& s, const QString& separator, const QDate& today)
{
    return s.InstitutionName + separator + s.InstitutionCity + QStringLiteral(", ")
           + FormatValue(today, QStringLiteral("Short Date"));
}

} // namespace vestra
