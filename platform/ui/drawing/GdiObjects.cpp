#include "platform/ui/drawing/GdiObjects.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <unordered_set>

#include "platform/ui/display/Toolkit.h"
#include "platform/ui/drawing/FontFaces.h"
#include "platform/ui/drawing/GdiRecords.h"

namespace platform {

using ui_detail::ForgetContext;
using ui_detail::IsLive;
using ui_detail::NewContext;
using ui_detail::NewObject;
using ui_detail::StockObject;

namespace {

std::mutex liveMutex;
std::unordered_set<const GdiObject*> liveObjects;
// Stock objects and the contexts' own default bitmaps: live, but never deleted by callers.
std::unordered_set<const GdiObject*> stockObjects;
std::unordered_set<const DeviceContext*> liveContexts;

void SetStock(const GdiObject* object, bool stock) {
  std::lock_guard<std::mutex> lock(liveMutex);
  if (stock) {
    stockObjects.insert(object);
  } else {
    stockObjects.erase(object);
  }
}

// Pixel size (em) whose ascent + descent comes closest to the cell height without
// going over it.
int EmForCellHeight(const QFont& base, int cellHeight) {
  QFont probe(base);
  probe.setPixelSize(100);
  QFontMetricsF metrics(probe);
  double cellPer100 = metrics.ascent() + metrics.descent();
  int em = cellPer100 > 0 ? static_cast<int>(std::lround(cellHeight * 100.0 / cellPer100)) : cellHeight;
  em = std::max(1, em);
  for (int tries = 0; tries < 3 && em > 1; ++tries) {
    probe.setPixelSize(em);
    QFontMetrics exact(probe);
    if (exact.ascent() + exact.descent() <= cellHeight) break;
    --em;
  }
  return em;
}

QFont MakeFont(const LogFont& description) {
  ui_detail::StartToolkit();
  std::wstring face = description.faceName.substr(0, 31);
  QFont font(QString::fromStdWString(SubstituteFontFace(face)));
  int weight = description.weight <= 0 ? FW_NORMAL : std::min(description.weight, 1000);
  font.setWeight(static_cast<QFont::Weight>(weight));
  font.setItalic(description.italic);
  font.setUnderline(description.underline);
  font.setStrikeOut(description.strikeOut);
  font.setKerning(false);
  if (description.height > 0) {
    font.setPixelSize(EmForCellHeight(font, description.height));
  } else if (description.height < 0) {
    font.setPixelSize(-description.height);
  } else {
    font.setPixelSize(12);
  }
  return font;
}

void BeginOnBitmap(DeviceContext* dc, GdiObject* bitmap) {
  dc->painter.reset();
  dc->bitmap = bitmap;
  bitmap->selectedInto = dc;
  dc->width = bitmap->image.width();
  dc->height = bitmap->image.height();
  dc->painter = std::make_unique<QPainter>(&bitmap->image);
  dc->painter->setRenderHint(QPainter::Antialiasing, false);
  dc->painter->setRenderHint(QPainter::TextAntialiasing, true);
}

}  // namespace

namespace ui_detail {

bool IsLive(const GdiObject* object) {
  if (object == nullptr) return false;
  std::lock_guard<std::mutex> lock(liveMutex);
  return liveObjects.count(object) != 0 || stockObjects.count(object) != 0;
}

bool IsLive(const DeviceContext* dc) {
  if (dc == nullptr) return false;
  std::lock_guard<std::mutex> lock(liveMutex);
  return liveContexts.count(dc) != 0;
}

GdiObject* NewObject(GdiKind kind) {
  auto* object = new GdiObject();
  object->kind = kind;
  std::lock_guard<std::mutex> lock(liveMutex);
  liveObjects.insert(object);
  return object;
}

DeviceContext* NewContext() {
  auto* dc = new DeviceContext();
  dc->pen = StockObject(BLACK_PEN);
  dc->brush = StockObject(WHITE_BRUSH);
  dc->font = StockObject(SYSTEM_FONT);
  std::lock_guard<std::mutex> lock(liveMutex);
  liveContexts.insert(dc);
  return dc;
}

void ForgetContext(DeviceContext* dc) {
  {
    std::lock_guard<std::mutex> lock(liveMutex);
    liveContexts.erase(dc);
  }
  dc->painter.reset();
  for (GdiObject* object : {dc->pen, dc->brush, dc->font, dc->bitmap}) {
    if (object != nullptr && !object->stock && object->selections > 0) --object->selections;
  }
  if (dc->bitmap != nullptr) dc->bitmap->selectedInto = nullptr;
  if (dc->defaultBitmap) SetStock(dc->defaultBitmap.get(), false);
  delete dc;
}

GdiObject* StockObject(int id) {
  static std::map<int, std::unique_ptr<GdiObject>> stock;
  static std::mutex stockMutex;
  std::lock_guard<std::mutex> lock(stockMutex);
  auto found = stock.find(id);
  if (found != stock.end()) return found->second.get();
  auto object = std::make_unique<GdiObject>();
  object->stock = true;
  switch (id) {
    case WHITE_BRUSH: object->kind = GdiKind::Brush; object->color = Rgb(255, 255, 255); break;
    case BLACK_BRUSH: object->kind = GdiKind::Brush; object->color = Rgb(0, 0, 0); break;
    case NULL_BRUSH: object->kind = GdiKind::Brush; object->nullBrush = true; break;
    case WHITE_PEN: object->kind = GdiKind::Pen; object->color = Rgb(255, 255, 255); break;
    case BLACK_PEN: object->kind = GdiKind::Pen; object->color = Rgb(0, 0, 0); break;
    case NULL_PEN: object->kind = GdiKind::Pen; object->penStyle = PS_NULL; break;
    case SYSTEM_FONT: {
      object->kind = GdiKind::Font;
      LogFont system;
      system.height = 16;
      system.weight = FW_BOLD;
      object->description = system;
      object->font = MakeFont(system);
      break;
    }
    default: return nullptr;
  }
  GdiObject* result = object.get();
  stock[id] = std::move(object);
  SetStock(result, true);
  return result;
}

}  // namespace ui_detail

DcHandle CreateCompatibleDC(DcHandle) {
  ui_detail::StartToolkit();
  DeviceContext* dc = NewContext();
  dc->defaultBitmap = std::make_unique<GdiObject>();
  dc->defaultBitmap->kind = GdiKind::Bitmap;
  dc->defaultBitmap->stock = true;
  dc->defaultBitmap->image = QImage(1, 1, QImage::Format_RGB32);
  dc->defaultBitmap->image.fill(Qt::black);
  SetStock(dc->defaultBitmap.get(), true);
  BeginOnBitmap(dc, dc->defaultBitmap.get());
  return dc;
}

bool DeleteDC(DcHandle dc) {
  if (!IsLive(dc) || dc->window) return false;
  ForgetContext(dc);
  return true;
}

GdiObjectHandle CreateCompatibleBitmap(DcHandle, int width, int height) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  GdiObject* bitmap = NewObject(GdiKind::Bitmap);
  bitmap->image = QImage(width, height, QImage::Format_RGB32);
  bitmap->image.fill(Qt::black);
  return bitmap;
}

