#include "resources/resourcemanager.h"
#include "resources/resourcewindows.h"

#include "data/helpers.h"
#include "resources/domesticitemwindow.h"
#include "resources/equipmentitemwindow.h"
#include "resources/hierarchy.h"
#include "resources/resourcegroupwindow.h"
#include "resources/resourcetypewindow.h"
#include "services/messages.h"
#include "session/access.h"
#include "session/session.h"
#include "widgets/windowregistry.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vestra {

namespace {
constexpr int kKeyRole = Qt::UserRole;

const QString kSelectNode = QStringLiteral("Select Node, Please");
const QString kServiceMessage = QStringLiteral("Service Message");
} // namespace

ResourceNotifier& resourceNotifier()
{
    static ResourceNotifier notifier;
    return notifier;
}

ResourceManager::ResourceManager(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QString::fromLatin1(windows::ResManager));
    setWindowTitle(QStringLiteral("Vestra  -  Resource Manager"));
    resize(460, 560);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("intree"));
    m_tree->setAccessibleName(QStringLiteral("Resources"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("ctDrop"));
    m_menu->addAction(QStringLiteral("Add Child"))->setData(1);
    m_menu->addAction(QStringLiteral("Edit/Delete Node"))->setData(2);

    auto* add = new QPushButton(QStringLiteral("Add Child Node"), this);
    add->setObjectName(QStringLiteral("Add"));
    auto* edit = new QPushButton(QStringLiteral("Edit/Del Node"), this);
    edit->setObjectName(QStringLiteral("edit"));
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName(QStringLiteral("exit"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(edit);
    buttons->addStretch();
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, &ResourceManager::AddChild);
    connect(edit, &QPushButton::clicked, this, &ResourceManager::EditNode);
    connect(exit, &QPushButton::clicked, this, &ResourceManager::ExitWindow);
    // Double-click or Enter on a node edits it; the menu comes on a right
    // click or the menu key.
    connect(m_tree, &QTreeWidget::itemActivated, this, [this] { EditNode(); });
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, &ResourceManager::popUpMenu);
    connect(m_tree, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        m_collapsed.insert(item->data(0, kKeyRole).toString());
    });
    connect(m_tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        m_collapsed.remove(item->data(0, kKeyRole).toString());
    });

    BuildTree();
}

void ResourceManager::BuildTree()
{
    const QString selected = selectedKey();
    Database db = BookingFile();
    const QList<TreeRow> rows = LoadTreeRows(db);

    // Rebuilding must not count as the user folding nodes away.
    const QSignalBlocker blocker(m_tree);
    m_tree->clear();
    QList<QTreeWidgetItem*> parents; // the last node of each depth
    for (const TreeRow& row : rows) {
        if (parents.size() < row.depth - 1)
            continue; // rows come depth first, so a parent is always there
        parents.resize(row.depth - 1);
        auto* item =
            parents.isEmpty() ? new QTreeWidgetItem(m_tree) : new QTreeWidgetItem(parents.last());
        item->setText(0, row.text);
        item->setData(0, kKeyRole, row.key);
        parents.append(item);
    }
    // Nodes start open; the ones the user closed stay closed across rebuilds.
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        (*it)->setExpanded(!m_collapsed.contains((*it)->data(0, kKeyRole).toString()));
    // The node the user chose stays chosen; nothing is chosen for them, so
    // that a button pressed before choosing asks for a node.
    if (!selected.isEmpty())
        selectKey(selected);
    m_built = true;
}

QString ResourceManager::selectedKey() const
{
    const auto items = m_tree->selectedItems();
    return items.isEmpty() ? QString() : items.first()->data(0, kKeyRole).toString();
}

bool ResourceManager::selectKey(const QString& key)
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if ((*it)->data(0, kKeyRole).toString() == key) {
            m_tree->setCurrentItem(*it);
            return true;
        }
    return false;
}

void ResourceManager::popUpMenu(const QPoint& pos)
{
    QTreeWidgetItem* item = m_tree->itemAt(pos);
    if (!item)
        return;
    m_tree->setCurrentItem(item);
    const QAction* chosen = m_menu->exec(m_tree->viewport()->mapToGlobal(pos));
    if (!chosen)
        return;
    if (chosen->data().toInt() == 1)
        AddChild();
    else
        EditNode();
}

