#pragma once
// The list of unavailable resource items (the saved query unavailfor), from
// which an administrator edits an item's unavailable period and prints the
// list.

#include "report/listcontrol.h"

#include <QDate>
#include <QSqlRecord>
#include <QWidget>

class QPushButton;

namespace vestra {

struct Session;

// --- rules ---

QVector<ListControlColumn> UnavailColumns();
// Item, type, group, from and to, the dates (day numbers) as dates; an
// empty date stays empty.
QVariantList UnavailCells(const QSqlRecord& record);
// unavailfor on the session's booking file, each row keyed by lokalenr.
ListFillSource UnavailFillSource();
// InstitutionName + three blanks + InstitutionCity + ", " + today's date.
QString UnavailPrintSubtitle(const Session& session, const QDate& today);

// --- window ---

class UnavailabilityEditor;

class UnavailableList : public QWidget {
    Q_OBJECT
public:
    explicit UnavailableList(QWidget* parent = nullptr);

    ListControl* list() const { return m_list; }
    // Clears the rows and fills the list again.
    void Reload();
    // Opens the edit window on the selected row's item.
    void Edit();
    void Print();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void editItem(int lokalenr);

    ListControl* m_list;
    QPushButton* m_edit;
    QPushButton* m_print;
    QPushButton* m_exit;
};

// Opens the list owned by the given window. Only administrators may use it:
// the caller checks RequireAdmin() first, as every command bar entry does.
UnavailableList* ShowUnavailableList(QWidget* owner);

} // namespace vestra
