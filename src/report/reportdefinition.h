#pragma once
// A banded report, defined in C++: report header, page header, group headers
// (outermost first), detail, group footers, page footer, report footer. Each
// band holds items placed in millimetres from the band's top-left corner.
//
//   ReportDefinition def;
//   def.pageHeader.height = 8;
//   def.pageHeader.add(ReportItem::label("Fee", {150, 0, 30, 6}).alignedRight());
//   ReportGroup& g = def.addGroup("OverGruppenavn");
//   g.header.add(ReportItem::field("OverGruppenavn", {0, 0, 80, 6}).bold());
//   g.footer.add(ReportItem::sum("Pris", {150, 0, 30, 6}, "#,##0.00").alignedRight());
//   def.detail.add(ReportItem::field("Pris", {150, 0, 30, 5}, "0.00").alignedRight());
//   def.pageFooter.add(ReportItem::pageNumber({150, 0, 30, 5}));

#include "exchange/sheet.h"
#include "report/reportdata.h"

#include <QFont>
#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

namespace vestra {

using RowFunction = std::function<QVariant(const ReportRow&)>;

enum class ReportItemKind { Label, Field, Computed, Summary, PageNumber, Image, Line, Box };
enum class SummaryFunction { Sum, Count };

// Summary scopes: a group's index (0 = outermost), or one of these.
inline constexpr int kWholeReport = -1;
// The group of the header or footer the item sits in; elsewhere the whole report.
inline constexpr int kOwnGroup = -2;

struct ReportItem {
    ReportItemKind kind = ReportItemKind::Label;
    QString name;        // for finding the item: "Cinfo1", "txtPris"
    QRectF rect;         // mm from the band's top-left; a line runs from topLeft to bottomRight
    QString text;        // label text, field name, or the page number pattern
    RowFunction compute; // a computed value; for a summary, what is summed instead of the field
    QString format;      // see FormatValue
    std::optional<QFont> font; // unset: the report's font
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    SummaryFunction function = SummaryFunction::Sum;
    int summaryGroup = kOwnGroup;
    QImage image;
    bool visible = true;
    bool wordWrap = false;
    qreal lineWidth = 0.25; // mm, lines and boxes

    // Fixed text, which the program may replace before the report runs.
    static ReportItem label(const QString& text, const QRectF& rect);
    // A field of the row; a name starting with "=" is an expression (see ReportExpression).
    static ReportItem field(const QString& field, const QRectF& rect, const QString& format = {});
    static ReportItem computed(RowFunction fn, const QRectF& rect, const QString& format = {});
    // Sum or count (of non-empty values) of a field over a group or the whole report.
    static ReportItem sum(const QString& field, const QRectF& rect, const QString& format = {},
                          int group = kOwnGroup);
    static ReportItem count(const QString& field, const QRectF& rect, const QString& format = {},
                            int group = kOwnGroup);
    // "%1" is the page number, "%2" the page count.
    static ReportItem pageNumber(const QRectF& rect,
                                 const QString& pattern = QStringLiteral("Page %1 of %2"));
    static ReportItem picture(const QImage& image, const QRectF& rect);
    // A picture stored as bytes in a field of the row (PNG, JPEG, BMP, ...).
    static ReportItem pictureField(const QString& field, const QRectF& rect);
    static ReportItem line(const QPointF& from, const QPointF& to);
    static ReportItem box(const QRectF& rect);

    ReportItem& named(const QString& itemName);
    ReportItem& withFont(const QFont& f);
    ReportItem& bold();
    ReportItem& pointSize(qreal size);
    ReportItem& aligned(Qt::Alignment a);
    ReportItem& alignedRight() { return aligned(Qt::AlignRight | Qt::AlignVCenter); }
    ReportItem& centered() { return aligned(Qt::AlignCenter); }
    ReportItem& wrapped();
    ReportItem& hidden();

private:
    QFont& ensureFont();
};

// A band's items and what the format event may change in one instance of it.
class BandFormat;

struct ReportBand {
    qreal height = 0; // mm
    bool visible = true;
    bool newPageBefore = false;
    bool newPageAfter = false;
    // Group headers: print again at the top of a page the group continues on.
    bool repeatOnNewPage = false;
    QVector<ReportItem> items;
    // Runs before each instance of the band is laid out, like the old
    // engine's format event: read the row, set the items' texts.
    std::function<void(BandFormat&)> onFormat;

    ReportItem& add(const ReportItem& item);
    ReportItem* item(const QString& name);
    const ReportItem* item(const QString& name) const;
};

// Whether a group may start at the bottom of a page and continue on the next.
enum class GroupKeep {
    None,
    WithFirstDetail, // the header moves to the next page unless its first detail fits below it
    All              // the whole group moves to a new page when it fits on one
};

struct ReportGroup {
    QString name;
    QString field;   // grouped on this field ...
    RowFunction key; // ... or on this expression when set
    ReportBand header;
    ReportBand footer;
    GroupKeep keep = GroupKeep::None;

    QVariant keyOf(const ReportRow& row) const;
};

// A column of the report's rows as an export writes it: the field, the
// heading the report prints over it, and the cell it becomes (a Date from a
// day number, a Time from minutes, Money, a Number, or the value as text).
struct ReportExportColumn {
    QString field;
    QString heading;
    CellKind kind = CellKind::Text;
};

class ReportDefinition {
public:
    ReportDefinition();

    QString title; // the document name in print queues and PDF files
    QPageSize pageSize{QPageSize::A4};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF margins{15, 12, 15, 12}; // mm
    QFont font;                        // for items without a font of their own

    ReportBand reportHeader;
    ReportBand pageHeader;
    QVector<ReportGroup> groups;
    ReportBand detail;
    ReportBand pageFooter;
    ReportBand reportFooter;
    // What an export of the rows writes, in this order; empty: every field
    // of the rows under its own name.
    QVector<ReportExportColumn> exportColumns;

    ReportGroup& addGroup(const QString& field);
    ReportGroup& addGroup(const QString& name, RowFunction key);

    // An item by name in any band, to set texts or hide items before the run.
    ReportItem* item(const QString& name);
    const ReportItem* item(const QString& name) const;

    QSizeF paperSize() const; // mm, oriented
    qreal contentWidth() const { return paperSize().width() - margins.left() - margins.right(); }
    qreal contentHeight() const { return paperSize().height() - margins.top() - margins.bottom(); }
};

// The two date expressions the reports use: a day number as a date
// (1900-01-01 + n days) and a minute count as a time (midnight + n minutes).
RowFunction DayNumberDate(const QString& field);
RowFunction MinuteTime(const QString& field);

// An expression as the old report definitions wrote it: "=field" or
// "=DateAdd("d"|"n"|"h"|"s"|"ww"|"m"|"yyyy", field, #m/d/yyyy# or #h:mm:ss AM#)".
// Empty function (and the error text) for anything else.
RowFunction ReportExpression(const QString& text, QString* error = nullptr);

} // namespace vestra
