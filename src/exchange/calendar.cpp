#include "exchange/calendar.h"

#include "data/dates.h"
#include "exchange/safewrite.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <QTimeZone>
#include <QUuid>
#include <libical/ical.h>
#include <memory>

namespace vestra {

namespace {

std::optional<QList<CalendarBooking>> readBookings(Database& db, const QString& where,
                                                   const QVariantList& binds, QString* error)
{
    auto q = db.query(QStringLiteral("SELECT b.Bookingnr, b.Bdato, b.Bstart, b.Bslut, "
                                     "b.Beskrivelse, b.Bemærkninger, b.Kontaktperson2, "
                                     "b.Kontakttlf2, b.Tentative, b.gennr, b.rowversion, "
                                     "b.Lokalenr, l.Lokalenavn, l.lokalinr "
                                     "FROM Booking b LEFT JOIN lokale l ON l.lokalenr = b.Lokalenr "
                                     "WHERE ")
                          + where + QStringLiteral(" ORDER BY b.Bdato, b.Bstart, b.Bookingnr"),
                      binds);
    if (!q) {
        if (error)
            *error = db.lastError();
        return std::nullopt;
    }
    QList<CalendarBooking> out;
    while (q->next()) {
        CalendarBooking b;
        b.number = q->value(0).toInt();
        b.day = DateFromDayNumber(q->value(1).toInt());
        b.startMinutes = q->value(2).toInt();
        b.endMinutes = q->value(3).toInt();
        b.title = q->value(4).toString();
        b.remarks = q->value(5).toString();
        const QString person = q->value(6).toString().trimmed();
        const QString phone = q->value(7).toString().trimmed();
        b.contact = person.isEmpty() || phone.isEmpty() ? person + phone
                                                        : person + QStringLiteral(", ") + phone;
        b.tentative = q->value(8).toInt() != 0;
        b.series = q->value(9).toInt();
        b.changes = q->value(10).toLongLong();
        b.item = q->value(11).toInt();
        b.location = q->value(12).toString();
        b.type = q->value(13).toInt();
        out << b;
    }
    return out;
}

struct IcalFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};

icalproperty* namedX(const char* name, const QString& value)
{
    icalproperty* p = icalproperty_new_x(value.toUtf8().constData());
    icalproperty_set_x_name(p, name);
    return p;
}

icaltimetype localTime(const QDate& day, int minutes, icaltimezone* zone)
{
    icaltimetype t = icaltime_null_time();
    t.year = day.year();
    t.month = day.month();
    t.day = day.day();
    t.hour = minutes / 60;
    t.minute = minutes % 60;
    t.is_date = 0;
    return zone ? icaltime_set_timezone(&t, zone) : t;
}

} // namespace

std::optional<QList<CalendarBooking>>
ReadCalendarBookings(Database& bookingFile, const CalendarSelection& s, QString* error)
{
    QStringList where;
    QVariantList binds;
    switch (s.scope) {
    case CalendarSelection::Scope::Item:
        where << QStringLiteral("b.Lokalenr = ?");
        binds << s.key;
        break;
    case CalendarSelection::Scope::Type:
        where << QStringLiteral("l.lokalinr = ?");
        binds << s.key;
        break;
    case CalendarSelection::Scope::Account:
        where << QStringLiteral("b.kontonr = ?");
        binds << s.key;
        break;
    case CalendarSelection::Scope::Bookings: {
        if (s.bookings.isEmpty())
            return QList<CalendarBooking>{};
        QStringList marks;
        for (int number : s.bookings) {
            marks << QStringLiteral("?");
            binds << number;
        }
        where << QStringLiteral("b.Bookingnr IN (%1)").arg(marks.join(QLatin1Char(',')));
        break;
    }
    }
    if (s.from.isValid()) {
        where << QStringLiteral("b.Bdato >= ?");
        binds << DayNumber(s.from);
    }
    if (s.to.isValid()) {
        where << QStringLiteral("b.Bdato <= ?");
        binds << DayNumber(s.to);
    }
    return readBookings(bookingFile, where.join(QStringLiteral(" AND ")), binds, error);
}

std::optional<QString> StoreId(Database& db, QString* error)
{
    const QString read = QStringLiteral("SELECT storeid FROM institutionsoplysninger "
                                        "WHERE storeid IS NOT NULL AND storeid <> ''");
    QString id = db.scalar(read).toString();
    if (id.isEmpty()) {
        // Two workstations may make one at once: the first to store it wins
        // and both read the same id back.
        db.exec(QStringLiteral("UPDATE institutionsoplysninger SET storeid = ? "
                               "WHERE storeid IS NULL OR storeid = ''"),
                {QUuid::createUuid().toString(QUuid::WithoutBraces)});
        id = db.scalar(read).toString();
    }
    if (id.isEmpty()) {
        if (error)
            *error = QStringLiteral("The booking file has no settings row to keep its id in.");
        return std::nullopt;
    }
    return id;
}

