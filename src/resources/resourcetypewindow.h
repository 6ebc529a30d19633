#pragma once
// The resource type window: one row of lokaliteter, opened by the
// resource manager on a type or, under a group, on a new type.

#include "forms/recordwindow.h"

class QLineEdit;

namespace vestra {

class ResourceTypeWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit ResourceTypeWindow(QWidget* parent = nullptr);

    // Ok: refuses an empty name, otherwise closes, which writes the record.
    void Save();
    void Delete();

protected:
    bool mayLeaveRecord() override;

private:
    QLineEdit* m_name;
    QLineEdit* m_description;
};

} // namespace vestra
