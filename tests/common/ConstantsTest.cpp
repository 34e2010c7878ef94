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

TEST(Constants, QueryTemplateHoldsEachPlaceholderOnceInOrder) {
  const std::wstring query = kComparisonQueryTemplate;
  const wchar_t* placeholders[] = {kTraffic1Placeholder, kEstTraffic1Placeholder, kPrice1Placeholder,
                                   kTraffic2Placeholder, kEstTraffic2Placeholder, kPrice2Placeholder,
                                   kTraffic3Placeholder, kEstTraffic3Placeholder, kPrice3Placeholder,
                                   kNamePlaceholder};
  std::size_t last = 0;
  for (const wchar_t* placeholder : placeholders) {
    const auto at = query.find(placeholder);
    ASSERT_NE(at, std::wstring::npos) << placeholder;
    EXPECT_EQ(query.find(placeholder, at + 1), std::wstring::npos);
    EXPECT_GT(at, last);
    last = at;
  }
}
