#include "platform/ui/Gdi.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPaintEvent>
#include <QPixmap>
#include <QTextLayout>
#include <QWidget>

#include <atomic>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "platform/ui/FontFaces.h"
#include "platform/ui/WindowSystem.h"

namespace platform {

enum class GdiKind { Pen, Brush, Font, Bitmap, Icon };

struct GdiObject {
  GdiKind kind = GdiKind::Pen;
  bool stock = false;
  int selections = 0;
  // Pens and brushes.
  int penStyle = PS_SOLID;
  int penWidth = 0;
  bool nullBrush = false;
  ColorRef color = 0;
  // Fonts: what was asked for, and the toolkit's font for it.
  LogFont description;
  QFont font;
  // Bitmaps and icons.
  QImage image;
  DeviceContext* selectedInto = nullptr;
};

struct DeviceContext {
  bool window = false;  // a window's paint context, else a memory context
  UiWindow owner;
  std::unique_ptr<QPainter> painter;
  GdiObject* pen = nullptr;
  GdiObject* brush = nullptr;
  GdiObject* font = nullptr;
  GdiObject* bitmap = nullptr;
  std::unique_ptr<GdiObject> defaultBitmap;
  ColorRef textColor = Rgb(0, 0, 0);
  ColorRef backgroundColor = Rgb(255, 255, 255);
  int backgroundMode = OPAQUE;
  Point position;
  int width = 0;
  int height = 0;
};

namespace {

std::mutex liveMutex;
std::unordered_set<const GdiObject*> liveObjects;
// Stock objects and the contexts' own default bitmaps: live, but never deleted by callers.
std::unordered_set<const GdiObject*> stockObjects;
std::unordered_set<const DeviceContext*> liveContexts;

// Looks the handle up before anything reads through it: a handle already deleted points
// at freed memory.
bool IsLive(const GdiObject* object) {
  if (object == nullptr) return false;
  std::lock_guard<std::mutex> lock(liveMutex);
  return liveObjects.count(object) != 0 || stockObjects.count(object) != 0;
}

void SetStock(const GdiObject* object, bool stock) {
  std::lock_guard<std::mutex> lock(liveMutex);
  if (stock) {
    stockObjects.insert(object);
  } else {
    stockObjects.erase(object);
  }
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

QColor ToQColor(ColorRef color) { return QColor(RedOf(color), GreenOf(color), BlueOf(color)); }
ColorRef FromQColor(QRgb rgb) { return Rgb(qRed(rgb), qGreen(rgb), qBlue(rgb)); }

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
  ui_detail::EnsureUi();
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

QImage DecodeImage(const ImageResource* resource) {
  QImage image;
  if (resource != nullptr && resource->data != nullptr) {
    image.loadFromData(resource->data, static_cast<int>(resource->size), "PNG");
  }
  return image;
}

// Decoded pictures are kept: every draw asks for its bitmap again.
QImage CachedBitmap(ModuleHandle module, int id) {
  static std::mutex cacheMutex;
  static std::map<std::pair<ModuleHandle, int>, QImage> cache;
  std::lock_guard<std::mutex> lock(cacheMutex);
  auto key = std::make_pair(module, id);
  auto found = cache.find(key);
  if (found != cache.end()) return found->second;
  QImage image = DecodeImage(module->FindBitmap(id));
  if (!image.isNull()) image = image.convertToFormat(QImage::Format_RGB32);
  cache[key] = image;
  return image;
}

bool HasPen(const DeviceContext* dc) { return dc->pen != nullptr && dc->pen->penStyle != PS_NULL; }
bool HasBrush(const DeviceContext* dc) { return dc->brush != nullptr && !dc->brush->nullBrush; }

void FillPixels(DeviceContext* dc, int left, int top, int width, int height, ColorRef color) {
  if (width <= 0 || height <= 0 || !dc->painter) return;
  dc->painter->fillRect(QRect(left, top, width, height), ToQColor(color));
}

}  // namespace

DcHandle BeginPaint(UiWindow window, PaintStruct& paint) {
  paint = PaintStruct();
  ui_detail::WindowRecord* record = ui_detail::FindRecord(window);
  if (record == nullptr || !record->client) return nullptr;
  DeviceContext* dc = NewContext();
  dc->window = true;
  dc->owner = window;
  dc->width = record->client->width();
  dc->height = record->client->height();
  if (record->paintEvent != nullptr) {
    dc->painter = std::make_unique<QPainter>(record->client.data());
    dc->painter->setRenderHint(QPainter::Antialiasing, false);
    QRect bounds = record->paintEvent->region().boundingRect();
    paint.paint = Rect{bounds.left(), bounds.top(), bounds.left() + bounds.width(), bounds.top() + bounds.height()};
  }
  paint.dc = dc;
  if (record->pendingErase) {
    record->pendingErase = false;
    paint.erase = ui_detail::Dispatch(window, WM_ERASEBKGND, reinterpret_cast<WParam>(dc), 0) == 0;
  }
  return dc;
}

bool EndPaint(UiWindow window, const PaintStruct& paint) {
  if (!IsLive(paint.dc) || !paint.dc->window) return false;
  if (ui_detail::WindowRecord* record = ui_detail::FindRecord(window)) record->pendingUpdate = QRegion();
  ForgetContext(paint.dc);
  return true;
}

DcHandle CreateCompatibleDC(DcHandle) {
  ui_detail::EnsureUi();
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

GdiObjectHandle LoadBitmap(ModuleHandle module, int bitmapId) {
  if (module == nullptr) return nullptr;
  QImage image = CachedBitmap(module, bitmapId);
  if (image.isNull()) return nullptr;
  GdiObject* bitmap = NewObject(GdiKind::Bitmap);
  bitmap->image = image;
  return bitmap;
}

bool GetBitmapSize(GdiObjectHandle bitmap, int& width, int& height) {
  if (!IsLive(bitmap) || (bitmap->kind != GdiKind::Bitmap && bitmap->kind != GdiKind::Icon)) return false;
  width = bitmap->image.width();
  height = bitmap->image.height();
  return true;
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

ColorRef SetBkColor(DcHandle dc, ColorRef color) {
  if (!IsLive(dc)) return kInvalidColor;
  ColorRef previous = dc->backgroundColor;
  dc->backgroundColor = color & 0x00FFFFFF;
  return previous;
}

int SetBkMode(DcHandle dc, int mode) {
  if (!IsLive(dc) || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = dc->backgroundMode;
  dc->backgroundMode = mode;
  return previous;
}

bool BitBlt(DcHandle destination, int x, int y, int width, int height, DcHandle source, int sourceX, int sourceY,
            std::uint32_t rasterOperation) {
  if (!IsLive(destination) || !IsLive(source) || rasterOperation != SRCCOPY) return false;
  if (source->window || source->bitmap == nullptr || !destination->painter) return false;
  if (width <= 0 || height <= 0) return true;
  QPainter& painter = *destination->painter;
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(QRect(x, y, width, height), source->bitmap->image, QRect(sourceX, sourceY, width, height));
  painter.restore();
  return true;
}

bool Rectangle(DcHandle dc, int left, int top, int right, int bottom) {
  if (!IsLive(dc)) return false;
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  if (!HasPen(dc)) {
    // Without an outline the filled area is one pixel smaller each way.
    if (HasBrush(dc)) FillPixels(dc, left, top, right - left - 1, bottom - top - 1, dc->brush->color);
    return true;
  }
  if (HasBrush(dc)) FillPixels(dc, left, top, right - left, bottom - top, dc->brush->color);
  int penWidth = std::max(1, dc->pen->penWidth);
  ColorRef color = dc->pen->color;
  int width = right - left;
  int height = bottom - top;
  FillPixels(dc, left, top, width, std::min(penWidth, height), color);
  FillPixels(dc, left, bottom - std::min(penWidth, height), width, std::min(penWidth, height), color);
  FillPixels(dc, left, top, std::min(penWidth, width), height, color);
  FillPixels(dc, right - std::min(penWidth, width), top, std::min(penWidth, width), height, color);
  return true;
}

namespace {

bool DrawCurve(DcHandle dc, int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight,
               bool ellipse) {
  if (!IsLive(dc) || !dc->painter) return false;
  QPainter& painter = *dc->painter;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  if (HasPen(dc)) {
    QPen pen(ToQColor(dc->pen->color));
    pen.setWidth(std::max(1, dc->pen->penWidth));
    painter.setPen(pen);
  } else {
    painter.setPen(Qt::NoPen);
  }
  painter.setBrush(HasBrush(dc) ? QBrush(ToQColor(dc->brush->color)) : QBrush(Qt::NoBrush));
  QRectF area(left + 0.5, top + 0.5, right - left - 1, bottom - top - 1);
  if (ellipse) {
    painter.drawEllipse(area);
  } else {
    painter.drawRoundedRect(area, ellipseWidth / 2.0, ellipseHeight / 2.0);
  }
  painter.restore();
  return true;
}

}  // namespace

bool RoundRect(DcHandle dc, int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  return DrawCurve(dc, left, top, right, bottom, ellipseWidth, ellipseHeight, false);
}

bool Ellipse(DcHandle dc, int left, int top, int right, int bottom) {
  return DrawCurve(dc, left, top, right, bottom, 0, 0, true);
}

bool FillRect(DcHandle dc, const Rect& rect, GdiObjectHandle brush) {
  if (!IsLive(dc) || !IsLive(brush) || brush->kind != GdiKind::Brush) return false;
  if (!brush->nullBrush) FillPixels(dc, rect.left, rect.top, rect.Width(), rect.Height(), brush->color);
  return true;
}

bool MoveToEx(DcHandle dc, int x, int y, Point* previous) {
  if (!IsLive(dc)) return false;
  if (previous != nullptr) *previous = dc->position;
  dc->position = Point{x, y};
  return true;
}

bool LineTo(DcHandle dc, int x, int y) {
  if (!IsLive(dc)) return false;
  Point from = dc->position;
  dc->position = Point{x, y};
  if (!HasPen(dc) || !dc->painter) return true;
  ColorRef color = dc->pen->color;
  int width = std::max(1, dc->pen->penWidth);
  if (width > 1) {
    QPen pen(ToQColor(color));
    pen.setWidth(width);
    dc->painter->save();
    dc->painter->setPen(pen);
    dc->painter->drawLine(from.x, from.y, x, y);
    dc->painter->restore();
    return true;
  }
  // The end point itself is left out, so joined lines never paint a pixel twice.
  if (from.y == y) {
    if (x > from.x) FillPixels(dc, from.x, y, x - from.x, 1, color);
    if (x < from.x) FillPixels(dc, x + 1, y, from.x - x, 1, color);
    return true;
  }
  if (from.x == x) {
    if (y > from.y) FillPixels(dc, x, from.y, 1, y - from.y, color);
    if (y < from.y) FillPixels(dc, x, y + 1, 1, from.y - y, color);
    return true;
  }
  int dx = std::abs(x - from.x), sx = from.x < x ? 1 : -1;
  int dy = -std::abs(y - from.y), sy = from.y < y ? 1 : -1;
  int error = dx + dy;
  int px = from.x, py = from.y;
  while (px != x || py != y) {
    FillPixels(dc, px, py, 1, 1, color);
    int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      px += sx;
    }
    if (twice <= dx) {
      error += dx;
      py += sy;
    }
  }
  return true;
}

ColorRef GetPixel(DcHandle dc, int x, int y) {
  if (!IsLive(dc) || dc->window || dc->bitmap == nullptr) return kInvalidColor;
  const QImage& image = dc->bitmap->image;
  if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return kInvalidColor;
  return FromQColor(image.pixel(x, y));
}

ColorRef SetPixel(DcHandle dc, int x, int y, ColorRef color) {
  if (!IsLive(dc) || x < 0 || y < 0 || x >= dc->width || y >= dc->height) return kInvalidColor;
  FillPixels(dc, x, y, 1, 1, color);
  return color & 0x00FFFFFF;
}

namespace {

QString WithoutPrefixMarks(const QString& text) {
  QString result;
  result.reserve(text.size());
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
        result += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    result += text[i];
  }
  return result;
}

QStringList SplitParagraphs(const QString& text) {
  QString normalised = text;
  normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return normalised.split(QLatin1Char('\n'));
}

// Lines of a paragraph broken at the width where words (or East Asian characters)
// allow; a word wider than the line stays whole.
QStringList WrapParagraph(const QString& paragraph, const QFont& font, int width) {
  QStringList lines;
  if (paragraph.isEmpty()) {
    lines << QString();
    return lines;
  }
  QTextLayout layout(paragraph, font);
  QTextOption option;
  option.setWrapMode(QTextOption::WordWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(std::max(0, width));
  }
  layout.endLayout();
  for (int i = 0; i < layout.lineCount(); ++i) {
    QTextLine line = layout.lineAt(i);
    QString piece = paragraph.mid(line.textStart(), line.textLength());
    while (!piece.isEmpty() && piece.back().isSpace()) piece.chop(1);
    lines << piece;
  }
  return lines;
}

}  // namespace

namespace {

std::atomic<DrawnTextRecord*> activeRecord{nullptr};

}  // namespace

DrawnTextRecord::DrawnTextRecord() { activeRecord.store(this, std::memory_order_release); }

DrawnTextRecord::~DrawnTextRecord() {
  DrawnTextRecord* self = this;
  activeRecord.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
}

std::vector<DrawnText> DrawnTextRecord::Take() {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<DrawnText> texts;
  texts.swap(texts_);
  return texts;
}

void DrawnTextRecord::Add(DrawnText text) {
  std::lock_guard<std::mutex> guard(lock_);
  texts_.push_back(std::move(text));
}

int DrawTextEx(DcHandle dc, const std::wstring& text, Rect& rect, unsigned int format) {
  if (!IsLive(dc)) return 0;
  const GdiObject* selected = dc->font != nullptr ? dc->font : StockObject(SYSTEM_FONT);
  if ((format & DT_CALCRECT) == 0) {
    if (DrawnTextRecord* record = activeRecord.load(std::memory_order_acquire)) {
      const LogFont& asked = selected->description;
      record->Add(DrawnText{text, rect, format, asked.faceName, asked.height, asked.weight, asked.underline,
                            dc->textColor});
    }
  }
  QFont font = selected->font;
  QFontMetrics metrics(font);
  int lineHeight = metrics.ascent() + metrics.descent();
  QString value = QString::fromStdWString(text);
  if ((format & DT_NOPREFIX) == 0) value = WithoutPrefixMarks(value);

  QStringList lines;
  if (format & DT_SINGLELINE) {
    value.remove(QLatin1Char('\r'));
    value.remove(QLatin1Char('\n'));
    lines << value;
  } else {
    for (const QString& paragraph : SplitParagraphs(value)) {
      if (format & DT_WORDBREAK) {
        lines << WrapParagraph(paragraph, font, rect.Width());
      } else {
        lines << paragraph;
      }
    }
  }
  int widest = 0;
  std::vector<int> widths;
  for (const QString& line : lines) {
    widths.push_back(metrics.horizontalAdvance(line));
    widest = std::max(widest, widths.back());
  }
  int textHeight = lineHeight * static_cast<int>(lines.size());

  if (format & DT_CALCRECT) {
    rect.right = rect.left + widest;
    rect.bottom = rect.top + textHeight;
    return textHeight;
  }
  if (!dc->painter) return textHeight;

  int top = rect.top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) {
      top = rect.top + (rect.Height() - lineHeight) / 2;
    } else if (format & DT_BOTTOM) {
      top = rect.bottom - lineHeight;
    }
  }
  QPainter& painter = *dc->painter;
  painter.save();
  if ((format & DT_NOCLIP) == 0) painter.setClipRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()), Qt::IntersectClip);
  painter.setFont(font);
  painter.setPen(ToQColor(dc->textColor));
  for (int i = 0; i < lines.size(); ++i) {
    int left = rect.left;
    if (format & DT_CENTER) {
      left = rect.left + (rect.Width() - widths[i]) / 2;
    } else if (format & DT_RIGHT) {
      left = rect.right - widths[i];
    }
    int lineTop = top + i * lineHeight;
    if (dc->backgroundMode == OPAQUE) {
      painter.fillRect(QRect(left, lineTop, widths[i], lineHeight), ToQColor(dc->backgroundColor));
    }
    painter.drawText(QPoint(left, lineTop + metrics.ascent()), lines[i]);
  }
  painter.restore();
  return (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)) ? top - rect.top + lineHeight : textHeight;
}

