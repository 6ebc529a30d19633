#include "schedule/editing.h"

#include "data/helpers.h"

#include <QSqlRecord>

namespace vestra {

namespace {

// The booking fields the clipboard keeps (start and end become btid).
const QStringList kClipboardFields = {
    QStringLiteral("Bookingnr"), QStringLiteral("Beskrivelse"), QStringLiteral("Bdato"),
    QStringLiteral("Lokalenr"), QStringLiteral("Bgruppe"), QStringLiteral("Bcolor"),
    QStringLiteral("kontonr"), QStringLiteral("Kontaktperson2"),
    QStringLiteral("Kontaktpersonadr2"), QStringLiteral("Kontaktpersonpnr2"),
    QStringLiteral("Kontaktpersonby2"), QStringLiteral("Kontakttlf2"),
    QStringLiteral("Kontakttlfb2"), QStringLiteral("langbeskrivelse"),
    QStringLiteral("Antalpers"), QStringLiteral("Pris"), QStringLiteral("ID"),
    QStringLiteral("Bemærkninger"), QStringLiteral("gennr"), QStringLiteral("gentagende"),
    QStringLiteral("Intern"), QStringLiteral("Tentative"), QStringLiteral("curacname")};

// The fields a paste copies from the clipboard as they are.
const QStringList kPastedFields = {
    QStringLiteral("Beskrivelse"), QStringLiteral("Bcolor"), QStringLiteral("kontonr"),
    QStringLiteral("Kontaktperson2"), QStringLiteral("Kontaktpersonadr2"),
    QStringLiteral("Kontaktpersonpnr2"), QStringLiteral("Kontaktpersonby2"),
    QStringLiteral("Kontakttlf2"), QStringLiteral("Kontakttlfb2"),
    QStringLiteral("langbeskrivelse"), QStringLiteral("Antalpers"), QStringLiteral("Pris"),
    QStringLiteral("ID"), QStringLiteral("Bemærkninger"), QStringLiteral("gennr"),
    QStringLiteral("gentagende"), QStringLiteral("Intern"), QStringLiteral("Tentative"),
    QStringLiteral("curacname")};

QString placeholders(int n)
{
    QStringList marks;
    for (int i = 0; i < n; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
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

} // namespace

std::optional<int> CreateBookingFromGrid(Database& db, const Session& s, const QString& text,
                                         const GridPlace& place, int end, bool dayView)
{
    const auto key = NextKey(db);
    if (!key)
        return std::nullopt;
    QString sql = QStringLiteral("INSERT INTO Booking (Bookingnr, Bstart, Bslut, Beskrivelse, "
                                 "Bdato, Lokalenr, kontonr, curacname, Bgruppe, Bcolor");
    QVariantList binds{*key, place.start, end, text, place.day, place.item,
                       s.LoginAccountId, s.LoginName, s.CurrentTypeNo, 255};
    if (dayView) {
        sql += QStringLiteral(", Tentative");
        binds << (s.TentativeDefault ? -1 : 0);
    }
    sql += QStringLiteral(") VALUES (") + placeholders(binds.size()) + QStringLiteral(")");
    if (!db.exec(sql, binds))
        return std::nullopt;
    return key;
}

std::optional<int> BookingAccount(Database& db, int bookingnr)
{
    const QVariant v = db.scalar(QStringLiteral("SELECT kontonr FROM Booking WHERE Bookingnr = ?"),
                                 {bookingnr});
    if (!v.isValid())
        return std::nullopt;
    return v.toInt();
}

bool SaveBlockChange(Database& db, const Session& s, int bookingnr, const BlockChange& change)
{
    const auto account = BookingAccount(db, bookingnr);
    if (!account || !MayActForAccount(db, *account, s.LoginAccountId, s.IsAdmin))
        return false;
    QString sql = QStringLiteral("UPDATE Booking SET Beskrivelse = ?, Bstart = ?, Bslut = ?");
    QVariantList binds{change.text, change.start, change.end};
    if (change.item) {
        sql += QStringLiteral(", Lokalenr = ?");
        binds << *change.item;
    }
    if (change.day) {
        sql += QStringLiteral(", Bdato = ?");
        binds << *change.day;
    }
    sql += QStringLiteral(" WHERE Bookingnr = ?");
    binds << bookingnr;
    return db.exec(sql, binds) && db.changedRows() == 1;
}

bool CutOrCopyBooking(Database& db, Database& work, int bookingnr, ClipboardOp op)
{
    auto q = db.query(QStringLiteral("SELECT %1, Bstart, Bslut FROM Booking WHERE Bookingnr = ?")
                          .arg(kClipboardFields.join(QStringLiteral(", "))),
                      {bookingnr});
    if (!q || !q->next())
        return false;
    QVariantList values;
    for (int i = 0; i < kClipboardFields.size(); ++i)
        values << q->value(i);
    values << lengthOf(q->value(kClipboardFields.size()).toInt(),
                       q->value(kClipboardFields.size() + 1).toInt());
    q.reset();

    {
        Transaction tx(work);
        if (!tx.ok() || !work.exec(QStringLiteral("DELETE FROM standby")))
            return false;
        if (!work.exec(QStringLiteral("INSERT INTO standby (%1, btid) VALUES (%2)")
                           .arg(kClipboardFields.join(QStringLiteral(", ")),
                                placeholders(values.size())),
                       values))
            return false;
        if (!tx.commit())
            return false;
    }
    // The booking leaves only once it is safe on the clipboard.
    if (op == ClipboardOp::Cut)
        return DeleteBooking(db, bookingnr);
    return true;
}

int ClipboardRows(Database& work)
{
    return CountIn(work, QStringLiteral("*"), QStringLiteral("standby"));
}

std::optional<int> PasteBooking(Database& db, Database& work, int clipboardMode,
                                const GridPlace& place, int type)
{
    auto q = work.query(QStringLiteral("SELECT Bookingnr, btid, %1 FROM standby LIMIT 1")
                            .arg(kPastedFields.join(QStringLiteral(", "))));
    if (!q || !q->next())
        return std::nullopt;
    const bool cut = clipboardMode == static_cast<int>(ClipboardOp::Cut);
    std::optional<int> key;
    if (cut)
        key = q->value(0).toInt();
    else
        key = NextKey(db);
    if (!key)
        return std::nullopt;
    // A booking whose start and end were equal comes back as long as it was.
    const int length = q->value(1).isNull() ? 0 : q->value(1).toInt();
    QVariantList binds{*key, place.start, place.start + length, place.day, place.item, type};
    for (int i = 0; i < kPastedFields.size(); ++i)
        binds << q->value(2 + i);
    q.reset();

    if (!db.exec(QStringLiteral("INSERT INTO Booking (Bookingnr, Bstart, Bslut, Bdato, Lokalenr, "
                                "Bgruppe, %1) VALUES (%2)")
                     .arg(kPastedFields.join(QStringLiteral(", ")), placeholders(binds.size())),
                 binds))
        return std::nullopt;
    if (cut)
        work.exec(QStringLiteral("DELETE FROM standby"));
    return key;
}

bool DeleteBooking(Database& db, int bookingnr)
{
    return db.exec(QStringLiteral("DELETE FROM Booking WHERE Bookingnr = ?"), {bookingnr})
           && db.changedRows() == 1;
}

} // namespace vestra
