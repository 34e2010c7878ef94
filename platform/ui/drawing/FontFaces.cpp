#include "platform/ui/drawing/FontFaces.h"

#include <cwctype>

namespace platform {

namespace {

struct FaceSubstitute {
  const wchar_t* asked;
  const wchar_t* used;
};

const FaceSubstitute kSubstitutes[] = {
    {L"ＭＳ Ｐゴシック", L"IPAPGothic"}, {L"MS PGothic", L"IPAPGothic"},  {L"ＭＳ ゴシック", L"IPAGothic"},
    {L"MS Gothic", L"IPAGothic"},        {L"MS Shell Dlg", L"DejaVu Sans"}, {L"MS Shell Dlg 2", L"DejaVu Sans"},
    {L"MS Sans Serif", L"DejaVu Sans"},  {L"Tahoma", L"DejaVu Sans"},      {L"Arial", L"DejaVu Sans"},
    {L"System", L"DejaVu Sans"},         {L"", L"DejaVu Sans"},
};

bool SameFace(const std::wstring& a, const wchar_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return i == a.size() && b[i] == 0;
}

}  // namespace

std::wstring SubstituteFontFace(const std::wstring& face) {
  for (const FaceSubstitute& substitute : kSubstitutes) {
    if (SameFace(face, substitute.asked)) return substitute.used;
  }
  return face;
}

}  // namespace platform
