#pragma once
// The group account window (Gruppekonto): one group account of konti, opened
// by the group account manager on a new group or on a group its owner edits.
// Saving makes the logged-in account a member of the group.

#include "accounts/accountwindow.h"

class QLineEdit;

namespace vestra {

class GroupAccountWindow : public AccountWindow {
    Q_OBJECT
public:
    explicit GroupAccountWindow(QWidget* parent = nullptr);

    // Ok: refuses an empty name; otherwise stores the group with the
    // logged-in account as a member and closes.
    void Save();
    // Cancel (and Escape): drops the pending changes or the new group, and closes.
    void Discard();

protected:
    bool finishNewRecord() override;
    bool mayLeaveRecord() override;

private:
    bool nameFilled();
    bool store();

    QLineEdit* m_name;
};

} // namespace vestra
