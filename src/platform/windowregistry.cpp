#include "platform/windowregistry.h"

namespace vestra {

WindowRegistry& WindowRegistry::instance()
{
    static WindowRegistry registry;
    return registry;
}

QWidget* WindowRegistry::find(const QString& objectName) const
{
    for (const auto& w : m_windows)
        if (w && w->objectName() == objectName)
            return w;
    return nullptr;
}

void WindowRegistry::adopt(QWidget* w)
{
    m_windows.removeAll(nullptr);
    w->setAttribute(Qt::WA_DeleteOnClose);
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
    window->show();
    window->raise();
    window->activateWindow();
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
