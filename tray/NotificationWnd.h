#pragma once
// The monthly guidance popup: an information sign, the configured guidance text and two
// picture buttons. The show button ends it with 1, the close button and the caption's
// close box with 0; keys and commands do nothing.
#include <cstdint>

#include "platform/ui/drawing/GdiHandles.h"
#include "tray/TrayPopup.h"
#include "widgets/DrawBmp.h"
#include "widgets/DrawButton.h"
#include "widgets/DrawText.h"

namespace Velunor::Quillon::Resident {

class CNotificationWnd : public CTrayPopup {
 public:
  static constexpr int kClientWidth = 480;
  static constexpr int kClientHeight = 150;

  explicit CNotificationWnd(platform::ModuleHandle instance);

  using platform::Dialog::DoModal;
  // Runs the popup over the owner: 1 (show), 0 (close), -1 when it could not be made.
  std::intptr_t DoModal(platform::UiWindow owner = platform::UiWindow());

  const Ui::CDrawBmp& GetIcon() const { return m_icon; }
  const Ui::CDrawText& GetText() const { return m_text; }
  const Ui::CDrawButton& GetShowButton() const { return m_showButton; }
  const Ui::CDrawButton& GetCloseButton() const { return m_closeButton; }
  void DrawParts(platform::DcHandle dc) override;

 protected:
  bool ProcessWindowMessage(platform::UiWindow window, unsigned int message, platform::WParam wParam,
                            platform::LParam lParam, platform::LResult& result) override;

 private:
  platform::LResult OnInitDialog(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnCommand(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnMouseMove(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnLButtonDown(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);

  Ui::CDrawBmp m_icon;
  Ui::CDrawText m_text;
  Ui::CDrawButton m_showButton;
  Ui::CDrawButton m_closeButton;
};

}  // namespace Velunor::Quillon::Resident
