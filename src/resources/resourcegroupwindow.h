#pragma once
// The resource group window: one row of overgruppenavne, opened by the
// resource manager on a group or, under a group kind, on a new group.

#include "forms/recordwindow.h"

class QLineEdit;

namespace vestra {

class ResourceGroupWindow : public RecordWindow {
    Q_OBJECT
public:
    explicit ResourceGroupWindow(QWidget* parent = nullptr);

    // Ok: refuses an empty name, otherwise closes, which writes the record.
    void Save();
    void Delete();

protected:
    bool mayLeaveRecord() override;

private:
    QLineEdit* m_name;
};

} // namespace vestra
