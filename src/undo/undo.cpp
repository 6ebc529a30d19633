#include "undo/undo.h"

#include "data/audit.h"
#include "data/helpers.h"

#include <QSqlField>
#include <QSqlRecord>
#include <algorithm>

namespace vestra {

namespace {

// The server reports column names in lower case, a file as they were made.
QVariant field(const QVariantMap& row, const char* name)
{
    const QString wanted = QString::fromUtf8(name);
    for (auto it = row.constBegin(); it != row.constEnd(); ++it)
        if (it.key().compare(wanted, Qt::CaseInsensitive) == 0)
            return it.value();
    return {};
}

QString counterName(const QVariantMap& row)
{
    for (auto it = row.constBegin(); it != row.constEnd(); ++it)
        if (it.key().compare(QLatin1String(kChangeCounter), Qt::CaseInsensitive) == 0)
            return it.key();
    return QString::fromLatin1(kChangeCounter);
}

QVariantMap withoutCounter(QVariantMap row)
{
    row.remove(counterName(row));
    return row;
}

QString summaryOf(const BookingRow& row)
{
    if (!row)
        return {};
    return BookingSummary(field(*row, "Beskrivelse").toString(), field(*row, "Bdato").toInt(),
                          field(*row, "Bstart").toInt(), field(*row, "Bslut").toInt(),
                          field(*row, "Lokalenr").toInt());
}

UndoResult refusal(UndoStatus status, const UndoStep& step, bool redo, const QString& why)
{
    const QString what = redo ? QStringLiteral("redo") : QStringLiteral("undo");
    return {status, QStringLiteral("Cannot %1 %2: %3").arg(what, step.text(), why), {}, {}, {}};
}

// The rows of the numbers, read in stretches that stay within every engine's
// limit of bound values.
std::optional<QHash<int, QVariantMap>> readNumbers(Database& db, QList<int> numbers)
{
    QHash<int, QVariantMap> rows;
    std::sort(numbers.begin(), numbers.end());
    for (qsizetype at = 0; at < numbers.size(); at += 500) {
        const QList<int> part = numbers.mid(at, 500);
        QVariantList binds;
        QStringList marks;
        for (int n : part) {
            binds << n;
            marks << QStringLiteral("?");
        }
        const auto read = ReadBookingRows(
            db, QStringLiteral("Bookingnr IN (%1)").arg(marks.join(QLatin1Char(','))), binds);
        if (!read)
            return std::nullopt;
        rows.insert(*read);
    }
    return rows;
}

} // namespace

QString UndoKindText(UndoKind kind)
{
    switch (kind) {
    case UndoKind::Typed:
        return QStringLiteral("New Booking");
    case UndoKind::Move:
        return QStringLiteral("Move");
    case UndoKind::Resize:
        return QStringLiteral("Resize");
    case UndoKind::Retype:
        return QStringLiteral("Retype");
    case UndoKind::Delete:
        return QStringLiteral("Delete");
    case UndoKind::Cut:
        return QStringLiteral("Cut");
    case UndoKind::Paste:
        return QStringLiteral("Paste");
    case UndoKind::Confirm:
        return QStringLiteral("Confirm");
    case UndoKind::Edit:
        return QStringLiteral("Edit");
    case UndoKind::CommitSeries:
        return QStringLiteral("Repeated Booking");
    case UndoKind::DeleteSeries:
        return QStringLiteral("Delete Repeated Bookings");
    case UndoKind::UpdateSeries:
        return QStringLiteral("Update Repeated Booking");
    }
    return {};
}

std::optional<QHash<int, QVariantMap>> ReadBookingRows(Database& db, const QString& where,
                                                       const QVariantList& binds)
{
    auto q = db.query(QStringLiteral("SELECT * FROM Booking WHERE ") + where, binds);
    if (!q)
        return std::nullopt;
    QHash<int, QVariantMap> rows;
    while (q->next()) {
        const QSqlRecord r = q->record();
        QVariantMap row;
        for (int i = 0; i < r.count(); ++i)
            row.insert(r.fieldName(i), r.value(i));
        rows.insert(field(row, "Bookingnr").toInt(), row);
    }
    return rows;
}

QString UndoStep::text() const
{
    const QString kindText = UndoKindText(kind);
    return title.isEmpty() ? kindText : QStringLiteral("%1 '%2'").arg(kindText, title);
}

UndoStep MakeUndoStep(UndoKind kind, const QHash<int, QVariantMap>& before,
                      const QHash<int, QVariantMap>& after)
{
    QList<int> numbers = before.keys();
    for (int n : after.keys())
        if (!before.contains(n))
            numbers << n;
    std::sort(numbers.begin(), numbers.end());
    UndoStep step{kind, {}, {}};
    for (int n : numbers) {
        BookingRow was = before.contains(n) ? BookingRow(before.value(n)) : std::nullopt;
        BookingRow is = after.contains(n) ? BookingRow(after.value(n)) : std::nullopt;
        if (was == is)
            continue;
        if (step.title.isEmpty())
            step.title = field(is ? *is : *was, "Beskrivelse").toString();
        step.entries.append({n, std::move(was), std::move(is)});
    }
    return step;
}

UndoKind BlockChangeKind(const QVariantMap& before, const QVariantMap& after)
{
    const auto differs = [&](const char* name) {
        return field(before, name) != field(after, name);
    };
    const auto length = [](const QVariantMap& row) {
        return field(row, "Bslut").toInt() - field(row, "Bstart").toInt();
    };
    // A block dragged to another time keeps its length.
    if (differs("Bdato") || differs("Lokalenr")
        || (differs("Bstart") && length(before) == length(after)))
        return UndoKind::Move;
    if (differs("Bstart") || differs("Bslut"))
        return UndoKind::Resize;
    return UndoKind::Retype;
}

UndoResult ApplyUndoStep(Database& db, const Session& s, UndoStep& step, bool redo)
{
    const auto failed = [&] { return refusal(UndoStatus::Failed, step, redo, db.lastError()); };
    Transaction tx(db);
    if (!tx.ok())
        return failed();
    QList<int> numbers;
    for (const UndoStep::Entry& e : step.entries)
        numbers << e.bookingnr;
    const auto current = readNumbers(db, numbers);
    if (!current)
        return failed();
    UndoResult result{UndoStatus::Done, {}, {}, {}, {}};
    for (const UndoStep::Entry& e : step.entries) {
        const BookingRow& from = redo ? e.before : e.after;
        const BookingRow& to = redo ? e.after : e.before;
        const BookingRow now =
            current->contains(e.bookingnr) ? BookingRow(current->value(e.bookingnr)) : std::nullopt;
        // Anything but the row this workstation left is another's change.
        if (now != from)
            return refusal(UndoStatus::ChangedElsewhere, step, redo,
                           QStringLiteral("the booking was changed on another workstation "
                                          "since."));
        for (const BookingRow* row : {&from, &to}) {
            if (*row
                && !MayActForAccount(db, field(**row, "kontonr").toInt(), s.LoginAccountId,
                                     s.IsAdmin))
                return refusal(UndoStatus::Refused, step, redo,
                               QStringLiteral("you have no authority to change this booking."));
        }
        if (to) {
            switch (ItemPresence(db, field(*to, "Lokalenr").toInt())) {
            case Presence::Present:
                break;
            case Presence::Absent:
                return refusal(UndoStatus::ItemGone, step, redo,
                               QStringLiteral("the resource no longer exists."));
            case Presence::Unknown:
                return failed();
            }
        }
        const QString counter = counterName(to ? *to : *from);
        bool written = false;
        if (!to) {
            written = db.exec(
                QStringLiteral("DELETE FROM Booking WHERE Bookingnr = ? AND %1 = ?").arg(counter),
                {e.bookingnr, field(*now, kChangeCounter)});
        } else if (!now) {
            // The booking comes back with its own number and every field;
            // a view that still knew it sees a new counter.
            QStringList names;
            QStringList marks;
            QVariantList binds;
            for (auto it = to->constBegin(); it != to->constEnd(); ++it) {
                names << it.key();
                marks << QStringLiteral("?");
                binds << (it.key() == counter ? QVariant(it.value().toLongLong() + 1) : it.value());
            }
            written = db.exec(
                QStringLiteral("INSERT INTO Booking (%1) VALUES (%2)")
                    .arg(names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                binds);
        } else {
            QStringList sets;
            QVariantList binds;
            const qint64 was = field(*now, kChangeCounter).toLongLong();
            for (auto it = to->constBegin(); it != to->constEnd(); ++it) {
                if (it.key().compare(QLatin1String("Bookingnr"), Qt::CaseInsensitive) == 0)
                    continue;
                sets << it.key() + QStringLiteral(" = ?");
                binds << (it.key() == counter ? QVariant(was + 1) : it.value());
            }
            binds << e.bookingnr << was;
            written = db.exec(QStringLiteral("UPDATE Booking SET %1 WHERE Bookingnr = ? AND %2 = ?")
                                  .arg(sets.join(QStringLiteral(", ")), counter),
                              binds);
        }
        if (!written)
            return failed();
        if (db.changedRows() != 1)
            return refusal(UndoStatus::ChangedElsewhere, step, redo,
                           QStringLiteral("the booking was changed on another workstation "
                                          "since."));
        if (!WriteAuditRow(
                db, redo ? AuditAction::Redone : AuditAction::Undone, QString::number(e.bookingnr),
                step.text() + QStringLiteral(": ") + BeforeAfter(summaryOf(from), summaryOf(to))))
            return failed();
        for (const BookingRow* row : {&from, &to})
            if (*row)
                result.days.insert(field(**row, "Bdato").toInt());
        (to ? result.shown : result.gone) << e.bookingnr;
    }
    // The side written is kept as it now stands, with its new counters, so
    // that the step can be applied back.
    const auto written = readNumbers(db, result.shown);
    if (!written || !tx.commit())
        return failed();
    for (UndoStep::Entry& e : step.entries) {
        if (written->contains(e.bookingnr))
            (redo ? e.after : e.before) = written->value(e.bookingnr);
    }
    return result;
}

UndoStack& UndoStack::instance()
{
    static UndoStack stack;
    return stack;
}

void UndoStack::followStore()
{
    if (m_store == session().BookingFilePath)
        return;
    m_store = session().BookingFilePath;
    if (m_undo.isEmpty() && m_redo.isEmpty())
        return;
    m_undo.clear();
    m_redo.clear();
    emit changed();
}

void UndoStack::push(UndoStep step)
{
    followStore();
    if (step.entries.isEmpty())
        return;
    // A store that wrote the rows as they were moved only their counters:
    // nothing to undo, but the steps before it go on from the new counters.
    if (std::all_of(step.entries.begin(), step.entries.end(), [](const UndoStep::Entry& e) {
            return e.before && e.after && withoutCounter(*e.before) == withoutCounter(*e.after);
        })) {
        absorb(step);
        return;
    }
    // A long session keeps its last hundred steps.
    if (m_undo.size() >= 100)
        m_undo.removeFirst();
    m_undo.append(std::move(step));
    m_redo.clear();
    emit changed();
}

void UndoStack::absorb(const UndoStep& step)
{
    followStore();
    for (const UndoStep::Entry& change : step.entries) {
        for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it) {
            const auto e = std::find_if(it->entries.begin(), it->entries.end(), [&](const auto& x) {
                return x.bookingnr == change.bookingnr;
            });
            if (e == it->entries.end())
                continue;
            if (e->after == change.before)
                e->after = change.after;
            break;
        }
        // The next redo starts from the rows as they now are, too.
        for (auto it = m_redo.rbegin(); it != m_redo.rend(); ++it) {
            const auto e = std::find_if(it->entries.begin(), it->entries.end(), [&](const auto& x) {
                return x.bookingnr == change.bookingnr;
            });
            if (e == it->entries.end())
                continue;
            if (e->before == change.before)
                e->before = change.after;
            break;
        }
    }
}

void UndoStack::clear()
{
    m_undo.clear();
    m_redo.clear();
    m_store = session().BookingFilePath;
    emit changed();
}

bool UndoStack::canUndo()
{
    followStore();
    return !m_undo.isEmpty();
}

bool UndoStack::canRedo()
{
    followStore();
    return !m_redo.isEmpty();
}

QString UndoStack::undoText()
{
    const UndoStep* step = next(false);
    return step ? QStringLiteral("Undo ") + step->text() : QStringLiteral("Undo");
}

QString UndoStack::redoText()
{
    const UndoStep* step = next(true);
    return step ? QStringLiteral("Redo ") + step->text() : QStringLiteral("Redo");
}

const UndoStep* UndoStack::next(bool redo)
{
    followStore();
    const QList<UndoStep>& list = redo ? m_redo : m_undo;
    return list.isEmpty() ? nullptr : &list.last();
}

UndoResult UndoStack::apply(Database& db, const Session& s, bool redo)
{
    followStore();
    QList<UndoStep>& from = redo ? m_redo : m_undo;
    if (from.isEmpty())
        return {UndoStatus::Refused,
                redo ? QStringLiteral("Nothing to redo.") : QStringLiteral("Nothing to undo."),
                {},
                {},
                {}};
    UndoStep step = from.takeLast();
    UndoStep rewritten = step;
    UndoResult result = ApplyUndoStep(db, s, step, redo);
    // A step the file could not take stays for another try; a refused one
    // can never apply again.
    if (result) {
        // The rows written carry new counters: the neighbouring steps on
        // the same bookings start or end from them now.
        for (qsizetype i = 0; i < rewritten.entries.size(); ++i) {
            UndoStep::Entry& e = rewritten.entries[i];
            const UndoStep::Entry& now = step.entries[i];
            e.before = redo ? e.after : e.before;
            e.after = redo ? now.after : now.before;
        }
        absorb(rewritten);
        (redo ? m_undo : m_redo).append(std::move(step));
    } else if (result.status == UndoStatus::Failed)
        from.append(std::move(step));
    emit changed();
    return result;
}

BookingChangeRecorder::BookingChangeRecorder(Database& db, const QString& where,
                                             const QVariantList& binds)
    : m_before(ReadBookingRows(db, where, binds))
{
}

BookingChangeRecorder::BookingChangeRecorder(Database& db, int bookingnr)
    : BookingChangeRecorder(db, QStringLiteral("Bookingnr = ?"), {bookingnr})
{
}

std::optional<UndoStep> BookingChangeRecorder::step(Database& db, UndoKind kind,
                                                    const QString& afterWhere,
                                                    const QVariantList& afterBinds)
{
    if (!m_before)
        return std::nullopt;
    auto after = readNumbers(db, m_before->keys());
    if (!after)
        return std::nullopt;
    if (!afterWhere.isEmpty()) {
        const auto added = ReadBookingRows(db, afterWhere, afterBinds);
        if (!added)
            return std::nullopt;
        after->insert(*added);
    }
    return MakeUndoStep(kind, *m_before, *after);
}

bool BookingChangeRecorder::record(Database& db, UndoKind kind, const QString& afterWhere,
                                   const QVariantList& afterBinds)
{
    const auto made = step(db, kind, afterWhere, afterBinds);
    if (!made || made->entries.isEmpty())
        return false;
    UndoStack::instance().push(*made);
    return true;
}

bool BookingChangeRecorder::record(Database& db, UndoKind kind, int newBookingnr)
{
    return record(db, kind, QStringLiteral("Bookingnr = ?"), {newBookingnr});
}

} // namespace vestra
