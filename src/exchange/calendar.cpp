#include "exchange/calendar.h"

#include "data/dates.h"
#include "exchange/safewrite.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <QTimeZone>
#include <QUuid>
#include <algorithm>
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

qint64 utcSeconds(const QDate& day, int minutes)
{
    return QDateTime(day, QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch() + qint64(minutes) * 60;
}

int offsetAt(const QTimeZone& zone, qint64 instant)
{
    return zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(instant, QTimeZone::utc()));
}

// The instant a wall-clock time of the zone names. A time the clocks skip
// names the moment they read again (the change itself); a time they repeat
// names its first occurrence, and says so in repeated.
qint64 instantOf(const QTimeZone& zone, const QDate& day, int minutes, bool* repeated)
{
    const qint64 wall = utcSeconds(day, minutes);
    QList<int> offsets;
    for (const qint64 probe : {wall - 86400, wall, wall + 86400})
        if (const int o = offsetAt(zone, probe); !offsets.contains(o))
            offsets << o;
    QList<qint64> hits;
    for (const int o : offsets)
        if (offsetAt(zone, wall - o) == o)
            hits << wall - o;
    std::sort(hits.begin(), hits.end());
    *repeated = hits.size() > 1;
    if (!hits.isEmpty())
        return hits.first();
    const int widest = *std::max_element(offsets.begin(), offsets.end());
    const QTimeZone::OffsetData change =
        zone.nextTransition(QDateTime::fromSecsSinceEpoch(wall - widest - 1, QTimeZone::utc()));
    return change.atUtc.isValid() ? change.atUtc.toSecsSinceEpoch() : wall - widest;
}

icaltimetype icalTime(const QDateTime& t, icaltimezone* zone)
{
    icaltimetype v = icaltime_null_time();
    v.year = t.date().year();
    v.month = t.date().month();
    v.day = t.date().day();
    v.hour = t.time().hour();
    v.minute = t.time().minute();
    v.second = t.time().second();
    v.is_date = 0;
    return icaltime_set_timezone(&v, zone);
}

// The wall-clock time of the instant in the zone with the zone's id, or,
// for a time the clocks repeat, the instant in UTC: every reader then takes
// the same one of the two.
icaltimetype eventTime(const QTimeZone& zone, icaltimezone* vzone, qint64 instant, bool repeated)
{
    if (repeated)
        return icalTime(QDateTime::fromSecsSinceEpoch(instant, QTimeZone::utc()),
                        icaltimezone_get_utc_timezone());
    return icalTime(
        QDateTime::fromSecsSinceEpoch(instant + offsetAt(zone, instant), QTimeZone::utc()), vzone);
}

