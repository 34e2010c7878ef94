#pragma once
// The real main window on the test's own message loop, with helpers to click, settle
// and capture it.
#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/testing/DrawingInspection.h"
#include "platform/ui/testing/InputSimulation.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/testing/WindowInspection.h"
#include "platform/ui/windows/MessageLoop.h"
#include "resources/viewer/ViewerResources.h"
#include "viewer/MainWnd.h"

namespace viewer_test {

class ViewerWindow {
 public:
  explicit ViewerWindow(int showPreviousMonth = 0) : window_(std::make_unique<Velunor::Quillon::Ui::CMainWnd>(showPreviousMonth)) {
    created_ = window_->Create(Velunor::Quillon::Ui::GetViewerResources(), Velunor::Quillon::Ui::kMainDialogId);
    Settle();
  }
  ~ViewerWindow() {
    window_.reset();
    Settle();
  }

  bool Created() const { return created_; }
  Velunor::Quillon::Ui::CMainWnd& operator*() { return *window_; }
  Velunor::Quillon::Ui::CMainWnd* operator->() { return window_.get(); }
  platform::UiWindow Handle() const { return window_->Handle(); }
  platform::MessageLoop& Loop() { return loop_; }

  static void Settle() {
    for (int i = 0; i < 4; ++i) platform::ProcessPendingMessages();
  }
  // A push button clicked as the user would: nothing happens when it is disabled.
  void Click(int controlId) {
    platform::SendMessage(platform::GetDlgItem(Handle(), controlId), platform::BM_CLICK);
    Settle();
  }
  bool IsEnabled(int controlId) const { return platform::IsWindowEnabled(platform::GetDlgItem(Handle(), controlId)); }
  std::wstring TextOf(int controlId) const { return platform::GetWindowText(platform::GetDlgItem(Handle(), controlId)); }
  void Mouse(unsigned int message, int x, int y, unsigned int keyFlags) {
    platform::SimulateMouse(Handle(), message, x, y, keyFlags);
    Settle();
  }
  platform::PixelImage Capture() {
    Settle();
    std::optional<platform::PixelImage> image = platform::CaptureClientArea(Handle());
    return image ? *image : platform::PixelImage();
  }
  int DisplayedYear() const { return window_->GetMonthUsage().GetMonth().GetYear(); }
  int DisplayedMonth() const { return window_->GetMonthUsage().GetMonth().GetMonth(); }

 private:
  platform::MessageLoop loop_;
  std::unique_ptr<Velunor::Quillon::Ui::CMainWnd> window_;
  bool created_ = false;
};

}  // namespace viewer_test
