#include "widgets/windowregistry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <algorithm>

namespace vestra {

WindowRegistry& WindowRegistry::instance()
{
    static WindowRegistry registry;
    return registry;
}

QRect FitIntoArea(const QRect& window, const QRect& available)
{
    if (!available.isValid())
        return window;
    QRect r(window.topLeft(), window.size().boundedTo(available.size()));
    r.moveLeft(std::clamp(r.left(), available.left(), available.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), available.top(), available.bottom() - r.height() + 1));
    return r;
}

QRect RestoredGeometry(const QRect& saved, const QList<QRect>& availableAreas)
{
    QRect best;
    qint64 overlap = 0;
    for (const QRect& area : availableAreas) {
        const QRect common = area.intersected(saved);
        const qint64 size = qint64(common.width()) * common.height();
        if (common.isValid() && size > overlap) {
            overlap = size;
            best = area;
        }
    }
    if (!best.isValid()) {
        if (availableAreas.isEmpty())
            return saved;
        // Its screen is gone: centred on the first one.
        best = availableAreas.first();
        QRect moved = saved;
        moved.moveCenter(best.center());
        return FitIntoArea(moved, best);
    }
    return FitIntoArea(saved, best);
}

namespace {

QString geometryKey(const QWidget* w)
{
    return QStringLiteral("windows/%1/geometry").arg(w->objectName());
}

// The frame the window system draws around a window: as it is once the
// window has been shown, before that a title bar above and thin edges.
QMargins frameMargins(const QWidget* w)
{
    const QRect frame = w->frameGeometry();
    const QRect inner = w->geometry();
    if (frame != inner)
        return {inner.left() - frame.left(), inner.top() - frame.top(),
                frame.right() - inner.right(), frame.bottom() - inner.bottom()};
    const int title = w->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, w);
    const int edge = w->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, w);
    return {edge, title, edge, edge};
}

// The area a window's inner rectangle may take: the screen's free area less
// the window's frame.
QRect clientArea(const QRect& available, const QWidget* w)
{
    return available.marginsRemoved(frameMargins(w));
}

QList<QRect> clientAreas(const QWidget* w)
{
    QList<QRect> areas;
    for (const QScreen* s : QGuiApplication::screens())
        areas << clientArea(s->availableGeometry(), w);
    return areas;
}

// A closed window lingers until its deferred deletion; it must not be handed
// out again in the meantime.
const char* const kClosed = "vestraClosed";
} // namespace

QWidget* WindowRegistry::find(const QString& objectName) const
{
    for (const auto& w : m_windows)
        if (w && w->objectName() == objectName
            && !(w->property(kClosed).toBool() && !w->isVisible()))
            return w;
    return nullptr;
}

bool WindowRegistry::eventFilter(QObject* watched, QEvent* event)
{
    // A close that the window refuses leaves it visible, so the mark only
    // counts together with the window being hidden.
    if (event->type() == QEvent::Close)
        watched->setProperty(kClosed, true);
    else if (event->type() == QEvent::Hide && watched->isWidgetType()
             && !watched->objectName().isEmpty()) {
        // Every window comes back where the user left it.
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() && w->testAttribute(Qt::WA_WState_Created))
            QSettings().setValue(geometryKey(w), w->geometry());
    } else if (event->type() == QEvent::Show)
        watched->setProperty(kClosed, false);
    return false;
}

void WindowRegistry::adopt(QWidget* w)
{
    m_windows.removeAll(nullptr);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->installEventFilter(this);
    m_windows.append(w);
}

void WindowRegistry::show(QWidget* window, ShowMode mode, QWidget* owner)
{
    switch (mode) {
    case ShowMode::Modal:
        window->setWindowModality(Qt::ApplicationModal);
        break;
    case ShowMode::Owned:
        if (owner && window->parentWidget() != owner)
            window->setParent(owner, window->windowFlags() | Qt::Window);
        break;
    case ShowMode::Free:
        break;
    }
    // Remembers the place as the window hides (installing twice keeps one filter).
    window->installEventFilter(this);
    if (!window->isVisible() && !window->property("vestraPlaced").toBool()) {
        const QScreen* primary = QGuiApplication::primaryScreen();
        const QRect screen = primary ? clientArea(primary->availableGeometry(), window) : QRect();
        // A window of fixed size takes the size of a smaller screen and paints
        // itself into that room, rather than hang off the screen's edge.
        if (screen.isValid() && window->minimumSize() == window->maximumSize()) {
            const QSize fixed = window->minimumSize();
            if (!fixed.isEmpty() && fixed.boundedTo(screen.size()) != fixed)
                window->setFixedSize(fixed.boundedTo(screen.size()));
        }
        const QRect saved = window->objectName().isEmpty()
                                ? QRect()
                                : QSettings().value(geometryKey(window)).toRect();
        if (saved.isValid()) {
            window->setGeometry(RestoredGeometry(saved, clientAreas(window)));
        } else {
            // First showing: centred over the owner, or on the screen.
            if (!window->testAttribute(Qt::WA_Resized))
                window->adjustSize();
            const QWidget* anchor = mode == ShowMode::Owned ? owner : nullptr;
            const QRect area = anchor ? anchor->frameGeometry() : screen;
            QRect placed = window->geometry();
            if (area.isValid())
                placed.moveCenter(area.center());
            window->setGeometry(FitIntoArea(placed, screen));
        }
        window->setProperty("vestraPlaced", true);
    }
    window->show();
    // Shown, the window's real frame is known: all of it goes on the screen.
    if (const QScreen* on = window->screen()) {
        const QRect available = on->availableGeometry();
        if (!available.contains(window->frameGeometry()))
            window->setGeometry(FitIntoArea(window->geometry(), clientArea(available, window)));
    }
    window->raise();
    window->activateWindow();
}

void WindowRegistry::unload(QWidget* window)
{
    m_windows.removeAll(window);
    m_windows.removeAll(nullptr);
    window->hide();
    window->deleteLater();
}

bool WindowRegistry::closeOwnedWindows(QWidget* owner)
{
    bool all = true;
    const auto children = owner->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (!child->isWindow() || !child->isVisible())
            continue;
        if (!child->close())
            all = false;
    }
    return all;
}

void WindowRegistry::closeAll()
{
    const auto windows = m_windows;
    for (const auto& w : windows)
        if (w)
            w->close();
    m_windows.removeAll(nullptr);
}

} // namespace vestra
