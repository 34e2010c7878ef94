#pragma once
// The viewer's module instance: what WinMain was given, the viewer's own resources
// before that and after it.
#include "platform/ui/drawing/Resources.h"

namespace Velunor::Quillon::Ui {

platform::ModuleHandle GetModuleInstance();
// Null gives the viewer's own resources back.
void SetModuleInstance(platform::ModuleHandle instance);

}  // namespace Velunor::Quillon::Ui
