#pragma once
// The schedule grid of the day and week views: time of day downwards in
// slots, columns across, bookings as coloured blocks that the user selects,
// types into, moves, resizes and prints.
//
// Times are minutes since midnight, dates day numbers (days since
// 1900-01-01). Blocks are addressed by the numbers addBlock() hands out
// (1 or more, never reused while the grid lives); columns by their index.
// Colours come as the stored 0x00BBGGRR value (red in the lowest byte).

#include <QAbstractScrollArea>
#include <QColor>
#include <QDate>
#include <QHash>
#include <QMap>
#include <QPalette>
#include <QPointer>
#include <QStringList>

class QAccessibleInterface;
class QLineEdit;
class QPainter;
class QPrinter;

namespace vestra {

// WCAG relative luminance of a colour, 0 (black) to 1 (white).
double RelativeLuminance(const QColor& c);
// Black or white, whichever reads better on the fill of a booking block.
QColor TextColourOn(const QColor& fill);
// The schedule's shading (closed hours, prime time) and lines on screen,
// taken from the palette so that light and dark palettes both read.
struct GridShades {
    QColor closed;
    QColor prime;
    QColor slotLine;
    QColor hourLine;
};
GridShades GridShadesFor(const QPalette& palette);

// The text word-wrapped to the width in at most maxLines lines; a text that
// needs more ends its last line in "…" (the block's tooltip shows it whole).
QString ElideWrapped(const QString& text, const QFont& font, qreal width, int maxLines,
                     const QPaintDevice* device = nullptr);

class ScheduleGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ScheduleGrid(QWidget* parent = nullptr);
    ~ScheduleGrid() override;

    // --- settings -------------------------------------------------------
    void setOpeningTime(int minutes);
    void setClosingTime(int minutes);
    void setPrimeTime(int start, int end);
    void setPrintRange(int start, int end);
    void setSlotSize(int minutes); // 1 to 60; others are clamped
    void setPrintSlotSize(int minutes);
    void setShowAmPm(bool on);     // "am"/"pm" after 12-hour times
    void setMilitaryTime(bool on); // 24-hour times; wins over am/pm
    // Format of column dates: D weekday abbreviation, N day, m month, y year.
    void setDateFormat(const QString& format);
    // Weekday abbreviations, Sunday first; "Sun;Mon;…" in English by default.
    void setDayNames(const QStringList& sundayFirst);
    // Week mode: the grid makes dayCount columns itself, one per date from the
    // first date; a block sits in the column of its date and moving it to
    // another column changes its date. Otherwise columns come from addColumn()
    // and a block sits in the column of its column key. A block with no
    // matching column is kept (and can be read back) but not drawn.
    void setWeekMode(bool on, int dayCount = 7);
    void setFirstDate(int dayNumber);
    void setFirstDate(const QDate& date);
    void setHeaderText(const QString& text); // shown above the time column
    // How many columns share the visible width at most; more scroll sideways.
    void setColumnDisplay(int columns);
    void setPrintColour(int bgr);
    void setPrintTitle(const QString& title);
    void setPrintSubtitle(const QString& subtitle);

    int printStart() const { return m_printStart; }
    int printEnd() const { return m_printEnd; }
    int printSlotSize() const { return m_printSlot; }
    QString dateFormat() const { return m_dateFormat; }
    bool weekMode() const { return m_weekMode; }
    int firstDate() const { return m_firstDate; }
    QString headerText() const { return m_headerText; }
    QString printTitle() const { return m_printTitle; }
    QString printSubtitle() const { return m_printSubtitle; }

    // --- commands -------------------------------------------------------
    // Both first finish a block being typed and report it (blockTyped or
    // blockEditEnded), so that a reload never drops what the user typed.
    void clearBlocks();
    void clearColumns(); // in week mode the day columns stay
    // Ends the inline editor, if open, as Enter would.
    void commitEditing();
    // True while the user types into a block or drags one or a slot range.
    bool isBusy() const { return m_editor || m_drag != Drag::None; }
    // Returns the new column's index. A date (day number, 0 for none) makes
    // the column take only blocks of that date.
    int addColumn(int key, const QString& caption, int date = 0);
    // Returns the block's number (1 or more). The block has column key 0
    // until setBlockColumnKey() gives it one.
    int addBlock(int start, int end, int date, const QString& text, const QString& key);
    void removeBlock(int number);
    // Prints title, subtitle and the print range in print slots, as many
    // pages across as the columns need. False when the printer is not ready.
    bool print(QPrinter* printer) const;
    bool printToPdf(const QString& path) const;
    void printPreview(); // modal preview dialog with its own print button
    void scrollToTime(int minutes);

