#pragma once
// How panels and boards show a state: a colour pair that keeps a contrast of
// at least 4.5:1, a word and a symbol, so that colour is never the only sign;
// and text sizes taken from the screen's height, so that a panel reads from
// across a corridor on a large screen and still fits a small door panel.

#include "panel/panelstate.h"

#include <QColor>
#include <QFont>
#include <QString>

namespace vestra {

struct StatusColours {
    QColor background;
    QColor text;
};
StatusColours ColoursOf(PanelStatus status);
// Before the first read the panel claims nothing: a neutral grey.
StatusColours UnknownColours();
// The banner that says the store could not be read.
StatusColours StaleColours();

// "✓", "✕", "◐", "⊘".
QString StatusSymbol(PanelStatus status);

// The contrast ratio of two colours as WCAG 2 defines it (1 to 21).
double ContrastRatio(const QColor& a, const QColor& b);

// The largest pixel size, at most maxPixels, at which text fits width.
int FittingPixelSize(const QFont& font, const QString& text, int width, int maxPixels);

} // namespace vestra
