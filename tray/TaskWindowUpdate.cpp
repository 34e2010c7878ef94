// The task window's update check: the group test, the check and the popup live in
// CUpdateCheck.
#include "tray/TaskWindow.h"
#include "tray/UpdateCheck.h"

namespace Velunor::Quillon::Resident {

int CTaskWindow::GetUserGroup(int& flags) { return CUpdateCheck::GetUserGroup(flags); }

void CTaskWindow::CheckUpdate() { CUpdateCheck(m_hInstance, Handle()).CheckUpdate(); }

int CTaskWindow::GetLatestVersion(CVersionNumber& version) { return CUpdateCheck::GetLatestVersion(version); }

int CTaskWindow::ShowUpdateWnd() { return CUpdateCheck(m_hInstance, Handle()).ShowUpdateWnd(); }

void CTaskWindow::OpenDownloadPage() { CUpdateCheck::OpenDownloadPage(); }

}  // namespace Velunor::Quillon::Resident
