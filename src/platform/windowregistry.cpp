#include "platform/windowregistry.h"

#include <QGuiApplication>
#include <QScreen>

namespace vestra {

WindowRegistry& WindowRegistry::instance()
{
    static WindowRegistry registry;
    return registry;
}

namespace {
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
    else if (event->type() == QEvent::Show)
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
    if (!window->isVisible() && !window->property("vestraPlaced").toBool()) {
        // First showing: centred over the owner, or on the screen.
        if (!window->testAttribute(Qt::WA_Resized))
            window->adjustSize();
        const QWidget* anchor = mode == ShowMode::Owned ? owner : nullptr;
        const QRect area = anchor ? anchor->frameGeometry()
                           : QGuiApplication::primaryScreen()
                               ? QGuiApplication::primaryScreen()->availableGeometry()
                               : QRect();
        if (area.isValid())
            window->move(area.center() - window->rect().center());
        window->setProperty("vestraPlaced", true);
    }
    window->show();
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
