#include "platform/externalurls.h"

#include <QDesktopServices>
#include <QUrl>

namespace vestra {

namespace {
std::function<bool(const QString&)> g_handler;
}

bool OpenExternalUrl(const QString& target)
{
    if (g_handler)
        return g_handler(target);
    return QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
}

void SetExternalUrlHandler(std::function<bool(const QString&)> handler)
{
    g_handler = std::move(handler);
}

} // namespace vestra
