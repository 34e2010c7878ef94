#pragma once
// The font faces the programs ask for are Windows faces that no Linux font answers to;
// fontconfig would hand out its default sans font and find Japanese glyphs only by
// fallback. This table names the installed face that stands in for each.
//
//   asked for           drawn with
//   ＭＳ Ｐゴシック     IPAPGothic (fonts-ipafont-gothic)
//   MS PGothic          IPAPGothic
//   ＭＳ ゴシック       IPAGothic
//   MS Gothic           IPAGothic
//   MS Shell Dlg (2)    DejaVu Sans
//   MS Sans Serif       DejaVu Sans
//   Tahoma, Arial       DejaVu Sans
//   System, empty       DejaVu Sans
//
// Any other face is passed on unchanged.
#include <string>

namespace platform {

std::wstring SubstituteFontFace(const std::wstring& face);

}  // namespace platform
