#include "report/listcontrol.h"
#include "report/reportformat.h"
#include "report/reportlayout.h"

#include "support/printers.h"
#include "support/reportpages.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace vestra {
namespace {

class ListControlTest : public ::testing::Test {
protected:
    ListControl list;
};

// A database with a table of numbered rows, and a list of their numbers and
// names, for the fill tests.
class ListFillTest : public ListControlTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("list.db"));
        Database db = Database::create(path);
        ASSERT_TRUE(db.exec(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)")));
        list.setColumns({{"No.", 40}, {"Name", 100}});
    }
    void TearDown() override { Database::closeAll(path); }

    // Rows from to to, named "row 1" and on, in one statement.
    void addRows(int from, int to)
    {
        ASSERT_TRUE(Database::open(path).exec(
            "WITH RECURSIVE n(i) AS (SELECT ? UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
            "INSERT INTO t (id, name) SELECT i, 'row ' || i FROM n",
            {from, to}));
    }

    ListFillSource source(std::function<bool(int)> keep = {})
    {
        ListFillSource s{[p = path] { return Database::open(p); },
                         QStringLiteral("SELECT id, name FROM t WHERE id >= ? ORDER BY id DESC"),
                         {0},
                         [keep](const QSqlRecord& r) -> std::optional<ListRow> {
                             const int id = r.value(QStringLiteral("id")).toInt();
                             if (keep && !keep(id))
                                 return std::nullopt;
                             return ListRow{{QString::number(id), r.value("name").toString()},
                                            id,
                                            id % 2 ? 0 : 1};
                         }};
        s.builderSkips = bool(keep);
        return s;
    }

    QTemporaryDir dir;
    QString path;
};

TEST_F(ListControlTest, CellsShowInTheirColumnsFormatAndRowsKeepTheirOrderAndData)
{
    SetFileDateFormat(QStringLiteral("dd-mm-yyyy"));
    list.setColumns(
        {{"Date", 60}, {"Title", 80}, {"From", 40, Qt::AlignLeft, false, "HH.mm"}, {"Fee", 40}});
    list.addRow(
        {QDate(2024, 2, 1), "a;b \"c\", 0042", QTime(11, 0), QVariant::fromValue(Money{1250.5})});
    list.addRow({"only"});
    list.addRow({"a", "b", "c", "d", "beyond"});

    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.rowTexts(0),
              QStringList({"01-02-2024", "a;b \"c\", 0042", "11.00", FormatAmount(1250.5)}));
    EXPECT_EQ(list.cell(0, 0), QVariant(QDate(2024, 2, 1)));
    EXPECT_EQ(list.rowTexts(1), QStringList({"only", "", "", ""}));
    EXPECT_EQ(list.rowTexts(2), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(list.text(5, 0), QString());
    SetFileDateFormat({});

    // Rows keep their fill order and their data.
    list.setColumns({{"Name", 100}});
    for (const auto& [name, key] : {std::pair{"Zeta", 7}, {"Alpha", 3}, {"Mid", 12}})
        list.addRow({QString::fromLatin1(name)}, key);
    EXPECT_EQ(std::tuple(list.text(1, 0), list.findRow(3), list.findRow(99)),
              std::tuple("Alpha", 1, -1));

    // Clearing keeps the columns; setting new columns drops the rows.
    list.clear();
    EXPECT_EQ(std::pair(list.rowCount(), list.columnCount()), std::pair(0, 1));
    list.addRow({"x"});
    list.setColumns({{"Date", 60}, {"Start", 40}, {"End", 40}, {"DB", 30}});
    EXPECT_EQ(std::pair(list.rowCount(), list.headerItem()->text(3)), std::pair(0, QString("DB")));
}

