#pragma once
// CorvaneViewer's built-in resources: the main dialog, its menu, the window icon and
// the pictures of the title and the two picture buttons.
#include "platform/ui/drawing/Resources.h"

namespace Velunor::Quillon::Ui {

inline constexpr int kMainDialogId = 129;
inline constexpr int kMainMenuId = 109;
inline constexpr int kMainIconId = 109;
inline constexpr int kTitleBitmapId = 131;             // 150 x 30, for white text
inline constexpr int kDownloadBitmapId = 137;          // 170 x 30
inline constexpr int kDownloadHoverBitmapId = 138;
inline constexpr int kComparisonBitmapId = 139;
inline constexpr int kComparisonHoverBitmapId = 140;

inline constexpr int kPrevMonthButtonId = 1000;
inline constexpr int kNextMonthButtonId = 1001;
inline constexpr int kGraphFrameId = 1004;
inline constexpr int kUpdateButtonId = 1015;
inline constexpr int kLineSettingsCommandId = 32771;

// The module instance of the viewer.
platform::ModuleHandle GetViewerResources();

}  // namespace Velunor::Quillon::Ui