// A VTIMEZONE of the plain IANA id with only what the period needs: the
// offset at its start and each change within it, every one an observance
// of its own (no recurrence rules, so no UNTIL to misread).
icalcomponent* minimalZone(const QTimeZone& zone, const QByteArray& zoneId, qint64 from, qint64 to)
{
    auto observance = [&](qint64 at, int before, int after, bool daylight, const QString& name) {
        icalcomponent* o = daylight ? icalcomponent_new_xdaylight() : icalcomponent_new_xstandard();
        const QDateTime wall = QDateTime::fromSecsSinceEpoch(at + before, QTimeZone::utc());
        icalcomponent_add_property(o, icalproperty_new_dtstart(icalTime(wall, nullptr)));
        icalcomponent_add_property(o, icalproperty_new_tzoffsetfrom(before));
        icalcomponent_add_property(o, icalproperty_new_tzoffsetto(after));
        if (!name.isEmpty())
            icalcomponent_add_property(o, icalproperty_new_tzname(name.toUtf8().constData()));
        return o;
    };
    icalcomponent* tz = icalcomponent_new_vtimezone();
    icalcomponent_add_property(tz, icalproperty_new_tzid(zoneId.constData()));
    const QDateTime start = QDateTime::fromSecsSinceEpoch(from, QTimeZone::utc());
    const int first = zone.offsetFromUtc(start);
    icalcomponent_add_component(
        tz, observance(from, first, first, zone.isDaylightTime(start), zone.abbreviation(start)));
    for (const QTimeZone::OffsetData& change :
         zone.transitions(start, QDateTime::fromSecsSinceEpoch(to, QTimeZone::utc()))) {
        const qint64 at = change.atUtc.toSecsSinceEpoch();
        icalcomponent_add_component(tz, observance(at, offsetAt(zone, at - 1), change.offsetFromUtc,
                                                   change.daylightTimeOffset != 0,
                                                   change.abbreviation));
    }
    return tz;
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
    // An unknown name falls back to this workstation's zone rather than
    // leave the times floating.
    QTimeZone zone(zoneId);
    if (!zone.isValid())
        zone = QTimeZone::systemTimeZone();
    const QByteArray tzid = zone.id();

    // Each booking's start and end as instants, and the period they span.
    struct Span {
        qint64 start, end;
        bool startRepeated, endRepeated;
    };
    QList<Span> spans;
    qint64 from = QDateTime::currentSecsSinceEpoch(), to = from;
    for (const CalendarBooking& b : bookings) {
        // Day and wall-clock time, never a count of seconds: a booking on a
        // daylight-saving day keeps its times.
        const int endDays = (b.endMinutes < b.startMinutes ? 1 : 0) + b.endMinutes / 1440;
        Span s{};
        s.start = instantOf(zone, b.day, b.startMinutes % 1440, &s.startRepeated);
        s.end = instantOf(zone, b.day.addDays(endDays), b.endMinutes % 1440, &s.endRepeated);
        if (s.end < s.start) // an end within the skipped hour, before the moved start
            s.end = s.start;
        if (spans.isEmpty() || s.start < from)
            from = s.start;
        if (spans.isEmpty() || s.end > to)
            to = s.end;
        spans << s;
    }

    std::unique_ptr<icalcomponent, IcalFree> cal(icalcomponent_new_vcalendar());
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//Vestra//Bookings//EN"));
    icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));
    icalcomponent_add_property(cal.get(), namedX("X-WR-CALNAME", calendarName));
    // The zone's component goes into the calendar; the events name it by its id.
    icalcomponent* vtimezone = minimalZone(zone, tzid, from - 86400, to + 86400);
    icaltimezone* vzone = icaltimezone_new();
    icaltimezone_set_component(vzone, icalcomponent_new_clone(vtimezone));
    icalcomponent_add_component(cal.get(), vtimezone);

    const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    for (int i = 0; i < bookings.size(); ++i) {
        const CalendarBooking& b = bookings[i];
        const Span& span = spans[i];
        icalcomponent* ev = icalcomponent_new_vevent();
        icalcomponent_add_property(
            ev,
            icalproperty_new_uid(
                QStringLiteral("booking-%1@%2").arg(b.number).arg(storeId).toUtf8().constData()));
        icalcomponent_add_property(ev, icalproperty_new_dtstamp(stamp));
        icalcomponent_set_dtstart(ev, eventTime(zone, vzone, span.start, span.startRepeated));
        icalcomponent_set_dtend(ev, eventTime(zone, vzone, span.end, span.endRepeated));
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
    cal.reset();
    icaltimezone_free(vzone, 1);
    return out;
}

std::optional<QByteArray> StoreZone(Database& db, QString* error)
{
    const QString read = QStringLiteral("SELECT timezone FROM institutionsoplysninger "
                                        "WHERE timezone IS NOT NULL AND timezone <> ''");
    QByteArray zone = db.scalar(read).toString().toUtf8();
    if (zone.isEmpty()) {
        db.exec(QStringLiteral("UPDATE institutionsoplysninger SET timezone = ? "
                               "WHERE timezone IS NULL OR timezone = ''"),
                {QString::fromUtf8(QTimeZone::systemTimeZoneId())});
        zone = db.scalar(read).toString().toUtf8();
    }
    if (zone.isEmpty()) {
        if (error)
            *error =
                QStringLiteral("The booking file has no settings row to keep its time zone in.");
        return std::nullopt;
    }
    return zone;
}

bool SetStoreZone(Database& db, const QByteArray& zoneId, QString* error)
{
    if (!QTimeZone::isTimeZoneIdAvailable(zoneId)) {
        if (error)
            *error = QStringLiteral("\"%1\" is not a known time zone (say Europe/Copenhagen).")
                         .arg(QString::fromUtf8(zoneId));
        return false;
    }
    if (!db.exec(QStringLiteral("UPDATE institutionsoplysninger SET timezone = ?"),
                 {QString::fromUtf8(zoneId)})) {
        if (error)
            *error = db.lastError();
        return false;
    }
    return true;
}

bool ExportCalendar(Database& bookingFile, const CalendarSelection& selection,
                    const QString& calendarName, const QString& path, QString* error)
{
    const auto bookings = ReadCalendarBookings(bookingFile, selection, error);
    if (!bookings)
        return false;
    const auto id = StoreId(bookingFile, error);
    const auto zone = id ? StoreZone(bookingFile, error) : std::nullopt;
    return zone && WriteFileSafely(path, CalendarText(*bookings, *id, calendarName, *zone), error);
}

std::optional<int> PublishCalendars(Database& db, const QString& folder, QString* error)
{
    if (!QDir(folder).exists()) {
        if (error)
            *error = QStringLiteral("The folder \"%1\" does not exist.").arg(folder);
        return std::nullopt;
    }
    const auto id = StoreId(db, error);
    const auto zoneId = id ? StoreZone(db, error) : std::nullopt;
    if (!zoneId)
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
                                 CalendarText(t.bookings->value(number), *id, name, *zoneId),
                                 error))
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