bool GetTextMetrics(DcHandle dc, TextMetrics& result) {
  if (!IsLive(dc) || dc->font == nullptr) return false;
  QFontMetrics metrics(dc->font->font);
  result.ascent = metrics.ascent();
  result.descent = metrics.descent();
  result.height = result.ascent + result.descent;
  result.averageCharWidth = metrics.averageCharWidth();
  return true;
}

bool GetTextExtentPoint(DcHandle dc, const std::wstring& text, int& width, int& height) {
  if (!IsLive(dc) || dc->font == nullptr) return false;
  QFontMetrics metrics(dc->font->font);
  width = metrics.horizontalAdvance(QString::fromStdWString(text));
  height = metrics.ascent() + metrics.descent();
  return true;
}

namespace {

PixelImage ToPixelImage(const QImage& source) {
  QImage image = source.convertToFormat(QImage::Format_RGB32);
  PixelImage result;
  result.width = image.width();
  result.height = image.height();
  result.pixels.resize(static_cast<std::size_t>(result.width) * result.height);
  for (int y = 0; y < result.height; ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < result.width; ++x) result.pixels[static_cast<std::size_t>(y) * result.width + x] = FromQColor(row[x]);
  }
  return result;
}

}  // namespace

bool PixelImage::SavePng(const std::string& path) const {
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<std::size_t>(width) * height) return false;
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      ColorRef color = At(x, y);
      row[x] = qRgb(RedOf(color), GreenOf(color), BlueOf(color));
    }
  }
  return image.save(QString::fromStdString(path), "PNG");
}

