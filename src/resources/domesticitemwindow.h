#pragma once
// The domestic item windows (rooms and places): resitemL to edit,
// resitemLView to look, resitemLAD to add; capacity and fixed furniture
// besides the common fields.

#include "resources/itemwindow.h"
#include "resources/resourcewindows.h"

namespace vestra {

class DomesticItemWindow : public ItemWindow {
    Q_OBJECT
public:
    explicit DomesticItemWindow(ItemMode mode, QWidget* parent = nullptr);
};

} // namespace vestra
