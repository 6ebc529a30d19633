#pragma once
// Each window of the program exists at most once. The registry finds a
// window by its objectName, creates it on first use and shows it modal,
// owned by another window, or free. Windows are deleted when closed.

#include <QPointer>
#include <QWidget>
#include <functional>

namespace vestra {

enum class ShowMode { Modal, Owned, Free };

// A window's rectangle fitted into a screen's available area: shrunk to fit
// and moved inside, so the title bar and the edges stay reachable.
QRect FitIntoArea(const QRect& window, const QRect& available);
// Where a window saved at `saved` comes back: on the screen it overlaps most,
// or on the first screen when the screen it was on is gone.
QRect RestoredGeometry(const QRect& saved, const QList<QRect>& availableAreas);

class WindowRegistry : public QObject {
public:
    static WindowRegistry& instance();

    // The open window of that name, or nullptr.
    QWidget* find(const QString& objectName) const;

    template <typename T> T* findAs(const QString& objectName) const
    {
        return qobject_cast<T*>(find(objectName));
    }

    // The existing window of that name, or a new one from the factory.
    template <typename T> T* obtain(const QString& objectName, const std::function<T*()>& factory)
    {
        if (auto* existing = findAs<T>(objectName))
            return existing;
        T* w = factory();
        w->setObjectName(objectName);
        adopt(w);
        return w;
    }

    // Shows the window: modal blocks input to the others (without a nested
    // event loop), owned stays above its owner, free is independent.
    void show(QWidget* window, ShowMode mode, QWidget* owner = nullptr);

    // Forgets the window and deletes it once control returns to the event
    // loop. Dialogs finish by hiding themselves without a close, so they
    // unload this way.
    void unload(QWidget* window);

    // Closes the windows owned by this one, letting each store its work
    // first; false when one of them refuses to close.
    static bool closeOwnedWindows(QWidget* owner);

    // Closes every window the registry knows (used when the schedule is
    // left for another booking file, and by tests between cases).
    void closeAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void adopt(QWidget* w);
    QList<QPointer<QWidget>> m_windows;
};

} // namespace vestra
