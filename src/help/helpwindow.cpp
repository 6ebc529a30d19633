#include "help/helpwindow.h"

#include "widgets/accessibility.h"

#include "data/schema.h"
#include "help/helptopics.h"
#include "services/messages.h"
#include "widgets/windowregistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vestra {

namespace {

// The help engine writes its search index beside the collection. An
// installed program's folder is read-only, so the manual is then read from
// a copy in the user's cache.
QString usableCollection(const QString& shipped)
{
    const QFileInfo info(shipped);
    if (QFileInfo(info.absolutePath()).isWritable())
        return shipped;
    const QDir cache(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
                     + QStringLiteral("/help"));
    cache.mkpath(QStringLiteral("."));
    const QString manual = QStringLiteral("vestra.qch");
    for (const QString& name : {info.fileName(), manual}) {
        const QFileInfo from(QDir(info.absolutePath()).filePath(name));
        const QFileInfo to(cache.filePath(name));
        if (to.exists() && to.lastModified() >= from.lastModified() && to.size() == from.size())
            continue;
        QFile::remove(to.filePath());
        QFile::copy(from.filePath(), to.filePath());
        QFile(to.filePath()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    return cache.filePath(info.fileName());
}

QString manualFile()
{
    return QFileInfo(HelpFilePath()).absoluteDir().filePath(QStringLiteral("vestra.qch"));
}

class HelpKeyFilter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
            return false;
        ShowHelpFor(static_cast<QWidget*>(watched)->window());
        return true;
    }
};

} // namespace

HelpBrowser::HelpBrowser(QHelpEngine* engine, QWidget* parent)
    : QTextBrowser(parent), m_engine(engine)
{
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    if (name.scheme() == QLatin1String("qthelp"))
        return m_engine->fileData(name);
    return QTextBrowser::loadResource(type, name);
}

HelpWindow::HelpWindow(const QString& collectionFile, QWidget* parent)
    : QWidget(parent), m_engine(new QHelpEngine(usableCollection(collectionFile), this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    CloseOnEscape(this);
    setWindowTitle(QStringLiteral("Vestra Help"));
    m_engine->setupData();

    m_browser = new HelpBrowser(m_engine, this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setAccessibleName(QStringLiteral("Manual page"));

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("helpTabs"));
    tabs->setAccessibleName(QStringLiteral("Manual sections"));
    QHelpContentWidget* contents = m_engine->contentWidget();
    contents->setObjectName(QStringLiteral("helpContents"));
    contents->setAccessibleName(QStringLiteral("Contents"));
    tabs->addTab(contents, QStringLiteral("Contents"));
    // The contents are read in the background; once there they open fully
    // and mark the page shown.
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, this, [this] {
        m_engine->contentWidget()->expandAll();
        markInContents(m_browser->source());
    });
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::markInContents);
    connect(contents, &QHelpContentWidget::linkActivated, m_browser,
            [this](const QUrl& url) { m_browser->setSource(url); });

    auto* indexPage = new QWidget(tabs);
    auto* indexLayout = new QVBoxLayout(indexPage);
    auto* lookFor = new QLineEdit(indexPage);
    lookFor->setObjectName(QStringLiteral("helpIndexFilter"));
    lookFor->setPlaceholderText(QStringLiteral("Look for"));
    lookFor->setAccessibleName(QStringLiteral("Look for in the index"));
    QHelpIndexWidget* index = m_engine->indexWidget();
    index->setObjectName(QStringLiteral("helpIndex"));
    index->setAccessibleName(QStringLiteral("Index"));
    indexLayout->addWidget(lookFor);
    indexLayout->addWidget(index);
    connect(lookFor, &QLineEdit::textChanged, index,
            [index](const QString& text) { index->filterIndices(text); });
    connect(index, &QHelpIndexWidget::documentActivated, m_browser,
            [this](const QHelpLink& link) { m_browser->setSource(link.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, m_browser,
            [this](const QList<QHelpLink>& links) {
                if (!links.isEmpty())
                    m_browser->setSource(links.first().url);
            });
    tabs->addTab(indexPage, QStringLiteral("Index"));

    QHelpSearchEngine* search = m_engine->searchEngine();
    auto* searchPage = new QWidget(tabs);
    searchPage->setObjectName(QStringLiteral("helpSearch"));
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->addWidget(search->queryWidget());
    searchLayout->addWidget(search->resultWidget());
    // The search's own fields come unnamed.
    for (QLineEdit* field : search->queryWidget()->findChildren<QLineEdit*>())
        if (field->accessibleName().isEmpty())
            field->setAccessibleName(QStringLiteral("Search for"));
    for (QWidget* result : search->resultWidget()->findChildren<QWidget*>())
        if (result->focusPolicy() != Qt::NoFocus && result->accessibleName().isEmpty())
            result->setAccessibleName(QStringLiteral("Search results"));
    connect(search->queryWidget(), &QHelpSearchQueryWidget::search, search,
            [search] { search->search(search->queryWidget()->searchInput()); });
    connect(search->resultWidget(), &QHelpSearchResultWidget::requestShowLink, m_browser,
            [this](const QUrl& url) { m_browser->setSource(url); });
    tabs->addTab(searchPage, QStringLiteral("Search"));
    // The index of the full-text search is built once, in the background.
    search->scheduleIndexDocumentation();

    auto* splitter = new QSplitter(this);
    splitter->addWidget(tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
    resize(900, 600);
}

bool HelpWindow::hasManual() const
{
    return !m_engine->fileData(QUrl(HelpPageUrl(QString::fromLatin1(HelpStartPage)))).isEmpty();
}

void HelpWindow::showPage(const QString& page)
{
    m_browser->setSource(QUrl(HelpPageUrl(page)));
}

void HelpWindow::markInContents(const QUrl& page)
{
    QHelpContentWidget* contents = m_engine->contentWidget();
    if (const QModelIndex at = contents->indexOf(page); at.isValid())
        contents->setCurrentIndex(at);
}

QUrl HelpWindow::currentPage() const
{
    return m_browser->source();
}

void ShowHelpFor(const QWidget* window)
{
    ShowHelpPage(HelpPageForWindow(window ? window->objectName() : QString()));
}

void ShowHelpPage(const QString& page)
{
    const QString collection = HelpFilePath();
    auto missing = [&collection] {
        showMessage(QStringLiteral("The help file %1 could not be found. Vestra Help is "
                                   "installed with the program; reinstall Vestra to get it.")
                        .arg(QDir::toNativeSeparators(collection)),
                    QStringLiteral("Help"), MsgIcon::Warning);
    };
    if (!QFileInfo::exists(collection) || !QFileInfo::exists(manualFile())) {
        missing();
        return;
    }
    auto* help = WindowRegistry::instance().obtain<HelpWindow>(
        QStringLiteral("HelpWindow"), [&collection] { return new HelpWindow(collection); });
    if (!help->hasManual()) {
        WindowRegistry::instance().unload(help);
        missing();
        return;
    }
    help->showPage(page);
    WindowRegistry::instance().show(help, ShowMode::Free);
    help->raise();
    help->activateWindow();
}

void InstallHelpKey()
{
    static HelpKeyFilter* filter = nullptr;
    if (filter)
        return;
    filter = new HelpKeyFilter;
    filter->setParent(qApp);
    qApp->installEventFilter(filter);
}

} // namespace vestra
