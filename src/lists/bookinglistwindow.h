#pragma once
// What the booking list windows share: a list of bookings under the
// window's own choices, a row of buttons under it ending in Exit at the
// right, Escape that closes, the list's fill errors said, a chosen booking
// shown read-only, and printing with the institution as subtitle. Today's,
// my, tentative, found and expiring bookings each add their choices and
// say how their list fills.

#include <QWidget>

class QHBoxLayout;
class QPushButton;
class QVBoxLayout;

namespace vestra {

class ListControl;
struct ListFillSource;

class BookingListWindow : public QWidget {
    Q_OBJECT
public:
    ListControl* list() const { return m_list; }
    // Fills the list afresh for the window's current choices.
    virtual void Reload() = 0;

protected:
    BookingListWindow(const QString& objectName, const QString& title, QWidget* parent);

    // The window is built top down: the rows of choices, the list, then the
    // buttons, in the order the user tabs through them.
    QVBoxLayout* rows() const { return m_rows; }
    ListControl* addList(const char* name, const QString& accessibleName);
    QPushButton* addButton(const QString& caption, const char* name);
    // Print, then "Export…" of the rows to a spreadsheet beside it.
    QPushButton* addPrintButton(const char* name);
    QPushButton* addExportButton();
    // "Export Calendar…": the listed bookings (rows keyed by booking number)
    // to an .ics file.
    QPushButton* addExportCalendarButton(const QString& calendarName);
    void addExitButton(const char* name);
    // Widens the window to the list's columns and gives the list the focus.
    void fitToList(int minWidth, int height);

    // Fills the list from the source; says why when it cannot.
    void fillFrom(const ListFillSource& source);
    void reportFillError(int filled);
    // Shows the selected booking read-only; nothing without a selection. A
    // booking deleted elsewhere since the fill leaves the list.
    void showSelectedInfo();
    // Prints the list under the title, with the institution, its city and
    // today's date as subtitle.
    void printList(const QString& title, const QString& separator);

    ListControl* m_list = nullptr;

private:
    // Another workstation changed bookings: the list is filled again from
    // the same source, keeping the selected booking and the scroll position.
    void storeChanged();

    QVBoxLayout* m_rows;
    QHBoxLayout* m_buttons;
};

} // namespace vestra
