#pragma once
// The viewer's only window: a modeless dialog that shows one month of traffic (graph,
// used volume, measured period, estimated charge), steps between months, reloads the
// data, opens the product pages and starts the line-item update. Layout and painting
// live in MainWndLayout.cpp.
#include <array>
#include <cstdint>
#include <string>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/windows/Dialog.h"
#include "platform/ui/windows/MessageLoop.h"
#include "prices/PriceLogic.h"
#include "viewer/MonthUsage.h"
#include "viewer/SummaryData.h"
#include "widgets/DrawButton.h"
#include "widgets/DrawText.h"

namespace Velunor::Quillon::Ui {

class CMainWnd : public platform::Dialog, public platform::MessageFilter, public platform::IdleHandler {
 public:
  static constexpr int kClientWidth = 500;
  static constexpr int kClientHeight = 520;

  explicit CMainWnd(int showPreviousMonth);
  ~CMainWnd() override;

  // Message filter: the dialog manager's keyboard handling for this window.
  bool PreTranslateMessage(platform::UiMessage& message) override;
  // Nothing to do when idle.
  bool OnIdle() override;

  // Prepares the month whose first day is given: month model, title, month buttons and
  // text items. Callers invalidate and update the window afterwards.
  void SetupView(const platform::DateTime& firstDay);
  // Rereads the summary and returns to the month the window starts with.
  void Reload();

  void OpenTopPage();
  void OpenDownloadPage();
  void OpenComparisonPage();
  void StartLineUpdate();

  static std::wstring GetTopPageUrl();
  static std::wstring GetDownloadPageUrl();
  static std::wstring GetComparisonPageUrl();
  // The comparison page's address with the query for today's month and the two before.
  std::wstring MakeComparisonUrl();

  // Decimal with a comma before every group of three digits; callers pass 0 or more.
  static std::wstring FormatGrouped(int value);
  // The used volume as the panel shows it: MiB rounded up, grouped, "MB" after it; a
  // count beyond the signed 32-bit range shows as 2,147,483,647.
  static std::wstring FormatUsedVolume(std::uint64_t bytes);

  void DrawContents(platform::DcHandle dc);
  void DrawPanel(platform::DcHandle dc);
  void DrawTextItems(platform::DcHandle dc);

  const CMonthUsage& GetMonthUsage() const { return m_month; }
  const CPriceLogic& GetPriceLogic() const { return m_price; }
  const CDrawButton& GetDownloadButton() const { return m_downloadButton; }
  const CDrawButton& GetComparisonButton() const { return m_comparisonButton; }
  const CDrawButton& GetLinkButton() const { return m_linkButton; }
  const CDrawText& GetHeaderItem() const { return m_headerItem; }
  const platform::Rect& GetPanelRect(int number) const { return m_panelRects[static_cast<std::size_t>(number - 1)]; }

 protected:
  bool ProcessWindowMessage(platform::UiWindow window, unsigned int message, platform::WParam wParam,
                            platform::LParam lParam, platform::LResult& result) override;

 private:
  using Handler = platform::LResult (CMainWnd::*)(unsigned int, platform::WParam, platform::LParam, bool&);

  platform::LResult OnClose(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnDestroy(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnCommand(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnInitDialog(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnPaint(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnMouseMove(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnLButtonDown(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnActivate(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnLineUpdated(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);

  void OnPrevMonth();
  void OnNextMonth();
  // The first day of the month the window starts with: the last-data month, or the one
  // before it with the previous-month flag.
  platform::DateTime StartMonth() const;
  void RefreshWindow();
  // Size, place and lay out the window (client 500 x 520, centred on the work area).
  void PlaceWindow();
  void LayOutControls();

  platform::ModuleHandle m_resourceInstance = nullptr;
  int m_showPreviousMonth;
  CSummaryData m_summary;
  CMonthUsage m_month;
  CPriceLogic m_price;
  CDrawText m_titleItem;
  CDrawText m_description1Item;
  CDrawText m_description2Item;
  CDrawText m_headerItem;
  CDrawText m_linkItem;
  std::array<platform::Rect, 7> m_panelRects{};
  CDrawButton m_downloadButton;
  CDrawButton m_comparisonButton;
  CDrawButton m_linkButton;
  platform::IconHandle m_icons[2] = {nullptr, nullptr};
  bool m_painted = false;
};

}  // namespace Velunor::Quillon::Ui
