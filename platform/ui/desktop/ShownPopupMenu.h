#pragma once
// Inside the UI layer only: the pop-up menu TrackPopupMenu shows now, and who is told
// once one is on the screen (tests drive menus from there). Not for program code.
#include <QMenu>

#include <functional>

namespace platform::ui_detail {

// Called inside TrackPopupMenu's loop with the menu once it is shown; an empty function
// removes it.
void SetShownMenuObserver(std::function<void(QMenu&)> observer);
// The menu TrackPopupMenu shows now; null when none is open.
QMenu* ShownMenu();

}  // namespace platform::ui_detail
