#pragma once
// What the account windows share: one bound data source on konti, editors
// named after their fields, the department list, and the writing of a new
// account together with its membership row. A new record is never written
// without that row: closing the window on one goes through the window's own
// save (or discards it while its required fields are still empty).

#include "data/statements.h"
#include "forms/recordwindow.h"

#include <functional>

class QFormLayout;
class QLineEdit;

namespace vestra {

class FlagBox;
class KeyCombo;

class AccountWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit AccountWindow(QWidget* parent = nullptr);

signals:
    // The window closed after writing; the lists that show accounts reload.
    void closed();

protected:
    // A line editor for a text field, named after it, added to form.
    QLineEdit* addLine(QFormLayout* form, const QString& label, const QString& field);
    // A yes/no field as a check box, named after it, added to form.
    FlagBox* addFlag(QFormLayout* form, const QString& label, const QString& field);
    // The department list (departmentfor: shows depname, stores depnr).
    KeyCombo* addDepartment(QFormLayout* form);
    // Binds every editor made above; call once the window is laid out.
    void bindFields();

    // In one transaction: the record and the membership row for its key (a
    // new record's key is the one the database gives it). False when anything
    // failed; nothing is then stored, the record stays pending and the
    // window has said why.
    bool writeWithMembership(const std::function<Statement(int id)>& membership);

    // Closing on a new record: the window stores it as its save does, or
    // drops it when nothing required was filled in. False keeps it open.
    virtual bool finishNewRecord() = 0;
    // A stored account's edit is logged with what each field held before.
    bool writeShown(QString* error) override;

    void closeEvent(QCloseEvent* event) override;
    // As in a dialog: Return presses the button that has the focus, else the
    // window's Ok; Escape drops what was typed (a new account with it) and
    // closes.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QList<std::pair<QWidget*, QString>> m_fields;
};

} // namespace vestra
