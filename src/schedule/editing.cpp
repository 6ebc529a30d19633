#include "schedule/editing.h"

#include "data/audit.h"
#include "data/helpers.h"
#include "forms/boundrow.h"

#include <QSqlRecord>

namespace vestra {

namespace {

// The booking fields the clipboard keeps (start and end become btid).
const QStringList kClipboardFields = {QStringLiteral("Bookingnr"),
                                      QStringLiteral("Beskrivelse"),
                                      QStringLiteral("Bdato"),
                                      QStringLiteral("Lokalenr"),
                                      QStringLiteral("Bgruppe"),
                                      QStringLiteral("Bcolor"),
                                      QStringLiteral("kontonr"),
                                      QStringLiteral("Kontaktperson2"),
                                      QStringLiteral("Kontaktpersonadr2"),
                                      QStringLiteral("Kontaktpersonpnr2"),
                                      QStringLiteral("Kontaktpersonby2"),
                                      QStringLiteral("Kontakttlf2"),
                                      QStringLiteral("Kontakttlfb2"),
                                      QStringLiteral("langbeskrivelse"),
                                      QStringLiteral("Antalpers"),
                                      QStringLiteral("Pris"),
                                      QStringLiteral("ID"),
                                      QStringLiteral("Bemærkninger"),
                                      QStringLiteral("gennr"),
                                      QStringLiteral("gentagende"),
                                      QStringLiteral("Intern"),
                                      QStringLiteral("Tentative"),
                                      QStringLiteral("curacname")};

// The fields a paste copies from the clipboard as they are: all but the
// number, the place and the type, which the paste decides.
const QStringList kPastedFields = [] {
    QStringList fields = kClipboardFields;
    for (const char* placed : {"Bookingnr", "Bdato", "Lokalenr", "Bgruppe"})
        fields.removeAll(QString::fromLatin1(placed));
    return fields;
}();

QString placeholders(int n)
{
    QStringList marks;
    for (int i = 0; i < n; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

StoreResult failed(Database& db)
{
    return {StoreStatus::Failed, 0, db.lastError(), {}};
}

// The item is read under the write lock the store holds, so it cannot go
// between this check and the write. A check that cannot run refuses too.
bool itemStillThere(Database& db, int item, int* type, StoreResult& refused)
{
    switch (ItemPresence(db, item, type)) {
    case Presence::Present:
        return true;
    case Presence::Absent:
        refused = {StoreStatus::ItemGone, 0, {}, {}};
        return false;
    case Presence::Unknown:
        break;
    }
    refused = failed(db);
    return false;
}

// A time as stored: minutes 0-1439. An end at midnight, or past it, is
// stored as the next day's minute (1440 is 0).
int storedMinute(int minutes)
{
    return ((minutes % 1440) + 1440) % 1440;
}

// Length of a booking in minutes; one that passes midnight counts across it.
QVariant lengthOf(int start, int end)
{
    if (end > start)
        return end - start;
    if (end < start)
        return 1440 - start + end;
    return {};
}

// A cut booking pasted elsewhere takes its archive copy along: the copy
// the daily run made of it where it was (same number, day, item and title)
// goes, and the run copies the booking again where it now is once that day
// is due. A copy that differs is another booking's (a backup restored over
// newer work reuses numbers) and stays.
bool dropArchiveCopyOfCut(Database& db, int bookingnr, const QVariant& day, const QVariant& item,
                          const QVariant& title)
{
    return db.exec(QStringLiteral("DELETE FROM bookingarkiv WHERE Bookingnr = ? AND Bdato = ? "
                                  "AND Lokalenr = ? AND Beskrivelse IS NOT DISTINCT FROM ?"),
                   {bookingnr, day, item, title});
}

} // namespace

StoreResult CreateBookingFromGrid(Database& db, const Session& s, const QString& text,
                                  const GridPlace& place, int end, std::optional<bool> tentative)
{
    Transaction tx(db);
    if (!tx.ok())
        return failed(db);
    int type = 0;
    if (StoreResult refused; !itemStillThere(db, place.item, &type, refused))
        return refused;
    const auto key = TakeKeys(db, 1);
    if (!key)
        return failed(db);
    QString sql = QStringLiteral("INSERT INTO Booking (Bookingnr, Bstart, Bslut, Beskrivelse, "
                                 "Bdato, Lokalenr, kontonr, curacname, Bgruppe, Bcolor");
    end = storedMinute(end);
    QVariantList binds{*key,       place.start,      end,         text, place.day,
                       place.item, s.LoginAccountId, s.LoginName, type, 255};
    if (tentative) {
        sql += QStringLiteral(", Tentative");
        binds << (*tentative ? -1 : 0);
    }
    sql += QStringLiteral(") VALUES (") + placeholders(binds.size()) + QStringLiteral(")");
    if (!db.exec(sql, binds)
        || !WriteAuditRow(db, AuditAction::Created, QString::number(*key),
                          BookingSummary(text, place.day, place.start, end, place.item))
        || !tx.commit())
        return failed(db);
    return {
        StoreStatus::Stored, *key, {}, BlockRow{text, place.start, end, place.item, place.day, 0}};
}

namespace {

QVariant fieldOf(const BlockRow& r, const QString& field)
{
    if (field == QLatin1String("Beskrivelse"))
        return r.text;
    if (field == QLatin1String("Bstart"))
        return r.start;
    if (field == QLatin1String("Bslut"))
        return r.end;
    if (field == QLatin1String("Lokalenr"))
        return r.item;
    return r.day;
}

QString captionOf(const QString& field)
{
    static const QHash<QString, QString> captions = {
        {QStringLiteral("Beskrivelse"), QStringLiteral("title")},
        {QStringLiteral("Bstart"), QStringLiteral("start")},
        {QStringLiteral("Bslut"), QStringLiteral("end")},
        {QStringLiteral("Lokalenr"), QStringLiteral("resource")},
        {QStringLiteral("Bdato"), QStringLiteral("date")}};
    return captions.value(field);
}

} // namespace

StoreResult SaveBlockChange(Database& db, const Session& s, int bookingnr, const BlockChange& moved)
{
    Transaction tx(db);
    if (!tx.ok())
        return failed(db);
    auto q = db.query(QStringLiteral("SELECT kontonr, Beskrivelse, Bstart, Bslut, Lokalenr, Bdato, "
                                     "%1 FROM Booking WHERE Bookingnr = ?")
                          .arg(kChangeCounter),
                      {bookingnr});
    if (!q)
        return failed(db);
    if (!q->next())
        return {StoreStatus::Refused, 0, {}, {}};
    const int account = q->value(0).toInt();
    const BlockRow now{q->value(1).toString(), q->value(2).toInt(), q->value(3).toInt(),
                       q->value(4).toInt(),    q->value(5).toInt(), q->value(6).toLongLong()};
    q.reset();
    // What the view changed since it read the booking.
    const BlockRow read = moved.read.value_or(now);
    QList<QPair<QString, QVariant>> typed;
    auto changed = [&](const char* field, const QVariant& value) {
        if (value != fieldOf(read, QString::fromLatin1(field)))
            typed.append({QString::fromLatin1(field), value});
    };
    changed("Beskrivelse", moved.text);
    changed("Bstart", moved.start);
    changed("Bslut", storedMinute(moved.end));
    changed("Lokalenr", moved.item.value_or(read.item));
    changed("Bdato", moved.day.value_or(read.day));
    if (read.rowversion != now.rowversion) {
        const QString both = FieldChangedInBoth(
            typed, [&](const QString& f) { return fieldOf(read, f); },
            [&](const QString& f) { return fieldOf(now, f); });
        if (!both.isEmpty())
            return {StoreStatus::ChangedElsewhere, 0, captionOf(both), {}};
    }
    BlockRow after = now;
    for (const auto& [field, value] : typed) {
        if (field == QLatin1String("Beskrivelse"))
            after.text = value.toString();
        else if (field == QLatin1String("Bstart"))
            after.start = value.toInt();
        else if (field == QLatin1String("Bslut"))
            after.end = value.toInt();
        else if (field == QLatin1String("Lokalenr"))
            after.item = value.toInt();
        else
            after.day = value.toInt();
    }
    // A block only clicked on or opened is not a change: other workstations'
    // counters stay as they are.
    if (after == now)
        return {StoreStatus::Stored, bookingnr, {}, now};
    if (!MayActForAccount(db, account, s.LoginAccountId, s.IsAdmin))
        return {StoreStatus::Refused, 0, {}, {}};
    if (StoreResult refused; !itemStillThere(db, after.item, nullptr, refused))
        return refused;
    after.rowversion = now.rowversion + 1;
    if (!db.exec(QStringLiteral("UPDATE Booking SET Beskrivelse = ?, Bstart = ?, Bslut = ?, "
                                "Lokalenr = ?, Bdato = ?, %1 = ? WHERE Bookingnr = ? AND %1 = ?")
                     .arg(kChangeCounter),
                 {after.text, after.start, after.end, after.item, after.day, after.rowversion,
                  bookingnr, now.rowversion}))
        return failed(db);
    if (db.changedRows() != 1)
        return {StoreStatus::ChangedElsewhere, 0, {}, {}};
    const AuditAction action = (after.day != now.day || after.item != now.item) ? AuditAction::Moved
                               : (after.start != now.start || after.end != now.end)
                                   ? AuditAction::Resized
                                   : AuditAction::Retyped;
    if (!WriteAuditRow(
            db, action, QString::number(bookingnr),
            BeforeAfter(BookingSummary(now.text, now.day, now.start, now.end, now.item),
                        BookingSummary(after.text, after.day, after.start, after.end, after.item)))
        || !tx.commit())
        return failed(db);
    return {StoreStatus::Stored, bookingnr, {}, after, read.rowversion != now.rowversion};
}

bool CutOrCopyBooking(Database& db, Database& work, int bookingnr, ClipboardOp op)
{
    auto q = db.query(
        QStringLiteral("SELECT %1, Bstart, Bslut, %2 FROM Booking WHERE Bookingnr = ?")
            .arg(kClipboardFields.join(QStringLiteral(", ")), QString::fromLatin1(kChangeCounter)),
        {bookingnr});
    if (!q || !q->next())
        return false;
    QVariantList values;
    for (int i = 0; i < kClipboardFields.size(); ++i)
        values << q->value(i);
    const int n = kClipboardFields.size();
    values << lengthOf(q->value(n).toInt(), q->value(n + 1).toInt());
    const qint64 copied = q->value(n + 2).toLongLong();
    const int fieldsStart = kClipboardFields.indexOf(QStringLiteral("Beskrivelse"));
    const QString was =
        BookingSummary(fieldsStart >= 0 ? q->value(fieldsStart).toString() : QString(),
                       q->value(kClipboardFields.indexOf(QStringLiteral("Bdato"))).toInt(),
                       q->value(n).toInt(), q->value(n + 1).toInt(),
                       q->value(kClipboardFields.indexOf(QStringLiteral("Lokalenr"))).toInt());
    q.reset();

    {
        Transaction tx(work);
        if (!tx.ok() || !work.exec(QStringLiteral("DELETE FROM standby")))
            return false;
        if (!work.exec(
                QStringLiteral("INSERT INTO standby (%1, btid) VALUES (%2)")
                    .arg(kClipboardFields.join(QStringLiteral(", ")), placeholders(values.size())),
                values))
            return false;
        if (!tx.commit())
            return false;
    }
    // The booking leaves only once it is safe on the clipboard, and only as
    // it was copied: a change made meanwhile elsewhere is not cut away unseen.
    if (op == ClipboardOp::Cut) {
        Transaction tx(db);
        return tx.ok()
               && db.exec(QStringLiteral("DELETE FROM Booking WHERE Bookingnr = ? AND %1 = ?")
                              .arg(kChangeCounter),
                          {bookingnr, copied})
               && db.changedRows() == 1
               && WriteAuditRow(db, AuditAction::Deleted, QString::number(bookingnr),
                                was + QStringLiteral(" (cut)"))
               && tx.commit();
    }
    return true;
}

int ClipboardRows(Database& work)
{
    return CountIn(work, QStringLiteral("*"), QStringLiteral("standby"));
}

StoreResult PasteBooking(Database& db, Database& work, int clipboardMode, const GridPlace& place)
{
    auto q = work.query(
        QStringLiteral("SELECT Bookingnr, btid, Bdato, Lokalenr, %1 FROM standby LIMIT 1")
            .arg(kPastedFields.join(QStringLiteral(", "))));
    if (!q || !q->next())
        return failed(work);
    const bool cut = clipboardMode == static_cast<int>(ClipboardOp::Cut);
    const int cutNumber = q->value(0).toInt();
    // A booking whose start and end were equal comes back as long as it was.
    const int length = q->value(1).isNull() ? 0 : q->value(1).toInt();
    const QVariant cutDay = q->value(2);
    const QVariant cutItem = q->value(3);
    QVariantList fields;
    for (int i = 0; i < kPastedFields.size(); ++i)
        fields << q->value(4 + i);
    q.reset();

    Transaction tx(db);
    if (!tx.ok())
        return failed(db);
    int type = 0;
    if (StoreResult refused; !itemStillThere(db, place.item, &type, refused))
        return refused;
    const auto key = cut ? std::optional<int>(cutNumber) : TakeKeys(db, 1);
    if (!key)
        return failed(db);
    const int end = storedMinute(place.start + length);
    QVariantList binds{*key, place.start, end, place.day, place.item, type};
    binds += fields;
    const int textAt = kPastedFields.indexOf(QStringLiteral("Beskrivelse"));
    const QString summary =
        BookingSummary(textAt >= 0 ? fields.value(textAt).toString() : QString(), place.day,
                       place.start, end, place.item);
    if ((cut && !dropArchiveCopyOfCut(db, *key, cutDay, cutItem, fields.value(textAt)))
        || !db.exec(
            QStringLiteral("INSERT INTO Booking (Bookingnr, Bstart, Bslut, Bdato, Lokalenr, "
                           "Bgruppe, %1) VALUES (%2)")
                .arg(kPastedFields.join(QStringLiteral(", ")), placeholders(binds.size())),
            binds)
        || !WriteAuditRow(db, AuditAction::Created, QString::number(*key),
                          summary + (cut ? QStringLiteral(" (pasted)") : QString()))
        || !tx.commit())
        return failed(db);
    if (cut)
        work.exec(QStringLiteral("DELETE FROM standby"));
    return {StoreStatus::Stored, *key, {}, {}};
}

} // namespace vestra
