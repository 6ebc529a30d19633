#include "report/listcontrol.h"

#include "report/reportformat.h"
#include "report/reportlist.h"

#include <QFontMetricsF>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStyle>

namespace vestra {

namespace {

constexpr int kDataRole = Qt::UserRole;
constexpr int kPictureRole = Qt::UserRole + 1;
// The check state last reported or set, per cell: itemChanged also fires for
// icons and data, and only a real change of the box may be reported.
constexpr int kCheckSeenRole = Qt::UserRole + 2;
// The value a cell holds, which sorting and exports use.
constexpr int kValueRole = Qt::UserRole + 3;

// The widths the list windows give were chosen for an 8-point screen font
// whose average character is about 5.5 pixels wide; a wider font widens
// the columns with it so the same texts still fit.
constexpr qreal kUnitCharWidth = 5.5;
// On paper a unit is a screen pixel at 96 dpi.
constexpr qreal kMmPerUnit = 25.4 / 96;
constexpr qreal kPrintColumnGap = 3.5; // the gap the list print leaves between columns
// A long text may widen its printed column this much before it is clipped.
constexpr qreal kMaxPrintWidening = 3.0;
// On screen, where space is shorter, a column grows at most to twice its width.
constexpr int kMaxScreenWidening = 2;

const QString kTick = QStringLiteral("\u2713");

bool checkedValue(const QVariant& cell)
{
    if (cell.typeId() == QMetaType::Bool)
        return cell.toBool();
    const QString t = cell.toString().trimmed().toLower();
    return t == u"1" || t == u"-1" || t == u"true" || t == u"yes" || t == u"x";
}

// Text width in millimetres at a printer's resolution, so that screen
// hinting does not understate it.
qreal textWidthMm(const QFont& font, const QString& text)
{
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(1200 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return QFontMetricsF(font, &device).horizontalAdvance(text) * 25.4 / 1200;
}

// Orders two cells by the value they hold: numbers and amounts, then
// times, then dates, then texts as the locale sorts them.
bool cellLess(const QVariant& a, const QVariant& b)
{
    auto rank = [](const QVariant& v) {
        switch (KindOf(v)) {
        case CellKind::Number:
        case CellKind::Money:
            return 0;
        case CellKind::Time:
            return 1;
        case CellKind::Date:
        case CellKind::Stamp:
            return 2;
        case CellKind::Text:
            break;
        }
        return 3;
    };
    auto number = [](const QVariant& v) -> double {
        switch (KindOf(v)) {
        case CellKind::Money:
            return v.value<Money>().amount;
        case CellKind::Time:
            return v.toTime().msecsSinceStartOfDay();
        case CellKind::Date:
            return double(v.toDate().toJulianDay());
        case CellKind::Stamp:
            return double(v.toDateTime().toMSecsSinceEpoch());
        default:
            return v.toDouble();
        }
    };
    const int ra = rank(a), rb = rank(b);
    if (ra != rb)
        return ra < rb;
    if (ra < 3)
        return number(a) < number(b);
    return QString::localeAwareCompare(a.toString(), b.toString()) < 0;
}

// Rows that sort by the value their cells hold rather than by the text.
class ListItem : public QTreeWidgetItem {
public:
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return cellLess(data(column, kValueRole), other.data(column, kValueRole));
    }
};

QIcon drawnPicture(ListPicture which)
{
    QIcon icon;
    for (const int size : {16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        const QRectF disc(s * 0.1, s * 0.1, s * 0.8, s * 0.8);
        QPen pen(Qt::white, s * 0.13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        if (which == ListPicture::Collision) {
            // A red disc with a white cross: the row collides.
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xd0, 0x21, 0x21));
            p.drawEllipse(disc);
            p.setPen(pen);
            p.drawLine(QPointF(s * 0.35, s * 0.35), QPointF(s * 0.65, s * 0.65));
            p.drawLine(QPointF(s * 0.65, s * 0.35), QPointF(s * 0.35, s * 0.65));
        } else {
            // A green disc with a white tick: the row is free.
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x2e, 0x8b, 0x3a));
            p.drawEllipse(disc);
            p.setPen(pen);
            QPainterPath tick;
            tick.moveTo(s * 0.3, s * 0.52);
            tick.lineTo(s * 0.45, s * 0.67);
            tick.lineTo(s * 0.7, s * 0.37);
            p.setBrush(Qt::NoBrush);
            p.drawPath(tick);
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

ListControl::ListControl(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setAlternatingRowColors(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false); // rows keep the order of their query
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(true);
    // A click on a heading sorts by that column, a second click the other way.
    header()->setSectionsClickable(true);
    // The header flips its own indicator before it reports the click, so the
    // last sort is remembered here.
    connect(header(), &QHeaderView::sectionClicked, this,
            [this, last = std::pair{-1, Qt::DescendingOrder}](int column) mutable {
                const Qt::SortOrder order =
                    last.first == column && last.second == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                              : Qt::AscendingOrder;
                last = {column, order};
                header()->setSortIndicatorShown(true);
                sortItems(column, order);
            });
    setColumnCount(0);
    setHeaderLabels({});
    // The count sits in a margin under the rows, so it never covers one.
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("rowCount"));
    m_count->setContentsMargins(4, 0, 4, 0);
    setViewportMargins(0, 0, 0, m_count->sizeHint().height());
    // Counted from the model, not through this list: the tree widget's own
    // destructor still removes rows.
    const auto count = [label = m_count, rows = model()] { showCount(label, rows->rowCount()); };
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model(), signal, m_count, count);
    connect(model(), &QAbstractItemModel::modelReset, m_count, count);
    count();
    m_pictures = {standardPicture(ListPicture::Collision), standardPicture(ListPicture::Clear)};

    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        const int row = rowOf(item);
        if (row >= 0)
            emit rowActivated(row, rowData(row));
    });
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_quiet || column < 0 || column >= m_columns.size() || !m_columns[column].checkBox)
            return;
        const bool checked = item->checkState(column) == Qt::Checked;
        if (item->data(column, kCheckSeenRole).toBool() == checked)
            return;
        item->setData(column, kCheckSeenRole, checked);
        const int row = rowOf(item);
        if (row >= 0)
            emit checkToggled(row, column, checked);
    });
}

