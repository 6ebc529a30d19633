#include "settings/settings.h"

#include "data/amounts.h"
#include "data/audit.h"
#include "data/dates.h"
#include "report/reportformat.h"

#include <QFile>
#include <QImage>
#include <QLocale>
#include <QRegularExpression>
#include <QSqlRecord>

#include <algorithm>
#include <cmath>

namespace vestra {

namespace {
const QString kTable = QStringLiteral("institutionsoplysninger");

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() != b.isNull())
        return false;
    // A picture is compared byte for byte; text conversion would blur it.
    if (a.typeId() == QMetaType::QByteArray || b.typeId() == QMetaType::QByteArray)
        return a.toByteArray() == b.toByteArray();
    return a.toString() == b.toString();
}
} // namespace

bool InstitutionRow::load(Database& bookingFile, QString* error)
{
    m_values.clear();
    m_loaded.clear();
    m_names.clear();
    m_dirty.clear();
    m_isLoaded = false;
    // Every reader takes the first row; the field names come from the table
    // itself, so that an empty table still knows them.
    auto q = bookingFile.query(QStringLiteral("SELECT * FROM %1 LIMIT 1").arg(kTable));
    if (!q) {
        if (error)
            *error = bookingFile.lastError();
        return false;
    }
    const QSqlRecord r = q->record();
    for (int i = 0; i < r.count(); ++i)
        m_names.insert(r.fieldName(i).toLower(), r.fieldName(i));
    m_hadRow = q->next();
    if (m_hadRow)
        for (int i = 0; i < r.count(); ++i)
            m_values.insert(r.fieldName(i).toLower(), q->value(i));
    m_loaded = m_values;
    m_isLoaded = true;
    return true;
}

QVariant InstitutionRow::value(const QString& field) const
{
    return m_values.value(field.toLower());
}

void InstitutionRow::setValue(const QString& field, const QVariant& value)
{
    const QString name = field.toLower();
    if (!m_isLoaded || !m_names.contains(name))
        return;
    if (sameValue(m_values.value(name), value) && m_values.contains(name))
        return;
    m_values.insert(name, value);
    // A field set back to what was read is no change of this window's: it
    // must not put back a value another workstation stored meanwhile.
    if (m_loaded.contains(name) && sameValue(m_loaded.value(name), value))
        m_dirty.removeAll(name);
    else if (!m_dirty.contains(name))
        m_dirty.append(name);
}

bool InstitutionRow::store(Database& bookingFile, QString* error)
{
    if (!m_isLoaded || m_dirty.isEmpty())
        return true;
    QStringList names;
    QVariantList binds;
    for (const QString& name : m_dirty) {
        names << m_names.value(name);
        binds << m_values.value(name);
    }
    QString sql;
    if (m_hadRow) {
        // The table holds exactly one row, so no key is needed to find it.
        sql = QStringLiteral("UPDATE %1 SET %2 = ?")
                  .arg(kTable, names.join(QStringLiteral(" = ?, ")));
    } else {
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(kTable, names.join(QStringLiteral(", ")),
                       QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    }
    // The change and its log row, naming each field with what it replaced.
    QStringList changed;
    for (const QString& name : std::as_const(m_dirty)) {
        const auto text = [](const QVariant& v) {
            return v.typeId() == QMetaType::QByteArray ? QStringLiteral("(picture)")
                                                       : IsolatedText(v.toString().left(40));
        };
        changed << m_names.value(name) + QStringLiteral(": ")
                       + BeforeAfter(text(m_loaded.value(name)), text(m_values.value(name)));
    }
    Transaction tx(bookingFile);
    if (!tx.ok() || !bookingFile.exec(sql, binds)
        || !WriteAuditRow(bookingFile, AuditAction::SettingsEdited, QString(),
                          changed.join(QStringLiteral(" | ")))
        || !tx.commit()) {
        if (error)
            *error = bookingFile.lastError();
        return false;
    }
    m_hadRow = true;
    for (const QString& name : std::as_const(m_dirty))
        m_loaded.insert(name, m_values.value(name));
    m_dirty.clear();
    return true;
}

DateFormatTexts ApplyDateFormat(Session& s, int n)
{
    DateFormatTexts texts;
    if (n == 0) {
        // The stored forms use "/", the session the "-" forms until the next
        // start-up reads the stored ones.
        texts = {QStringLiteral("mm/dd/yyyy"), QStringLiteral("D m/N/y"), QStringLiteral("0")};
        s.DateFormatLong = QStringLiteral("mm-dd-yyyy");
        s.DateFormatShort = QStringLiteral("D m-N-y");
    } else {
        texts = {QStringLiteral("dd-mm-yyyy"), QStringLiteral("D N-m-y"), QStringLiteral("1")};
        s.DateFormatLong = texts.stored1;
        s.DateFormatShort = texts.stored2;
    }
    s.FirstDay = texts.firstDay;
    s.DateFormatNo = static_cast<qint16>(n);
    SetFileDateFormat(s.DateFormatLong);
    s.ShownWeekStart = DayNumber(WeekStart(DateFromDayNumber(s.SelectedDay), s.FirstDay));
    return texts;
}

std::optional<double> ParseTaxPercent(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    return ParsePrice(t);
}

void ApplyOpeningHours(Session& s, const std::array<int, 6>& seconds)
{
    int* targets[] = {&s.OpeningTime,  &s.ClosingTime,    &s.PrimeTimeStart,
                      &s.PrimeTimeEnd, &s.PrintTimeStart, &s.PrintTimeEnd};
    for (size_t i = 0; i < seconds.size(); ++i)
        *targets[i] = MinutesFromSeconds(seconds[i]);
}

QString TimeText(int seconds)
{
    const int s = std::clamp(seconds, 0, kLastSecondOfDay);
    return QStringLiteral("%1:%2")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s % 3600 / 60, 2, 10, QLatin1Char('0'));
}

