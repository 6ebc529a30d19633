#pragma once
// Lays a report definition over its rows out into pages of placed texts,
// pictures and lines, in millimetres from the paper's top-left corner. The
// same model is painted to printers, the preview and PDF files, and tests
// read it: page count, which group lands on which page, summary values.

#include "report/reportdefinition.h"

#include <QLocale>
#include <QTextOption>

namespace vestra {

enum class BandKind {
    ReportHeader,
    PageHeader,
    GroupHeader,
    Detail,
    GroupFooter,
    PageFooter,
    ReportFooter
};

struct PlacedItem {
    enum Kind { Text, Image, Line, Box };
    Kind kind = Text;
    QRectF rect; // mm on the page; a line runs from topLeft to bottomRight
    QString text;
    QString name;
    QFont font;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool wordWrap = false;
    qreal lineWidth = 0;
    QImage image;
    BandKind band = BandKind::Detail;
    int group = -1; // for group headers and footers
};

// One instance of a band on a page.
struct PlacedBand {
    BandKind kind = BandKind::Detail;
    int group = -1;
    int row = -1; // the row it was formatted with; -1 when there were no rows
    QRectF rect;
};

struct LaidOutPage {
    QVector<PlacedItem> items;
    QVector<PlacedBand> bands;

    QStringList texts() const;
    bool hasText(const QString& text) const;
    // The texts of the items of that name on this page, top to bottom.
    QStringList textsNamed(const QString& name) const;
    // The item points into this page, so a temporary page cannot be searched.
    const PlacedItem* find(const QString& name) const&;
    const PlacedItem* find(const QString& name) const&& = delete;
    // Group headers (or footers) of a group level on this page.
    QVector<PlacedBand> bandsOf(BandKind kind, int group = -1) const;
};

struct LaidOutReport {
    QString title;
    QPageSize pageSize{QPageSize::A4};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QSizeF paperSize; // mm, oriented
    QVector<LaidOutPage> pages;

    int pageCount() const { return int(pages.size()); }
    // The first page (from 0) showing exactly this text, or -1.
    int pageOf(const QString& text) const;
    // The texts of all items of that name, page by page.
    QStringList textsNamed(const QString& name) const;
};

// What a band's format event may read and change in the instance being laid out.
class BandFormat {
public:
    struct Instance {
        const ReportItem* item = nullptr;
        QVariant value;
        QString text;
        QImage image;
        bool visible = true;
    };

    BandFormat(BandKind kind, int group, const ReportRow& row, const QLocale& locale,
               QVector<Instance>* items)
        : m_kind(kind), m_group(group), m_row(row), m_locale(locale), m_items(items)
    {
    }

    BandKind kind() const { return m_kind; }
    int group() const { return m_group; }
    const ReportRow& row() const { return m_row; }
    const QLocale& locale() const { return m_locale; }

    // The value behind an item (a summary's number, a field's raw value).
    QVariant value(const QString& name) const;
    QString text(const QString& name) const;
    void setText(const QString& name, const QString& text);
    // Sets the value and formats it with the item's format.
    void setValue(const QString& name, const QVariant& value);
    void setVisible(const QString& name, bool visible);
    // Leaves this instance of the band out.
    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }

private:
    Instance* find(const QString& name) const;

    BandKind m_kind;
    int m_group;
    ReportRow m_row;
    const QLocale& m_locale;
    QVector<Instance>* m_items;
    bool m_cancelled = false;
};

// How report texts flow in their boxes, when laid out and when painted: at
// word boundaries, inside a word only when the word alone is wider than the
// box. Texts are never cut short.
QTextOption ReportTextOption(Qt::Alignment alignment);

// Lays the report out. A text wider than its box wraps onto more lines and
// its band grows to hold them.
LaidOutReport LayoutReport(const ReportDefinition& definition, const ReportRows& rows,
                           const QLocale& locale = QLocale());

} // namespace vestra