QString ListControl::rowCountText() const
{
    return m_count->text();
}

void ListControl::showCount(QLabel* label, int n)
{
    const qint64 matching = label->property("matching").toLongLong();
    const QLocale locale;
    if (matching > n && n > 0)
        label->setText(
            QStringLiteral("%1 of %2 shown").arg(locale.toString(n), locale.toString(matching)));
    else
        label->setText(n == 1 ? QStringLiteral("1 row")
                              : QStringLiteral("%1 rows").arg(locale.toString(n)));
}

void ListControl::resizeEvent(QResizeEvent* event)
{
    QTreeWidget::resizeEvent(event);
    const QRect v = viewport()->geometry();
    m_count->setGeometry(v.left(), v.bottom() + 1, v.width(), m_count->sizeHint().height());
}

// --- columns ---

void ListControl::setColumns(const QVector<ListControlColumn>& columns)
{
    clear();
    m_columns = columns;
    applyColumns();
}

void ListControl::addColumn(const ListControlColumn& column)
{
    clear();
    m_columns.append(column);
    applyColumns();
}

void ListControl::clearColumns()
{
    setColumns({});
}

int ListControl::unitWidth(int units) const
{
    const qreal charWidth = QFontMetricsF(font()).averageCharWidth();
    return qRound(units * std::max<qreal>(charWidth, kUnitCharWidth) / kUnitCharWidth);
}

