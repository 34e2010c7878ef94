#include "platform/ui/windows/DefaultProcessing.h"

#include <QPushButton>

#include <algorithm>
#include <vector>

#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiRecords.h"
#include "platform/ui/drawing/GdiShapes.h"
#include "platform/ui/windows/UiWindow.h"
#include "platform/ui/windows/WindowRegistry.h"

namespace platform::ui_detail {

namespace {

LResult DefaultDialogProcessing(WindowRecord* record, unsigned int message, WParam wParam, LParam lParam,
                                bool* handled) {
  if (handled != nullptr) *handled = true;
  switch (message) {
    case WM_CLOSE: {
      UiWindow cancel = GetDlgItem(record->handle, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel)) {
        PostMessage(record->handle, WM_COMMAND, MakeWParam(IDCANCEL, BN_CLICKED), static_cast<LParam>(cancel.Value()));
      }
      return 0;
    }
    case WM_SETICON: {
      int which = wParam == ICON_BIG ? 1 : 0;
      IconHandle previous = record->icons[which];
      record->icons[which] = reinterpret_cast<IconHandle>(lParam);
      if (record->frame && (which == 1 || record->icons[1] == nullptr)) ApplyWindowIcon(record->frame, record->icons[which]);
      return reinterpret_cast<LResult>(previous);
    }
    case WM_SETTEXT:
      if (lParam != 0 && record->frame) record->frame->setWindowTitle(QString::fromWCharArray(reinterpret_cast<const wchar_t*>(lParam)));
      return 1;
    case WM_PAINT: {
      PaintStruct paint;
      BeginPaint(record->handle, paint);
      EndPaint(record->handle, paint);
      return 0;
    }
    case WM_ERASEBKGND: {
      DcHandle dc = reinterpret_cast<DcHandle>(wParam);
      Rect client;
      GetClientRect(record->handle, client);
      GdiObjectHandle brush = CreateSolidBrush(Rgb(240, 240, 240));
      FillRect(dc, client, brush);
      DeleteObject(brush);
      return 1;
    }
    case WM_MOUSEACTIVATE: return MA_ACTIVATE;
    default:
      if (handled != nullptr) *handled = false;
      return 0;
  }
}

LResult DefaultControlProcessing(WindowRecord* record, unsigned int message, WParam, LParam lParam, bool* handled) {
  if (handled != nullptr) *handled = true;
  switch (message) {
    case BM_CLICK:
      if (auto* button = qobject_cast<QPushButton*>(record->frame.data())) {
        if (button->isEnabled()) button->click();
      }
      return 0;
    case WM_SETTEXT:
      if (lParam != 0) SetWindowText(record->handle, reinterpret_cast<const wchar_t*>(lParam));
      return 1;
    default:
      if (handled != nullptr) *handled = false;
      return 0;
  }
}

}  // namespace

LResult Dispatch(UiWindow window, unsigned int message, WParam wParam, LParam lParam, bool* handled) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr) {
    if (handled != nullptr) *handled = false;
    return 0;
  }
  if (record->kind != WindowKind::Dialog) return DefaultControlProcessing(record, message, wParam, lParam, handled);
  if (record->owner != nullptr) {
    LResult result = 0;
    if (DialogDispatch::Process(*record->owner, window, message, wParam, lParam, result)) {
      if (handled != nullptr) *handled = true;
      return result;
    }
    record = FindRecord(window);
    if (record == nullptr) {
      if (handled != nullptr) *handled = false;
      return 0;
    }
  }
  return DefaultDialogProcessing(record, message, wParam, lParam, handled);
}

}  // namespace platform::ui_detail

namespace platform {

using ui_detail::Dispatch;
using ui_detail::FindRecord;
using ui_detail::RemoveRecord;
using ui_detail::WindowKind;
using ui_detail::WindowRecord;

bool DestroyWindow(UiWindow window) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr) return false;
  if (record->kind == WindowKind::Dialog) Dispatch(window, WM_DESTROY, 0, 0);
  record = FindRecord(window);
  if (record == nullptr) return true;
  for (UiWindow child : std::vector<UiWindow>(record->children)) DestroyWindow(child);
  if (GetCapture() == window) ReleaseCapture();
  Dialog* owner = record->owner;
  QPointer<QWidget> frame = record->frame;
  if (record->parent) {
    if (WindowRecord* parent = FindRecord(record->parent)) {
      auto& siblings = parent->children;
      siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    }
  }
  RemoveRecord(window);
  if (frame) {
    frame->hide();
    frame->deleteLater();
  }
  if (owner != nullptr) DialogDispatch::Final(*owner, window);
  return true;
}

}  // namespace platform
