#pragma once
// The add-on/stand-alone item windows (equipment): ResitemA to edit,
// ResitemAView to look, ResitemAD to add; supplier, brand, model, serial
// number, year, warranty and home base besides the common fields.

#include "resources/itemwindow.h"
#include "resources/resourcewindows.h"

namespace vestra {

class KeyCombo;

class EquipmentItemWindow : public ItemWindow {
    Q_OBJECT
public:
    explicit EquipmentItemWindow(ItemMode mode, QWidget* parent = nullptr);

private:
    void fillHomebases(KeyCombo* list);
};

} // namespace vestra