QByteArray CalendarText(const QList<CalendarBooking>& bookings, const QString& storeId,
                        const QString& calendarName, const QByteArray& zoneId)
{
    const QByteArray zoneName = zoneId.isEmpty() ? QTimeZone::systemTimeZoneId() : zoneId;
    icaltimezone* zone = icaltimezone_get_builtin_timezone(zoneName.constData());
    // UTC and unknown zones have no VTIMEZONE: their times stay floating,
    // which calendar programs read as their own wall clock.
    if (zone && !icaltimezone_get_component(zone))
        zone = nullptr;

    std::unique_ptr<icalcomponent, IcalFree> cal(icalcomponent_new_vcalendar());
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//Vestra//Bookings//EN"));
    icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));
    icalcomponent_add_property(cal.get(), namedX("X-WR-CALNAME", calendarName));
    if (zone)
        icalcomponent_add_component(cal.get(),
                                    icalcomponent_new_clone(icaltimezone_get_component(zone)));

    const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    for (const CalendarBooking& b : bookings) {
        icalcomponent* ev = icalcomponent_new_vevent();
        icalcomponent_add_property(
            ev,
            icalproperty_new_uid(
                QStringLiteral("booking-%1@%2").arg(b.number).arg(storeId).toUtf8().constData()));
        icalcomponent_add_property(ev, icalproperty_new_dtstamp(stamp));
        // Day and wall-clock time, never a count of seconds: a booking on a
        // daylight-saving day keeps its times.
        const int endDays = (b.endMinutes < b.startMinutes ? 1 : 0) + b.endMinutes / 1440;
        icalcomponent_set_dtstart(ev, localTime(b.day, b.startMinutes % 1440, zone));
        icalcomponent_set_dtend(ev, localTime(b.day.addDays(endDays), b.endMinutes % 1440, zone));
        icalcomponent_add_property(ev, icalproperty_new_summary(b.title.toUtf8().constData()));
        if (!b.location.isEmpty())
            icalcomponent_add_property(ev,
                                       icalproperty_new_location(b.location.toUtf8().constData()));
        QStringList description;
        if (!b.remarks.trimmed().isEmpty())
            description << b.remarks.trimmed();
        if (!b.contact.isEmpty())
            description << QStringLiteral("Contact: ") + b.contact;
        if (!description.isEmpty())
            icalcomponent_add_property(
                ev, icalproperty_new_description(
                        description.join(QLatin1Char('\n')).toUtf8().constData()));
        icalcomponent_add_property(
            ev,
            icalproperty_new_status(b.tentative ? ICAL_STATUS_TENTATIVE : ICAL_STATUS_CONFIRMED));
        if (b.series > 0)
            icalcomponent_add_property(ev, namedX("X-VESTRA-SERIES", QString::number(b.series)));
        // Each stored change counts once, so a calendar program takes the
        // newer copy of a booking it already holds.
        icalcomponent_add_property(ev, icalproperty_new_sequence(int(b.changes)));
        icalcomponent_add_component(cal.get(), ev);
    }
    char* text = icalcomponent_as_ical_string_r(cal.get());
    QByteArray out(text);
    free(text);
    return out;
}

bool ExportCalendar(Database& bookingFile, const CalendarSelection& selection,
                    const QString& calendarName, const QString& path, QString* error)
{
    const auto bookings = ReadCalendarBookings(bookingFile, selection, error);
    if (!bookings)
        return false;
    const auto id = StoreId(bookingFile, error);
    return id && WriteFileSafely(path, CalendarText(*bookings, *id, calendarName), error);
}

std::optional<int> PublishCalendars(Database& db, const QString& folder, QString* error,
                                    const QByteArray& zoneId)
{
    if (!QDir(folder).exists()) {
        if (error)
            *error = QStringLiteral("The folder \"%1\" does not exist.").arg(folder);
        return std::nullopt;
    }
    const auto id = StoreId(db, error);
    if (!id)
        return std::nullopt;
    const auto all = readBookings(db, QStringLiteral("1 = 1"), {}, error);
    if (!all)
        return std::nullopt;
    QHash<int, QList<CalendarBooking>> byItem;
    QHash<int, QList<CalendarBooking>> byType;
    for (const CalendarBooking& b : *all) {
        byItem[b.item] << b;
        byType[b.type] << b;
    }
    struct Target {
        QString prefix;
        QString sql;
        const QHash<int, QList<CalendarBooking>>* bookings;
    };
    const Target targets[] = {
        {QStringLiteral("item"), QStringLiteral("SELECT lokalenr, Lokalenavn FROM lokale"),
         &byItem},
        {QStringLiteral("type"),
         QStringLiteral("SELECT Lokalitetsnr, Lokalitetsnavn FROM lokaliteter"), &byType},
    };
    QSet<QString> written;
    for (const Target& t : targets) {
        auto q = db.query(t.sql);
        if (!q) {
            if (error)
                *error = db.lastError();
            return std::nullopt;
        }
        while (q->next()) {
            const int number = q->value(0).toInt();
            const QString name = q->value(1).toString();
            const QString file =
                QStringLiteral("%1-%2-%3.ics").arg(t.prefix).arg(number).arg(SafeFileName(name));
            if (!WriteFileSafely(QDir(folder).filePath(file),
                                 CalendarText(t.bookings->value(number), *id, name, zoneId), error))
                return std::nullopt;
            written << file;
        }
    }
    // An item or type deleted or renamed leaves no calendar behind under its old name.
    const QStringList ours = QDir(folder).entryList(
        {QStringLiteral("item-*.ics"), QStringLiteral("type-*.ics")}, QDir::Files);
    for (const QString& file : ours)
        if (!written.contains(file))
            QFile::remove(QDir(folder).filePath(file));
    return int(written.size());
}

} // namespace vestra
