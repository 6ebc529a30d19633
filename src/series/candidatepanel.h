#pragma once
// The list of candidate dates the pattern and free-date windows share: the
// dates of the series being built, each with its collision mark, and the
// buttons that remove the selected date, remove the colliding ones, or move
// the selected one to a free item of the template's type.

#include "series/candidates.h"

#include <QPointer>
#include <QWidget>

class QVBoxLayout;

namespace vestra {

class BookingForm;
class ListControl;

struct CandidatePanelSetup {
    struct Button {
        const char* name;
        const char* caption;
    };
    const char* listName;
    const char* accessibleName;
    Button removeOne;
    Button removeColliding;
    Button alternative;
    const char* alternativesWindow; // the objectName of its alternatives window
    const char* startFormat;        // the start column's time format
    bool buttonsBelow;              // below the list, or in a column beside it
};

class CandidatePanel : public QWidget {
    Q_OBJECT
public:
    CandidatePanel(const CandidatePanelSetup& setup, BookingForm* form, QWidget* parent);

    ListControl* list() const { return m_list; }
    // Where the three buttons are; a window may add its own after them.
    QVBoxLayout* buttonColumn() const { return m_buttons; }

    // Clears the list and fills it from gendatogent; returns the candidates shown.
    QList<Candidate> reload();
    // Empties gendatogent, then the list.
    void empty();
    // The free items for the selected date, in the alternatives window over
    // this panel's window; applying one reloads.
    void findAlternative();

signals:
    void reloaded(const QList<Candidate>& shown);

private:
    void removeSelected();
    void removeColliding();

    QPointer<BookingForm> m_form;
    QString m_alternativesWindow;
    QString m_startFormat;
    ListControl* m_list;
    QVBoxLayout* m_buttons;
};

} // namespace vestra