int ListControl::columnsWidth() const
{
    int width = 0;
    for (int i = 0; i < m_columns.size(); ++i) {
        // The last column may stand stretched to the viewport; count what it needs.
        width += i + 1 < m_columns.size()
                     ? columnWidth(i)
                     : std::max(unitWidth(m_columns[i].width), sizeHintForColumn(i));
    }
    return width + 2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

void ListControl::applyColumns()
{
    setColumnCount(int(m_columns.size()));
    auto* head = headerItem();
    for (int i = 0; i < m_columns.size(); ++i) {
        head->setText(i, m_columns[i].heading);
        head->setTextAlignment(i, m_columns[i].alignment | Qt::AlignVCenter);
        setColumnWidth(i, unitWidth(m_columns[i].width));
    }
}

// --- rows ---

QString ListControl::cellText(const QVariant& cell, const ListControlColumn& column)
{
    switch (KindOf(cell)) {
    case CellKind::Money:
        return FormatAmount(cell.value<Money>().amount);
    case CellKind::Time:
        return FormatValue(cell, column.format.isEmpty() ? QStringLiteral("hh:mm") : column.format);
    case CellKind::Number:
    case CellKind::Date:
    case CellKind::Stamp:
        return FormatValue(cell, column.format);
    case CellKind::Text:
        break;
    }
    return cell.toString();
}

int ListControl::addRow(const QVariantList& cells, const QVariant& data, int picture)
{
    auto* item = new ListItem;
    for (int i = 0; i < m_columns.size(); ++i) {
        const QVariant value = i < cells.size() && !cells[i].isNull() ? cells[i] : QString();
        const ListControlColumn& c = m_columns[i];
        if (c.checkBox) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            const bool checked = checkedValue(value);
            item->setCheckState(i, checked ? Qt::Checked : Qt::Unchecked);
            item->setData(i, kCheckSeenRole, checked);
        } else {
            item->setText(i, cellText(value, c));
            item->setData(i, kValueRole, value);
        }
        item->setTextAlignment(i, c.alignment | Qt::AlignVCenter);
    }
    item->setData(0, kDataRole, data);
    item->setData(0, kPictureRole, picture);
    applyPicture(item);
    addTopLevelItem(item);
    return rowCount() - 1;
}

void ListControl::clear()
{
    m_matching = 0;
    m_count->setProperty("matching", 0);
    QTreeWidget::clear();
}

QString ListControl::text(int row, int column) const
{
    const auto* item = itemAt(row);
    return item ? item->text(column) : QString();
}

QStringList ListControl::rowTexts(int row) const
{
    QStringList out;
    if (const auto* item = itemAt(row))
        for (int i = 0; i < m_columns.size(); ++i)
            out << item->text(i);
    return out;
}

QVariant ListControl::cell(int row, int column) const
{
    const auto* item = itemAt(row);
    if (!item || column < 0 || column >= m_columns.size())
        return {};
    if (m_columns[column].checkBox)
        return item->checkState(column) == Qt::Checked;
    return item->data(column, kValueRole);
}

QVariantList ListControl::rowCells(int row) const
{
    QVariantList out;
    for (int i = 0; i < m_columns.size(); ++i)
        out << cell(row, i);
    return out;
}

QVariant ListControl::rowData(int row) const
{
    const auto* item = itemAt(row);
    return item ? item->data(0, kDataRole) : QVariant();
}

void ListControl::setRowData(int row, const QVariant& data)
{
    if (auto* item = itemAt(row))
        item->setData(0, kDataRole, data);
}

int ListControl::findRow(const QVariant& data) const
{
    for (int row = 0; row < rowCount(); ++row)
        if (rowData(row) == data)
            return row;
    return -1;
}

// --- pictures ---

void ListControl::setRowPictures(const QList<QIcon>& pictures)
{
    m_pictures = pictures;
    for (int row = 0; row < rowCount(); ++row)
        applyPicture(itemAt(row));
}

void ListControl::setRowPicture(int row, int picture)
{
    if (auto* item = itemAt(row)) {
        item->setData(0, kPictureRole, picture);
        applyPicture(item);
    }
}

