#include "shell/commands.h"

#include "help/helpwindow.h"
#include "services/filedialogs.h"
#include "services/messages.h"
#include "session/access.h"
#include "session/connection.h"
#include "session/session.h"
#include "shell/navigator.h"
#include "undo/undo.h"
#include "widgets/windowregistry.h"

#include <QAction>
#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QToolBar>
#include <QToolButton>
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

template <typename C> CommandNode entry(C command, const char* caption, bool admin = false)
{
    return {static_cast<int>(command), QString::fromUtf8(caption), admin, {}};
}

CommandNode group(Command command, const char* caption, QList<CommandNode> children)
{
    return {static_cast<int>(command), QString::fromUtf8(caption), false, std::move(children)};
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

ConnectResult chooseFileFromBar(Command command)
{
    if (command == Command::OpenBookingFile)
        return OpenExistingFile(QStringLiteral("Open Existing Bookingfile"));
    return CreateNewFile(QStringLiteral("Create New Bookingfile"));
}

} // namespace

const QList<CommandNode>& MenuCommands()
{
    static const QList<CommandNode> commands = {
        group(Command::Files, "Files",
              {entry(Command::OpenBookingFile, "&Open Existing Bookingfile"),
               entry(Command::CreateBookingFile, "&Create New Bookingfile"),
               entry(Command::ExitProgram, "Exit Program")}),
        group(Command::Maintenance, "Maintenance",
              {entry(Command::ResourceManager, "Resource Manager", true),
               entry(Command::TentativeBookings, "Tentative Bookings", true),
               entry(Command::ChangeLog, "Change Log", true),
               entry(Command::UnavailableList, "Unavailable Ressources List", true),
               group(Command::Accounts, "Accounts",
                     {entry(Command::GroupAccountManager, "Group Account Manager"),
                      entry(Command::PersonalAccount, "Personal Account"),
                      entry(Command::AccountManager, "Administrators Account Manager", true)}),
               group(Command::Parameters, "Parameters",
                     {entry(Command::CompanyInfo, "Company Info", true),
                      entry(Command::OpeningHours, "Opening Hours", true)}),
               entry(Command::Options, "Options", true)}),
        group(
            Command::Reports, "Reports",
            {entry(Command::BookingOverview, "Booking Overview"),
             entry(Command::PeriodTotals, "Period Totals"),
             entry(Command::PeriodDetails, "Period Details"),
             group(Command::ResourceLists, "Resource Lists",
                   {entry(Command::DomesticList, "Domestic"), entry(Command::AddOnList, "Add-Ons"),
                    entry(Command::StandAloneList, "Stand-Alones")}),
             entry(Command::AccountList, "Account List", true)}),
        group(Command::Help, "Help",
              {entry(Command::HelpFile, "Help"), entry(Command::About, "About")}),
    };
    return commands;
}

const QList<CommandNode>& BookingCommands()
{
    static const QList<CommandNode> commands = {
        entry(BookingCommand::CutBooking, "Cut Booking"),
        entry(BookingCommand::CopyBooking, "Copy Booking"),
        entry(BookingCommand::PasteBooking, "Paste Booking"),
        entry(BookingCommand::DeleteBooking, "Delete Booking"),
        entry(BookingCommand::Search, "Search"),
        entry(BookingCommand::MyBookings, "My Bookings"),
        entry(BookingCommand::TodaysBookings, "Todays Bookings"),
        entry(BookingCommand::RepeatingBookings, "Repeating Bookings"),
        entry(BookingCommand::PrintSchedule, "Print Scheeme"),
    };
    return commands;
}

const CommandNode* FindMenuCommand(Command command)
{
    return findIn(MenuCommands(), static_cast<int>(command));
}

void RegisterMenuTarget(Command command, CommandTarget target)
{
    menuTargets().insert(static_cast<int>(command), std::move(target));
}

namespace {
UndoTarget& undoTarget()
{
    static UndoTarget target;
    return target;
}
} // namespace

void RegisterUndoTarget(UndoTarget target)
{
    undoTarget() = std::move(target);
}

void RegisterBookingTarget(BookingCommand command, CommandTarget target)
{
    bookingTargets().insert(static_cast<int>(command), std::move(target));
}

