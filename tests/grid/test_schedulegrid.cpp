#include "grid/gridpacking.h"
#include "grid/schedulegrid.h"
#include "support/reportpages.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace vestra {
namespace {

// --- packing ----------------------------------------------------------------

TEST(GridPacking, PlacesOverlappingBlocksSideBySide)
{
    // Each case's blocks, then each one's id, lane and lanes, in input order.
    const QList<std::tuple<const char*, QList<PackItem>, QList<std::array<int, 3>>>> cases = {
        {"nothing", {}, {}},
        {"one block", {{1, 480, 540}}, {{1, 0, 1}}},
        {"apart", {{1, 480, 540}, {2, 600, 660}}, {{1, 0, 1}, {2, 0, 1}}},
        {"touching blocks do not overlap", {{1, 480, 540}, {2, 540, 600}}, {{1, 0, 1}, {2, 0, 1}}},
        {"two overlapping", {{1, 480, 600}, {2, 540, 660}}, {{1, 0, 2}, {2, 1, 2}}},
        {"three at once",
         {{1, 480, 600}, {2, 500, 560}, {3, 520, 530}},
         {{1, 0, 3}, {2, 1, 3}, {3, 2, 3}}},
        {"chain reuses a freed lane",
         {{1, 480, 600}, {2, 540, 660}, {3, 600, 720}},
         {{1, 0, 2}, {2, 1, 2}, {3, 0, 2}}},
        {"clusters count lanes apart, also where one starts as the other ends",
         {{1, 480, 540}, {2, 510, 570}, {3, 570, 660}},
         {{1, 0, 2}, {2, 1, 2}, {3, 0, 1}}},
        {"unsorted input, longer block left",
         {{7, 480, 540}, {3, 480, 600}, {5, 420, 450}},
         {{7, 1, 2}, {3, 0, 2}, {5, 0, 1}}},
        {"a long block holds its lane",
         {{1, 480, 720}, {2, 480, 540}, {3, 540, 600}, {4, 600, 660}},
         {{1, 0, 2}, {2, 1, 2}, {3, 1, 2}, {4, 1, 2}}},
    };
    for (const auto& [name, items, expected] : cases) {
        SCOPED_TRACE(name);
        QList<std::array<int, 3>> got;
        for (const PackPlace& p : PackColumn(items))
            got.append({p.id, p.lane, p.lanes});
        EXPECT_EQ(got, expected);
    }
}

// --- texts and colours ----------------------------------------------------------

TEST(ScheduleGridTexts, TimesInEachDisplayMode)
{
    const std::tuple<int, bool, bool, const char*> cases[] = {
        {8 * 60 + 5, false, true, "08:05"},
        {13 * 60 + 30, false, true, "13:30"},
        {0, false, true, "00:00"},
        {13 * 60 + 30, false, false, "1:30"},
        {13 * 60 + 30, true, false, "1:30 pm"},
        {0, true, false, "12:00 am"},
        {12 * 60, true, false, "12:00 pm"},
        {9 * 60, true, true, "09:00"},
        {24 * 60, false, true, "00:00"},
    };
    for (const auto& [minutes, ampm, military, expected] : cases)
        EXPECT_EQ(ScheduleGrid::timeText(minutes, ampm, military).toStdString(), expected)
            << minutes << " ampm " << ampm << " military " << military;
}

TEST(ScheduleGridTexts, StoredColoursKeepRedInTheLowestByte)
{
    EXPECT_EQ(ScheduleGrid::colorFromBgr(255), QColor(255, 0, 0));
    EXPECT_EQ(ScheduleGrid::colorFromBgr(0xC0C0C0), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(ScheduleGrid::colorFromBgr(0x102030), QColor(0x30, 0x20, 0x10));
}

// --- the widget -----------------------------------------------------------------

constexpr int kMonday = 45444; // 2024-06-03 as a day number

class ScheduleGridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        grid = std::make_unique<ScheduleGrid>();
        grid->resize(900, 700);
        grid->setOpeningTime(8 * 60);
        grid->setClosingTime(18 * 60);
        grid->setSlotSize(15);
        grid->addColumn(10, "Room A");
        grid->addColumn(20, "Room B");
        grid->addColumn(30, "Room C");
        grid->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
        QObject::connect(grid.get(), &ScheduleGrid::blockChanged,
                         [this](int n) { changed.append(n); });
        QObject::connect(grid.get(), &ScheduleGrid::blockTyped,
                         [this](int n, int start, int end, bool& refuse) {
                             typed.append({n, start, end});
                             typedText = grid->blockText(n);
                             refuse = refuseTyped;
                         });
    }

