// UTF-16: what the log files, the UTF-16 config.ini, version order and the length rules
// of our XML files rely on.
#include <gtest/gtest.h>

#include <string>

#include "platform/core/TextCodec.h"

namespace {

TEST(TextCodec, WideToUtf16UnitsAndLength) {
  struct Case {
    const char* name;
    std::wstring text;
    std::u16string units;
  };
  const Case cases[] = {
      {"empty", L"", u""},
      {"ASCII and BMP", L"A\u3000\uFFFD", u"A\u3000\uFFFD"},
      {"above U+FFFF", L"x\U0001F600", {u'x', 0xD83D, 0xDE00}},
      {"last plane", L"\U0010FFFF", {0xDBFF, 0xDFFF}},
      {"lone high surrogate", std::wstring(1, static_cast<wchar_t>(0xD800)), u"\uFFFD"},
      {"lone low surrogate", std::wstring(1, static_cast<wchar_t>(0xDFFF)) + L"a", u"\uFFFDa"},
      {"beyond U+10FFFF", std::wstring(1, static_cast<wchar_t>(0x110000)), u"\uFFFD"},
      {"negative", std::wstring(1, static_cast<wchar_t>(-1)), u"\uFFFD"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::WideToUtf16(c.text), c.units) << c.name;
    EXPECT_EQ(platform::Utf16Length(c.text), c.units.size()) << c.name;
  }
  // The line name rule counts "a" plus one character above U+FFFF as three units.
  EXPECT_EQ(platform::Utf16Length(L"a\U00020B9F"), 3u);
}

TEST(TextCodec, Utf16LeBytesToWide) {
  struct Case {
    const char* name;
    std::string bytes;
    std::wstring text;
  };
  const Case cases[] = {
      {"empty", std::string(), L""},
      {"ASCII and BMP", std::string("A\0\x00\x30", 4), L"A\u3000"},
      {"surrogate pair", std::string("\x3D\xD8\x00\xDE", 4), L"\U0001F600"},
      {"odd last byte dropped", std::string("A\0B", 3), L"A"},
      {"lone high at the end", std::string("A\0\x3D\xD8", 4), L"A" + std::wstring(1, static_cast<wchar_t>(0xD83D))},
      {"high before a non-surrogate", std::string("\x3D\xD8" "B\0", 4),
       std::wstring(1, static_cast<wchar_t>(0xD83D)) + L"B"},
      {"lone low", std::string("\x00\xDE" "C\0", 4), std::wstring(1, static_cast<wchar_t>(0xDE00)) + L"C"},
      {"high, then a pair", std::string("\x3D\xD8\x3D\xD8\x00\xDE", 6),
       std::wstring(1, static_cast<wchar_t>(0xD83D)) + L"\U0001F600"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::Utf16LeBytesToWide(c.bytes), c.text) << c.name;
  }
  const std::wstring text = L"[Config]\r\nText01=ご案内\U0001F600";
  EXPECT_EQ(platform::Utf16LeBytesToWide(platform::WideToUtf16LeBytes(text)), text);
}

}  // namespace
