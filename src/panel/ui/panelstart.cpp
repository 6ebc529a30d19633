#include "panel/ui/panelstart.h"

#include "data/schema.h"
#include "panel/ui/boardwindow.h"
#include "panel/ui/panelwindow.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace vestra {

namespace {

// The store this workstation's booking program used last, from paths.mdb,
// which a panel only reads.
QString lastUsedStore()
{
    if (!QFileInfo::exists(WorkDatabasePath()))
        return {};
    Database work = Database::open(WorkDatabasePath());
    return work.scalar(QStringLiteral("SELECT sti FROM stitabel LIMIT 1")).toString();
}

} // namespace

bool StartPanel(const PanelRequest& request, QString* error)
{
    // Only a walk-in panel writes, and then only its bookings.
    SetReadOnlyStores(request.walkIn.isEmpty());
    const QString store = request.store.isEmpty() ? lastUsedStore() : request.store;
    if (store.isEmpty()) {
        if (error)
            *error = QStringLiteral("No booking store has been used on this workstation yet; name "
                                    "one with --store.");
        return false;
    }
    KioskWindow* window = nullptr;
    if (request.type.isEmpty()) {
        const QStringList names = request.items;
        auto* feed = new PanelFeed(store, [names](Database& db, QString* why) {
            return ResolvePanelItems(db, names, why);
        });
        window = new PanelWindow(feed, store, request.walkIn);
    } else {
        const QString type = request.type;
        auto* feed = new PanelFeed(store, [type](Database& db, QString* why) {
            return ItemsOfType(db, type, nullptr, why);
        });
        window = new BoardWindow(feed, store, type);
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    // A kiosk may run without a window manager to honour "full screen".
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window->setGeometry(screen->geometry());
    window->showFullScreen();
    window->feed()->start();
    return true;
}

} // namespace vestra
