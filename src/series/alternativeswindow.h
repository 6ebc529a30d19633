#pragma once
// The free items of the schedule's resource type at a colliding candidate's
// time; applying one moves the candidate to that item. One class serves the
// pattern window ("alternatives") and the free-date window ("alternativesV").

#include <QWidget>
#include <functional>

class QPushButton;

namespace vestra {

class ListControl;

class AlternativesWindow : public QWidget {
    Q_OBJECT
public:
    // applied runs after the candidate moved, so that the caller reloads.
    AlternativesWindow(int candidateId, std::function<void()> applied, QWidget* parent = nullptr);

    ListControl* list() const { return m_list; }
    void Apply();

private:
    int m_candidate;
    std::function<void()> m_applied;
    ListControl* m_list;
};

// Searches the free items of the template item's type for the candidate
// selected in the caller's list and opens the window of that name over the
// caller, modal. Without a selection says "Select a booking.".
AlternativesWindow* FindAlternativeFor(ListControl* candidates, int templateItem,
                                       const QString& windowName, QWidget* caller,
                                       std::function<void()> applied);

} // namespace vestra
