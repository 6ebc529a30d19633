#pragma once
// Hands a link (a mail target, a help file) to the desktop's handler.
// Tests install a recorder instead.

#include <QString>
#include <QStringList>
#include <functional>

namespace vestra {

bool OpenExternalUrl(const QString& target);
// Replaces the desktop's handler; an empty function restores it.
void SetExternalUrlHandler(std::function<bool(const QString&)> handler);

// Opens the desktop's mail composer with a file attached (xdg-email
// --attach); false when the desktop has no such composer, so that the
// caller can fall back to a plain mail link.
bool ComposeMailWithAttachment(const QString& to, const QString& subject, const QString& body,
                               const QString& attachment);
// Replaces the composer (it gets xdg-email's arguments); an empty function restores it.
void SetMailComposer(std::function<bool(const QStringList& arguments)> composer);

} // namespace vestra
