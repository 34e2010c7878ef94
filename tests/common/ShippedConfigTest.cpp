// The config.ini that the install ships, as the settings reader reads it: both popup
// texts are there and fit the reader's buffer whole.
#include <gtest/gtest.h>

#include "platform/core/ProfileReader.h"
#include "platform/core/TextCodec.h"
#include "tests/TestSandbox.h"

namespace {

TEST(ShippedConfig, BothPopupTextsAreReadWhole) {
  const std::string path = std::string(PACKAGING_FOLDER) + "/config.ini";
  const std::string file = corvane_test::ReadFile(path);
  for (const char* key : {"GuidNotificationWndText01", "UpdateNotificationWndText01"}) {
    SCOPED_TRACE(key);
    const std::string prefix = std::string("\n") + key + "=";
    const std::size_t start = file.find(prefix);
    ASSERT_NE(start, std::string::npos);
    const std::size_t from = start + prefix.size();
    const std::wstring written = platform::Utf8ToWide(file.substr(from, file.find_first_of("\r\n", from) - from));
    const std::wstring read = platform::ReadProfileString(platform::Utf8ToWide(path), L"Config",
                                                          platform::Utf8ToWide(key), L"", 255);
    EXPECT_FALSE(read.empty());
    EXPECT_EQ(read, written) << "cut by the 255-character buffer";
    EXPECT_NE(read.find(L"\\n"), std::wstring::npos) << "two lines";
  }
}

}  // namespace
