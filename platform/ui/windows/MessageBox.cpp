#include "platform/ui/windows/MessageBox.h"

#include <QMessageBox>
#include <QString>

#include "platform/ui/windows/MessagePump.h"
#include "platform/ui/windows/WindowRegistry.h"

namespace platform {

int MessageBox(UiWindow owner, const std::wstring& text, const std::wstring& caption, unsigned int type) {
  if (!ui_detail::EnsureUi()) return 0;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (type & 0xF0) {
    case MB_ICONERROR: icon = QMessageBox::Critical; break;
    case MB_ICONWARNING: icon = QMessageBox::Warning; break;
    case MB_ICONINFORMATION: icon = QMessageBox::Information; break;
    default: break;
  }
  QWidget* parent = nullptr;
  if (ui_detail::WindowRecord* record = ui_detail::FindRecord(ui_detail::TopLevelOf(owner))) parent = record->frame;
  QString body = QString::fromStdWString(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(icon, QString::fromStdWString(caption), body, QMessageBox::Ok, parent);
  // With one button, Escape and the window manager's close both answer OK.
  box.setEscapeButton(QMessageBox::Ok);
  if (type & MB_TOPMOST) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.exec();
  return IDOK;
}

}  // namespace platform
