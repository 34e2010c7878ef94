#include "reckoner/Reckoner.h"

#include <vector>

#include "common/ProductName.h"
#include "platform/ui/windows/MessageBox.h"
#include "reckoner/CommandLine.h"
#include "reckoner/LineChooser.h"
#include "reckoner/Messages.h"
#include "reckoner/PriceFiles.h"

namespace Velunor::Quillon::Reckoner {

namespace {

namespace Common = Velunor::Quillon::Common;

// Top-most: the viewer that started the chooser is, and would hide a box of ours.
void ShowError(const wchar_t* text) {
  platform::MessageBox(platform::UiWindow(), text, Common::kProductName,
                       platform::MB_OK | platform::MB_ICONERROR | platform::MB_TOPMOST);
}

int CheckFiles() {
  switch (CPriceFiles::Check()) {
    case PriceFileState::Ready: return kReady;
    case PriceFileState::Missing:
      ShowError(kMsgStartFailedReinstall);
      return kFilesMissing;
    case PriceFileState::Unreadable:
      ShowError(kMsgUpdateFailedRestart);
      return kFilesUnreadable;
  }
  return kFilesUnreadable;
}

int ChooseLine() {
  std::vector<LineEntry> lines;
  if (!CPriceFiles::ReadLines(lines) || lines.empty()) {
    ShowError(kMsgCannotStartUpdate);
    return kCancelled;
  }
  CLineChooser chooser(std::move(lines), CPriceFiles::ReadSelectedName());
  return chooser.Run() == CLineChooser::kChosen ? kReady : kCancelled;
}

}  // namespace

int ReckonerMain(const std::wstring& arguments) {
  if (arguments == kReckonerArgument) return ChooseLine();
  return CheckFiles();
}

}  // namespace Velunor::Quillon::Reckoner
