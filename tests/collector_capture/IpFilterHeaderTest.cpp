// The exclusion list: which lines become excluded addresses, and how the file is read.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "collector/IpFilterHeader.h"
#include "tests/TestSandbox.h"
#include "tests/collector_capture/CaptureTestSupport.h"

using Velunor::Quillon::IpFilterHeader;
using capture_test::IPv4;
using capture_test::IPv6;

namespace {

struct Probe {
  const char* address;  // IPv4 or IPv6 text
  bool excluded;
};

bool IsExcluded(const IpFilterHeader& list, const char* address) {
  const std::string text = address;
  if (text.find(':') != std::string::npos) {
    return list.IsExcludedIPv6(IPv6(address)) == 1;
  }
  return list.IsExcludedIPv4(IPv4(address)) == 1;
}

struct LineCase {
  const char* name;
  std::vector<std::wstring> lines;
  std::vector<Probe> probes;
};

TEST(IpFilterHeader, TakesEachLineAsAnIPv4OrIPv6AddressOrDropsIt) {
  const LineCase cases[] = {
      {"blanks around an address", {L"   192.168.0.10\t\n"}, {{"192.168.0.10", true}, {"192.168.0.1", false}}},
      {"ideographic spaces", {L"\u3000192.168.0.11\u3000"}, {{"192.168.0.11", true}}},
      {"a single number is an IPv4 address", {L"10"}, {{"0.0.0.10", true}, {"10.0.0.0", false}}},
      {"short, octal and hexadecimal forms", {L"0x7f.1", L"010.0.0.1"}, {{"127.0.0.1", true}, {"8.0.0.1", true}}},
      {"the broadcast address cannot be listed", {L"255.255.255.255"}, {{"255.255.255.255", false}}},
      {"the same IPv4 address twice", {L"10.1.1.1", L"10.1.1.1"}, {{"10.1.1.1", true}}},
      {"IPv6 in either letter case", {L"fe80::1"}, {{"fe80::1", true}, {"fe80::2", false}}},
      {"IPv6 upper case", {L"FE80::1\n"}, {{"fe80::1", true}}},
      {"zone suffix and embedded IPv4 are not taken", {L"fe80::1%4", L"::ffff:192.0.2.1"},
       {{"fe80::1", false}, {"::ffff:192.0.2.1", false}, {"192.0.2.1", false}}},
      {"a group of five digits", {L"12345::1"}, {{"2345::1", false}, {"::1", false}}},
      {"a comment after the address", {L"2001:db8::5 # office"}, {{"2001:db8::5", false}}},
      {"addresses sharing their last eight bytes are both excluded", {L"2001:db8::1", L"2001:db9::1"},
       {{"2001:db8::1", true}, {"2001:db9::1", true}, {"2001:dba::1", false}}},
      {"fewer than eight groups fill from the left", {L"1:2:3"}, {{"1:2:3::", true}, {"::1:2:3", false}}},
      {"zero runs at either end", {L"::1", L"1::", L"::"}, {{"::1", true}, {"1::", true}, {"::", true}}},
      {"a full address", {L"2001:0db8:0000:0000:0000:ff00:0042:8329"}, {{"2001:db8::ff00:42:8329", true}}},
      {"blank and junk lines add nothing", {L" \t ", L"", L"host.example", L"\n"}, {{"0.0.0.0", false}}},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    IpFilterHeader list;
    for (const std::wstring& line : c.lines) {
      list.AddAddress(line);
    }
    for (const Probe& probe : c.probes) {
      EXPECT_EQ(IsExcluded(list, probe.address), probe.excluded) << probe.address;
    }
  }
}

TEST(IpFilterHeader, RejectsIPv6TextThatDoesNotFitEightGroups) {
  const wchar_t* const malformed[] = {
      L"1:2:3:4:5:6:7:8:9", L"1::2::3", L"1:::2", L":::1", L"1:2:3:4:5:6:7:8::",
      L"::1:2:3:4:5:6:7:8", L"::1:2:3:4:5:6:7:8:9:10", L"1:2:3:4:5:6:7::8:9", L"abc", L"", L"12345::1",
  };
  for (const wchar_t* text : malformed) {
    IpFilterHeader::IPv6Address address;
    address.fill(0xAA);
    EXPECT_EQ(IpFilterHeader::ParseIPv6(text, address), 0) << std::string(text, text + std::wcslen(text));
  }
  // The full eight groups with a run of zeros in the middle still parse.
  IpFilterHeader::IPv6Address address;
  ASSERT_EQ(IpFilterHeader::ParseIPv6(L"1:2:3::6:7:8", address), 1);
  EXPECT_EQ(address, IPv6("1:2:3::6:7:8"));
  ASSERT_EQ(IpFilterHeader::ParseIPv6(L"1:2:3:4:5:6:7::", address), 1);
  EXPECT_EQ(address, IPv6("1:2:3:4:5:6:7:0"));
}

TEST(IpFilterHeader, TrimLeavesABlankOnlyTextAsItIs) {
  std::wstring blank = L" \t\u3000";
  IpFilterHeader::Trim(blank);
  EXPECT_EQ(blank, L" \t\u3000");
  std::wstring line = L"\t 10.0.0.1 \u3000\n\n";
  IpFilterHeader::Trim(line);
  EXPECT_EQ(line, L"10.0.0.1");
}

class ExclusionFile : public ::testing::Test {
 protected:
  std::wstring Write(const std::string& bytes) {
    const auto path = folder.path() / "exclusion.dat";
    corvane_test::WriteFile(path, bytes);
    const std::string text = path.string();
    return std::wstring(text.begin(), text.end());
  }
  corvane_test::TempFolder folder;
};

TEST_F(ExclusionFile, ReadsEveryLineOfATextFile) {
  IpFilterHeader list;
  // A UTF-8 byte-order mark, CR LF and LF line ends, and a last line without its end.
  list.LoadFile(Write("\xEF\xBB\xBF" "10.0.0.1\r\n2001:db8::1\r\n\r\n 172.16.0.9\n192.168.0.7"));
  for (const char* address : {"10.0.0.1", "2001:db8::1", "172.16.0.9", "192.168.0.7"}) {
    EXPECT_TRUE(IsExcluded(list, address)) << address;
  }
}

TEST_F(ExclusionFile, ALineLongerThanTheLineBufferArrivesInPieces) {
  IpFilterHeader list;
  // The buffer holds 65534 characters; what follows is read as a line of its own.
  list.LoadFile(Write(std::string(65534, ' ') + "10.9.9.9\n" + std::string(65533, ' ') + "10.8.8.8\n"));
  EXPECT_TRUE(IsExcluded(list, "10.9.9.9"));
  // The second line splits after its first digit: "1" and "0.8.8.8".
  EXPECT_FALSE(IsExcluded(list, "10.8.8.8"));
  EXPECT_TRUE(IsExcluded(list, "0.0.0.1"));
  EXPECT_TRUE(IsExcluded(list, "0.8.8.8"));
}

TEST_F(ExclusionFile, AMissingFileLeavesTheListEmptyAndCopiesAreIndependent) {
  IpFilterHeader list;
  list.LoadFile(L"/nonexistent/exclusion.dat");
  EXPECT_FALSE(IsExcluded(list, "0.0.0.0"));
  list.AddAddress(L"10.0.0.1");
  const IpFilterHeader copy(list);
  list.AddAddress(L"10.0.0.2");
  EXPECT_TRUE(IsExcluded(copy, "10.0.0.1"));
  EXPECT_FALSE(IsExcluded(copy, "10.0.0.2"));
}

TEST_F(ExclusionFile, AByteOrderMarkCutShortIsPartOfTheFirstLine) {
  IpFilterHeader list;
  list.LoadFile(Write("\xEF\xBB" "10.0.0.1\n10.0.0.2\n"));
  EXPECT_FALSE(IsExcluded(list, "10.0.0.1"));
  EXPECT_TRUE(IsExcluded(list, "10.0.0.2"));
}

}  // namespace