// A click on a heading sorts by what the cells hold: amounts as numbers,
// times and dates by time, names by text.
TEST_F(ListControlTest, AHeadingClickSortsByValueAndTheRowsAreCounted)
{
    list.setColumns({{"Date", 60}, {"Start", 40}, {"Amount", 50}, {"Name", 80}});
    list.addRow({QDate(2024, 3, 2), QTime(9, 30), 100, "beta"}, 1);
    list.addRow({QDate(2024, 1, 15), QTime(10, 0), 25, "Alpha"}, 2);
    list.addRow({QDate(2023, 12, 1), QTime(8, 45), 1000, "gamma"}, 3);
    list.show();
    // The rows' keys after each click on a heading; a second click reverses.
    QList<QVariantList> orders;
    for (int column : {0, 0, 1, 2, 3}) {
        QTest::mouseClick(list.header()->viewport(), Qt::LeftButton, {},
                          QPoint(list.header()->sectionViewportPosition(column) + 5,
                                 list.header()->height() / 2));
        orders << QVariantList();
        for (int row = 0; row < list.rowCount(); ++row)
            orders.last() << list.rowData(row);
    }
    EXPECT_EQ(orders, QList<QVariantList>({{3, 2, 1}, {1, 2, 3}, {3, 1, 2}, {2, 1, 3}, {2, 1, 3}}));
    EXPECT_EQ(list.findRow(3), 2) << "rows are found where they now stand";
    // The list says how many rows it holds, under the rows.
    EXPECT_EQ(list.rowCountText(), "3 rows");
    auto* count = list.findChild<QLabel*>("rowCount");
    ASSERT_NE(count, nullptr);
    EXPECT_TRUE(count->isVisible());
    EXPECT_GE(count->geometry().top(), list.viewport()->geometry().bottom());
    delete list.topLevelItem(0);
    EXPECT_EQ(list.rowCountText(), "2 rows");
    list.clear();
    EXPECT_EQ(list.rowCountText(), "0 rows");
    list.addRow({QDate(2024, 1, 1), {}, {}, "x"});
    EXPECT_EQ(list.rowCountText(), "1 row");
}

TEST_F(ListControlTest, CheckBoxesReportOnlyTheUsersChanges)
{
    list.setColumns(
        {{"Conf.", 40, Qt::AlignLeft, true}, {"Del.", 40, Qt::AlignLeft, true}, {"Date", 70}});
    list.addRow({false, false, "01-02-2024"}, 1);
    list.addRow({true, false, "02-02-2024"}, 2);
    QSignalSpy toggled(&list, &ListControl::checkToggled);

    EXPECT_EQ(std::tuple(list.text(0, 2), list.isChecked(0, 0), list.isChecked(1, 0)),
              std::tuple("01-02-2024", false, true));

    // The program's own changes are silent, a picture on the check column too.
    list.setChecked(0, 1, true);
    list.setRowPicture(0, 0);
    list.setRowData(0, 5);
    EXPECT_EQ(std::tuple(list.isChecked(0, 1), toggled.count()), std::tuple(true, 0));

    // A click on the box (what the view does to the item) is reported once.
    list.topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(toggled, QList<QVariantList>({{1, 0, false}}));

    // Space ticks the first check box of the current row.
    list.show();
    list.selectRow(0);
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(toggled, QList<QVariantList>({{1, 0, false}, {0, 0, true}}));
    EXPECT_TRUE(list.isChecked(0, 0));
}

TEST_F(ListControlTest, EnterAndDoubleClickActivateTheRowWithItsData)
{
    list.setColumns({{"Name", 100}});
    list.addRow({"first"}, 11);
    list.addRow({"second"}, 22);
    list.resize(300, 200);
    list.show();
    QSignalSpy activated(&list, &ListControl::rowActivated);

    list.selectRow(1);
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(activated, QList<QVariantList>({{1, 22}}));

    const QPoint first = list.visualItemRect(list.topLevelItem(0)).center();
    // A real double-click starts with a press on the same row.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(activated, QList<QVariantList>({{1, 22}, {0, 11}}));

    // Keyboard moves the selection without a mouse.
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.selectedData(), QVariant(22));
}

TEST_F(ListControlTest, RowPicturesShowInTheirColumn)
{
    list.setColumns({{"Date", 60}, {"DB", 30}});
    list.addRow({"a"}, 1, 0);
    list.addRow({"b"}, 2);
    EXPECT_FALSE(list.topLevelItem(0)->icon(0).isNull());
    EXPECT_TRUE(list.topLevelItem(1)->icon(0).isNull());
    // Drawn in another column, the pictures leave the first one.
    list.setPictureColumn(1);
    EXPECT_TRUE(list.topLevelItem(0)->icon(0).isNull());
    EXPECT_FALSE(list.topLevelItem(0)->icon(1).isNull());
}

