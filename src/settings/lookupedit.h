#pragma once
// The edit window of a department, a floor plan or a homebase (Editdep,
// EditFloorP, Edithomeb): one record of its table with its name and, for
// floor plans and homebases, the department it belongs to. OK closes the
// window, which stores the record; Escape drops the typed changes.

#include "forms/recordwindow.h"
#include "settings/settings.h"

class QLabel;
class QLineEdit;

namespace vestra {

class KeyCombo;

class LookupEdit : public RecordWindow {
    Q_OBJECT
public:
    LookupEdit(LookupKind kind, QWidget* parent = nullptr);
    LookupKind kind() const { return m_kind; }

protected:
    bool mayLeaveRecord() override;

private:
    void showKey();

    LookupKind m_kind;
    QLineEdit* m_name;
    QLabel* m_key = nullptr;          // departments: their own number
    KeyCombo* m_department = nullptr; // floor plans and homebases
};

} // namespace vestra
