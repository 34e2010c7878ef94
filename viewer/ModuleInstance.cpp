#include "viewer/ModuleInstance.h"

#include "resources/viewer/ViewerResources.h"

namespace Velunor::Quillon::Ui {

namespace {

platform::ModuleHandle moduleInstance = nullptr;

}  // namespace

platform::ModuleHandle GetModuleInstance() { return moduleInstance != nullptr ? moduleInstance : GetViewerResources(); }

void SetModuleInstance(platform::ModuleHandle instance) { moduleInstance = instance; }

}  // namespace Velunor::Quillon::Ui