    // A block in the column with that key, as the day view loads one.
    int block(int start, int end, int columnKey, const QString& text = "Booking")
    {
        const int n = grid->addBlock(start, end, kMonday, text, "k" + text);
        grid->setBlockColumnKey(n, columnKey);
        return n;
    }
    QWidget* vp() { return grid->viewport(); }
    int rowHeight() { return grid->slotRect(0, 600).height(); }
    QPoint slotPoint(int column, int minutes) { return grid->slotRect(column, minutes).center(); }

    // Press, move in two steps and release, like a hand does.
    void drag(const QPoint& from, const QPoint& to)
    {
        QTest::mousePress(vp(), Qt::LeftButton, {}, from);
        QTest::mouseMove(vp(), from + (to - from) / 2);
        QTest::mouseMove(vp(), to);
        QTest::mouseRelease(vp(), Qt::LeftButton, {}, to);
    }
    // Drags a block's bottom (or top) edge by dy pixels.
    void dragEdge(int n, bool bottom, int dy)
    {
        const QRect r = grid->blockRect(n);
        const QPoint from(r.center().x(), bottom ? r.bottom() - 1 : r.top() + 1);
        drag(from, from + QPoint(0, dy));
    }
    QLineEdit* editor() { return grid->viewport()->findChild<QLineEdit*>("blockeditor"); }
    // A block's start and end, in minutes.
    using Span = std::pair<int, int>;
    Span span(int n) { return {grid->blockStart(n), grid->blockEnd(n)}; }
    // Where a block is: its column key, date, start and end.
    using Place = std::tuple<int, int, Span>;
    Place place(int n) { return {grid->blockColumnKey(n), grid->blockDate(n), span(n)}; }

    std::unique_ptr<ScheduleGrid> grid;
    QList<int> changed;
    QList<std::array<int, 3>> typed;
    QString typedText;
    bool refuseTyped = false;
};

TEST_F(ScheduleGridTest, PlacesBlocksByColumnKeyOrByDateInWeekMode)
{
    const int inB = block(540, 600, 20);
    const int unknown = block(540, 600, 99);
    EXPECT_TRUE(grid->slotRect(1, 570).contains(grid->blockRect(inB).center()));
    EXPECT_TRUE(grid->blockRect(unknown).isEmpty()) << "no column has key 99";
    EXPECT_EQ(grid->blockAt(grid->blockRect(inB).center()), inB);

    // Overlapping blocks share the column, each in a lane of its own.
    const int first = block(600, 720, 10);
    const int second = block(660, 780, 10);
    const QRect r1 = grid->blockRect(first), r2 = grid->blockRect(second);
    EXPECT_LT(r1.right(), r2.left());
    EXPECT_LT(r1.width(), grid->slotRect(0, 600).width() / 2 + 1);

    grid->setWeekMode(true);
    grid->setFirstDate(QDate(2024, 6, 3));
    EXPECT_EQ(std::tuple(grid->columnCount(), grid->columnDate(2), grid->columnCaption(0)),
              std::tuple(7, kMonday + 2, QString("Mon 3-6-2024")));
    grid->setDateFormat("D m-N-y");
    EXPECT_EQ(grid->columnCaption(1), "Tue 6-4-2024");
    grid->clearBlocks();
    const int wed = grid->addBlock(600, 660, kMonday + 2, "Wednesday", "1");
    const int later = grid->addBlock(600, 660, kMonday + 7, "Next week", "2");
    EXPECT_TRUE(grid->slotRect(2, 630).contains(grid->blockRect(wed).center()));
    EXPECT_TRUE(grid->blockRect(later).isEmpty());
}