int ListControl::rowPicture(int row) const
{
    const auto* item = itemAt(row);
    return item ? item->data(0, kPictureRole).toInt() : -1;
}

void ListControl::setPictureColumn(int column)
{
    if (column == m_pictureColumn)
        return;
    for (int row = 0; row < rowCount(); ++row)
        itemAt(row)->setIcon(m_pictureColumn, QIcon());
    m_pictureColumn = column;
    for (int row = 0; row < rowCount(); ++row)
        applyPicture(itemAt(row));
}

void ListControl::applyPicture(QTreeWidgetItem* item)
{
    const int picture = item->data(0, kPictureRole).toInt();
    item->setIcon(m_pictureColumn,
                  picture >= 0 && picture < m_pictures.size() ? m_pictures[picture] : QIcon());
}

QIcon ListControl::standardPicture(ListPicture which)
{
    static const QIcon collision = drawnPicture(ListPicture::Collision);
    static const QIcon clear = drawnPicture(ListPicture::Clear);
    return which == ListPicture::Collision ? collision : clear;
}

// --- check boxes ---

bool ListControl::isChecked(int row, int column) const
{
    const auto* item = itemAt(row);
    return item && item->checkState(column) == Qt::Checked;
}

void ListControl::setChecked(int row, int column, bool checked)
{
    auto* item = itemAt(row);
    if (!item || column < 0 || column >= m_columns.size() || !m_columns[column].checkBox)
        return;
    m_quiet = true;
    item->setCheckState(column, checked ? Qt::Checked : Qt::Unchecked);
    item->setData(column, kCheckSeenRole, checked);
    m_quiet = false;
}

// --- selection ---

void ListControl::setMultiSelect(bool on)
{
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection
                        : QAbstractItemView::SingleSelection);
}

bool ListControl::multiSelect() const
{
    return selectionMode() == QAbstractItemView::ExtendedSelection;
}

int ListControl::selectedRow() const
{
    if (auto* current = currentItem(); current && current->isSelected())
        return rowOf(current);
    const QList<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

QList<int> ListControl::selectedRows() const
{
    QList<int> rows;
    for (const QTreeWidgetItem* item : selectedItems())
        rows << rowOf(item);
    std::sort(rows.begin(), rows.end());
    return rows;
}

QVariant ListControl::selectedData() const
{
    const int row = selectedRow();
    return row >= 0 ? rowData(row) : QVariant();
}

QVariantList ListControl::selectedDataList() const
{
    QVariantList out;
    for (const int row : selectedRows())
        out << rowData(row);
    return out;
}

void ListControl::selectRow(int row)
{
    auto* item = itemAt(row);
    if (!item)
        return;
    clearSelection();
    setCurrentItem(item);
    item->setSelected(true);
    scrollToItem(item);
}

// --- filling ---

void ListControl::setFillSource(ListFillSource source)
{
    m_source = std::move(source);
}

int ListControl::fill()
{
    m_fillError.clear();
    if (rowCount() > 0)
        return 0;
    if (!m_source.open || !m_source.build) {
        m_fillError = QStringLiteral("The list has no source to fill from.");
        return -1;
    }
    Database db = m_source.open();
    if (!db.isValid()) {
        m_fillError = db.lastError().isEmpty() ? QStringLiteral("The database does not open.")
                                               : db.lastError();
        return -1;
    }
    auto query = db.query(m_source.sql, m_source.binds);
    if (!query) {
        m_fillError = db.lastError();
        return -1;
    }
    if (m_source.builderSkips)
        return fillFrom(*query, m_source.build);
    // Reading every row past the cap only to count it would take seconds
    // for a keyword in every title; the statement counts them at once.
    const int added = fillFrom(*query, m_source.build, true);
    if (m_matching > added) {
        query.reset();
        const QVariant all = db.scalar(
            QStringLiteral("SELECT count(*) FROM (%1) counted").arg(m_source.sql), m_source.binds);
        if (all.isValid())
            m_matching = std::max<qint64>(all.toLongLong(), m_matching);
        m_count->setProperty("matching", m_matching);
        showCount(m_count, rowCount());
    }
    return added;
}

int ListControl::fillFrom(QSqlQuery& query, const ListRowBuilder& build, bool stopPastCap)
{
    if (rowCount() > 0)
        return 0;
    // One repaint for the whole fill rather than one per row.
    setUpdatesEnabled(false);
    int added = 0;
    m_matching = ReadListQuery(
        query, build, kMaxFillRows,
        [this, &added](ListRow&& row) {
            addRow(row);
            ++added;
        },
        stopPastCap);
    m_count->setProperty("matching", m_matching);
    showCount(m_count, rowCount());
    fitColumns();
    setUpdatesEnabled(true);
    return added;
}

void ListControl::fitColumns()
{
    // Columns only grow, so a width the user dragged wider is kept.
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].checkBox)
            continue;
        const int wanted = std::max(sizeHintForColumn(i), header()->sectionSizeHint(i));
        const int limit = unitWidth(m_columns[i].width) * kMaxScreenWidening;
        if (wanted > columnWidth(i))
            setColumnWidth(i, std::min(wanted, limit));
    }
}

