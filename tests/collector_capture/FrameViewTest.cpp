// Reads through a frame view: inside the synthetic header, across into the captured
// bytes, and at and past the end, which must fail without copying anything.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "collector/FrameView.h"

using Velunor::Quillon::FrameView;

namespace {

const std::uint8_t kHeader[] = {0xA0, 0xA1, 0xA2};
const std::uint8_t kCaptured[] = {0x00, 0x01, 0x02, 0x03};

TEST(FrameView, ReadsTheHeaderThenTheCapturedBytesAndNothingBeyond) {
  constexpr std::size_t kHuge = std::numeric_limits<std::size_t>::max();
  const struct {
    const char* name;
    bool withHeader;
    std::size_t offset;
    std::size_t count;
    std::vector<std::uint8_t> expected;  // the bytes copied; the rest of out stays untouched
    bool ok;
  } cases[] = {
      {"inside the header", true, 0, 3, {0xA0, 0xA1, 0xA2}, true},
      {"from the header into the captured bytes", true, 1, 4, {0xA1, 0xA2, 0x00, 0x01}, true},
      {"the whole view", true, 0, 7, {0xA0, 0xA1, 0xA2, 0x00, 0x01, 0x02, 0x03}, true},
      {"right behind the header", true, 3, 4, {0x00, 0x01, 0x02, 0x03}, true},
      {"ending with the last byte", true, 5, 2, {0x02, 0x03}, true},
      {"one byte past the end", true, 6, 2, {}, false},
      {"nothing at the end", true, 7, 0, {}, true},
      {"starting past the end", true, 8, 0, {}, false},
      {"a count that would wrap", true, 2, kHuge, {}, false},
      {"an offset that would wrap", true, kHuge, 2, {}, false},
      {"no header", false, 0, 4, {0x00, 0x01, 0x02, 0x03}, true},
      {"no header, one byte past the end", false, 1, 4, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const FrameView view = c.withHeader ? FrameView(kCaptured, sizeof kCaptured, kHeader, sizeof kHeader)
                                        : FrameView(kCaptured, sizeof kCaptured);
    std::vector<std::uint8_t> out(8, 0xEE);
    EXPECT_EQ(view.ReadBytes(c.offset, out.data(), c.count), c.ok);
    std::vector<std::uint8_t> expected = c.expected;
    expected.resize(8, 0xEE);
    EXPECT_EQ(out, expected);
  }
}

TEST(FrameView, ProtocolNumbersAreBigEndianAndAddressesStayAsStored) {
  const FrameView view(kCaptured, sizeof kCaptured, kHeader, sizeof kHeader);
  std::uint16_t number = 0;
  ASSERT_TRUE(view.ReadU16(2, number));
  EXPECT_EQ(number, 0xA200);
  std::uint32_t stored = 0;
  ASSERT_TRUE(view.ReadStored32(3, stored));
  const std::uint8_t* bytes = reinterpret_cast<const std::uint8_t*>(&stored);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 4), (std::vector<std::uint8_t>{0x00, 0x01, 0x02, 0x03}));
  EXPECT_FALSE(view.ReadStored32(4, stored));
  EXPECT_FALSE(FrameView(nullptr, 100).ReadU16(0, number));
}

}  // namespace