TEST_F(ScheduleGridTest, DraggingAcrossColumnsChangesTheColumnKeyOrInAWeekTheDate)
{
    const int n = block(600, 660, 10);
    QPoint from = grid->blockRect(n).center();
    drag(from, QPoint(slotPoint(2, 600).x(), from.y()));
    EXPECT_EQ(place(n), Place(30, kMonday, Span(600, 660)));
    EXPECT_EQ(grid->currentColumn(), 2);
    EXPECT_TRUE(grid->slotRect(2, 630).contains(grid->blockRect(n).center()));

    grid->setWeekMode(true);
    grid->setFirstDate(kMonday);
    const int w = grid->addBlock(600, 660, kMonday + 1, "Tuesday", "5");
    from = grid->blockRect(w).center();
    drag(from, QPoint(slotPoint(4, 600).x(), from.y() + rowHeight()));
    EXPECT_EQ(place(w), Place(0, kMonday + 4, Span(615, 675)));
    EXPECT_EQ(changed, (QList<int>{n, w}));
}

TEST_F(ScheduleGridTest, DraggingAnEdgeResizesSnappedToTheSlot)
{
    const int n = block(540, 600, 10);
    // 1.4 slots lower lands on the nearest slot: one slot longer.
    dragEdge(n, true, rowHeight() * 14 / 10);
    EXPECT_EQ(span(n), Span(540, 615));
    dragEdge(n, false, -2 * rowHeight());
    EXPECT_EQ(span(n), Span(510, 615));
    // The bottom edge cannot pass the top: one slot is the least.
    dragEdge(n, true, -12 * rowHeight());
    EXPECT_EQ(grid->blockEnd(n), 525);
    EXPECT_EQ(changed, (QList<int>{n, n, n}));
}