    // --- blocks ---------------------------------------------------------
    // Getters on an unknown number give empty values; setters ignore it.
    bool hasBlock(int number) const { return m_blocks.contains(number); }
    QList<int> blockNumbers() const { return m_blocks.keys(); }
    int blockCount() const { return static_cast<int>(m_blocks.size()); }
    QString blockKey(int number) const;
    QString blockText(int number) const;
    int blockStart(int number) const;
    int blockEnd(int number) const;
    int blockDate(int number) const;
    int blockColumnKey(int number) const;
    void setBlockKey(int number, const QString& key);
    void setBlockText(int number, const QString& text);
    void setBlockSecondText(int number, const QString& text);
    void setBlockColour(int number, int bgr);
    void setBlockColumnKey(int number, int key);
    void setBlockTentative(int number, bool tentative);
    // Why a typed block is not in the booking file (empty: it is): it is
    // drawn with a red dashed edge and its tooltip gives the reason.
    QString blockNotStored(int number) const;
    void setBlockNotStored(int number, const QString& reason);

    // --- state ----------------------------------------------------------
    int selectedBlock() const { return m_selected; } // 0 when none
    void selectBlock(int number);                    // 0 clears
    // Called while refusing a typed block for a reason that passes (the file
    // was busy): the block and its editor stay, with the text as typed.
    void keepTypedText();
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    int currentColumn() const { return m_currentColumn; } // -1 when none
    int columnKey(int column) const;
    int columnDate(int column) const; // day number, 0 when the column has none
    QString columnCaption(int column) const;
    // The selected time slot (one or more slots of the current column).
    int selectedSlotStart() const { return m_slotStart; }
    int selectedSlotEnd() const { return m_slotEnd; }
    // Index of the selected slot from midnight, -1 when no slot is current.
    int currentSlot() const;
    void selectSlot(int column, int start, int end = -1);
    // Where a block or a slot is drawn, in viewport coordinates (empty when
    // not placed); for tests and accessibility.
    QRect blockRect(int number) const;
    QRect slotRect(int column, int minutes) const;
    int blockAt(const QPoint& viewportPos) const;

    // --- helpers shared with the views ------------------------------------
    static QColor colorFromBgr(int bgr);
    static QString timeText(int minutes, bool ampm, bool military);
    static QString dateText(const QDate& date, const QString& format,
                            const QStringList& dayNames = {});

signals:
    // Text was typed into an empty slot and committed with Enter (or by
    // leaving the editor). Setting refuse removes the block again, unless the
    // handler calls keepTypedText().
    void blockTyped(int number, int start, int end, bool& refuse);
    // The user moved or resized the block; its start, end, date and column
    // key already hold the new place.
    void blockChanged(int number);
    // The user finished retyping an existing block's text.
    void blockEditEnded(int number);
    void blockDoubleClicked(int number);
    void emptyDoubleClicked();
    void contextMenuRequested(const QPoint& globalPos);
    // Delete pressed; the views decide (with their own confirmation).
    void deleteRequested(int number);
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class ScheduleGridAccessible;
    friend class GridBlockAccessible;

    struct Block {
        QString key, text, secondText;
        int start = 0, end = 0, date = 0, colour = 0, columnKey = 0;
        bool tentative = false;
        QString notStored;
        // Placement, refreshed by layoutBlocks().
        int column = -1, lane = 0, lanes = 1;
    };
    struct Column {
        int key = 0;
        int date = 0;
        QString caption;
    };
    enum class Drag { None, Pending, Move, ResizeTop, ResizeBottom, SlotRange };
    enum class Edge { None, Top, Bottom };

