#include "widgets/externalurls.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace vestra {

namespace {
std::function<bool(const QString&)> g_handler;
std::function<bool(const QStringList&)> g_composer;
} // namespace

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

bool ComposeMailWithAttachment(const QString& to, const QString& subject, const QString& body,
                               const QString& attachment)
{
    const QStringList arguments = {QStringLiteral("--subject"),
                                   subject,
                                   QStringLiteral("--body"),
                                   body,
                                   QStringLiteral("--attach"),
                                   attachment,
                                   to};
    if (g_composer)
        return g_composer(arguments);
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    return !program.isEmpty() && QProcess::startDetached(program, arguments);
}

void SetMailComposer(std::function<bool(const QStringList&)> composer)
{
    g_composer = std::move(composer);
}

} // namespace vestra
