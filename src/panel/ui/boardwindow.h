#pragma once
// The lobby board: every item of a type as a tile with its name, free or in
// use with "until", and its next booking; 40 tiles fit a 1920x1080 screen.

#include "panel/ui/kioskwindow.h"

namespace vestra {

// One item's tile, painted in its status's colours.
class BoardTile : public QWidget {
    Q_OBJECT
public:
    explicit BoardTile(QWidget* parent = nullptr);
    // Name, status with symbol, until, next booking.
    void setLines(const QStringList& lines, PanelStatus status);
    QStringList lines() const { return m_lines; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList m_lines;
    PanelStatus m_status = PanelStatus::Free;
};

// Columns and rows for n tiles in a width x height area, giving the tiles
// the largest size that keeps them wider than high.
QSize BoardGrid(int n, int width, int height);

class BoardWindow : public KioskWindow {
    Q_OBJECT
public:
    BoardWindow(PanelFeed* feed, const QString& store, const QString& typeName,
                QWidget* parent = nullptr);
    QList<BoardTile*> tiles() const { return m_tiles; }

protected:
    void showState() override;

private:
    QWidget* m_grid;
    QList<BoardTile*> m_tiles;
    QSize m_shape;
};

} // namespace vestra