int ListControl::reload()
{
    clear();
    return fill();
}

// --- printing ---

Report ListControl::printReport(const QString& title, const QString& subtitle) const
{
    const ReportDefinition base;
    QFont bold = base.font;
    bold.setBold(true);

    QVector<QStringList> rows;
    rows.reserve(rowCount());
    for (int row = 0; row < rowCount(); ++row) {
        QStringList values;
        for (int i = 0; i < m_columns.size(); ++i)
            values << (m_columns[i].checkBox ? (isChecked(row, i) ? kTick : QString())
                                             : text(row, i));
        rows << values;
    }

    QVector<ListColumn> columns;
    for (int i = 0; i < m_columns.size(); ++i) {
        const ListControlColumn& c = m_columns[i];
        const qreal nominal = c.width * kMmPerUnit;
        // Widen a column to its longest text (within reason) so that dates
        // and names are not clipped on paper where they fit on screen.
        qreal widest = textWidthMm(bold, c.heading);
        for (const QStringList& values : rows)
            widest = std::max(widest, textWidthMm(base.font, values[i]));
        const qreal wanted = std::min(widest + kPrintColumnGap + 0.5, nominal * kMaxPrintWidening);
        columns.append({c.heading, std::max(nominal, wanted), c.alignment});
    }
    return ListPrintReport(title, subtitle, columns, rows);
}

QPrintPreviewDialog* ListControl::printPreview(const QString& title, const QString& subtitle)
{
    return printReport(title, subtitle).showPreview(window());
}

bool ListControl::print(const QString& title, const QString& subtitle)
{
    return printReport(title, subtitle).print(window());
}

bool ListControl::printToPdf(const QString& path, const QString& title, const QString& subtitle,
                             QString* error) const
{
    return printReport(title, subtitle).printToPdf(path, error);
}

// --- keyboard ---

void ListControl::keyPressEvent(QKeyEvent* event)
{
    const int row = currentItem() ? rowOf(currentItem()) : -1;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && row >= 0) {
        emit rowActivated(row, rowData(row));
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Space && row >= 0) {
        // Space ticks the check box of the current column, or the row's first one.
        int column = currentIndex().column();
        if (column < 0 || column >= m_columns.size() || !m_columns[column].checkBox) {
            column = -1;
            for (int i = 0; i < m_columns.size() && column < 0; ++i)
                if (m_columns[i].checkBox)
                    column = i;
        }
        if (column >= 0) {
            auto* item = currentItem();
            item->setCheckState(column, item->checkState(column) == Qt::Checked ? Qt::Unchecked
                                                                                : Qt::Checked);
            event->accept();
            return;
        }
    }
    QTreeWidget::keyPressEvent(event);
}

} // namespace vestra
