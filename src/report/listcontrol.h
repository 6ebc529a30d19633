#pragma once
// The multi-column list of the list windows. A row is added as its typed
// cells (listrows/listrows.h), one per column, shown in the column's format;
// it carries its record key as row data and may carry a picture (a collision
// mark, say) and check boxes. Rows stay in the order they were added. A list
// fills itself from a query, only when it is empty and with at most 2000
// rows (counting the rest), and prints itself through the report engine with
// a title and a subtitle.
//
//   list->setColumns({{"Date", 60}, {"Resource", 120}});
//   list->setFillSource({BookingFile, "SELECT ... FROM searchforny", {},
//                        [](const QSqlRecord& r) -> std::optional<ListRow> { ... }});
//   list->fill();
//   connect(list, &ListControl::rowActivated, ...);

#include "db/database.h"
#include "listrows/listrows.h"
#include "report/reportoutput.h"

#include <QIcon>
#include <QSqlRecord>
#include <QTreeWidget>
#include <QVariant>
#include <QVector>
#include <functional>
#include <optional>

class QLabel;
class QPrintPreviewDialog;

namespace vestra {

enum class ListPicture { Collision, Clear };

class ListControl : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kMaxFillRows = 2000;

    explicit ListControl(QWidget* parent = nullptr);

    // Columns. Setting or clearing the columns removes every row.
    void setColumns(const QVector<ListControlColumn>& columns);
    void addColumn(const ListControlColumn& column);
    void clearColumns();
    const QVector<ListControlColumn>& columns() const { return m_columns; }
    // Pixels for a width in list units at the list's current font.
    int unitWidth(int units) const;
    // The width the columns take, with the frame and a vertical scroll bar:
    // what a window gives its list to show every column.
    int columnsWidth() const;

    // Rows. addRow takes a cell per column (missing cells stay empty; cells
    // beyond the last column are dropped) and returns the new row's index.
    int addRow(const QVariantList& cells, const QVariant& data = {}, int picture = -1);
    int addRow(const ListRow& row) { return addRow(row.cells, row.data, row.picture); }
    void clear(); // removes the rows, keeps the columns
    int rowCount() const { return topLevelItemCount(); }
    // The cell as shown, and as the value it holds.
    QString text(int row, int column) const;
    QStringList rowTexts(int row) const;
    QVariant cell(int row, int column) const;
    QVariantList rowCells(int row) const;
    // How the list shows a cell in a column.
    static QString cellText(const QVariant& cell, const ListControlColumn& column);
    QVariant rowData(int row) const;
    void setRowData(int row, const QVariant& data);
    // The first row whose data equals the value, or -1.
    int findRow(const QVariant& data) const;

    // Row pictures: a list of icons (by default the collision mark and the
    // clear mark), each row showing one of them by index in the picture
    // column, the first unless set otherwise.
    void setRowPictures(const QList<QIcon>& pictures);
    void setPictureColumn(int column);
    int pictureColumn() const { return m_pictureColumn; }
    void setRowPicture(int row, int picture);
    int rowPicture(int row) const;
    static QIcon standardPicture(ListPicture which);

    // Check boxes of check-box columns. setChecked does not emit checkToggled.
    bool isChecked(int row, int column) const;
    void setChecked(int row, int column, bool checked);

    // Selection: single by default.
    void setMultiSelect(bool on);
    bool multiSelect() const;
    int selectedRow() const;         // the current selected row, or -1
    QList<int> selectedRows() const; // in list order
    QVariant selectedData() const;   // invalid when no row is selected
    QVariantList selectedDataList() const;
    void selectRow(int row); // makes it current and selected alone

    // Filling. fill() adds rows from the source only when the list is empty,
    // stopping after kMaxFillRows rows and counting the rest; it returns the
    // rows added (0 when the list was not empty) or -1 when the query failed
    // (see lastFillError()).
    void setFillSource(ListFillSource source);
    ListFillSource& fillSource() { return m_source; }
    int fill();
    // The same from a query already run, for callers that hold one.
    // stopPastCap: stop at the first row past the cap instead of counting the rest.
    int fillFrom(QSqlQuery& query, const ListRowBuilder& build, bool stopPastCap = false);
    // Whether the last fill stopped at the cap with rows left out.
    bool capped() const { return m_matching > rowCount(); }
    // The rows the last fill's statement matches, shown or not.
    qint64 matching() const { return m_matching; }
    // Clears the rows and fills again.
    int reload();
    // Widens columns whose texts do not fit (within twice their width); a
    // fill does this itself.
    void fitColumns();
    QString lastFillError() const { return m_fillError; }
    // The line under the rows that tells how many there are ("12 rows", or
    // "2,000 of 192,007 shown" when the fill stopped at its cap).
    QString rowCountText() const;

    // Printing: the columns and rows as shown (check boxes as a tick), with
    // a title and a subtitle.
    Report printReport(const QString& title, const QString& subtitle) const;
    QPrintPreviewDialog* printPreview(const QString& title, const QString& subtitle);
    bool print(const QString& title, const QString& subtitle);
    bool printToPdf(const QString& path, const QString& title, const QString& subtitle,
                    QString* error = nullptr) const;

signals:
    // Double-click or Enter on a row.
    void rowActivated(int row, const QVariant& data);
    // The user ticked or cleared a check box.
    void checkToggled(int row, int column, bool checked);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QTreeWidgetItem* itemAt(int row) const { return topLevelItem(row); }
    void applyColumns();
    void applyPicture(QTreeWidgetItem* item);
    int rowOf(const QTreeWidgetItem* item) const
    {
        return indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item));
    }

    QVector<ListControlColumn> m_columns;
    QList<QIcon> m_pictures;
    int m_pictureColumn = 0;
    ListFillSource m_source;
    QString m_fillError;
    bool m_quiet = false;  // the program, not the user, is changing a check box
    qint64 m_matching = 0; // the rows the last fill found, shown or not
    QLabel* m_count;
    // Called from the model also while the tree widget's destructor removes rows.
    static void showCount(QLabel* label, int rows);
};

} // namespace vestra
