#pragma once
// The entries of the schedule windows' two tool bars and their numbers.
// Each entry runs a target registered by the window it opens; windows that
// are not part of this build yet say so when their entry is used.

#include <QList>
#include <QString>
#include <functional>

class QMainWindow;
class QWidget;

namespace vestra {

// A tool bar entry; an entry with children is a drop-down group.
struct CommandNode {
    int number = 0;
    QString caption;
    bool adminOnly = false;
    QList<CommandNode> children;
};

// The menu tool bar ctToolBar1: Files, Maintenance, Reports, Help.
const QList<CommandNode>& MenuCommands();
// The booking tool bar ctToolBar2, in the order its buttons stand.
const QList<CommandNode>& BookingCommands();
// The entry of the menu tool bar with that number, or nullptr.
const CommandNode* FindMenuCommand(int number);

// What a menu entry does. The owner is the schedule window it was chosen in.
using CommandTarget = std::function<void(QWidget* owner)>;
void RegisterMenuTarget(int number, CommandTarget target);
// The booking tool bar's list and search windows (14, 15, 16, 18).
void RegisterBookingTarget(int number, CommandTarget target);

// What the booking tool bar does in the window it was chosen in.
class ScheduleActions {
public:
    virtual ~ScheduleActions() = default;
    virtual void cutOrCopy(int clipboardMode) = 0;
    virtual void paste() = 0;
    virtual void deleteSelected() = 0;
    virtual void printSchedule() = 0;
};

// Runs a menu entry: the administrator check, then its action. False when
// the number has no action (group heads, unknown numbers). No menu entry uses
// the view's booking actions; it is taken so that both tool bars run alike.
bool RunMenuCommand(int number, QWidget* owner, ScheduleActions* view);
bool RunBookingCommand(int number, QWidget* owner, ScheduleActions* view);

// Builds ctToolBar1 (menus) and ctToolBar2 (booking buttons) on the window.
void AddCommandBars(QMainWindow* window, ScheduleActions* view);

} // namespace vestra