TEST_F(ListFillTest, FillStopsAfter2000ShownRowsInTheQuerysOrder)
{
    addRows(1, 4100);
    list.setFillSource(source([](int id) { return id > 2000; }));
    ASSERT_EQ((std::pair{list.fill(), list.rowCount()}), (std::pair{2000, 2000}));
    EXPECT_EQ(
        std::tuple(list.rowTexts(0), list.rowData(1999), list.rowPicture(0), list.rowPicture(1)),
        std::tuple(QStringList({"4100", "row 4100"}), QVariant(2101), 1, 0));
    // The count says how many more the query found.
    EXPECT_EQ(list.rowCountText(),
              QString("%1 of %2 shown").arg(QLocale().toString(2000), QLocale().toString(2100)));
    // An export reads every row again, telling its count a stretch at a
    // time against the rows the fill counted; a stop gives no rows at all.
    QList<int> told;
    const auto all = ReadListRows(
        list.fillSource(), nullptr,
        [&told](int done, int total) { return told << done, total == 2100; }, list.matching());
    ASSERT_TRUE(all);
    EXPECT_EQ(std::tuple(all->size(), told), std::tuple(2100, QList<int>{0, 1000, 2000}));
    EXPECT_FALSE(ReadListRows(list.fillSource(), nullptr, [](int done, int) { return !done; }));

    // Rows the filter skips do not count towards the cap.
    list.setFillSource(source([](int id) { return id % 2 == 0; }));
    EXPECT_EQ((std::tuple{list.reload(), list.rowData(0), list.rowData(1999)}),
              (std::tuple{2000, QVariant(4100), QVariant(102)}));
}

TEST_F(ListFillTest, FillsOnlyWhenEmptyReloadFillsAgainAndAFailureSaysWhy)
{
    addRows(1, 3);
    list.setFillSource(source());

    // What a fill or reload returns, and the rows the list then holds.
    const auto after = [this](int filled) { return std::pair{filled, list.rowCount()}; };

    list.addRow({"typed", "by hand"}, 0);
    EXPECT_EQ(after(list.fill()), std::pair(0, 1));
    EXPECT_EQ(after(list.reload()), std::pair(3, 3));
    addRows(4, 5);
    EXPECT_EQ(after(list.fill()), std::pair(0, 3)); // not empty: the new rows wait for a reload
    EXPECT_EQ((std::pair{list.reload(), list.rowData(0)}), (std::pair{5, QVariant(5)}));

    // The bound values are read at each fill.
    list.fillSource().binds = {4};
    EXPECT_EQ(list.reload(), 2);

    // A failed query leaves the list empty and says why.
    list.fillSource().sql = QStringLiteral("SELECT id FROM missing_table");
    list.clear();
    EXPECT_EQ(after(list.fill()), std::pair(-1, 0));
    EXPECT_FALSE(list.lastFillError().isEmpty());

    EXPECT_EQ(ListControl().fill(), -1); // no source at all
}

TEST(ListControlPrintTest, PdfHoldsTitleSubtitleHeadingsAndRows)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.pdf"));
    ListControl list;
    list.setColumns(
        {{"Conf.", 40, Qt::AlignLeft, true}, {"Resource Item", 130}, {"From", 60}, {"To", 60}});
    list.addRow({false, "Meeting Room North", "01-03-2024", "14-03-2024"}, 1);
    list.addRow({true, "Projector", "02-03-2024", "16-03-2024"}, 2);

    QString error;
    ASSERT_TRUE(
        list.printToPdf(path, "Unavailable Resources", "My Institution   Town, 1/3/2024", &error))
        << error.toStdString();
    // pdftotext lays text out by position, so runs of blanks may shrink.
    const QString text = test::PdfText(path).simplified();
    for (const char* expected :
         {"Unavailable Resources", "My Institution   Town, 1/3/2024", "Resource Item",
          "Meeting Room North", "14-03-2024", "Projector", "\u2713"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected).simplified())) << expected << "\n"
                                                                             << text.toStdString();
    // Only the ticked box prints a tick.
    EXPECT_EQ(text.count(QString::fromUtf8("\u2713")), 1);
}

TEST(ListControlPrintTest, PrintedColumnsAreWideEnoughForTheirTexts)
{
    ListControl list;
    list.setColumns({{"From", 30}, {"Resource", 60}});
    list.addRow({"31-12-2024", "A very long resource name that wants room on the page"});
    const LaidOutReport laid = list.printReport("T", "S").layout();
    ASSERT_EQ(laid.pageCount(), 1);
    const PlacedItem* date = laid.pages[0].find(QStringLiteral("c0"));
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->text, "31-12-2024");
    QFontMetricsF metrics(date->font);
    EXPECT_GE(date->rect.width(), metrics.horizontalAdvance(date->text) * 25.4 / metrics.fontDpi());
    // A long text widens its column only so far.
    const PlacedItem* name = laid.pages[0].find(QStringLiteral("c1"));
    ASSERT_NE(name, nullptr);
    EXPECT_LE(name->rect.width(), 60 * 25.4 / 96 * 3.0);
}

} // namespace
} // namespace vestra
