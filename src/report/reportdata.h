#pragma once
// The rows a report runs over. Field names match case-insensitively, as the
// reports' field names are written with whatever case the old queries used
// ("Pris", "pris", "Bemærkninger").

#include <QHash>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <QVector>
#include <functional>
#include <optional>

namespace vestra {

class Database;
class ReportRows;

// Told how many rows a report has read of how many, at the start and after
// every stretch of rows; a false answer stops the reading (cancelled).
using RowProgress = std::function<bool(int done, int total)>;
constexpr int kReportStretchRows = 2000;
// The reason a stopped reading gives.
QString ReportCancelledText();

// One row of a ReportRows; an invalid row (no rows at all) gives null values.
class ReportRow {
public:
    ReportRow() = default;
    ReportRow(const ReportRows* rows, int index) : m_rows(rows), m_index(index) {}
    bool isValid() const;
    int index() const { return m_index; }
    QVariant value(const QString& field) const;
    QVariant operator[](const QString& field) const { return value(field); }

private:
    const ReportRows* m_rows = nullptr;
    int m_index = -1;
};

class ReportRows {
public:
    ReportRows() = default;
    explicit ReportRows(const QStringList& fields, const QVector<QVariantList>& rows = {});
    // Fields are the union of the maps' keys, in first-seen order.
    static ReportRows fromMaps(const QVector<QVariantMap>& maps);
    // Reads every remaining row of an executed query; nullopt when progress
    // (told the expected total) stops it.
    static std::optional<ReportRows> fromQuery(QSqlQuery& query, const RowProgress& progress = {},
                                               int total = 0);
    // Runs a statement with bound values on the database; nullopt (and the
    // error text) when it fails or progress stops it. With progress the
    // statement's rows are counted first, so a window can show at once.
    static std::optional<ReportRows> fromDatabase(Database& db, const QString& sql,
                                                  const QVariantList& binds = {},
                                                  QString* error = nullptr,
                                                  const RowProgress& progress = {});

    QStringList fields() const { return m_fields; }
    int count() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    // Index of a field, or -1.
    int fieldIndex(const QString& field) const;
    QVariant value(int row, const QString& field) const;
    ReportRow row(int index) const { return ReportRow(this, index); }
    void append(const QVariantList& values);

private:
    QStringList m_fields;
    QHash<QString, int> m_index; // lower-cased name -> column
    QVector<QVariantList> m_rows;
};

} // namespace vestra
