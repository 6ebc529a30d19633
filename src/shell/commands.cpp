#include "shell/commands.h"

#include "data/schema.h"
#include "platform/externalurls.h"
#include "platform/services/filedialogs.h"
#include "platform/services/messages.h"
#include "platform/windowregistry.h"
#include "session/access.h"
#include "session/connection.h"
#include "shell/navigator.h"
#include "session/session.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <utility>

namespace vestra {

namespace {

QHash<int, CommandTarget>& menuTargets()
{
    static QHash<int, CommandTarget> targets;
    return targets;
}

QHash<int, CommandTarget>& bookingTargets()
{
    static QHash<int, CommandTarget> targets;
    return targets;
}

CommandNode entry(int number, const char* caption, bool admin = false)
{
    return {number, QString::fromUtf8(caption), admin, {}};
}

CommandNode group(int number, const char* caption, QList<CommandNode> children)
{
    return {number, QString::fromUtf8(caption), false, std::move(children)};
}

const CommandNode* findIn(const QList<CommandNode>& nodes, int number)
{
    for (const CommandNode& n : nodes) {
        if (n.number == number)
            return &n;
        if (const CommandNode* inner = findIn(n.children, number))
            return inner;
    }
    return nullptr;
}

void notAvailable(const QString& caption)
{
    showMessage(QStringLiteral("\"%1\" is not available in this version of Vestra.")
                    .arg(QString(caption).remove(QLatin1Char('&'))),
                QStringLiteral("Service Message"));
}

// After another booking file was chosen: every window closes, the schedule
// included, and the start-up runs again on the new file. The windows store
// their pending work as they close; that work belongs to the file they were
// opened on, which the session names until they are gone.
void restartOnFile(const QString& previous)
{
    const QString chosen = std::exchange(session().BookingFilePath, previous);
    WindowRegistry::instance().closeAll();
    session().BookingFilePath = chosen;
    if (navigator().showSplash)
        navigator().showSplash();
}

ConnectResult chooseFileFromBar(int number)
{
    if (number == 11)
        return OpenExistingFile(QStringLiteral("Open Existing Bookingfile"));
    return CreateNewFile(QStringLiteral("Create New Bookingfile"));
}

void openHelp(QWidget* owner)
{
    const QString help = HelpFilePath();
    if (!QFileInfo::exists(help) || !OpenExternalUrl(QUrl::fromLocalFile(help).toString())) {
        showMessage(QStringLiteral("The help file %1 could not be opened.").arg(help),
                    QStringLiteral("Help"), MsgIcon::Warning);
    }
    Q_UNUSED(owner);
}

} // namespace

const QList<CommandNode>& MenuCommands()
{
    static const QList<CommandNode> commands = {
        group(1, "Files",
              {entry(11, "&Open Existing Bookingfile"), entry(12, "&Create New Bookingfile"),
               entry(14, "Exit Program")}),
        group(2, "Maintenance",
              {entry(21, "Resource Manager", true), entry(26, "Tentative Bookings", true),
               entry(25, "Unavailable Ressources List", true),
               group(22, "Accounts",
                     {entry(221, "Group Account Manager"), entry(222, "Personal Account"),
                      entry(223, "Administrators Account Manager", true)}),
               group(23, "Parameters",
                     {entry(241, "Company Info", true), entry(242, "Opening Hours", true)}),
               entry(24, "Options", true)}),
        group(3, "Reports",
              {entry(31, "Booking Overview"), entry(32, "Period Totals"),
               entry(33, "Period Details"),
               group(0, "Resource Lists",
                     {entry(341, "Domestic"), entry(342, "Add-Ons"), entry(343, "Stand-Alones")}),
               entry(35, "Account List", true)}),
        group(6, "Help", {entry(61, "Help"), entry(62, "About")}),
    };
    return commands;
}

const QList<CommandNode>& BookingCommands()
{
    static const QList<CommandNode> commands = {
        entry(7, "Cut Booking"),         entry(8, "Copy Booking"),
        entry(9, "Paste Booking"),       entry(10, "Delete Booking"),
        entry(14, "Search"),             entry(15, "My Bookings"),
        entry(16, "Todays Bookings"),    entry(18, "Repeating Bookings"),
        entry(17, "Print Scheeme"),
    };
    return commands;
}

const CommandNode* FindMenuCommand(int number)
{
    return findIn(MenuCommands(), number);
}

void RegisterMenuTarget(int number, CommandTarget target)
{
    menuTargets().insert(number, std::move(target));
}

void RegisterBookingTarget(int number, CommandTarget target)
{
    bookingTargets().insert(number, std::move(target));
}

bool RunMenuCommand(int number, QWidget* owner, ScheduleActions* /*view*/)
{
    const CommandNode* node = FindMenuCommand(number);
    if (!node || !node->children.isEmpty())
        return false;
    if (node->adminOnly && !RequireAdmin())
        return true;
    switch (number) {
    case 11:
    case 12: {
        const QString previous = session().BookingFilePath;
        if (RerunsStartup(chooseFileFromBar(number)))
            restartOnFile(previous);
        return true;
    }
    case 14:
        navigator().quit();
        return true;
    case 61:
        openHelp(owner);
        return true;
    default:
        break;
    }
    if (const auto it = menuTargets().constFind(number); it != menuTargets().constEnd())
        (*it)(owner);
    else
        notAvailable(node->caption);
    return true;
}

bool RunBookingCommand(int number, QWidget* owner, ScheduleActions* view)
{
    switch (number) {
    case 7: view->cutOrCopy(1); return true;
    case 8: view->cutOrCopy(2); return true;
    case 9: view->paste(); return true;
    case 10: view->deleteSelected(); return true;
    case 17: view->printSchedule(); return true;
    default: break;
    }
    const CommandNode* node = findIn(BookingCommands(), number);
    if (!node)
        return false;
    if (const auto it = bookingTargets().constFind(number); it != bookingTargets().constEnd())
        (*it)(owner);
    else
        notAvailable(node->caption);
    return true;
}

namespace {

void addEntries(QMenu* menu, const QList<CommandNode>& nodes, QWidget* owner, ScheduleActions* view)
{
    for (const CommandNode& n : nodes) {
        if (!n.children.isEmpty()) {
            QMenu* sub = menu->addMenu(n.caption);
            sub->setObjectName(QStringLiteral("menu%1").arg(n.number));
            addEntries(sub, n.children, owner, view);
            continue;
        }
        QAction* a = menu->addAction(n.caption);
        a->setObjectName(QStringLiteral("cmd%1").arg(n.number));
        a->setData(n.number);
        QObject::connect(a, &QAction::triggered, owner,
                         [number = n.number, owner, view] { RunMenuCommand(number, owner, view); });
    }
}

QKeySequence bookingShortcut(int number)
{
    switch (number) {
    case 7: return QKeySequence::Cut;
    case 8: return QKeySequence::Copy;
    case 9: return QKeySequence::Paste;
    case 14: return QKeySequence::Find;
    case 17: return QKeySequence::Print;
    default: return {};
    }
}

} // namespace

void AddCommandBars(QMainWindow* window, ScheduleActions* view)
{
    auto* menus = new QToolBar(QStringLiteral("Menu"), window);
    menus->setObjectName(QStringLiteral("ctToolBar1"));
    menus->setMovable(false);
    for (const CommandNode& g : MenuCommands()) {
        auto* button = new QToolButton(menus);
        button->setObjectName(QStringLiteral("menu%1").arg(g.number));
        button->setText(g.caption);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        auto* menu = new QMenu(button);
        addEntries(menu, g.children, window, view);
        button->setMenu(menu);
        menus->addWidget(button);
    }
    window->addToolBar(Qt::TopToolBarArea, menus);
    window->addToolBarBreak();
    // F1 opens the help file, which the Help entry hands on to it.
    auto* help = new QAction(window);
    help->setObjectName(QStringLiteral("helpKey"));
    help->setShortcut(QKeySequence::HelpContents);
    help->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(help, &QAction::triggered, window,
                     [window, view] { RunMenuCommand(61, window, view); });
    window->addAction(help);

    auto* bookings = new QToolBar(QStringLiteral("Bookings"), window);
    bookings->setObjectName(QStringLiteral("ctToolBar2"));
    bookings->setMovable(false);
    bookings->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (const CommandNode& n : BookingCommands()) {
        QAction* a = bookings->addAction(n.caption);
        a->setObjectName(QStringLiteral("cmd%1").arg(n.number));
        a->setData(n.number);
        if (const QKeySequence key = bookingShortcut(n.number); !key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::WindowShortcut);
            a->setToolTip(QStringLiteral("%1 (%2)").arg(n.caption, key.toString(QKeySequence::NativeText)));
        }
        QObject::connect(a, &QAction::triggered, window,
                         [number = n.number, window, view] { RunBookingCommand(number, window, view); });
    }
    window->addToolBar(Qt::TopToolBarArea, bookings);
}

} // namespace vestra
