#include "viewer/MainWnd.h"

#include <thread>

#include "common/ConfigSettings.h"
#include "common/LogMessage.h"
#include "platform/core/Shell.h"
#include "platform/ui/drawing/GdiImages.h"
#include "resources/viewer/ViewerResources.h"
#include "viewer/ComparisonQuery.h"
#include "viewer/LineUpdate.h"
#include "viewer/ModuleInstance.h"

namespace Velunor::Quillon::Ui {

namespace {

namespace Common = Velunor::Quillon::Common;
using platform::LParam;
using platform::LResult;
using platform::WParam;

}  // namespace

CMainWnd::CMainWnd(int showPreviousMonth) : m_showPreviousMonth(showPreviousMonth) {}

CMainWnd::~CMainWnd() {
  if (platform::MessageLoop* loop = platform::MessageLoop::Current()) {
    loop->RemoveMessageFilter(this);
    loop->RemoveIdleHandler(this);
  }
  // The object going is no close by the user: part from the window first, so that its
  // destruction posts no quit. The window goes before its icons do.
  platform::UiWindow window = Detach();
  if (window) platform::DestroyWindow(window);
  for (platform::IconHandle& icon : m_icons) {
    if (icon != nullptr) platform::DestroyIcon(icon);
    icon = nullptr;
  }
}

bool CMainWnd::PreTranslateMessage(platform::UiMessage& message) { return platform::IsDialogMessage(Handle(), message); }

bool CMainWnd::OnIdle() { return false; }

bool CMainWnd::ProcessWindowMessage(platform::UiWindow, unsigned int message, WParam wParam, LParam lParam,
                                    LResult& result) {
  static const platform::MessageMapEntry<CMainWnd> map[] = {
      {platform::WM_CLOSE, &CMainWnd::OnClose},
      {platform::WM_DESTROY, &CMainWnd::OnDestroy},
      {platform::WM_COMMAND, &CMainWnd::OnCommand},
      {platform::WM_INITDIALOG, &CMainWnd::OnInitDialog},
      {platform::WM_PAINT, &CMainWnd::OnPaint},
      {platform::WM_MOUSEMOVE, &CMainWnd::OnMouseMove},
      {platform::WM_LBUTTONDOWN, &CMainWnd::OnLButtonDown},
      {platform::WM_MOUSEACTIVATE, &CMainWnd::OnActivate},
      {platform::WM_ACTIVATE, &CMainWnd::OnActivate},
      {WM_LINE_UPDATED, &CMainWnd::OnLineUpdated},
  };
  return platform::RunMessageMap(*this, map, message, wParam, lParam, result);
}

LResult CMainWnd::OnClose(unsigned int, WParam, LParam, bool&) {
  if (ActivateReckonerWindow() == 0) platform::PostMessage(Handle(), platform::WM_DESTROY);
  return 0;
}

LResult CMainWnd::OnDestroy(unsigned int, WParam, LParam, bool&) {
  if (platform::MessageLoop* loop = platform::MessageLoop::Current()) {
    loop->RemoveMessageFilter(this);
    loop->RemoveIdleHandler(this);
  }
  platform::UiWindow window = Detach();
  OnFinalMessage(window);
  platform::PostMessage(window, platform::WM_QUIT, 0);
  return 0;
}

LResult CMainWnd::OnCommand(unsigned int, WParam wParam, LParam, bool&) {
  if (ActivateReckonerWindow() == 1) return 0;
  int id = static_cast<int>(platform::LowWord(wParam));
  unsigned int notification = platform::HighWord(wParam);
  switch (id) {
    case kPrevMonthButtonId:
      if (notification == 0) OnPrevMonth();
      break;
    case kNextMonthButtonId:
      if (notification == 0) OnNextMonth();
      break;
    case kUpdateButtonId: Reload(); break;
    case kLineSettingsCommandId:
      LineUpdateWindow = Handle().Value();
      StartLineUpdate();
      break;
    default: break;
  }
  return 0;
}

LResult CMainWnd::OnInitDialog(unsigned int, WParam, LParam, bool&) {
  m_resourceInstance = GetModuleInstance();
  m_icons[0] = platform::LoadIcon(m_resourceInstance, kMainIconId);
  m_icons[1] = platform::LoadIcon(m_resourceInstance, kMainIconId);
  platform::SendMessage(Handle(), platform::WM_SETICON, platform::ICON_SMALL, reinterpret_cast<LParam>(m_icons[0]));
  platform::SendMessage(Handle(), platform::WM_SETICON, platform::ICON_BIG, reinterpret_cast<LParam>(m_icons[1]));

  if (platform::MessageLoop* loop = platform::MessageLoop::Current()) {
    loop->AddMessageFilter(this);
    loop->AddIdleHandler(this);
  }
  Common::LoadDebugUrlTest();
  m_summary.Load();
  platform::DateTime first = StartMonth();
  m_price.LoadLineSelect();
  m_price.LoadLinePrice();
  SetupView(first);
  PlaceWindow();
  LayOutControls();
  platform::ShowWindow(Handle(), platform::SW_SHOW);
  platform::SetWindowPos(Handle(), platform::ZOrder::TopMost, 0, 0, 0, 0, platform::SWP_NOMOVE | platform::SWP_NOSIZE);
  return 1;
}

LResult CMainWnd::OnMouseMove(unsigned int, WParam wParam, LParam lParam, bool&) {
  if (ActivateReckonerWindow() == 1) return 0;
  int x = platform::XFromLParam(lParam);
  int y = platform::YFromLParam(lParam);
  unsigned int keyFlags = static_cast<unsigned int>(wParam);
  m_downloadButton.OnMouse(Handle(), x, y, keyFlags);
  m_comparisonButton.OnMouse(Handle(), x, y, keyFlags);
  m_linkButton.OnMouse(Handle(), x, y, keyFlags);
  return 0;
}

LResult CMainWnd::OnLButtonDown(unsigned int, WParam wParam, LParam lParam, bool&) {
  if (ActivateReckonerWindow() == 1) return 0;
  int x = platform::XFromLParam(lParam);
  int y = platform::YFromLParam(lParam);
  unsigned int keyFlags = static_cast<unsigned int>(wParam);
  m_downloadButton.OnMouse(Handle(), x, y, keyFlags);
  m_comparisonButton.OnMouse(Handle(), x, y, keyFlags);
  m_linkButton.OnMouse(Handle(), x, y, keyFlags);
  // A plain left click only: Shift, Ctrl or a second button open nothing.
  if (keyFlags != platform::MK_LBUTTON) return 0;
  if (m_linkButton.HitTest(x, y)) {
    OpenTopPage();
  } else if (m_comparisonButton.HitTest(x, y)) {
    OpenComparisonPage();
  } else if (m_downloadButton.HitTest(x, y)) {
    OpenDownloadPage();
  }
  return 0;
}

LResult CMainWnd::OnActivate(unsigned int, WParam, LParam, bool&) {
  ActivateReckonerWindow();
  return platform::MA_ACTIVATE;
}

LResult CMainWnd::OnLineUpdated(unsigned int, WParam, LParam, bool&) {
  m_price.LoadLineSelect();
  m_price.LoadLinePrice();
  Reload();
  return 0;
}

platform::DateTime CMainWnd::StartMonth() const {
  platform::DateTime last = m_summary.GetLastDataDate();
  int year = last.GetYear();
  int month = last.GetMonth();
  if (m_showPreviousMonth == 1) {
    month -= 1;
    if (month < 1) {
      month = 12;
      year -= 1;
    }
  }
  return platform::DateTime(year, month, 1);
}

void CMainWnd::RefreshWindow() {
  platform::InvalidateRect(Handle(), nullptr, false);
  platform::UpdateWindow(Handle());
}

void CMainWnd::Reload() {
  m_summary.Load();
  SetupView(StartMonth());
  RefreshWindow();
}

void CMainWnd::OnPrevMonth() {
  SetupView(m_month.GetPrevMonth());
  RefreshWindow();
}

void CMainWnd::OnNextMonth() {
  platform::DateTime next = m_month.GetNextMonth();
  platform::DateTime today = platform::DateTime::Now();
  // Stepping onto the current month shows its newest data.
  if (next.GetYear() == today.GetYear() && next.GetMonth() == today.GetMonth()) m_summary.Load();
  SetupView(next);
  RefreshWindow();
}

std::wstring CMainWnd::GetTopPageUrl() { return Common::GetTopPageUrl(); }
std::wstring CMainWnd::GetDownloadPageUrl() { return Common::GetDownloadPageUrl(); }
std::wstring CMainWnd::GetComparisonPageUrl() { return Common::GetComparisonPageUrl(); }

void CMainWnd::OpenTopPage() { platform::ShellOpen(GetTopPageUrl()); }

void CMainWnd::OpenDownloadPage() { platform::ShellOpen(GetDownloadPageUrl()); }

std::wstring CMainWnd::MakeComparisonUrl() {
  return GetComparisonPageUrl() + BuildComparisonQuery(m_summary, m_price, platform::DateTime::Now());
}

void CMainWnd::OpenComparisonPage() {
  Reload();
  platform::ShellOpen(MakeComparisonUrl());
}

void CMainWnd::StartLineUpdate() {
  // A second chooser would overwrite the first one's process id and end the input
  // blocking early; while one update runs, the menu only shows its window.
  bool expected = false;
  if (!LineUpdateRunning.compare_exchange_strong(expected, true)) {
    ActivateReckonerWindow();
    return;
  }
  ReckonerProcessId = 0;
  std::thread(LineUpdateThreadProc).detach();
}

}  // namespace Velunor::Quillon::Ui
