#include "panel/ui/boardwindow.h"

#include "panel/ui/panelstyle.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace vestra {

BoardTile::BoardTile(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("boardtile"));
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void BoardTile::setLines(const QStringList& lines, PanelStatus status)
{
    if (lines == m_lines && status == m_status)
        return;
    m_lines = lines;
    m_status = status;
    update();
}

void BoardTile::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const StatusColours colours = ColoursOf(m_status);
    p.setPen(Qt::NoPen);
    p.setBrush(colours.background);
    const QRectF box = QRectF(rect()).adjusted(3, 3, -3, -3);
    p.drawRoundedRect(box, 8, 8);
    p.setPen(colours.text);
    // Name, status, until, next: the status largest, each fitted to the tile.
    static const double shares[] = {0.18, 0.22, 0.14, 0.12};
    const int room = std::max(10, int(box.width()) - 16);
    double y = box.top() + box.height() * 0.06;
    for (int i = 0; i < m_lines.size() && i < 4; ++i) {
        QFont f = font();
        f.setBold(i < 2);
        const int most = std::max(9, int(box.height() * shares[i]));
        // The next booking's line shrinks to show its title, down to half
        // its size; a title longer than that is cut.
        const int fitted = FittingPixelSize(f, m_lines[i], room, most);
        f.setPixelSize(i == 3 ? std::max(most / 2, fitted) : fitted);
        p.setFont(f);
        const QFontMetrics fm(f);
        y += fm.ascent();
        p.drawText(QPointF(box.left() + 8, y), fm.elidedText(m_lines[i], Qt::ElideRight, room));
        y += fm.descent() + box.height() * 0.03;
    }
}

QSize BoardGrid(int n, int width, int height)
{
    QSize best(1, std::max(1, n));
    double bestSide = -1;
    for (int columns = 1; columns <= std::max(1, n); ++columns) {
        const int rows = (n + columns - 1) / columns;
        const double w = double(width) / columns, h = double(height) / std::max(1, rows);
        // A tile reads best about one and a half times as wide as high.
        const double side = std::min(w / 1.5, h);
        if (side > bestSide) {
            bestSide = side;
            best = QSize(columns, rows);
        }
    }
    return best;
}

BoardWindow::BoardWindow(PanelFeed* feed, const QString& store, const QString& typeName,
                         QWidget* parent)
    : KioskWindow(feed, store, parent)
{
    setObjectName(QStringLiteral("board"));
    setWindowTitle(QStringLiteral("Vestra - ") + typeName);
    m_grid = new QWidget(this);
    new QGridLayout(m_grid);
    m_grid->layout()->setContentsMargins(0, 0, 0, 0);
    body()->addWidget(m_grid, 1);
}

void BoardWindow::showState()
{
    const std::optional<PanelSnapshot>& snap = feed()->snapshot();
    if (!snap)
        return;
    auto* grid = static_cast<QGridLayout*>(m_grid->layout());
    const QSize shape = BoardGrid(int(snap->items.size()), std::max(1, m_grid->width()),
                                  std::max(1, m_grid->height()));
    if (m_tiles.size() != snap->items.size() || shape != m_shape) {
        qDeleteAll(m_tiles);
        m_tiles.clear();
        for (int i = 0; i < snap->items.size(); ++i) {
            auto* tile = new BoardTile(m_grid);
            grid->addWidget(tile, i / shape.width(), i % shape.width());
            tile->show();
            m_tiles << tile;
        }
        m_shape = shape;
    }
    const PanelMoment now = feed()->moment();
    for (int i = 0; i < m_tiles.size(); ++i) {
        const PanelItemData& data = snap->items[i];
        const PanelItemState state = ComputeItemState(data, now);
        QString status = StatusSymbol(state.status) + QLatin1Char(' ') + StatusWord(state.status);
        m_tiles[i]->setLines({data.name, status, UntilText(state, now), NextText(state, now)},
                             state.status);
    }
}

} // namespace vestra