bool RunMenuCommand(Command command, QWidget* owner, ScheduleActions* /*view*/)
{
    const CommandNode* node = FindMenuCommand(command);
    if (!node || !node->children.isEmpty())
        return false;
    if (node->adminOnly && !RequireAdmin())
        return true;
    switch (command) {
    case Command::OpenBookingFile:
    case Command::CreateBookingFile: {
        const QString previous = session().BookingFilePath;
        if (RerunsStartup(chooseFileFromBar(command)))
            restartOnFile(previous);
        return true;
    }
    case Command::ExitProgram:
        navigator().quit();
        return true;
    case Command::HelpFile:
        ShowHelpFor(owner ? owner->window() : nullptr);
        return true;
    default:
        break;
    }
    if (const auto it = menuTargets().constFind(static_cast<int>(command));
        it != menuTargets().constEnd())
        (*it)(owner);
    else
        notAvailable(node->caption);
    return true;
}

bool RunBookingCommand(BookingCommand command, QWidget* owner, ScheduleActions* view)
{
    switch (command) {
    case BookingCommand::CutBooking:
        view->cutOrCopy(1);
        return true;
    case BookingCommand::CopyBooking:
        view->cutOrCopy(2);
        return true;
    case BookingCommand::PasteBooking:
        view->paste();
        return true;
    case BookingCommand::DeleteBooking:
        view->deleteSelected();
        return true;
    case BookingCommand::PrintSchedule:
        view->printSchedule();
        return true;
    default:
        break;
    }
    const int number = static_cast<int>(command);
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

// The desktop's usual keys; the menus show them beside the entries.
QKeySequence menuShortcut(Command command)
{
    switch (command) {
    case Command::OpenBookingFile:
        return QKeySequence::Open;
    case Command::ExitProgram:
        return QKeySequence(Qt::CTRL | Qt::Key_Q);
    case Command::HelpFile:
        return QKeySequence::HelpContents;
    default:
        return {};
    }
}

// The menu bar's titles of the tool bar's groups, with their Alt letters.
QString menuBarTitle(const CommandNode& group)
{
    switch (Command(group.number)) {
    case Command::Files:
        return QStringLiteral("&File");
    case Command::Maintenance:
        return QStringLiteral("&Maintenance");
    case Command::Reports:
        return QStringLiteral("&Reports");
    case Command::Help:
        return QStringLiteral("&Help");
    default:
        return group.caption;
    }
}

// The caption with an Alt letter no other entry of its menu has: its own
// when it has one, else the first free letter starting a word, else any.
QString withMnemonic(const QString& caption, QSet<QChar>& used)
{
    if (const qsizetype at = caption.indexOf(QLatin1Char('&'));
        at >= 0 && at + 1 < caption.size()) {
        used.insert(caption.at(at + 1).toLower());
        return caption;
    }
    const auto freeAt = [&](bool wordStart) -> qsizetype {
        for (qsizetype i = 0; i < caption.size(); ++i) {
            const QChar c = caption.at(i);
            if (c.isLetterOrNumber() && !used.contains(c.toLower())
                && (!wordStart || i == 0 || caption.at(i - 1).isSpace()))
                return i;
        }
        return -1;
    };
    qsizetype at = freeAt(true);
    if (at < 0)
        at = freeAt(false);
    if (at < 0)
        return caption;
    used.insert(caption.at(at).toLower());
    return QString(caption).insert(at, QLatin1Char('&'));
}

void addEntries(QMenu* menu, const QList<CommandNode>& nodes, QWidget* owner, ScheduleActions* view)
{
    QSet<QChar> used;
    // Entries that bring their own letter keep it.
    for (const CommandNode& n : nodes)
        if (const qsizetype at = n.caption.indexOf(QLatin1Char('&')); at >= 0)
            used.insert(n.caption.at(at + 1).toLower());
    for (const CommandNode& n : nodes) {
        if (!n.children.isEmpty()) {
            QMenu* sub = menu->addMenu(withMnemonic(n.caption, used));
            sub->setObjectName(QStringLiteral("menu%1").arg(n.number));
            addEntries(sub, n.children, owner, view);
            continue;
        }
        QAction* a = menu->addAction(withMnemonic(n.caption, used));
        a->setObjectName(QStringLiteral("cmd%1").arg(n.number));
        a->setData(n.number);
        if (const QKeySequence key = menuShortcut(Command(n.number)); !key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::WindowShortcut);
        }
        QObject::connect(a, &QAction::triggered, owner, [command = Command(n.number), owner, view] {
            RunMenuCommand(command, owner, view);
        });
    }
}