TEST_F(ScheduleGridTest, AnEdgeOfABlockPastMidnightMovesOnlyByWhatIsDragged)
{
    // 22:00 to 02:00 is drawn to the end of the day; its end lies in the next.
    const int n = block(1320, 120, 10);
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    dragEdge(n, true, -rowHeight());
    EXPECT_EQ(span(n), Span(1320, 105)) << "01:45, one slot earlier, not 23:45";
    dragEdge(n, false, 2 * rowHeight());
    EXPECT_EQ(span(n), Span(1350, 105));
    // Shift+Up/Down, the keyboard's way of dragging the bottom edge.
    QTest::keyClick(grid.get(), Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(grid->blockEnd(n), 90);
    QTest::keyClick(grid.get(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid->blockEnd(n), 120);
    EXPECT_EQ(changed.size(), 5);
}

TEST(ScheduleGridText, TitlesThatDoNotFitEndInAnEllipsis)
{
    const QFont font;
    const QFontMetricsF fm(font);
    const qreal width = fm.horizontalAdvance("Annual general") + 2;
    const QString longTitle = "Annual general meeting of the residents' association";
    const QString two = ElideWrapped(longTitle, font, width, 2);
    EXPECT_EQ(two.count('\n'), 1) << two.toStdString();
    EXPECT_TRUE(two.endsWith(QChar(0x2026))) << two.toStdString();
    EXPECT_TRUE(two.startsWith("Annual general")) << two.toStdString();
    for (const QString& line : two.split('\n'))
        EXPECT_LE(fm.horizontalAdvance(line), width) << line.toStdString();
    // A title that fits is shown as it is, wrapped where needed.
    EXPECT_EQ(ElideWrapped("Board", font, width, 2), "Board");
    EXPECT_FALSE(ElideWrapped(longTitle, font, width, 10).contains(QChar(0x2026)));
    EXPECT_EQ(ElideWrapped(longTitle, font, width, 1).count('\n'), 0);
}

TEST_F(ScheduleGridTest, ABlockPastMidnightIsMarkedAsContinuing)
{
    // Same place and size on screen; only the first goes on into the next day.
    const int past = block(1320, 120, 10, "Night");
    const int toMidnight = block(1320, 0, 20, "Night");
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    const QImage shot = grid->viewport()->grab().toImage();
    const QRect a = grid->blockRect(past), b = grid->blockRect(toMidnight);
    ASSERT_EQ(a.size(), b.size());
    ASSERT_TRUE(grid->viewport()->rect().contains(a));
    EXPECT_NE(shot.copy(a.left(), a.bottom() - 10, a.width(), 10),
              shot.copy(b.left(), b.bottom() - 10, b.width(), 10))
        << "the continuing block's bottom carries a mark";
}

TEST_F(ScheduleGridTest, EscapeDuringADragPutsTheBlockBack)
{
    const int n = block(540, 600, 10);
    const QPoint from = grid->blockRect(n).center();
    QTest::mousePress(vp(), Qt::LeftButton, {}, from);
    QTest::mouseMove(vp(), from + QPoint(0, rowHeight()));
    QTest::mouseMove(vp(), QPoint(slotPoint(1, 540).x(), from.y() + 4 * rowHeight()));
    EXPECT_EQ(grid->blockStart(n), 600) << "the block follows the pointer while dragged";
    QTest::keyClick(grid.get(), Qt::Key_Escape);
    QTest::mouseRelease(vp(), Qt::LeftButton, {}, from + QPoint(0, 4 * rowHeight()));
    EXPECT_EQ(place(n), Place(10, kMonday, Span(540, 600)));
    EXPECT_TRUE(changed.isEmpty());
}

// A week column's date for a typed block is checked where it is stored (the
// week view's tests).
TEST_F(ScheduleGridTest, TypingOverADraggedRangeUsesIt)
{
    drag(slotPoint(0, 9 * 60), slotPoint(0, 10 * 60 + 15));
    EXPECT_EQ(Span(grid->selectedSlotStart(), grid->selectedSlotEnd()), Span(540, 630));
    QTest::keyClick(grid.get(), 'X');
    QTest::keyClick(editor(), Qt::Key_Enter);
    ASSERT_EQ(typed.size(), 1);
    EXPECT_EQ(Span(typed[0][1], typed[0][2]), Span(540, 630));
}

TEST_F(ScheduleGridTest, EscapeOrRefusalLeavesNoBlock)
{
    QTest::mouseClick(vp(), Qt::LeftButton, {}, slotPoint(0, 600));
    QTest::keyClick(grid.get(), 'a');
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(grid->blockCount(), 1) << "the block shows while it is typed";
    QTest::keyClick(editor(), Qt::Key_Escape);
    EXPECT_EQ(std::pair(grid->blockCount(), typed.size()), std::pair(0, qsizetype(0)));

    refuseTyped = true;
    QTest::keyClick(grid.get(), 'b');
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(std::tuple(typed.size(), grid->blockCount(), grid->selectedBlock()),
              std::tuple(qsizetype(1), 0, 0));
}

TEST_F(ScheduleGridTest, ClearingOrHidingTheGridFinishesTheTypingFirst)
{
    QList<int> retyped;
    QObject::connect(grid.get(), &ScheduleGrid::blockEditEnded, [&](int n) { retyped.append(n); });
    // Each way of leaving the typing, and of bringing the grid back after it.
    const std::tuple<const char*, std::function<void()>, std::function<void()>> ways[] = {
        {"clear blocks", [&] { grid->clearBlocks(); }, [] {}},
        {"clear columns", [&] { grid->clearColumns(); }, [&] { grid->addColumn(10, "Room A"); }},
        {"hide", [&] { grid->hide(); }, [&] { grid->show(); }},
    };
    for (const auto& [way, leave, restore] : ways) {
        SCOPED_TRACE(way);
        grid->clearBlocks();
        typed.clear();
        retyped.clear();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
        QTest::mouseClick(vp(), Qt::LeftButton, {}, slotPoint(0, 11 * 60));
        QTest::keyClick(grid.get(), 'N');
        QTest::keyClicks(editor(), "ew");
        leave();
        EXPECT_EQ(std::tuple(typed.size(), typedText, typed.value(0)[1]),
                  std::tuple(qsizetype(1), QString("New"), 660))
            << "typed without Enter, stored all the same";

        restore();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
        const int n = block(600, 660, 10, "Old");
        grid->selectBlock(n);
        QTest::keyClick(grid.get(), Qt::Key_F2);
        ASSERT_NE(editor(), nullptr);
        QTest::keyClicks(editor(), "Retyped");
        leave();
        EXPECT_EQ(retyped, QList<int>{n});
        restore();
    }
}

TEST_F(ScheduleGridTest, RightClickSelectsAndAsksForTheMenu)
{
    const int n = block(540, 600, 20);
    QList<QPoint> asked;
    QObject::connect(grid.get(), &ScheduleGrid::contextMenuRequested,
                     [&](const QPoint& p) { asked.append(p); });
    const QPoint at = grid->blockRect(n).center();
    QTest::mousePress(vp(), Qt::RightButton, {}, at);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, vp()->mapToGlobal(at));
    QCoreApplication::sendEvent(vp(), &menu);
    QTest::mouseRelease(vp(), Qt::RightButton, {}, at);
    EXPECT_EQ(std::tuple(grid->selectedBlock(), asked, changed),
              std::tuple(n, QList<QPoint>{vp()->mapToGlobal(at)}, QList<int>()));
}

TEST_F(ScheduleGridTest, KeyboardMovesTheSlotAndTheSelectedBlock)
{
    const int n = block(600, 660, 10);
    QTest::mouseClick(vp(), Qt::LeftButton, {}, slotPoint(0, 570));
    // The slot cursor and the selected block, after each step.
    const auto cursor = [&] { return std::pair(grid->selectedSlotStart(), grid->selectedBlock()); };
    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(cursor(), std::pair(585, 0));
    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(grid->selectedBlock(), n) << "the slot cursor lands on the block";
    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(cursor(), std::pair(660, 0)) << "and steps off it in one go";
    QTest::keyClick(grid.get(), Qt::Key_Right);
    EXPECT_EQ(grid->currentColumn(), 1);

    grid->selectBlock(n);
    QTest::keyClick(grid.get(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(span(n), Span(615, 675));
    QTest::keyClick(grid.get(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(grid->blockColumnKey(n), 20);
    QTest::keyClick(grid.get(), Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(grid->blockEnd(n), 660);
    EXPECT_EQ(changed, (QList<int>{n, n, n}));

    QList<int> deletes;
    QObject::connect(grid.get(), &ScheduleGrid::deleteRequested, [&](int b) { deletes.append(b); });
    QTest::keyClick(grid.get(), Qt::Key_Delete);
    EXPECT_EQ(deletes, QList<int>{n});
    EXPECT_TRUE(grid->hasBlock(n)) << "deleting is the view's decision";
}

TEST_F(ScheduleGridTest, BlocksAreAccessibleItems)
{
    const int a = block(540, 600, 10, "Board meeting");
    const int b = block(600, 660, 20, "Cleaning");
    grid->setBlockTentative(b, true);
    block(600, 660, 77, "Nowhere");
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(grid.get());
    ASSERT_NE(iface, nullptr);
    ASSERT_EQ(iface->childCount(), 2) << "only placed blocks";
    QAccessibleInterface* first = iface->child(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text(QAccessible::Name), "Board meeting");
    EXPECT_TRUE(first->text(QAccessible::Description).contains("09:00 - 10:00"));
    EXPECT_TRUE(iface->child(1)->text(QAccessible::Description).contains("tentative"));
    EXPECT_EQ(iface->indexOfChild(iface->child(1)), 1);
    // Readers select through a table of one column, a row per block.
    QAccessibleTableInterface* table = iface->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 2);
    for (int row : {1, 0}) {
        EXPECT_TRUE(table->selectRow(row));
        EXPECT_EQ(grid->selectedBlock(), row == 0 ? a : b);
        EXPECT_TRUE(table->isRowSelected(row) && !table->isRowSelected(1 - row));
        EXPECT_EQ(table->selectedCells(), QList{table->cellAt(row, 0)});
        QAccessibleTableCellInterface* cell = table->cellAt(row, 0)->tableCellInterface();
        EXPECT_TRUE(cell && cell->isSelected() && cell->rowIndex() == row);
    }
    EXPECT_TRUE(table->unselectRow(0));
    EXPECT_EQ(grid->selectedBlock(), 0);
    grid->selectBlock(a);
    EXPECT_TRUE(first->state().selected);
    EXPECT_EQ(first->rect().center(), vp()->mapToGlobal(grid->blockRect(a).center()));
    // Columns loaded again in another order: the description names the block's own.
    grid->clearColumns();
    grid->addColumn(20, "Room B");
    grid->addColumn(10, "Room A");
    EXPECT_TRUE(first->text(QAccessible::Description).endsWith("Room A"));
    // On an empty slot the grid's name says item, day and time.
    grid->selectBlock(0);
    grid->selectSlot(1, 660);
    const QString name = iface->text(QAccessible::Name);
    EXPECT_TRUE(name.contains("Room A, ") && name.endsWith(", 11:00")) << qPrintable(name);
}

// Two bookings of one item at one time: both carry a red edge, and their
// descriptions (tooltip and screen reader) name the other.
TEST_F(ScheduleGridTest, OverlappingBlocksOfOneItemAreMarked)
{
    const int a = block(540, 600, 10, "Board meeting");
    block(570, 630, 10, "Choir");
    const int c = block(570, 630, 20, "Cleaning");
    block(540, 600, 30, "Before");
    block(600, 660, 30, "After");
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(grid.get());
    const auto description = [&](const QString& name) {
        for (int i = 0; i < list->childCount(); ++i)
            if (list->child(i)->text(QAccessible::Name) == name)
                return list->child(i)->text(QAccessible::Description);
        return QString();
    };
    EXPECT_TRUE(description("Board meeting").endsWith("overlaps 'Choir'"));
    EXPECT_TRUE(description("Choir").endsWith("overlaps 'Board meeting'"));
    for (const char* apart : {"Cleaning", "Before", "After"})
        EXPECT_FALSE(description(apart).contains("overlaps")) << apart;
    const QImage shot = grid->viewport()->grab().toImage();
    const QRect ra = grid->blockRect(a), rc = grid->blockRect(c);
    EXPECT_EQ(shot.pixelColor(ra.left() + 1, ra.center().y()), QColor(220, 0, 0));
    EXPECT_NE(shot.pixelColor(rc.left() + 1, rc.center().y()), QColor(220, 0, 0));
}

// --- printing -------------------------------------------------------------------

TEST_F(ScheduleGridTest, PrintsTitleSubtitleAndThePrintRange)
{
    grid->setPrintTitle("Day Scheme  - 03-06-2024");
    grid->setPrintSubtitle("Building/Meeting rooms");
    grid->setPrintRange(8 * 60, 12 * 60);
    grid->setPrintSlotSize(30);
    grid->setHeaderText("Week:23");
    block(9 * 60, 10 * 60, 10, "Inside");
    block(14 * 60, 15 * 60, 20, "Afternoon");
    QTemporaryDir dir;
    const QString path = dir.filePath("day.pdf");
    ASSERT_TRUE(grid->printToPdf(path));
    const QString text = test::PdfText(path);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext gave nothing";
    // pdftotext joins runs of spaces, so the title is compared with single ones.
    EXPECT_TRUE(text.simplified().contains("Day Scheme - 03-06-2024")) << text.toStdString();
    for (const char* shown : {"Building/Meeting rooms", "Week:23", "Room C", "Inside"})
        EXPECT_TRUE(text.contains(shown)) << shown;
    for (const char* outside : {"Afternoon", "12:30"}) // past the print range
        EXPECT_FALSE(text.contains(outside)) << outside;
    // The corner header stays inside the time column: it ends no further
    // right than the time labels, which end at the column's edge.
    const QString html = test::RunTool("pdftotext", {"-bbox", path, "-"});
    auto xMax = [&](const QString& word) {
        const QRegularExpression re(R"re(<word xMin="([^"]*)" yMin="[^"]*" xMax="([^"]*)"[^>]*>)re"
                                    + QRegularExpression::escape(word) + "</word>");
        return re.match(html).captured(2).toDouble(); // 0 when the word is not there
    };
    ASSERT_GT(xMax("11:30"), 0);
    EXPECT_LE(xMax("Week:23"), xMax("11:30") + 1) << "the corner header is not clipped";
    EXPECT_EQ(text.count('\f'), 1) << "one page";

    // A working day from 07:00 to 19:00 in quarter hours fits one page: no
    // page of empty evening rows follows it.
    grid->setPrintRange(7 * 60, 19 * 60);
    grid->setPrintSlotSize(15);
    ASSERT_TRUE(grid->printToPdf(path));
    const QString dayText = test::PdfText(path);
    EXPECT_TRUE(dayText.contains("18:45"));
    EXPECT_EQ(dayText.count('\f'), 1) << "one page";
}

TEST_F(ScheduleGridTest, ColumnsThatDoNotFitGoOnFurtherPagesInPdfAndPreview)
{
    grid->clearColumns();
    for (int i = 1; i <= 20; ++i)
        grid->addColumn(i, QString("Item %1").arg(i));
    block(600, 660, 20, "Last column");
    grid->setPrintTitle("Overview");
    grid->setPrintRange(8 * 60, 17 * 60);
    QTemporaryDir dir;
    const QString path = dir.filePath("wide.pdf");
    ASSERT_TRUE(grid->printToPdf(path));
    const QString text = test::PdfText(path);
    const int pages = static_cast<int>(text.count('\f'));
    EXPECT_GE(pages, 2);
    EXPECT_EQ(text.count("Overview"), pages) << "the title on every page";
    for (const char* shown : {"Item 1 ", "Item 20", "Last column"})
        EXPECT_TRUE(text.contains(shown)) << shown;

    int previewPages = -1;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
            if (auto* preview = dialog->findChild<QPrintPreviewWidget*>())
                previewPages = preview->pageCount();
            dialog->reject();
        }
    });
    grid->printPreview();
    EXPECT_EQ(previewPages, pages);
}

// Text on a booking block is black or white, whichever contrasts more: the
// saturated reds and mid greys of the colour list are read in black.
TEST(GridColours, BlockTextAndShadingReadOnLightAndDarkPalettes)
{
    // Each fill and the text colour read on it.
    const std::pair<QColor, QColor> blocks[] = {
        {QColor(Qt::white), Qt::black},        {QColor(Qt::black), Qt::white},
        {QColor(0x80, 0x80, 0x80), Qt::black}, {QColor(0xFF, 0x00, 0x00), Qt::black},
        {QColor(0x00, 0x00, 0xFF), Qt::white}, {QColor(0x00, 0x80, 0x00), Qt::white},
        {QColor(0xFF, 0xFF, 0x00), Qt::black}, {QColor(0x80, 0x00, 0x80), Qt::white},
    };
    for (const auto& [fill, text] : blocks)
        EXPECT_EQ(TextColourOn(fill), text) << fill.name().toStdString();

    // Shading stays close to the background and the hour lines stand out from
    // the slot lines, in both directions.
    for (const bool isDark : {false, true}) {
        QPalette pal;
        pal.setColor(QPalette::Base, isDark ? QColor(0x20, 0x20, 0x20) : QColor(Qt::white));
        pal.setColor(QPalette::Text, isDark ? QColor(0xE0, 0xE0, 0xE0) : QColor(Qt::black));
        const double base = RelativeLuminance(pal.color(QPalette::Base));
        const GridShades s = GridShadesFor(pal);
        for (const QColor& shade : {s.closed, s.prime})
            EXPECT_LT(std::abs(RelativeLuminance(shade) - base), 0.2) << isDark;
        const double slot = std::abs(RelativeLuminance(s.slotLine) - base);
        const double hour = std::abs(RelativeLuminance(s.hourLine) - base);
        EXPECT_GT(slot, 0.005) << isDark;
        EXPECT_GT(hour, slot) << isDark;
        EXPECT_EQ(RelativeLuminance(s.hourLine) > base, isDark);
    }
}

} // namespace
} // namespace vestra
