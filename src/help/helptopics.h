#pragma once
// Which page of the manual belongs to which window, and where the manual is.
// F1 opens the page of the window that has focus; a window without a page of
// its own opens the manual's first page.

#include <QString>
#include <QStringList>

namespace vestra {

// The manual's namespace and folder inside the compressed help file.
inline constexpr char HelpNamespace[] = "org.vestra.manual";
inline constexpr char HelpFolder[] = "doc";
inline constexpr char HelpStartPage[] = "index.html";

// The page (file name in the manual) for a window's objectName; the start
// page for a window the map does not know.
QString HelpPageForWindow(const QString& objectName);
// Every objectName the map knows (for the test that each page exists).
QStringList HelpMappedWindows();
// qthelp://org.vestra.manual/doc/<page>
QString HelpPageUrl(const QString& page);

} // namespace vestra
