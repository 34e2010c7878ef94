#pragma once
// Inside the UI layer only: what the drawing handles point at, and the registry that
// tells a live handle from one already deleted. Not for program code.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <memory>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/drawing/Geometry.h"

namespace platform {

struct PixelImage;

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
  std::unique_ptr<QPainter> painter;
  GdiObject* pen = nullptr;
  GdiObject* brush = nullptr;
  GdiObject* font = nullptr;
  GdiObject* bitmap = nullptr;
  std::unique_ptr<GdiObject> defaultBitmap;
  ColorRef textColor = Rgb(0, 0, 0);
  int backgroundMode = OPAQUE;
  Point position;
  int width = 0;
  int height = 0;
};

}  // namespace platform

namespace platform::ui_detail {

// Looks the handle up before anything reads through it: a handle already deleted points
// at freed memory.
bool IsLive(const GdiObject* object);
bool IsLive(const DeviceContext* dc);
// A new object of the kind, registered as live until DeleteObject.
GdiObject* NewObject(GdiKind kind);
// The stock object of the id (made on first use), or null for an unknown id.
GdiObject* StockObject(int id);
// A context with the stock pen, brush and font selected, registered as live; what it
// draws on is up to the caller. ForgetContext unregisters and deletes it.
DeviceContext* NewContext();
void ForgetContext(DeviceContext* dc);

inline QColor ToQColor(ColorRef color) { return QColor(RedOf(color), GreenOf(color), BlueOf(color)); }
inline ColorRef FromQColor(QRgb rgb) { return Rgb(qRed(rgb), qGreen(rgb), qBlue(rgb)); }

// Shows the icon in the widget's title bar and task switcher; an invalid one clears it.
void ApplyWindowIcon(QWidget* widget, IconHandle icon);

// A picture's pixels, 24-bit RGB.
PixelImage ToPixelImage(const QImage& image);

}  // namespace platform::ui_detail
