#include "tray/TaskWindow.h"

#include <boost/filesystem.hpp>
#include <boost/lexical_cast.hpp>
#include <tinyxml.h>

#include <exception>
#include <string>

#include "collector/SummaryFileFormat.h"
#include "common/ConfigSettings.h"
#include "common/PathUtil.h"
#include "common/ProductName.h"
#include "common/StringUtil.h"
#include "common/XmlFile.h"
#include "platform/core/DebugOutput.h"
#include "platform/core/NativePath.h"
#include "platform/core/Shell.h"
#include "platform/service/MessageQueue.h"
#include "platform/ui/desktop/NotifyIcon.h"
#include "platform/ui/desktop/PopupMenu.h"
#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/windows/CursorPosition.h"
#include "resources/tray/TrayResources.h"
#include "viewer/CommandLine.h"

namespace Velunor::Quillon::Resident {

namespace {

using platform::LParam;
using platform::LResult;
using platform::WParam;

// The record size the icon calls were written with; the layer does not look at it.
constexpr unsigned int kNotifyIconDataSize = 952;
constexpr unsigned int kTrayIconBalloonTimeoutMs = 10000;

unsigned int TaskbarCreatedMessage() {
  static const unsigned int message = platform::RegisterWindowMessage(platform::kTaskbarCreatedMessageName);
  return message;
}

}  // namespace

CTaskWindow::CTaskWindow(platform::ModuleHandle instance) : m_hInstance(instance), m_rightArmed(0), m_leftArmed(0) {}

CTaskWindow::~CTaskWindow() {
  platform::UiWindow window = Detach();
  if (window) platform::DestroyWindow(window);
  if (m_icon != nullptr) platform::DestroyIcon(m_icon);
}

int CTaskWindow::Create() { return platform::Dialog::Create(m_hInstance, kTaskDialogId, platform::UiWindow(), 0) ? 1 : 0; }

bool CTaskWindow::ProcessWindowMessage(platform::UiWindow, unsigned int message, WParam wParam, LParam lParam,
                                       LResult& result) {
  static const platform::MessageMapEntry<CTaskWindow> map[] = {
      {TaskbarCreatedMessage(), &CTaskWindow::OnTaskbarCreated},
      {platform::WM_CLOSE, &CTaskWindow::OnClose},
      {platform::WM_DESTROY, &CTaskWindow::OnDestroy},
      {platform::WM_COMMAND, &CTaskWindow::OnCommand},
      {platform::WM_INITDIALOG, &CTaskWindow::OnInitDialog},
      {WM_TRAY_NOTIFY, &CTaskWindow::OnTrayNotify},
  };
  return platform::RunMessageMap(*this, map, message, wParam, lParam, result);
}

void CTaskWindow::AddTrayIcon() {
  platform::IconHandle icon = platform::LoadIcon(m_hInstance, kTrayIconId);
  platform::NotifyIconData data;
  data.size = kNotifyIconDataSize;
  data.window = Handle();
  data.id = ID_TRAY_ICON;
  data.flags = platform::NIF_MESSAGE | platform::NIF_ICON | platform::NIF_TIP | platform::NIF_STATE | platform::NIF_INFO;
  data.callbackMessage = WM_TRAY_NOTIFY;
  data.icon = icon;
  data.tip = Common::kProductName;
  data.state = platform::NIS_SHAREDICON;
  data.stateMask = platform::NIS_HIDDEN;
  data.infoTitle = Common::kProductName;
  data.timeout = kTrayIconBalloonTimeoutMs;
  platform::SendMessage(Handle(), platform::WM_SETICON, platform::ICON_BIG, reinterpret_cast<LParam>(icon));
  platform::ShellNotifyIcon(platform::NIM_ADD, data);
  // The window shows the new icon now; the one of an earlier add can go.
  if (m_icon != nullptr) platform::DestroyIcon(m_icon);
  m_icon = icon;
}

void CTaskWindow::DeleteTrayIcon() {
  platform::NotifyIconData data;
  data.size = kNotifyIconDataSize;
  data.window = Handle();
  data.id = ID_TRAY_ICON;
  platform::ShellNotifyIcon(platform::NIM_DELETE, data);
}

void CTaskWindow::ShowGraph(int previousMonth) {
  std::wstring path = Common::GetModuleFolder() + kViewerExeName;
  platform::ShellOpen(path, previousMonth == 1 ? Ui::kPreviousMonthArgument : L"");
}

void CTaskWindow::Uninstall() { platform::ShellOpen(Common::GetModuleFolder() + kUninstallShortcutName); }

int CTaskWindow::GetInstallDate(platform::DateTime& date) {
  try {
    std::wstring path = Common::ExpandPath(Common::GetSummaryDataFilePath());
    if (!boost::filesystem::exists(boost::filesystem::path(platform::ToNativePathBytes(path)))) return 0;
    TiXmlDocument document;
    Common::LoadXmlFile(document, path);
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr) return 0;
    const TiXmlElement* element = root->FirstChildElement(Common::ToXmlName(SummaryFormat::kInstallDateElement));
    if (element == nullptr) return 0;
    std::wstring text;
    Common::GetElementText(element, text);
    if (text.size() != SummaryFormat::kInstallDateLength) return 0;
    int year = boost::lexical_cast<int>(text.substr(0, 4));
    int month = boost::lexical_cast<int>(text.substr(4, 2));
    int day = boost::lexical_cast<int>(text.substr(6, 2));
    platform::DateTime installed;
    if (!installed.SetDate(year, month, day)) return 0;
    date = installed;
    return 1;
  } catch (const std::exception& error) {
    platform::OutputDebugString(Common::ToWideString(std::string(error.what()), Common::kUtf8CodePageFlag));
    return 0;
  }
}

