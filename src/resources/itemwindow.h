#pragma once
// What the item windows share (one row of lokale): number, name,
// description, fee and the "Unavailable" box with its two dates; the
// buttons of the edit, view and add modes. The domestic and the
// add-on/stand-alone windows add their own fields.

#include "forms/recordwindow.h"
#include "resources/resourcewindows.h"

class QFormLayout;
class QHBoxLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vestra {

class AmountEdit;
class DateField;
class FlagBox;

class ItemWindow : public RecordWindow {
    Q_OBJECT
public:
    ItemMode mode() const { return m_mode; }

    // The box was ticked or cleared by the user: ticking makes the dates
    // editable and sets them to today and today + 14 days; clearing locks
    // them and leaves them as they are.
    void SetUnavailable(bool on);
    void Delete();
    // Ok: closes the window, which writes the record (a view writes nothing).
    void CloseWindow();

protected:
    ItemWindow(ItemMode mode, QWidget* parent);

    // The form of the common fields; the variants add rows to it.
    QFormLayout* resourceForm() const { return m_form; }
    // The row of columns the variants may add group boxes to.
    QHBoxLayout* columns() const { return m_columns; }
    // Binds an editor the variant made and, in a view, locks it.
    void bindField(QWidget* editor, const QString& field);
    // Whether a view window also follows the box for its dates.
    void setViewFollowsBox(bool follows) { m_viewFollowsBox = follows; }
    // Called by the variant's constructor once its fields are in place.
    void finish();

private:
    void recordShown();
    void applyBoxState();

    ItemMode m_mode;
    bool m_viewFollowsBox = false;
    QFormLayout* m_form;
    QHBoxLayout* m_columns;
    QLineEdit* m_number;
    QLineEdit* m_name;
    QPlainTextEdit* m_description;
    AmountEdit* m_fee;
    FlagBox* m_unavailable = nullptr;
    DateField* m_start = nullptr;
    DateField* m_end = nullptr;
};

} // namespace vestra
