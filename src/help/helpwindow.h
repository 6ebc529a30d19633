#pragma once
// The manual's window: contents, index and full-text search beside the page.

#include <QTextBrowser>
#include <QWidget>

class QHelpEngine;

namespace vestra {

// Shows the pages of the help engine, images included.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    HelpBrowser(QHelpEngine* engine, QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;

private:
    QHelpEngine* m_engine;
};

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // collectionFile: the .qhc that names the manual's .qch.
    explicit HelpWindow(const QString& collectionFile, QWidget* parent = nullptr);
    // False when the collection holds no manual (missing or broken .qch).
    bool hasManual() const;
    void showPage(const QString& page);
    QUrl currentPage() const;

private:
    void markInContents(const QUrl& page);

    QHelpEngine* m_engine;
    HelpBrowser* m_browser;
};

// Opens the manual on the page of that window (its objectName); a missing
// or broken help file is reported instead.
void ShowHelpFor(const QWidget* window);
// Opens the manual on a page, "resources.html#hierarchy" at that section.
void ShowHelpPage(const QString& page);
// F1 anywhere in the program opens the page of the window it was pressed in.
void InstallHelpKey();

} // namespace vestra
