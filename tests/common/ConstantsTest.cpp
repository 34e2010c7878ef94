#include <gtest/gtest.h>

#include <string>

#include "common/Constants.h"

using namespace Velunor::Quillon::Common;

TEST(Constants, TextsOthersRelyOn) {
  EXPECT_EQ(std::wstring(kProductName), std::wstring(kProductName2));
  EXPECT_NE(std::wstring(kProductName).find(L"ミルカナ ソラネ"), std::wstring::npos);
  EXPECT_NE(std::wstring(kProductName).find(L"\u3000ノルディカ"), std::wstring::npos);
  EXPECT_EQ(std::wstring(kMsgStartFailedReinstall).find(kProductName), 0u);
  EXPECT_NE(std::wstring(kMsgStartFailedReinstall).find(L"。\r\n再度"), std::wstring::npos);
}