QKeySequence bookingShortcut(BookingCommand command)
{
    switch (command) {
    case BookingCommand::CutBooking:
        return QKeySequence::Cut;
    case BookingCommand::CopyBooking:
        return QKeySequence::Copy;
    case BookingCommand::PasteBooking:
        return QKeySequence::Paste;
    case BookingCommand::Search:
        return QKeySequence::Find;
    case BookingCommand::PrintSchedule:
        return QKeySequence::Print;
    default:
        return {};
    }
}

// The Edit menu: Undo and Redo name the step they would take and are
// enabled only while there is one.
QMenu* editMenu(QMainWindow* window)
{
    auto* menu = new QMenu(QStringLiteral("&Edit"), window);
    menu->setObjectName(QStringLiteral("menuEdit"));
    QAction* undo = menu->addAction(QStringLiteral("&Undo"));
    undo->setObjectName(QStringLiteral("editUndo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = menu->addAction(QStringLiteral("&Redo"));
    redo->setObjectName(QStringLiteral("editRedo"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* a : {undo, redo})
        a->setShortcutContext(Qt::WindowShortcut);
    const auto update = [undo, redo] {
        UndoStack& stack = UndoStack::instance();
        undo->setText(QLatin1Char('&') + stack.undoText());
        undo->setEnabled(stack.canUndo());
        redo->setText(QLatin1Char('&') + stack.redoText());
        redo->setEnabled(stack.canRedo());
    };
    update();
    QObject::connect(&UndoStack::instance(), &UndoStack::changed, menu, update);
    QObject::connect(menu, &QMenu::aboutToShow, menu, update);
    for (const bool isRedo : {false, true}) {
        QObject::connect(isRedo ? redo : undo, &QAction::triggered, window, [window, isRedo] {
            if (undoTarget())
                undoTarget()(window, isRedo);
        });
    }
    // The shortcuts work with the menu closed.
    window->addAction(undo);
    window->addAction(redo);
    return menu;
}

} // namespace

void AddCommandBars(QMainWindow* window, ScheduleActions* view)
{
    auto* menus = new QToolBar(QStringLiteral("Menu"), window);
    menus->setObjectName(QStringLiteral("ctToolBar1"));
    menus->setMovable(false);
    // The menu bar and the tool bar's buttons open the same menus, so every
    // entry exists once and keeps its objectName and shortcut.
    QMenuBar* bar = window->menuBar();
    QMenu* bookingMenu = nullptr;
    for (const CommandNode& g : MenuCommands()) {
        auto* button = new QToolButton(menus);
        button->setObjectName(QStringLiteral("menu%1").arg(g.number));
        button->setText(g.caption);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        auto* menu = new QMenu(menuBarTitle(g), window);
        addEntries(menu, g.children, window, view);
        button->setMenu(menu);
        menus->addWidget(button);
        if (Command(g.number) == Command::Help)
            bookingMenu = bar->addMenu(QStringLiteral("&Bookings"));
        bar->addMenu(menu);
        if (Command(g.number) == Command::Files)
            bar->addMenu(editMenu(window));
    }
    window->addToolBar(Qt::TopToolBarArea, menus);
    window->addToolBarBreak();
    // F10 opens the menu bar's first menu, as on every desktop.
    auto* f10 = new QAction(window);
    f10->setObjectName(QStringLiteral("openMenuBar"));
    f10->setShortcut(Qt::Key_F10);
    f10->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(f10, &QAction::triggered, bar, [bar] {
        if (!bar->actions().isEmpty())
            bar->setActiveAction(bar->actions().first());
    });
    window->addAction(f10);

    auto* bookings = new QToolBar(QStringLiteral("Bookings"), window);
    bookings->setObjectName(QStringLiteral("ctToolBar2"));
    bookings->setMovable(false);
    bookings->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QSet<QChar> usedInBookings;
    for (const CommandNode& n : BookingCommands()) {
        QAction* a = bookings->addAction(withMnemonic(n.caption, usedInBookings));
        a->setObjectName(QStringLiteral("cmd%1").arg(n.number));
        a->setData(n.number);
        if (const QKeySequence key = bookingShortcut(BookingCommand(n.number)); !key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::WindowShortcut);
            a->setToolTip(
                QStringLiteral("%1 (%2)").arg(n.caption, key.toString(QKeySequence::NativeText)));
        }
        QObject::connect(a, &QAction::triggered, window,
                         [command = BookingCommand(n.number), window, view] {
                             RunBookingCommand(command, window, view);
                         });
        if (bookingMenu)
            bookingMenu->addAction(a);
    }
    window->addToolBar(Qt::TopToolBarArea, bookings);
}

} // namespace vestra
