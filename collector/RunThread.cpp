// The Run thread: settings, exclusion list, adapter manager and the hidden control
// window with its message loop; and its stop from the service main thread.
#include "collector/RunThread.h"

#include <boost/filesystem.hpp>
#include <boost/thread/mutex.hpp>

#include <memory>

#include "collector/CtrlHiddenWindow.h"
#include "collector/IpFilterHeader.h"
#include "collector/NicManager.h"
#include "common/ConfigSettings.h"
#include "common/LogMessage.h"
#include "platform/core/NativePath.h"

namespace Velunor::Quillon {

std::unique_ptr<boost::thread> s_runThread;

namespace {

using Common::Log::kDebug;
using Common::Log::kError;
using Common::Log::WriteLog;

constexpr int kReadTimeoutMs = 1000;

platform::WindowHandle s_hiddenWnd;
boost::mutex s_windowLock;

void Debug(int line, const std::wstring& message) { WriteLog(L"Run", line, message, kDebug); }

}  // namespace

void Run() {
  Debug(__LINE__, L"Thread Start");
  const std::wstring folder = Common::GetModuleFolder();
  const int bufferSize = Common::GetBufferSize();
  const int xmlInterval = Common::GetXMLWriteIntervalSec();
  const int watchInterval = Common::GetNicWatchIntervalSec();
  boost::system::error_code error;
  if (boost::filesystem::exists(platform::ToNativePathBytes(folder), error)) {
    Debug(__LINE__, L"GetINI");
    Debug(__LINE__, L"Path=" + folder);
    Debug(__LINE__, L"BufSize=" + std::to_wstring(bufferSize));
    Debug(__LINE__, L"XMLIntervalSec=" + std::to_wstring(xmlInterval));
    Debug(__LINE__, L"NicWatchIntervalSec=" + std::to_wstring(watchInterval));
    Debug(__LINE__, L"ExclusionListFileName=" + Common::GetExclusionListFilePath());
  } else {
    Debug(__LINE__, L"Not GetINI");
  }

  IpFilterHeader filter;
  filter.LoadFile(Common::GetExclusionListFilePath());
  CNicManager manager(bufferSize, kReadTimeoutMs, filter);
  auto window = std::make_shared<CCtrlHiddenWindow>(manager);
  platform::WindowHandle created;
  {
    boost::lock_guard<boost::mutex> guard(s_windowLock);
    created = window->Create();
    s_hiddenWnd = created;
  }
  if (!created) WriteLog(L"Run", __LINE__, L"WindowのCreateに失敗しました。", kError);

  platform::Message message;
  while (platform::GetMessage(message) > 0) {
    platform::TranslateMessage(message);
    platform::DispatchMessage(message);
  }
  Debug(__LINE__, L"Thread END");

  if (created) {
    // The bytes counted since the last write are written now, after every capture thread
    // has ended, so that no counted byte is lost across a stop.
    manager.RetireAll();
    window->DoWriteXML(manager.CollectCounts());
  }
  window.reset();
}

void StopRunThread() {
  if (!s_runThread) return;
  {
    boost::lock_guard<boost::mutex> guard(s_windowLock);
    if (!s_hiddenWnd) return;
    platform::PostMessage(s_hiddenWnd, platform::WM_DESTROY);
  }
  s_runThread->join();
  s_runThread.reset();
}

}  // namespace Velunor::Quillon
