#pragma once
// For tests: a pop-up menu of TrackPopupMenu seen and driven while it is open.
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/windows/UiWindow.h"

namespace platform {

// What an open pop-up menu shows, handed to the test's hook once the menu is
// on the screen; the hook picks an item (or closes the menu) through the functions below.
struct OpenPopupMenu {
  std::vector<std::wstring> texts;  // item texts, "" for a separator
  std::vector<int> commandIds;      // 0 for separators and nested pop-ups
  Rect rect;                        // the menu on the screen
};
// Called inside TrackPopupMenu while the menu is open; an empty function removes it.
void SetPopupMenuHook(std::function<void(const OpenPopupMenu&)> hook);
// Chooses the item of the open menu as a click would; false when no menu is open or it
// has no such item.
bool ChoosePopupMenuCommand(int commandId);
// Closes the open menu without a choice.
bool ClosePopupMenu();

}  // namespace platform