std::optional<PixelImage> PixelImage::LoadPng(const std::string& path) {
  QImage image;
  if (!image.load(QString::fromStdString(path), "PNG")) return std::nullopt;
  return ToPixelImage(image);
}

std::optional<PixelImage> GetBitmapPixels(GdiObjectHandle bitmap) {
  if (!IsLive(bitmap) || (bitmap->kind != GdiKind::Bitmap && bitmap->kind != GdiKind::Icon)) return std::nullopt;
  return ToPixelImage(bitmap->image);
}

std::optional<PixelImage> CaptureClientArea(UiWindow window) {
  ui_detail::WindowRecord* record = ui_detail::FindRecord(window);
  if (record == nullptr || !record->client) return std::nullopt;
  QPixmap picture = record->client->grab();
  QImage image = picture.toImage();
  if (image.devicePixelRatio() != 1.0) image = image.scaled(record->client->size());
  return ToPixelImage(image);
}

IconHandle LoadIcon(ModuleHandle module, int iconId) {
  if (module == nullptr) return nullptr;
  QImage image = DecodeImage(module->FindIcon(iconId));
  if (image.isNull()) return nullptr;
  GdiObject* icon = NewObject(GdiKind::Icon);
  icon->image = image;
  return icon;
}

bool DestroyIcon(IconHandle icon) {
  if (!IsLive(icon) || icon->kind != GdiKind::Icon) return false;
  return DeleteObject(icon);
}

namespace ui_detail {

void ApplyWindowIcon(QWidget* widget, IconHandle icon) {
  if (widget == nullptr) return;
  if (!IsLive(icon) || icon->kind != GdiKind::Icon) {
    widget->setWindowIcon(QIcon());
    return;
  }
  widget->setWindowIcon(QIcon(QPixmap::fromImage(icon->image)));
}

}  // namespace ui_detail

}  // namespace platform
