#include "platform/ui/windows/Dialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QWidget>

#include "platform/ui/windows/DefaultProcessing.h"
#include "platform/ui/windows/DialogBuilder.h"
#include "platform/ui/windows/WindowRegistry.h"

namespace platform {

using ui_detail::FindRecord;
using ui_detail::WindowKind;
using ui_detail::WindowRecord;

bool DialogDispatch::Process(Dialog& dialog, UiWindow window, unsigned int message, WParam wParam, LParam lParam,
                             LResult& result) {
  return dialog.ProcessWindowMessage(window, message, wParam, lParam, result);
}

void DialogDispatch::Final(Dialog& dialog, UiWindow window) {
  if (dialog.window_ == window) dialog.window_ = UiWindow();
  dialog.OnFinalMessage(window);
}

Dialog::~Dialog() {
  // The object is going: its window (attached or detached) must not outlive it.
  UiWindow window = window_;
  window_ = UiWindow();
  if (WindowRecord* record = FindRecord(window)) {
    record->owner = nullptr;
    DestroyWindow(window);
  }
  if (WindowRecord* record = FindRecord(detached_)) {
    record->owner = nullptr;
    DestroyWindow(detached_);
  }
}

void Dialog::OnFinalMessage(UiWindow) {}

namespace {

UiWindow FirstTabStop(WindowRecord* dialog) {
  for (UiWindow child : dialog->children) {
    WindowRecord* record = FindRecord(child);
    if (record != nullptr && record->kind == WindowKind::PushButton && (record->style & WS_TABSTOP) &&
        (record->style & WS_VISIBLE) && (record->style & WS_DISABLED) == 0) {
      return child;
    }
  }
  return UiWindow();
}

}  // namespace

bool Dialog::Create(ModuleHandle module, int templateId, UiWindow parent, LParam initParam) {
  if (window_ || module == nullptr) return false;
  const DialogTemplate* dialogTemplate = module->FindDialog(templateId);
  if (dialogTemplate == nullptr) return false;
  UiWindow window = ui_detail::BuildDialog(this, module, *dialogTemplate, parent);
  if (!window) return false;
  window_ = window;
  WindowRecord* record = FindRecord(window);
  UiWindow focus = FirstTabStop(record);
  LResult setFocus = ui_detail::Dispatch(window, WM_INITDIALOG, static_cast<WParam>(focus.Value()), initParam);
  record = FindRecord(window);
  if (record == nullptr) return false;
  if (setFocus != 0 && focus) {
    if (WindowRecord* focusRecord = FindRecord(focus)) focusRecord->frame->setFocus();
  }
  if ((dialogTemplate->style & WS_VISIBLE) && record->frame) record->frame->show();
  return true;
}

std::intptr_t Dialog::DoModal(ModuleHandle module, int templateId, UiWindow owner, LParam initParam) {
  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (owner) EnableWindow(owner, false);
  ui_detail::ModalStack().push_back(UiWindow());
  std::size_t depth = ui_detail::ModalStack().size();
  if (!Create(module, templateId, owner, initParam)) {
    ui_detail::ModalStack().pop_back();
    if (ownerWasEnabled) EnableWindow(owner, true);
    return -1;
  }
  UiWindow window = window_;
  ui_detail::ModalStack()[depth - 1] = window;
  WindowRecord* record = FindRecord(window);
  std::intptr_t result = -1;
  if (record != nullptr) {
    if (!record->modalEnded && record->frame) record->frame->show();
    if (!record->modalEnded) {
      QEventLoop loop;
      record->modalLoop = &loop;
      loop.exec();
      record = FindRecord(window);
      if (record != nullptr) record->modalLoop = nullptr;
    }
    if (record != nullptr) result = record->modalResult;
  }
  ui_detail::ModalStack().pop_back();
  if (ownerWasEnabled) EnableWindow(owner, true);
  if (IsWindow(window)) DestroyWindow(window);
  return result;
}

bool Dialog::EndDialog(std::intptr_t result) {
  WindowRecord* record = FindRecord(window_);
  if (record == nullptr) return false;
  record->modalResult = result;
  record->modalEnded = true;
  if (record->modalLoop != nullptr) {
    record->modalLoop->exit(0);
  } else if (record->frame) {
    record->frame->hide();
  }
  return true;
}

UiWindow Dialog::Detach() {
  UiWindow window = window_;
  if (WindowRecord* record = FindRecord(window)) record->owner = nullptr;
  window_ = UiWindow();
  detached_ = window;
  return window;
}

bool IsDialogMessage(UiWindow dialog, UiMessage& message) {
  if (message.message != WM_KEYDOWN || ui_detail::TopLevelOf(message.window) != dialog) return false;
  if (message.wParam == VK_ESCAPE) {
    UiWindow cancel = GetDlgItem(dialog, IDCANCEL);
    SendMessage(dialog, WM_COMMAND, MakeWParam(IDCANCEL, BN_CLICKED), static_cast<LParam>(cancel.Value()));
    return true;
  }
  if (message.wParam == VK_RETURN) {
    WindowRecord* focused = FindRecord(message.window);
    if (focused != nullptr && focused->kind == WindowKind::PushButton) {
      SendMessage(message.window, BM_CLICK);
    } else {
      UiWindow ok = GetDlgItem(dialog, IDOK);
      SendMessage(dialog, WM_COMMAND, MakeWParam(IDOK, BN_CLICKED), static_cast<LParam>(ok.Value()));
    }
    return true;
  }
  return false;
}

}  // namespace platform
