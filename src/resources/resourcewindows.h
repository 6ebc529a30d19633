#pragma once
// The windows of the resource manager by objectName: the manager, the group
// and type windows and the item windows of each kind and mode.

#include <QChar>
#include <QString>

namespace vestra {

// The objectNames of the windows the resource manager opens.
namespace windows {
inline constexpr auto ResManager = "ResManager";
inline constexpr auto Resgroup = "Resgroup";
inline constexpr auto Restype = "lokaliteter";
inline constexpr auto DomesticEdit = "resitemL";
inline constexpr auto DomesticView = "resitemLView";
inline constexpr auto DomesticAdd = "resitemLAD";
inline constexpr auto EquipmentEdit = "ResitemA";
inline constexpr auto EquipmentView = "ResitemAView";
inline constexpr auto EquipmentAdd = "ResitemAD";
} // namespace windows

enum class ItemMode { Edit, View, Add };

// Domestic items ('L') have windows of their own; Add-On and Stand-Alone share.
QString ItemWindowName(QChar kindLetter, ItemMode mode);

} // namespace vestra
