#pragma once
// The update popup: the configured update text over a link bar. Pressing the link ends
// it with 1, the caption's close box with 0.
#include <cstdint>

#include "platform/ui/drawing/GdiHandles.h"
#include "tray/TrayPopup.h"
#include "widgets/DrawButton.h"
#include "widgets/DrawText.h"

namespace Velunor::Quillon::Resident {

class CUpdateWnd : public CTrayPopup {
 public:
  static constexpr int kClientWidth = 450;
  static constexpr int kClientHeight = 70;

  explicit CUpdateWnd(platform::ModuleHandle instance);

  using platform::Dialog::DoModal;
  // Runs the popup over the owner: 1 (link), 0 (closed), -1 when it could not be made.
  std::intptr_t DoModal(platform::UiWindow owner = platform::UiWindow());

  const Ui::CDrawText& GetText() const { return m_text; }
  const Ui::CDrawButton& GetLinkButton() const { return m_linkButton; }
  void DrawParts(platform::DcHandle dc) override;

 protected:
  bool ProcessWindowMessage(platform::UiWindow window, unsigned int message, platform::WParam wParam,
                            platform::LParam lParam, platform::LResult& result) override;

 private:
  platform::LResult OnInitDialog(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnMouseMove(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnLButtonDown(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);

  Ui::CDrawText m_text;
  Ui::CDrawButton m_linkButton;
};

}  // namespace Velunor::Quillon::Resident
