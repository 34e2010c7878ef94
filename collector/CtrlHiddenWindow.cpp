#include "collector/CtrlHiddenWindow.h"

#include <string>

#include "collector/SummaryFile.h"
#include "common/ConfigSettings.h"
#include "common/LogMessage.h"

namespace Velunor::Quillon {
namespace {

using Common::Log::kDebug;
using Common::Log::WriteLog;

constexpr wchar_t kClass[] = L"Velunor::Quillon::CCtrlHiddenWindow::";

void Debug(const wchar_t* handler, int line, const std::wstring& message) {
  WriteLog(std::wstring(kClass) + handler, line, message, kDebug);
}

// Seconds from the settings as a timer period, the product taken in 64 bits. A period of
// 0 or less, or one beyond what a timer takes, is the largest period: a wrong setting
// makes the job rare, never a tight loop.
unsigned int TimerPeriodMs(int seconds) {
  const long long ms = static_cast<long long>(seconds) * 1000;
  return ms <= 0 || ms > platform::kMaximumTimerMs ? platform::kMaximumTimerMs : static_cast<unsigned int>(ms);
}

}  // namespace

bool CCtrlHiddenWindow::DoWriteXML(const TrafficCounts& counts) {
  return CSummaryFile().WriteInterval(counts);
}

void CCtrlHiddenWindow::DoRemoveXML() { CSummaryFile().RemoveOldMonths(); }

bool CCtrlHiddenWindow::ProcessWindowMessage(platform::WindowHandle, unsigned int message, platform::WParam wParam,
                                             platform::LParam, platform::LResult& result) {
  bool handled = true;
  switch (message) {
    case platform::WM_TIMER:
      result = OnTimer(wParam);
      return true;
    case platform::WM_CLOSE:
      result = OnClose(handled);
      return handled;
    case platform::WM_DESTROY:
      result = OnDestroy();
      return true;
    case platform::WM_COMMAND:
      result = OnCommand(wParam);
      return true;
    case platform::WM_CREATE:
      result = OnInitDialog();
      return true;
    case WM_WRITE_XML:
      result = WriteXMLFile();
      return true;
    default:
      return false;
  }
}

platform::LResult CCtrlHiddenWindow::OnInitDialog() {
  Debug(L"OnInitDialog", __LINE__, L"OnInitDialog");
  DoRemoveXML();
  m_manager.WatchNics();
  Debug(L"OnInitDialog", __LINE__, L"NIC登録(収集開始）");
  SetTimer(ID_NIC_WATCH, TimerPeriodMs(Common::GetNicWatchIntervalSec()));
  Debug(L"OnInitDialog", __LINE__, L"NIC監視タイマ設定");
  SetTimer(ID_XMLWRITING_START, TimerPeriodMs(Common::GetXMLWriteIntervalSec()));
  Debug(L"OnInitDialog", __LINE__, L"XML出力タイマ設定");
  return 1;
}

platform::LResult CCtrlHiddenWindow::OnTimer(std::uintptr_t timerId) {
  Debug(L"OnTimer", __LINE__, L"OnTimer nIDEvent[" + std::to_wstring(static_cast<unsigned int>(timerId)) + L"]");
  if (timerId == ID_XMLWRITING_START) {
    Debug(L"OnTimer", __LINE__, L"ID_XMLWRITING_START");
    // The write runs when the loop reaches this message, after what is already queued.
    PostMessage(WM_WRITE_XML);
  } else if (timerId == ID_NIC_WATCH) {
    Debug(L"OnTimer", __LINE__, L"ID_NIC_WATCH");
    m_manager.WatchNics();
  }
  return 0;
}

platform::LResult CCtrlHiddenWindow::WriteXMLFile() {
  Debug(L"WriteXMLFile", __LINE__, L"WriteXMLFile");
  const TrafficCounts counts = m_manager.CollectCounts();
  // Counts that did not reach the file (a full disk, a file that cannot be read) go into
  // the next write, or the one at stop, however many writes fail before.
  if (!DoWriteXML(counts)) m_manager.PutBackCounts(counts);
  Debug(L"WriteXMLFile", __LINE__, L"XML Write OK");
  return 1;
}

platform::LResult CCtrlHiddenWindow::OnClose(bool& handled) {
  Debug(L"OnClose", __LINE__, L"OnClose");
  // Left unhandled, so the default processing destroys the window as well.
  handled = false;
  PostMessage(platform::WM_DESTROY);
  return 1;
}

platform::LResult CCtrlHiddenWindow::OnDestroy() {
  Debug(L"OnDestroy", __LINE__, L"OnDestroy");
  const platform::WindowHandle window = Detach();
  OnFinalMessage(window);
  platform::PostMessage(window, platform::WM_QUIT);
  return 1;
}

platform::LResult CCtrlHiddenWindow::OnCommand(platform::WParam wParam) {
  Debug(L"OnCommand", __LINE__, L"OnCommand");
  if (platform::LowWord(wParam) == kCloseCommandId) SendMessage(platform::WM_CLOSE);
  return 1;
}

}  // namespace Velunor::Quillon
