#pragma once
// CorvaneTray's built-in resources: the hidden task window, the icon's menu, the tray
// icon, the two popups' templates and the pictures they draw.
#include "platform/ui/drawing/Resources.h"

namespace Velunor::Quillon::Resident {

inline constexpr int kTaskDialogId = 129;          // hidden modeless dialog "CorvaneTray"
inline constexpr int kNotificationDialogId = 131;  // monthly guidance popup, no controls
inline constexpr int kUpdateDialogId = 135;        // update popup, no controls
inline constexpr int kTrayIconId = 107;            // notification-area icon, window icon of all three
inline constexpr int kTrayMenuId = 200;            // one pop-up with the two commands below

// Commands of the tray menu.
inline constexpr int ID_SHOW_GRAPH = 210;
inline constexpr int ID_UNINSTALL = 220;

// Pictures (exact pixel sizes; drawn on white, as the popups paint on white).
inline constexpr int kShowButtonBitmapId = 132;           // 113 x 42, teal pill "表示する"
inline constexpr int kCloseButtonBitmapId = 133;          // 113 x 42, grey pill "表示しない"
inline constexpr int kUpdateLinkBitmapId = 136;           // 350 x 15, orange bar, blue "こちらをクリック"
inline constexpr int kGuidanceInfoBitmapId = 137;         // 32 x 33, grey circle with a white i
inline constexpr int kShowButtonHoverBitmapId = 138;      // brighter teal
inline constexpr int kShowButtonPressedBitmapId = 139;    // darker teal
inline constexpr int kCloseButtonHoverBitmapId = 140;     // brighter grey
inline constexpr int kCloseButtonPressedBitmapId = 141;   // darker grey

// The module instance of the tray program.
platform::ModuleHandle GetTrayResources();

}  // namespace Velunor::Quillon::Resident
