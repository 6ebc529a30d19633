#include "panel/ui/panelstyle.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace vestra {

StatusColours ColoursOf(PanelStatus status)
{
    switch (status) {
    case PanelStatus::Free:
        return {QColor(0x1b, 0x6e, 0x3a), Qt::white};
    case PanelStatus::InUse:
        return {QColor(0xb0, 0x23, 0x1c), Qt::white};
    case PanelStatus::Tentative:
        return {QColor(0xf2, 0xc0, 0x37), QColor(0x1a, 0x1a, 0x1a)};
    case PanelStatus::Unavailable:
        return {QColor(0x45, 0x45, 0x45), Qt::white};
    }
    return UnknownColours();
}

StatusColours UnknownColours()
{
    return {QColor(0x60, 0x60, 0x60), Qt::white};
}

StatusColours StaleColours()
{
    return {QColor(0xff, 0xd8, 0x4d), Qt::black};
}

QString StatusSymbol(PanelStatus status)
{
    switch (status) {
    case PanelStatus::Free:
        return QString(QChar(0x2713));
    case PanelStatus::InUse:
        return QString(QChar(0x2715));
    case PanelStatus::Tentative:
        return QString(QChar(0x25d0));
    case PanelStatus::Unavailable:
        return QString(QChar(0x2298));
    }
    return {};
}

double ContrastRatio(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF())
               + 0.0722 * channel(c.blueF());
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

int FittingPixelSize(const QFont& font, const QString& text, int width, int maxPixels)
{
    QFont probe = font;
    probe.setPixelSize(100);
    const int at100 = QFontMetrics(probe).horizontalAdvance(text);
    if (at100 <= 0)
        return maxPixels;
    return std::clamp(width * 100 / at100, 1, std::max(1, maxPixels));
}

} // namespace vestra
