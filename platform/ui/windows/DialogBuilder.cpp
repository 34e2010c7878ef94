#include "platform/ui/windows/DialogBuilder.h"

#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <memory>

#include "platform/ui/drawing/FontFaces.h"
#include "platform/ui/windows/MessagePump.h"
#include "platform/ui/windows/UiWindow.h"
#include "platform/ui/windows/WindowRegistry.h"
#include "platform/ui/windows/WindowWidgets.h"

namespace platform::ui_detail {

namespace {

QString ToQString(const std::wstring& text) { return QString::fromStdWString(text); }

int MulDivRounded(int value, int numerator, int denominator) {
  long long product = static_cast<long long>(value) * numerator;
  long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

QFont DialogFont(const DialogTemplate& dialogTemplate) {
  QFont font(ToQString(SubstituteFontFace(dialogTemplate.fontFace)));
  int points = dialogTemplate.fontPointSize > 0 ? dialogTemplate.fontPointSize : 8;
  font.setPixelSize(std::max(1, MulDivRounded(points, 96, 72)));
  font.setKerning(false);
  return font;
}

void AddMenuItems(QMenu* menu, const std::vector<MenuItemTemplate>& items, UiWindow dialog);

QAction* MakeCommand(QObject* parent, const MenuItemTemplate& item, UiWindow dialog) {
  QAction* action = new QAction(ToQString(item.text), parent);
  action->setData(item.commandId);
  int id = item.commandId;
  QObject::connect(action, &QAction::triggered, [dialog, id]() {
    if (IsValidHandle(dialog)) SendMessage(dialog, WM_COMMAND, MakeWParam(static_cast<unsigned int>(id), 0), 0);
  });
  return action;
}

void AddMenuItems(QMenu* menu, const std::vector<MenuItemTemplate>& items, UiWindow dialog) {
  for (const MenuItemTemplate& item : items) {
    if (item.IsPopup()) {
      AddMenuItems(menu->addMenu(ToQString(item.text)), item.items, dialog);
    } else if (item.commandId == 0 && item.text.empty()) {
      menu->addSeparator();
    } else {
      menu->addAction(MakeCommand(menu, item, dialog));
    }
  }
}

}  // namespace

UiWindow BuildDialog(Dialog* owner, ModuleHandle module, const DialogTemplate& dialogTemplate, UiWindow parent) {
  if (!EnsureUi()) return UiWindow();
  auto record = std::make_unique<WindowRecord>();
  record->kind = WindowKind::Dialog;
  record->owner = owner;
  record->module = module;
  record->style = dialogTemplate.style;
  record->parent = parent;
  WindowRecord* dialog = record.get();
  UiWindow handle = AddRecord(std::move(record));

  auto* frame = new FrameWidget();
  TagWidget(frame, handle);
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
  if ((dialogTemplate.style & WS_CAPTION) == WS_CAPTION) {
    flags |= Qt::WindowTitleHint;
    if (dialogTemplate.style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (dialogTemplate.style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    if (dialogTemplate.style & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;
  } else {
    flags |= Qt::FramelessWindowHint;
  }
  if (dialogTemplate.extendedStyle & WS_EX_TOPMOST) {
    flags |= Qt::WindowStaysOnTopHint;
    dialog->topMost = true;
  }
  frame->setWindowFlags(flags);
  frame->setWindowTitle(ToQString(dialogTemplate.caption));
  frame->setAttribute(Qt::WA_DeleteOnClose, false);
  dialog->frame = frame;

  QFont font = DialogFont(dialogTemplate);
  frame->setFont(font);
  auto* client = new ClientWidget(frame);
  client->setAutoFillBackground(false);
  dialog->client = client;

  if (dialogTemplate.menuId != 0 && module != nullptr) {
    if (const MenuTemplate* menu = module->FindMenu(dialogTemplate.menuId)) {
      auto* bar = new QMenuBar(frame);
      for (const MenuItemTemplate& item : menu->items) {
        if (item.IsPopup()) {
          AddMenuItems(bar->addMenu(ToQString(item.text)), item.items, handle);
        } else {
          bar->addAction(MakeCommand(bar, item, handle));
        }
      }
      dialog->menuBar = bar;
    }
  }

  // Dialog units follow the font: a quarter of its average character width, an eighth
  // of its height.
  QFontMetrics metrics(font);
  int baseX = (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
  int baseY = metrics.ascent() + metrics.descent();
  auto toPixelsX = [baseX](int units) { return MulDivRounded(units, baseX, 4); };
  auto toPixelsY = [baseY](int units) { return MulDivRounded(units, baseY, 8); };

  for (const ControlTemplate& control : dialogTemplate.controls) {
    auto childRecord = std::make_unique<WindowRecord>();
    childRecord->controlId = control.id;
    childRecord->style = control.style;
    childRecord->parent = handle;
    childRecord->module = module;
    QWidget* widget = nullptr;
    if (control.controlClass == ControlClass::Button) {
      childRecord->kind = WindowKind::PushButton;
      auto* button = new PushButtonWidget(ToQString(control.text), client, (control.style & BS_LEFT) != 0);
      button->setAttribute(Qt::WA_NoMousePropagation);
      button->setAutoDefault(false);
      widget = button;
    } else {
      std::uint32_t type = control.style & SS_TYPEMASK;
      bool frameStyle = type == SS_BLACKFRAME || type == SS_GRAYFRAME || type == SS_WHITEFRAME || type == SS_ETCHEDFRAME;
      if (frameStyle) {
        childRecord->kind = WindowKind::StaticFrame;
        widget = new StaticFrameWidget(client, control.style);
      } else {
        childRecord->kind = WindowKind::StaticText;
        auto* label = new QLabel(ToQString(control.text), client);
        label->setAlignment(type == SS_CENTER ? Qt::AlignHCenter : type == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft);
        // Static texts break between words where the line is full.
        label->setWordWrap(true);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        widget = label;
      }
    }
    widget->setGeometry(toPixelsX(control.x), toPixelsY(control.y), toPixelsX(control.width), toPixelsY(control.height));
    widget->setEnabled((control.style & WS_DISABLED) == 0);
    widget->setVisible((control.style & WS_VISIBLE) != 0);
    childRecord->frame = widget;
    childRecord->client = widget;
    UiWindow child = AddRecord(std::move(childRecord));
    TagWidget(widget, child);
    dialog->children.push_back(child);
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      int id = control.id;
      QObject::connect(button, &QPushButton::clicked, [handle, child, id]() {
        if (IsValidHandle(handle)) SendMessage(handle, WM_COMMAND, MakeWParam(static_cast<unsigned int>(id), BN_CLICKED), static_cast<LParam>(child.Value()));
      });
    }
  }

  int clientWidth = toPixelsX(dialogTemplate.width);
  int clientHeight = toPixelsY(dialogTemplate.height);
  // Without a sizing border the user cannot resize the window, and the window manager
  // offers no maximise or full screen (the window type, given when it is first shown).
  dialog->fixedSize = (dialogTemplate.style & WS_THICKFRAME) == 0 && (dialogTemplate.style & WS_CHILD) == 0;
  SizeFrame(*dialog, clientWidth, clientHeight + frame->MenuHeight());
  frame->LayOut();
  if (dialogTemplate.style & DS_CENTER) {
    Rect work = GetWorkArea();
    frame->move(work.left + (work.Width() - frame->width()) / 2, work.top + (work.Height() - frame->height()) / 2);
  } else {
    frame->move(toPixelsX(dialogTemplate.x), toPixelsY(dialogTemplate.y));
  }
  return handle;
}

}  // namespace platform::ui_detail
