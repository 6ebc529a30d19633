#pragma once
// The resource manager: the hierarchy of group kinds, groups, types and
// items as a tree, rebuilt each time the window becomes active, and the one
// place from which groups, types and items are added, edited and deleted
// (through their record windows, owned by the manager).

#include <QObject>
#include <QSet>
#include <QWidget>

class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace vestra {

class RecordWindow;

// Tells the day view that the manager closed while the day view was the
// current schedule view, so that it reloads its group and type lists. The
// day view connects once, with itself as the context object.
class ResourceNotifier : public QObject {
    Q_OBJECT
signals:
    void managerClosed();
};
ResourceNotifier& resourceNotifier();

class ResourceManager : public QWidget {
    Q_OBJECT
public:
    explicit ResourceManager(QWidget* parent = nullptr);

    // Clears the tree and fills it again from the booking file.
    void BuildTree();
    // The selected node's record window (items: edit for administrators, view
    // for others); nothing for a group kind.
    void EditNode();
    // The window of the level below the selected node, on a new record.
    void AddChild();
    void ExitWindow();

    // Key of the selected node, empty when none is selected.
    QString selectedKey() const;
    bool selectKey(const QString& key);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void popUpMenu(const QPoint& pos);
    RecordWindow* openWindow(const QString& name);
    void openRecord(const QString& name, const QString& table, const QString& keyField, int number);

    QTreeWidget* m_tree;
    QMenu* m_menu;
    QSet<QString> m_collapsed;
    bool m_built = false;
};

// Opens the manager (owned by owner when given, otherwise free) and returns
// it; the caller checks the administrator right first.
ResourceManager* ShowResourceManager(QWidget* owner = nullptr);

} // namespace vestra
