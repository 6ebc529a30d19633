#pragma once
// Printing a list as it is shown: a title and a subtitle, column headings
// repeated on every page, the rows as text, the page number at the foot.
// The multi-column list control prints through this.

#include "report/reportoutput.h"

namespace vestra {

struct ListColumn {
    QString heading;
    qreal width = 30; // mm; scaled down together when the columns do not fit
    Qt::Alignment alignment = Qt::AlignLeft;
};

// Columns are bound to the fields "c0", "c1", ... of ListPrintRows. Columns
// wider than a portrait page turn the page to landscape.
ReportDefinition ListPrintDefinition(const QString& title, const QString& subtitle,
                                     const QVector<ListColumn>& columns);
ReportRows ListPrintRows(int columnCount, const QVector<QStringList>& rows);
Report ListPrintReport(const QString& title, const QString& subtitle,
                       const QVector<ListColumn>& columns, const QVector<QStringList>& rows);

} // namespace vestra
