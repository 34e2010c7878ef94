#pragma once
// How a test failure shows a drawn text: its words, rectangle, format and font.
#include <cstdio>
#include <ostream>
#include <string>

#include "platform/core/TextCodec.h"
#include "platform/ui/drawing/GdiText.h"

namespace platform {

inline std::string Describe(const DrawnText& t) {
  char colour[16];
  std::snprintf(colour, sizeof colour, "#%02x%02x%02x", RedOf(t.color), GreenOf(t.color), BlueOf(t.color));
  return "\"" + WideToUtf8(t.text) + "\" (" + std::to_string(t.rect.left) + "," + std::to_string(t.rect.top) + "," +
         std::to_string(t.rect.right) + "," + std::to_string(t.rect.bottom) + ") format " + std::to_string(t.format) +
         " " + WideToUtf8(t.face) + " " + std::to_string(t.height) + "/" + std::to_string(t.weight) +
         (t.underline ? " underlined" : "") + " colour " + colour;
}

// Found by GoogleTest through the argument's namespace.
inline void PrintTo(const DrawnText& t, std::ostream* out) { *out << Describe(t); }

}  // namespace platform