RecordWindow* ResourceManager::openWindow(const QString& name)
{
    auto& registry = WindowRegistry::instance();
    auto* w = registry.obtain<RecordWindow>(name, [&]() -> RecordWindow* {
        const QString groups = QString::fromLatin1(windows::Resgroup);
        if (name == groups)
            return new ResourceGroupWindow;
        if (name == QLatin1String(windows::Restype))
            return new ResourceTypeWindow;
        const bool domestic = name.startsWith(QLatin1String("resitemL"));
        const ItemMode mode = name.endsWith(QLatin1String("View")) ? ItemMode::View
                              : name.endsWith(QLatin1String("AD")) ? ItemMode::Add
                                                                   : ItemMode::Edit;
        if (domestic)
            return new DomesticItemWindow(mode);
        return new EquipmentItemWindow(mode);
    });
    // Closing a record window makes the manager active again, which rebuilds
    // the tree; watching the window also covers a manager that is not
    // activated (another application in front, or no window manager).
    w->removeEventFilter(this);
    w->installEventFilter(this);
    registry.show(w, ShowMode::Owned, this);
    return w;
}

void ResourceManager::openRecord(const QString& name, const QString& table, const QString& keyField,
                                 int number)
{
    Database db = BookingFile();
    if (!RecordExistsIn(db, table, keyField, number)) {
        // Deleted on another workstation since the tree was built.
        showMessage(QStringLiteral("This record no longer exists."), kServiceMessage);
        BuildTree();
        return;
    }
    openWindow(name)->OpenOn(number);
}

void ResourceManager::EditNode()
{
    const auto key = ParseNodeKey(selectedKey());
    if (!key) {
        showMessage(kSelectNode, kServiceMessage);
        return;
    }
    if (key->node == QLatin1Char('G'))
        openRecord(QString::fromLatin1(windows::Resgroup), QStringLiteral("overgruppenavne"),
                   QStringLiteral("overgruppenr"), key->number);
    else if (key->node == QLatin1Char('L'))
        openRecord(QString::fromLatin1(windows::Restype), QStringLiteral("lokaliteter"),
                   QStringLiteral("lokalitetsnr"), key->number);
    else if (key->node == QLatin1Char('I'))
        openRecord(ItemWindowName(key->kind, session().IsAdmin ? ItemMode::Edit : ItemMode::View),
                   QStringLiteral("lokale"), QStringLiteral("lokalenr"), key->number);
    // A group kind has no record window.
}

void ResourceManager::AddChild()
{
    if (!RequireAdmin())
        return;
    const auto key = ParseNodeKey(selectedKey());
    if (!key) {
        showMessage(kSelectNode, kServiceMessage);
        return;
    }
    Database db = BookingFile();
    const auto child = ChildRecordFor(db, *key);
    if (!child)
        return; // items have no children
    openWindow(child->window)->OpenNew(child->values);
}

void ResourceManager::ExitWindow()
{
    close();
}

bool ResourceManager::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && m_built)
        BuildTree();
    return QWidget::event(event);
}

bool ResourceManager::eventFilter(QObject* watched, QEvent* event)
{
    // A record window hides once its close is accepted, after it has written.
    if (event->type() == QEvent::Hide && watched->isWidgetType())
        BuildTree();
    return QWidget::eventFilter(watched, event);
}

void ResourceManager::closeEvent(QCloseEvent* event)
{
    // The record windows go with the manager; each writes its record first,
    // and one that cannot keeps the manager open.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isWindow() && child->isVisible() && !child->close()) {
            event->ignore();
            return;
        }
    event->accept();
    if (session().OpenViewNo == 1)
        emit resourceNotifier().managerClosed();
}

ResourceManager* ShowResourceManager(QWidget* owner)
{
    auto& registry = WindowRegistry::instance();
    auto* w = registry.obtain<ResourceManager>(QString::fromLatin1(windows::ResManager),
                                               [] { return new ResourceManager; });
    registry.show(w, owner ? ShowMode::Owned : ShowMode::Free, owner);
    w->BuildTree();
    return w;
}

} // namespace vestra
