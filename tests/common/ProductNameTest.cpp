#include <gtest/gtest.h>

#include <string>

#include "common/ProductName.h"

using namespace Velunor::Quillon::Common;

TEST(ProductName, TheTextOthersRelyOn) {
  EXPECT_EQ(std::wstring(kProductName), std::wstring(kProductName2));
  EXPECT_NE(std::wstring(kProductName).find(L"ミルカナ ソラネ"), std::wstring::npos);
  EXPECT_NE(std::wstring(kProductName).find(L"\u3000ノルディカ"), std::wstring::npos);
}
