#include "listrows/listrows.h"

namespace vestra {

qint64 ReadListQuery(QSqlQuery& query, const ListRowBuilder& build, int limit,
                     const std::function<void(ListRow&&)>& take, bool stopPastLimit)
{
    qint64 admitted = 0;
    while (query.next()) {
        if (auto row = build(query.record())) {
            if (limit < 0 || admitted < limit)
                take(std::move(*row));
            ++admitted;
            if (stopPastLimit && limit >= 0 && admitted > limit)
                break;
        }
    }
    return admitted;
}

std::optional<QList<ListRow>> ReadListRows(const ListFillSource& source, QString* error,
                                           const SheetProgress& progress, int expected)
{
    auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    if (!source.open || !source.build)
        return fail(QStringLiteral("The list has no source to read from."));
    Database db = source.open();
    if (!db.isValid())
        return fail(db.lastError().isEmpty() ? QStringLiteral("The database does not open.")
                                             : db.lastError());
    auto query = db.query(source.sql, source.binds);
    if (!query)
        return fail(db.lastError());
    QList<ListRow> rows;
    auto goOn = [&](bool last) {
        const int done = static_cast<int>(rows.size());
        return !progress || (!last && done % kSheetStretchRows != 0)
               || progress(done, std::max(done, expected));
    };
    if (!goOn(true))
        return fail(QStringLiteral("The reading was cancelled."));
    while (query->next())
        if (auto row = source.build(query->record())) {
            rows << std::move(*row);
            if (!goOn(false))
                return fail(QStringLiteral("The reading was cancelled."));
        }
    return rows;
}

SheetTable ListTable(const QVector<ListControlColumn>& columns, const QList<QVariantList>& rows)
{
    SheetTable table;
    for (const ListControlColumn& c : columns)
        table.headings << c.heading;
    for (const QVariantList& row : rows) {
        QVariantList cells;
        for (int i = 0; i < columns.size(); ++i) {
            const QVariant cell = row.value(i);
            if (columns[i].checkBox)
                cells << (cell.toBool() ? QStringLiteral("\u2713") : QString());
            else
                cells << (cell.isNull() ? QVariant(QString()) : cell);
        }
        table.rows << cells;
    }
    return table;
}

} // namespace vestra
