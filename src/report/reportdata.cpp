#include "report/reportdata.h"

#include "db/database.h"

#include <QSqlError>
#include <QSqlRecord>

namespace vestra {

bool ReportRow::isValid() const
{
    return m_rows && m_index >= 0 && m_index < m_rows->count();
}

QVariant ReportRow::value(const QString& field) const
{
    return isValid() ? m_rows->value(m_index, field) : QVariant();
}

ReportRows::ReportRows(const QStringList& fields, const QVector<QVariantList>& rows)
    : m_fields(fields)
{
    // Backwards, so that of two names differing only in case the first wins.
    for (int i = int(fields.size()) - 1; i >= 0; --i)
        m_index.insert(fields[i].toLower(), i);
    for (const QVariantList& r : rows)
        append(r);
}

ReportRows ReportRows::fromMaps(const QVector<QVariantMap>& maps)
{
    QStringList fields;
    QHash<QString, int> seen;
    for (const QVariantMap& map : maps)
        for (auto it = map.keyBegin(); it != map.keyEnd(); ++it)
            if (!seen.contains(it->toLower())) {
                seen.insert(it->toLower(), int(fields.size()));
                fields << *it;
            }
    ReportRows rows(fields);
    for (const QVariantMap& map : maps) {
        QVariantList values(fields.size());
        for (auto it = map.begin(); it != map.end(); ++it)
            values[seen.value(it.key().toLower())] = it.value();
        rows.m_rows.append(values);
    }
    return rows;
}

QString ReportCancelledText()
{
    return QStringLiteral("The report was cancelled.");
}

std::optional<ReportRows> ReportRows::fromQuery(QSqlQuery& query, const RowProgress& progress,
                                                int total)
{
    const QSqlRecord record = query.record();
    QStringList fields;
    for (int i = 0; i < record.count(); ++i)
        fields << record.fieldName(i);
    ReportRows rows(fields);
    while (query.next()) {
        QVariantList values;
        values.reserve(record.count());
        for (int i = 0; i < record.count(); ++i)
            values << query.value(i);
        rows.m_rows.append(values);
        const int done = rows.count();
        if (progress && done % kReportStretchRows == 0 && !progress(done, std::max(done, total)))
            return std::nullopt;
    }
    return rows;
}

std::optional<ReportRows> ReportRows::fromDatabase(Database& db, const QString& sql,
                                                   const QVariantList& binds, QString* error,
                                                   const RowProgress& progress)
{
    const auto failed = [error](const QString& reason) {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    int total = 0;
    if (progress) {
        const QVariant counted =
            db.scalar(QStringLiteral("SELECT count(*) FROM (%1) counted").arg(sql), binds);
        if (!counted.isValid())
            return failed(db.lastError());
        total = counted.toInt();
        if (!progress(0, total))
            return failed(ReportCancelledText());
    }
    auto query = db.query(sql, binds);
    if (!query)
        return failed(db.lastError());
    auto rows = fromQuery(*query, progress, total);
    if (!rows)
        return failed(ReportCancelledText());
    return rows;
}

int ReportRows::fieldIndex(const QString& field) const
{
    return m_index.value(field.toLower(), -1);
}

QVariant ReportRows::value(int row, const QString& field) const
{
    const int column = fieldIndex(field);
    if (row < 0 || row >= m_rows.size() || column < 0)
        return {};
    return m_rows[row].value(column);
}

void ReportRows::append(const QVariantList& values)
{
    QVariantList padded = values;
    while (padded.size() < m_fields.size())
        padded.append(QVariant());
    m_rows.append(padded);
}

} // namespace vestra
