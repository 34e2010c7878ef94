#include "platform/ui/drawing/GdiImages.h"

#include <QIcon>
#include <QPixmap>
#include <QWidget>

#include <map>
#include <mutex>

#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiRecords.h"

namespace platform {

using ui_detail::FromQColor;
using ui_detail::IsLive;
using ui_detail::NewObject;

namespace {

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


}  // namespace

namespace ui_detail {

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

}  // namespace ui_detail

GdiObjectHandle LoadBitmap(ModuleHandle module, int bitmapId) {
  if (module == nullptr) return nullptr;
  QImage image = CachedBitmap(module, bitmapId);
  if (image.isNull()) return nullptr;
  GdiObject* bitmap = NewObject(GdiKind::Bitmap);
  bitmap->image = image;
  return bitmap;
}

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

std::optional<PixelImage> GetBitmapPixels(GdiObjectHandle bitmap) {
  if (!IsLive(bitmap) || (bitmap->kind != GdiKind::Bitmap && bitmap->kind != GdiKind::Icon)) return std::nullopt;
  return ui_detail::ToPixelImage(bitmap->image);
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
