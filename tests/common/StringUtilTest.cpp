#include <gtest/gtest.h>

#include "common/StringUtil.h"

using namespace Velunor::Quillon::Common;

TEST(StringUtil, Conversions) {
  EXPECT_EQ(GetCodePage(1), 65001);
  EXPECT_EQ(GetCodePage(0), 0);
  EXPECT_EQ(GetCodePage(2), 0);
  EXPECT_EQ(ToMultiByteString(L"", 1), "");
  EXPECT_EQ(ToMultiByteString(std::wstring(L"ab\0c", 4), 1), "ab");
  EXPECT_EQ(ToMultiByteString(L"ノルディカ", 1), "ノルディカ");
  EXPECT_EQ(ToWideString(std::string("ノルディカ"), 1), L"ノルディカ");
  EXPECT_EQ(ToWideString(std::string("abc"), 2), ToWideString(std::string("abc"), 0));
  EXPECT_EQ(ToWideString(std::wstring(L"wide"), 7), L"wide");
}

TEST(StringUtil, SplitString) {
  struct Case {
    std::wstring text, delimiter;
    std::size_t start;
    bool clear, result;
    std::vector<std::wstring> pieces;
  } cases[] = {
      {L"a.b.", L".", 0, true, true, {L"a", L"b", L""}},
      {L"a..b", L".", 0, true, true, {L"a", L"", L"b"}},
      {L"abc", L".", 0, true, false, {L"abc"}},
      {L"x.y.z", L".", 2, true, true, {L"y", L"z"}},
      {L"x.yz", L".", 2, true, false, {L"x.yz"}},     // no delimiter after start: whole text
      {L"abc", L".", 3, true, false, {L"old"}},       // start at the end: untouched even with clear
      {L"a", L"ab", 0, true, false, {L"old"}},        // shorter than the delimiter
      {L"a--b", L"--", 0, false, true, {L"old", L"a", L"b"}},
  };
  for (const auto& c : cases) {
    std::vector<std::wstring> pieces{L"old"};
    EXPECT_EQ(SplitString(c.text, c.delimiter, pieces, c.start, c.clear), c.result) << c.text.size();
    EXPECT_EQ(pieces, c.pieces);
  }
}

TEST(StringUtil, ReplaceString) {
  struct Case {
    std::wstring text, search, replacement;
    std::size_t start;
    int count;
    std::wstring expected;
  } cases[] = {
      {L"line\\nbreak\\n", L"\\n", L"\n", 0, -1, L"line\nbreak\n"},
      {L"a", L"ab", L"X", 0, -1, L"a"},
      {L"aXaXa", L"a", L"b", 0, 1, L"bXaXa"},
      {L"aXaXa", L"a", L"b", 1, -1, L"aXbXb"},
      {L"aaa", L"aa", L"b", 0, -1, L"ba"},
      {L"abc", L"b", L"", 0, -1, L"ac"},
      {L"abc", L"b", L"x", 5, -1, L"abc"},
      {L"abc", L"", L"x", 0, -1, L"abc"},
      {L"%A%%A%", L"%A%", L"1", 0, 0, L"%A%%A%"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceString(c.text, c.search, c.replacement, c.start, c.count), c.expected);
  }
}
