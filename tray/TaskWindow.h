#pragma once
// The tray program's hidden task window. It owns the notification-area icon and the
// icon's menu, starts CorvaneViewer and the uninstaller, and runs the update check and
// the monthly guidance check while it is being created.
//
// Where the members live: tray/TaskWindow.cpp holds the window, the icon, the menu and
// the installation date; tray/TaskWindowNotification.cpp the monthly guidance rule and
// tray/TaskWindowUpdate.cpp the group test and the update check. tray/app.cmake builds
// all three into tray_app, which links tray_popups for the popup windows.
#include "platform/core/DateTime.h"
#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/drawing/Resources.h"
#include "platform/ui/windows/Dialog.h"
#include "tray/VersionNumber.h"

namespace Velunor::Quillon::Resident {

// The icon's identifier in the notification area and its callback message.
inline constexpr unsigned int ID_TRAY_ICON = 32869;
inline constexpr unsigned int WM_TRAY_NOTIFY = platform::WM_APP + 100;

// What the window opens beside the program.
inline constexpr wchar_t kViewerExeName[] = L"CorvaneViewer.exe";
inline constexpr wchar_t kUninstallShortcutName[] = L"uninstall.lnk";

class CTaskWindow : public platform::Dialog {
 public:
  explicit CTaskWindow(platform::ModuleHandle instance);
  ~CTaskWindow() override;

  // 1 when the hidden modeless dialog was made (its WM_INITDIALOG, with both start-up
  // checks and their popups, has run by then), else 0.
  int Create();

  void AddTrayIcon();
  void DeleteTrayIcon();
  // Starts CorvaneViewer through the shell; previousMonth 1 adds "-PreviousMonth".
  void ShowGraph(int previousMonth);
  // Opens uninstall.lnk beside the program.
  void Uninstall();
  // 1 with the installation date of summarydata.xml at 00:00, else 0 (date untouched).
  int GetInstallDate(platform::DateTime& date);

  // Monthly guidance (tray/TaskWindowNotification.cpp).
  // 1 when the user pressed the popup's show button (CorvaneViewer has been started on
  // the previous month), else 0.
  int ShowNotificationWnd();
  void CheckNotification();

  // Update check (tray/TaskWindowUpdate.cpp).
  // 1 when the process's groups were read (flags: the bits CUpdateCheck::kAdministrators,
  // kPowerUsers and kUsers), else 0 with flags 0.
  int GetUserGroup(int& flags);
  void CheckUpdate();
  // 1 with the version the product site serves, else 0 (version untouched).
  int GetLatestVersion(CVersionNumber& version);
  // 1 when the user pressed the link (the download page has been opened), else 0.
  int ShowUpdateWnd();
  void OpenDownloadPage();

  platform::ModuleHandle GetInstance() const { return m_hInstance; }
  // The click state of the icon, for tests.
  int IsLeftArmed() const { return m_leftArmed; }
  int IsRightArmed() const { return m_rightArmed; }

 protected:
  bool ProcessWindowMessage(platform::UiWindow window, unsigned int message, platform::WParam wParam,
                            platform::LParam lParam, platform::LResult& result) override;

 private:
  platform::LResult OnTaskbarCreated(unsigned int message, platform::WParam wParam, platform::LParam lParam,
                                     bool& handled);
  platform::LResult OnClose(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnDestroy(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnCommand(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnInitDialog(unsigned int message, platform::WParam wParam, platform::LParam lParam,
                                 bool& handled);
  platform::LResult OnTrayNotify(unsigned int message, platform::WParam wParam, platform::LParam lParam,
                                 bool& handled);
  void ShowTrayMenu(const platform::Point& cursor);

  platform::ModuleHandle m_hInstance;
  int m_rightArmed;
  int m_leftArmed;
  // The icon the notification area and the window show; replaced at every add.
  platform::IconHandle m_icon = nullptr;
};

}  // namespace Velunor::Quillon::Resident