LResult CTaskWindow::OnTaskbarCreated(unsigned int, WParam, LParam, bool&) {
  DeleteTrayIcon();
  AddTrayIcon();
  return 0;
}

LResult CTaskWindow::OnClose(unsigned int, WParam, LParam, bool& handled) {
  DeleteTrayIcon();
  platform::PostMessage(Handle(), platform::WM_DESTROY);
  handled = false;
  return 0;
}

LResult CTaskWindow::OnDestroy(unsigned int, WParam, LParam, bool&) {
  platform::UiWindow window = Detach();
  OnFinalMessage(window);
  platform::PostMessage(window, platform::WM_QUIT, 0);
  return 0;
}

LResult CTaskWindow::OnCommand(unsigned int, WParam wParam, LParam, bool&) {
  switch (static_cast<int>(platform::LowWord(wParam))) {
    case ID_SHOW_GRAPH: ShowGraph(0); break;
    case ID_UNINSTALL: Uninstall(); break;
    default: break;
  }
  return 0;
}

LResult CTaskWindow::OnInitDialog(unsigned int, WParam, LParam, bool&) {
  AddTrayIcon();
  Common::LoadDebugUrlTest();
  CheckUpdate();
  CheckNotification();
  return 1;
}

LResult CTaskWindow::OnTrayNotify(unsigned int, WParam wParam, LParam lParam, bool&) {
  if (wParam != ID_TRAY_ICON) return 0;
  // A changed override file takes effect without a restart.
  Common::LoadDebugUrlTest();
  platform::Point cursor;
  platform::GetCursorPos(cursor);
  switch (static_cast<unsigned int>(lParam)) {
    case platform::WM_MOUSEMOVE: break;
    case platform::WM_LBUTTONDOWN:
      m_rightArmed = 0;
      m_leftArmed = 1;
      break;
    case platform::WM_LBUTTONUP:
      m_rightArmed = 0;
      if (m_leftArmed == 1) {
        ShowGraph(0);
        m_leftArmed = 0;
      }
      break;
    case platform::WM_RBUTTONDOWN:
      m_leftArmed = 0;
      m_rightArmed = 1;
      break;
    case platform::WM_RBUTTONUP:
      m_leftArmed = 0;
      if (m_rightArmed == 1) {
        ShowTrayMenu(cursor);
        m_rightArmed = 0;
      }
      break;
    default:
      m_leftArmed = 0;
      m_rightArmed = 0;
      break;
  }
  return 0;
}

void CTaskWindow::ShowTrayMenu(const platform::Point& cursor) {
  platform::MenuHandle menu = platform::LoadMenu(m_hInstance, kTrayMenuId);
  platform::MenuHandle popup = platform::GetSubMenu(menu, 0);
  if (popup != nullptr) {
    platform::SetForegroundWindow(Handle());
    platform::TrackPopupMenu(popup, platform::TPM_RIGHTALIGN | platform::TPM_RIGHTBUTTON, cursor.x, cursor.y, Handle());
    // So that the menu closes properly when the user clicks elsewhere.
    platform::PostMessage(Handle(), platform::WM_NULL);
  }
  platform::DestroyMenu(menu);
}

}  // namespace Velunor::Quillon::Resident
