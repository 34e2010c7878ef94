#pragma once
// Inside the UI layer only: a dialog template made into its widgets. Not for program
// code.
#include "platform/ui/drawing/Resources.h"
#include "platform/ui/windows/WindowHandle.h"

namespace platform {
class Dialog;
}

namespace platform::ui_detail {

// Builds the widgets of a dialog template; the record is registered and returned.
UiWindow BuildDialog(Dialog* owner, ModuleHandle module, const DialogTemplate& dialogTemplate, UiWindow parent);

}  // namespace platform::ui_detail