std::optional<int> ParseTimeText(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2})\\s*:\\s*(\\d{1,2})\\s*$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int h = m.captured(1).toInt();
    const int min = m.captured(2).toInt();
    if (h > 23 || min > 59)
        return std::nullopt;
    return h * 3600 + min * 60;
}

int StepTime(int seconds, int caret, int steps)
{
    const int step = caret < 2 ? 3600 : caret < 5 ? 60 : 1;
    const qint64 next = qint64(seconds) + qint64(step) * steps;
    return int(std::clamp<qint64>(next, 0, kLastSecondOfDay));
}

const LookupInfo& Lookup(LookupKind kind)
{
    static const LookupInfo infos[] = {
        {QStringLiteral("Editdep"), QStringLiteral("Vestra -  Department"),
         QStringLiteral("department"), QStringLiteral("depnr"), QStringLiteral("depname"),
         QStringLiteral("Department Name:"), QStringLiteral("departmentfor"),
         QStringLiteral("Choose Department")},
        {QStringLiteral("EditFloorP"), QStringLiteral("Vestra -  Floor Plan"),
         QStringLiteral("opstilling"), QStringLiteral("ID"), QStringLiteral("Opstilling"),
         QStringLiteral("Floor Plan Name:"), QStringLiteral("florplanfor"),
         QStringLiteral("Choose Floor Plan")},
        {QStringLiteral("Edithomeb"), QStringLiteral("Vestra -  Homebase"),
         QStringLiteral("homebases"), QStringLiteral("ID"), QStringLiteral("Homebase"),
         QStringLiteral("Homebase Name:"), QStringLiteral("homebasefor"),
         QStringLiteral("Choose Homebase")},
    };
    return infos[static_cast<int>(kind)];
}

Statement DeleteLookupStatement(LookupKind kind, int key)
{
    switch (kind) {
    case LookupKind::Department:
        return DeleteDepartmentStatement(key);
    case LookupKind::FloorPlan:
        return DeleteFloorPlanStatement(key);
    case LookupKind::Homebase:
        break;
    }
    return DeleteHomebaseStatement(key);
}

std::optional<QByteArray> ReadLogoFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    // The reports print the stored bytes as they are, so they must be a
    // picture the program can read.
    if (QImage::fromData(bytes).isNull()) {
        if (error)
            *error = QStringLiteral("The file is not a picture.");
        return std::nullopt;
    }
    return bytes;
}

} // namespace vestra
