#pragma once
// The entries of the schedule windows' two tool bars and their numbers.
// Each entry runs a target registered by the window it opens; windows that
// are not part of this build yet say so when their entry is used. The
// numbers are fixed: they name the entries' objects ("cmd21", "menu22").

#include <QList>
#include <QString>
#include <functional>

class QMainWindow;
class QWidget;

namespace vestra {

// The entries of the menu tool bar ctToolBar1 (groups and their entries).
enum class Command : int {
    Files = 1,
    OpenBookingFile = 11,
    CreateBookingFile = 12,
    ExitProgram = 14,
    Maintenance = 2,
    ResourceManager = 21,
    Accounts = 22,
    GroupAccountManager = 221,
    PersonalAccount = 222,
    AccountManager = 223,
    Parameters = 23,
    CompanyInfo = 241,
    OpeningHours = 242,
    Options = 24,
    UnavailableList = 25,
    TentativeBookings = 26,
    ChangeLog = 27,
    Reports = 3,
    BookingOverview = 31,
    PeriodTotals = 32,
    PeriodDetails = 33,
    ResourceLists = 0,  // the group has no number of its own
    DomesticList = 341, // 340 + group kind, see ResourceListCommand
    AddOnList = 342,
    StandAloneList = 343,
    AccountList = 35,
    Help = 6,
    HelpFile = 61,
    About = 62,
};

// The resource list of a group kind (1 Domestic, 2 Add-On, 3 Stand-Alone).
constexpr Command ResourceListCommand(int kind)
{
    return static_cast<Command>(340 + kind);
}

// The entries of the booking tool bar ctToolBar2. Their numbers overlap
// those of the menu (14 is Exit Program there and Search here), so the two
// bars have an enumeration each.
enum class BookingCommand : int {
    CutBooking = 7,
    CopyBooking = 8,
    PasteBooking = 9,
    DeleteBooking = 10,
    Search = 14,
    MyBookings = 15,
    TodaysBookings = 16,
    PrintSchedule = 17,
    RepeatingBookings = 18,
};

// A tool bar entry; an entry with children is a drop-down group.
struct CommandNode {
    int number = 0; // the value of its Command or BookingCommand
    QString caption;
    bool adminOnly = false;
    QList<CommandNode> children;
};

// The menu tool bar ctToolBar1: Files, Maintenance, Reports, Help.
const QList<CommandNode>& MenuCommands();
// The booking tool bar ctToolBar2, in the order its buttons stand.
const QList<CommandNode>& BookingCommands();
// The entry of the menu tool bar with that number, or nullptr.
const CommandNode* FindMenuCommand(Command command);

// What a menu entry does. The owner is the schedule window it was chosen in.
using CommandTarget = std::function<void(QWidget* owner)>;
void RegisterMenuTarget(Command command, CommandTarget target);
// The booking tool bar's list and search windows (14, 15, 16, 18).
void RegisterBookingTarget(BookingCommand command, CommandTarget target);

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
bool RunMenuCommand(Command command, QWidget* owner, ScheduleActions* view);
bool RunBookingCommand(BookingCommand command, QWidget* owner, ScheduleActions* view);

// The Edit menu's Undo (redo false) and Redo: the program registers what
// they do, since an undo also reaches the open booking form.
using UndoTarget = std::function<void(QWidget* owner, bool redo)>;
void RegisterUndoTarget(UndoTarget target);

// Builds ctToolBar1 (menus) and ctToolBar2 (booking buttons) on the window.
void AddCommandBars(QMainWindow* window, ScheduleActions* view);

} // namespace vestra