GdiObjectHandle CreatePen(int style, int width, ColorRef color) {
  GdiObject* pen = NewObject(GdiKind::Pen);
  pen->penStyle = style == PS_NULL ? PS_NULL : PS_SOLID;
  pen->penWidth = std::max(0, width);
  pen->color = color & 0x00FFFFFF;
  return pen;
}

GdiObjectHandle CreateSolidBrush(ColorRef color) {
  GdiObject* brush = NewObject(GdiKind::Brush);
  brush->color = color & 0x00FFFFFF;
  return brush;
}

GdiObjectHandle CreateFontIndirect(const LogFont& font) {
  GdiObject* object = NewObject(GdiKind::Font);
  object->description = font;
  object->description.faceName = font.faceName.substr(0, 31);
  object->font = MakeFont(font);
  return object;
}

GdiObjectHandle GetStockObject(int id) { return StockObject(id); }

GdiObjectHandle SelectObject(DcHandle dc, GdiObjectHandle object) {
  if (!IsLive(dc) || !IsLive(object)) return nullptr;
  GdiObject** slot = nullptr;
  switch (object->kind) {
    case GdiKind::Pen: slot = &dc->pen; break;
    case GdiKind::Brush: slot = &dc->brush; break;
    case GdiKind::Font: slot = &dc->font; break;
    case GdiKind::Bitmap:
      if (dc->window) return nullptr;
      if (object->selectedInto != nullptr && object->selectedInto != dc) return nullptr;
      slot = &dc->bitmap;
      break;
    case GdiKind::Icon: return nullptr;
  }
  GdiObject* previous = *slot;
  if (previous == object) return previous;
  if (previous != nullptr && !previous->stock) --previous->selections;
  if (!object->stock) ++object->selections;
  if (object->kind == GdiKind::Bitmap) {
    if (previous != nullptr) previous->selectedInto = nullptr;
    BeginOnBitmap(dc, object);
  } else {
    *slot = object;
  }
  return previous;
}

bool DeleteObject(GdiObjectHandle object) {
  if (!IsLive(object) || object->stock) return false;
  if (object->selections > 0 || object->selectedInto != nullptr) return false;
  {
    std::lock_guard<std::mutex> lock(liveMutex);
    liveObjects.erase(object);
  }
  delete object;
  return true;
}

int SetMapMode(DcHandle dc, int mode) { return IsLive(dc) && mode == MM_TEXT ? MM_TEXT : 0; }

int GetDeviceCaps(DcHandle dc, int index) {
  if (!IsLive(dc)) return 0;
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case 8: return dc->width;    // HORZRES
    case 10: return dc->height;  // VERTRES
    case 12: return 32;          // BITSPIXEL
    default: return 0;
  }
}

ColorRef SetTextColor(DcHandle dc, ColorRef color) {
  if (!IsLive(dc)) return kInvalidColor;
  ColorRef previous = dc->textColor;
  dc->textColor = color & 0x00FFFFFF;
  return previous;
}

int SetBkMode(DcHandle dc, int mode) {
  if (!IsLive(dc) || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = dc->backgroundMode;
  dc->backgroundMode = mode;
  return previous;
}

}  // namespace platform