    // Geometry of the screen grid.
    int headerHeight() const;
    int gutterWidth() const;
    int rowHeight() const;
    int columnWidth() const;
    double pixelsPerMinute() const { return double(rowHeight()) / m_slot; }
    int yOfMinute(int minutes) const;
    int xOfColumn(int column) const;
    int minuteAt(int y) const;
    int columnAt(int x) const; // -1 outside the columns
    QRect contentRect() const; // the viewport below the header, right of the gutter
    void updateScrollBars();
    void ensureSlotVisible();

    // Placement.
    int displayEnd(const Block& b) const;
    // The end counted on from the start's day: past 1440 for a block that
    // runs past midnight.
    int fullEnd(const Block& b) const;
    bool continuesPastMidnight(const Block& b) const { return b.end > 0 && b.end < b.start; }
    int columnFor(const Block& b) const;
    void layoutBlocks() const;
    void invalidateLayout();
    template <typename Change> void editBlock(int number, bool moves, Change change);
    QRect blockRectIn(const Block& b, int x, int width, int top, double pxPerMinute) const;
    Edge edgeAt(int number, const QPoint& pos) const;
    int snap(int minutes) const;
    void rebuildWeekColumns();
    QString timeLabel(int minutes) const { return timeText(minutes, m_ampm, m_military); }
    QString blockDescription(int number) const;
    // The texts of the other blocks of the same column (item and day) whose
    // times overlap the block's; such a block is marked on screen and paper.
    QStringList overlappedTexts(const Block& b) const;
    QList<int> placedBlocksInOrder() const;
    int blockCovering(int column, int minutes) const;

    // Interaction.
    void setSelected(int number);
    void moveBlockTo(int number, int column);
    void beginTyping(const QString& firstText);
    void beginEditing(int number);
    void openNewBlockEditor(int number, const QString& text);
    void finishEditing(bool commit);
    void placeEditor();
    void handleArrow(int key, Qt::KeyboardModifiers modifiers);
    bool nudgeSelected(int key, Qt::KeyboardModifiers modifiers);

    // Accessibility (schedulegridaccessible.cpp): one child per placed block.
    static void installAccessibility();
    QAccessibleInterface* accessibleBlock(int number) const;
    void releaseAccessible(int number);
    void notifyAccessibility(int number);
    void notifySelection(int before, int after);

    // Painting (schedulegridpaint.cpp).
    void paintGrid(QPainter& p, const QRect& exposed) const;
    void paintBlock(QPainter& p, const Block& b, const QRectF& r, double visibleTop, bool selected,
                    double scale, bool printing) const;

    QMap<int, Block> m_blocks;
    QList<Column> m_columns;
    int m_nextNumber = 1;

    int m_opening = 8 * 60, m_closing = 17 * 60;
    int m_primeStart = 9 * 60, m_primeEnd = 15 * 60;
    int m_printStart = 7 * 60, m_printEnd = 19 * 60;
    int m_slot = 15, m_printSlot = 15;
    bool m_ampm = false, m_military = true;
    QString m_dateFormat = QStringLiteral("D N-m-y");
    QStringList m_dayNames;
    bool m_weekMode = false;
    int m_dayCount = 7;
    int m_firstDate = 0;
    QString m_headerText;
    int m_columnDisplay = 255;
    int m_printColour = 0xC0C0C0;
    QString m_printTitle, m_printSubtitle;

    int m_selected = 0;
    int m_currentColumn = -1;
    int m_slotStart = -1, m_slotEnd = -1;
    bool m_scrolledToOpening = false;
    mutable bool m_layoutValid = false;
    mutable QList<QList<int>> m_columnBlocks; // placed blocks per column, by start
    mutable QHash<int, unsigned> m_accessibleIds;

    // The drag in progress: what, from where, and the block's place before it.
    Drag m_drag = Drag::None;
    Edge m_pressEdge = Edge::None;
    QPoint m_pressPos;
    int m_pressMinute = 0;
    int m_dragBlock = 0;
    Block m_dragOrigin;

    // The inline text editor; m_editBlock is the block it types into and
    // m_editIsNew tells a freshly typed block from retyping an existing one.
    QPointer<QLineEdit> m_editor;
    int m_editBlock = 0;
    bool m_editIsNew = false;
    bool m_keepTyped = false; // a refused new block keeps its editor and text
};

} // namespace vestra
