#include "platform/ui/testing/DrawingInspection.h"

#include <QFontMetrics>
#include <QPixmap>
#include <QWidget>

#include "platform/ui/drawing/GdiRecords.h"
#include "platform/ui/windows/WindowRegistry.h"

namespace platform {

using ui_detail::IsLive;

ColorRef GetPixel(DcHandle dc, int x, int y) {
  if (!IsLive(dc) || dc->window || dc->bitmap == nullptr) return kInvalidColor;
  const QImage& image = dc->bitmap->image;
  if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return kInvalidColor;
  return ui_detail::FromQColor(image.pixel(x, y));
}

bool GetBitmapSize(GdiObjectHandle bitmap, int& width, int& height) {
  if (!IsLive(bitmap) || (bitmap->kind != GdiKind::Bitmap && bitmap->kind != GdiKind::Icon)) return false;
  width = bitmap->image.width();
  height = bitmap->image.height();
  return true;
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

std::optional<PixelImage> CaptureClientArea(UiWindow window) {
  ui_detail::WindowRecord* record = ui_detail::FindRecord(window);
  if (record == nullptr || !record->client) return std::nullopt;
  QPixmap picture = record->client->grab();
  QImage image = picture.toImage();
  if (image.devicePixelRatio() != 1.0) image = image.scaled(record->client->size());
  return ui_detail::ToPixelImage(image);
}

std::optional<PixelImage> LoadPixelImage(const std::string& pngPath) {
  QImage image;
  if (!image.load(QString::fromStdString(pngPath), "PNG")) return std::nullopt;
  return ui_detail::ToPixelImage(image);
}

}  // namespace platform
