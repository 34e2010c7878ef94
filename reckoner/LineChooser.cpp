#include "reckoner/LineChooser.h"

#include <optional>

#include "common/ProductName.h"
#include "platform/core/Process.h"
#include "platform/ui/desktop/ExternalWindows.h"
#include "platform/ui/windows/MessageBox.h"
#include "reckoner/Messages.h"

namespace Velunor::Quillon::Reckoner {

namespace {

namespace Common = Velunor::Quillon::Common;
using platform::ControlClass;
using platform::ControlTemplate;

constexpr int kLabelId = 1001;
constexpr int kFirstDescriptionId = 1200;
constexpr int kMargin = 7;
constexpr int kWidth = 300;
constexpr int kLineHeight = 14;
constexpr int kDescriptionHeight = 18;  // two lines of the dialog font
constexpr int kGap = 4;
constexpr int kButtonWidth = 60;

platform::DialogTemplate MakeTemplate(const std::vector<LineEntry>& lines) {
  platform::DialogTemplate dialog;
  dialog.id = CLineChooser::kDialogId;
  dialog.caption = L"回線品目の設定";
  // Top-most like the viewer it answers, so it never opens behind it.
  dialog.style = platform::WS_POPUP | platform::WS_CAPTION | platform::WS_SYSMENU | platform::DS_CENTER |
                 platform::DS_SETFONT | platform::WS_VISIBLE;
  dialog.extendedStyle = platform::WS_EX_TOPMOST;
  dialog.fontFace = L"ＭＳ Ｐゴシック";
  dialog.fontPointSize = 9;
  const std::uint32_t button = platform::WS_CHILD | platform::WS_VISIBLE | platform::WS_TABSTOP;
  const std::uint32_t text = platform::WS_CHILD | platform::WS_VISIBLE | platform::SS_LEFT;
  const int inner = kWidth - 2 * kMargin;
  int y = kMargin;
  dialog.controls.push_back(
      ControlTemplate{ControlClass::Static, kLabelId, L"ご利用の回線品目を選んでください。", text, kMargin, y, inner, 10});
  y += 10 + kGap;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // The mark stands at the left of the name, where a long name cannot push it out.
    dialog.controls.push_back(ControlTemplate{ControlClass::Button, CLineChooser::kFirstLineButtonId + static_cast<int>(i),
                                              L"", button | platform::BS_LEFT, kMargin, y, inner, kLineHeight});
    y += kLineHeight + 1;
    dialog.controls.push_back(ControlTemplate{ControlClass::Static, kFirstDescriptionId + static_cast<int>(i),
                                              lines[i].description, text, kMargin + 8, y, inner - 8, kDescriptionHeight});
    y += kDescriptionHeight + kGap;
  }
  y += kGap;
  dialog.controls.push_back(ControlTemplate{ControlClass::Button, platform::IDOK, L"OK", button | platform::BS_DEFPUSHBUTTON,
                                            kWidth - 2 * (kButtonWidth + kMargin), y, kButtonWidth, 14});
  dialog.controls.push_back(ControlTemplate{ControlClass::Button, platform::IDCANCEL, L"キャンセル", button,
                                            kWidth - kButtonWidth - kMargin, y, kButtonWidth, 14});
  dialog.width = kWidth;
  dialog.height = y + 14 + kMargin;
  return dialog;
}

// The window of the program that started this one (the viewer), when it shows one.
std::optional<platform::TopLevelWindow> StarterWindow() {
  return platform::FindTopLevelWindowOfProcess(platform::ParentProcessId());
}

}  // namespace

CLineChooser::CLineChooser(std::vector<LineEntry> lines, const std::wstring& selectedName) : m_lines(std::move(lines)) {
  for (std::size_t i = 0; i < m_lines.size(); ++i) {
    if (m_lines[i].name == selectedName) {
      m_choice = static_cast<int>(i);
      break;
    }
  }
  m_module.name = L"CorvaneReckoner";
  m_module.dialogs.push_back(MakeTemplate(m_lines));
}

int CLineChooser::Run() { return static_cast<int>(DoModal(Module(), kDialogId)) == kChosen ? kChosen : kCancelled; }

std::wstring CLineChooser::LineButtonText(std::size_t index) const {
  const LineEntry& line = m_lines[index];
  return (static_cast<int>(index) == m_choice ? L"● " : L"　 ") + line.name;
}

void CLineChooser::Choose(int index) {
  m_choice = index;
  for (std::size_t i = 0; i < m_lines.size(); ++i) {
    platform::SetWindowText(platform::GetDlgItem(Handle(), kFirstLineButtonId + static_cast<int>(i)), LineButtonText(i));
  }
  platform::EnableWindow(platform::GetDlgItem(Handle(), platform::IDOK), m_choice >= 0);
}

void CLineChooser::OnOk() {
  if (m_choice < 0) return;
  if (!CPriceFiles::WriteSelectedName(m_lines[static_cast<std::size_t>(m_choice)].name)) {
    platform::MessageBox(Handle(), kMsgUpdateFailedRestart, Common::kProductName,
                         platform::MB_OK | platform::MB_ICONERROR);
    EndDialog(kCancelled);
    return;
  }
  EndDialog(kChosen);
}

bool CLineChooser::ProcessWindowMessage(platform::UiWindow, unsigned int message, platform::WParam wParam,
                                        platform::LParam, platform::LResult& result) {
  result = 0;
  switch (message) {
    case platform::WM_INITDIALOG:
      // Stacked over the viewer, whose input is blocked while this window is up.
      if (std::optional<platform::TopLevelWindow> starter = StarterWindow()) {
        platform::SetExternalOwner(Handle(), *starter);
      }
      Choose(m_choice);
      result = 1;
      return true;
    case platform::WM_COMMAND: {
      int id = static_cast<int>(platform::LowWord(wParam));
      if (id == platform::IDOK) {
        OnOk();
      } else if (id == platform::IDCANCEL) {
        EndDialog(kCancelled);
      } else if (id >= kFirstLineButtonId && id < kFirstLineButtonId + static_cast<int>(m_lines.size())) {
        Choose(id - kFirstLineButtonId);
      }
      return true;
    }
    default: return false;
  }
}

}  // namespace Velunor::Quillon::Reckoner
