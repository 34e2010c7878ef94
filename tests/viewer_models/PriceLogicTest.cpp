// The price model: number texts, zone kinds, rounding and prices, both evaluation passes,
// the charge text, and the two price files read from a sandboxed data folder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "tests/viewer_models/ModelSandbox.h"
#include "viewer/MonthUsage.h"
#include "prices/PriceLogic.h"
#include "prices/PriceNumbers.h"

namespace Velunor::Quillon::Ui {
namespace {

using platform::DateTime;

constexpr std::uint64_t kMiB = 1048576;
constexpr std::uint32_t kLargest32 = std::numeric_limits<std::uint32_t>::max();

struct ZoneSpec {
  const wchar_t* index;
  int zoneCount;
  const wchar_t* unit;
  const wchar_t* min;
  const wchar_t* max;
  const wchar_t* slope;
  const wchar_t* constPrice;
};

std::unique_ptr<CPriceZone> MakeZone(const ZoneSpec& spec) {
  auto zone = std::make_unique<CPriceZone>();
  EXPECT_TRUE(zone->SetIndex(spec.index, spec.zoneCount));
  EXPECT_TRUE(zone->SetTrafficUnit(spec.unit));
  EXPECT_TRUE(zone->SetTrafficMin(spec.min));
  EXPECT_TRUE(zone->SetTrafficMax(spec.max));
  EXPECT_TRUE(zone->SetSlope(spec.slope));
  EXPECT_TRUE(zone->SetConstPrice(spec.constPrice));
  return zone;
}

// A complete month (so no projection) that used the given bytes.
CMonthUsage CompleteMonth(std::uint64_t bytes) {
  CMonthUsage month;
  month.Init(DateTime(2016, 1, 1), DateTime(2015, 6, 1), DateTime(2016, 3, 20));
  month.SetDay(1, bytes, 0, 0);
  return month;
}

TEST(PriceNumbersTest, TextForms) {
  struct Case {
    const wchar_t* text;
    bool unsignedOk;
    std::uint32_t unsignedValue;
    bool signedOk;
    int signedValue;
  };
  const Case cases[] = {
      {L"0", true, 0, true, 0},
      {L"007", true, 7, true, 7},
      {L"4294967295", true, kLargest32, false, 0},
      {L"4294967296", false, 0, false, 0},
      {L"2147483647", true, 2147483647u, true, 2147483647},
      {L"-1", false, 0, true, -1},
      {L"+2", false, 0, true, 2},
      {L"+-2", false, 0, false, 0},
      {L"", false, 0, false, 0},
      {L" 5", false, 0, false, 0},
      {L"5 ", false, 0, false, 0},
      {L"2.0", false, 0, false, 0},
      {L"0x10", false, 0, false, 0},
      {L"\x0665", false, 0, false, 0},  // a digit of another script
  };
  for (const Case& c : cases) {
    std::uint32_t u = 99;
    int s = 99;
    EXPECT_EQ(ParsePriceUnsigned(c.text, u), c.unsignedOk) << '"' << std::string(c.text, c.text + wcslen(c.text)) << '"';
    if (c.unsignedOk) {
      EXPECT_EQ(u, c.unsignedValue);
    }
    EXPECT_EQ(ParsePriceSigned(c.text, s), c.signedOk) << '"' << std::string(c.text, c.text + wcslen(c.text)) << '"';
    if (c.signedOk) {
      EXPECT_EQ(s, c.signedValue);
    }
  }

  struct FloatCase {
    const wchar_t* text;
    bool ok;
    float value;
  };
  const FloatCase floats[] = {
      {L"31.5", true, 31.5f}, {L"0", true, 0.0f},      {L"-1.25", true, -1.25f},
      {L"+2", true, 2.0f},    {L"1e2", true, 100.0f},   {L"0.1", true, 0.1f},
      {L"inf", false, 0},     {L"nan", false, 0},       {L"1e99", false, 0},
      {L"31,5", false, 0},    {L"", false, 0},          {L"1.5x", false, 0},
  };
  for (const FloatCase& c : floats) {
    float value = -7.0f;
    EXPECT_EQ(ParsePriceFloat(c.text, value), c.ok) << std::string(c.text, c.text + wcslen(c.text));
    if (c.ok) {
      EXPECT_EQ(value, c.value);
    }
  }
}

TEST(PriceNumbersTest, PriceTruncation) {
  struct Case {
    float price;
    std::uint32_t truncated;
  };
  const Case cases[] = {
      {12345.9f, 12345},   {0.0f, 0},           {0.99f, 0},          {-0.5f, 0},
      {-3000.0f, 0},       {std::nanf(""), 0},  {4294967040.0f, 4294967040u},
      {4294967296.0f, kLargest32},              {1e30f, kLargest32},
      {std::numeric_limits<float>::infinity(), kLargest32},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TruncatePrice(c.price), c.truncated) << c.price;
  }
}

TEST(PriceZoneTest, KindFromIndexAndZoneCount) {
  struct Case {
    const wchar_t* index;
    int zoneCount;
    int kind;
  };
  const Case cases[] = {
      {L"0", 2, CPriceZone::kRangedZone},      {L"1", 2, CPriceZone::kRangedZone},
      {L"2", 2, CPriceZone::kOpenEndedZone},   {L"3", 2, CPriceZone::kInactiveZone},
      {L"0", 0, CPriceZone::kOpenEndedZone},   {L"4294967295", -1, CPriceZone::kOpenEndedZone},
      {L"7", -1, CPriceZone::kRangedZone},
  };
  for (const Case& c : cases) {
    CPriceZone zone;
    ASSERT_TRUE(zone.SetIndex(c.index, c.zoneCount));
    EXPECT_EQ(zone.GetKind(), c.kind) << c.zoneCount;
  }
  CPriceZone fresh;
  EXPECT_EQ(fresh.GetKind(), CPriceZone::kInactiveZone);
  EXPECT_EQ(fresh.GetTrafficUnit(), 1u);
  EXPECT_FALSE(fresh.SetIndex(L"-1", 2));
}

TEST(PriceZoneTest, Applicability) {
  const auto ranged = MakeZone({L"0", 2, L"1", L"100", L"200", L"0", L"1"});
  const auto open = MakeZone({L"2", 2, L"1", L"100", L"50", L"0", L"1"});
  const auto inactive = MakeZone({L"3", 2, L"1", L"0", L"4000000000", L"0", L"1"});
  struct Case {
    std::uint32_t x;
    int ranged, open;
  };
  const Case cases[] = {{99, 0, 0}, {100, 1, 1}, {200, 1, 1}, {201, 0, 1}, {kLargest32, 0, 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(ranged->IsApplicable(c.x), c.ranged) << c.x;
    EXPECT_EQ(open->IsApplicable(c.x), c.open) << c.x << " (trafficmax ignored)";
    EXPECT_EQ(inactive->IsApplicable(c.x), 0) << c.x;
  }
}

TEST(PriceZoneTest, RoundUp) {
  struct Case {
    const wchar_t* unit;
    std::uint32_t x, rounded;
  };
  const Case cases[] = {
      {L"0", 7, 7},       {L"1", 7, 7},        {L"10", 0, 0},       {L"10", 200, 200},
      {L"10", 201, 210},  {L"10", 209, 210},   {L"1000", 1, 1000},
      // The next multiple does not fit 32 bits: stop at the top instead of wrapping to 4.
      {L"10", kLargest32, kLargest32},
      {L"4294967295", kLargest32, kLargest32}, {L"4294967295", 1, kLargest32},
  };
  for (const Case& c : cases) {
    CPriceZone zone;
    ASSERT_TRUE(zone.SetTrafficUnit(c.unit));
    std::uint32_t rounded = 12345;
    zone.RoundUp(c.x, rounded);
    EXPECT_EQ(rounded, c.rounded) << c.x;
  }
}

TEST(PriceZoneTest, Price) {
  struct Case {
    ZoneSpec spec;
    std::uint32_t value;
    float price;
  };
  const Case cases[] = {
      {{L"0", 1, L"1", L"0", L"200", L"0", L"2900"}, 150, 2900.0f},
      {{L"0", 1, L"10", L"200", L"1200", L"31.5", L"2900"}, 210, 3215.0f},
      {{L"0", 1, L"10", L"200", L"1200", L"31.5", L"2900"}, 200, 2900.0f},
      {{L"0", 1, L"10", L"200", L"1200", L"31.5", L"2900"}, 1200, 34400.0f},
      {{L"0", 1, L"1", L"0", L"10", L"0.9", L"12345"}, 1, 12345.9f},
      {{L"0", 1, L"1", L"0", L"4294967295", L"0", L"16777217"}, 1, 16777216.0f},  // single precision
  };
  for (const Case& c : cases) {
    float price = -1.0f;
    MakeZone(c.spec)->GetPrice(c.value, price);
    EXPECT_EQ(price, c.price) << c.value;
  }
}

TEST(PriceLineTest, EvaluationPasses) {
  struct Case {
    const char* name;
    std::vector<ZoneSpec> zones;
    std::uint32_t x;
    std::uint32_t value;
    float price;
  };
  const std::vector<Case> cases = {
      {"overlapping zones: the first applies in both passes",
       {{L"0", 2, L"1", L"0", L"100", L"0", L"100"}, {L"1", 2, L"1", L"50", L"150", L"0", L"200"}},
       75, 75, 100.0f},
      {"rounding past trafficmax prices from the zone holding the rounded value",
       {{L"0", 1, L"100", L"0", L"250", L"0", L"1000"}, {L"1", 1, L"1", L"251", L"1000", L"0", L"5000"}},
       230, 300, 5000.0f},
      {"an inactive zone never prices",
       {{L"5", 1, L"1", L"0", L"1000", L"0", L"1"}, {L"1", 1, L"1", L"0", L"0", L"0", L"42"}},
       10, 10, 42.0f},
      {"no zone for x: value 0, priced by the first zone holding 0",
       {{L"0", 2, L"1", L"10", L"20", L"0", L"7"}, {L"1", 2, L"1", L"0", L"5", L"0", L"3"}},
       30, 99, 3.0f},
      {"no zone at all: both outputs as the caller set them", {}, 30, 99, -1.0f},
  };
  for (const Case& c : cases) {
    CPriceLine line;
    for (const ZoneSpec& spec : c.zones) line.AddZone(MakeZone(spec));
    float price = -1.0f;
    std::uint32_t value = 99;
    line.Evaluate(c.x, price, value);
    EXPECT_EQ(value, c.value) << c.name;
    EXPECT_EQ(price, c.price) << c.name;
  }
}

TEST(PriceLogicTest, BytesToMiBRoundsUp) {
  struct Case {
    std::uint64_t bytes;
    std::uint32_t mebibytes;
  };
  const Case cases[] = {
      {0, 0},
      {1, 1},
      {kMiB, 1},
      {kMiB + 1, 2},
      {1572864000, 1500},
      {1572864000 + 524287999, 2000},
      {4294967295ULL * kMiB, kLargest32},
      // Beyond 32 bits of MiB the count stops at the top rather than keeping low bits.
      {4294967296ULL * kMiB + 1, kLargest32},
      {std::numeric_limits<std::uint64_t>::max(), kLargest32},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CPriceLogic::BytesToMiB(c.bytes), c.mebibytes) << c.bytes;
  }
}

TEST(PriceLogicTest, ThousandsGrouping) {
  struct Case {
    std::uint32_t number;
    const wchar_t* text;
  };
  const Case cases[] = {{0, L"0"},           {999, L"999"},           {1000, L"1,000"},
                        {12345, L"12,345"},  {1000005, L"1,000,005"}, {1234567, L"1,234,567"},
                        {kLargest32, L"4,294,967,295"}};
  for (const Case& c : cases) {
    EXPECT_EQ(CPriceLogic::GroupThousands(c.number), c.text) << c.number;
  }
}

class PriceFilesTest : public ModelSandbox {
 protected:
  void LoadFixtures(CPriceLogic& price) {
    CopyFixture("lineselect_ab.xml", "lineselect.xml");
    CopyFixture("lineprice_rules.xml", "lineprice.xml");
    ASSERT_EQ(price.LoadLineSelect(), 1);
    ASSERT_EQ(price.LoadLinePrice(), 1);
  }
};

TEST_F(PriceFilesTest, EntriesAndZonesFollowTheReaderRules) {
  CPriceLogic price;
  LoadFixtures(price);
  EXPECT_EQ(price.GetSelectedLineName(), L"AB");
  const auto& lines = price.GetLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0]->GetLineId(), L"sorane-ab");
  EXPECT_EQ(lines[1]->GetLineId(), L"empty-id");
  EXPECT_EQ(lines[2]->GetLineId(), L"sorane-ab-second");
  EXPECT_EQ(lines[0]->IsSelected(), 1);
  EXPECT_EQ(lines[1]->IsSelected(), 0);
  EXPECT_EQ(lines[2]->IsSelected(), 1) << "a second entry of the selected name is marked too";
  EXPECT_EQ(lines[1]->GetDescription(0), L"");
  EXPECT_EQ(lines[1]->GetDescription(1), L"");
  EXPECT_TRUE(lines[1]->GetZones().empty());

  // Zones without index, with index "x" or "-1", without slope or with slope "inf" are
  // gone; the others keep file order.
  const auto& zones = lines[0]->GetZones();
  ASSERT_EQ(zones.size(), 4u);
  const std::uint32_t indexes[] = {0, 1, 2, 3};
  const int kinds[] = {CPriceZone::kRangedZone, CPriceZone::kRangedZone, CPriceZone::kOpenEndedZone,
                       CPriceZone::kInactiveZone};
  for (std::size_t i = 0; i < zones.size(); ++i) {
    EXPECT_EQ(zones[i]->GetIndex(), indexes[i]) << i;
    EXPECT_EQ(zones[i]->GetKind(), kinds[i]) << i;
  }
  EXPECT_EQ(zones[1]->GetSlope(), 31.5f);
  EXPECT_EQ(zones[2]->GetTrafficUnit(), 1u) << "trafficunit 0 is stored as 1";

  EXPECT_EQ(price.GetSelectedDescription(0), L"ソラネ");
  EXPECT_EQ(price.GetSelectedDescription(1), L"metered plan");
  EXPECT_EQ(price.GetSelectedDescription(7), L"metered plan");
}

TEST_F(PriceFilesTest, EstimatedChargeOfTheSelectedLine) {
  CPriceLogic price;
  LoadFixtures(price);
  struct Case {
    std::uint64_t bytes;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0, L"2,900"},
      {200 * kMiB, L"2,900"},
      {200 * kMiB + 1, L"3,215"},  // 201 MiB, rounded to 210: 31.5 x 10 + 2900
      {1195 * kMiB, L"34,400"},    // rounded to 1200, still the second zone
      {1201 * kMiB, L"34,400"},
      {100000 * kMiB, L"34,400"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(price.GetEstimatedChargeText(CompleteMonth(c.bytes)), c.text) << c.bytes;
  }

  // Used plus projected: 1500 MiB in 21 of 28 days project to 2000 MiB.
  CMonthUsage month;
  month.Init(DateTime(2015, 2, 1), DateTime(2015, 2, 1), DateTime(2015, 2, 21, 18, 0, 0));
  month.SetDay(3, 1572864000, 0, 0);
  EXPECT_EQ(month.GetProjectedRest(), 524287999u);
  EXPECT_EQ(price.GetEstimatedChargeText(month), L"34,400");
}

TEST_F(PriceFilesTest, NoSelectedLineChargesNothing) {
  CopyFixture("lineprice_rules.xml", "lineprice.xml");
  sandbox.WriteData("lineselect.xml", "<s><lineselect name=\"Nobody\"/></s>");
  CPriceLogic price;
  EXPECT_EQ(price.LoadLineSelect(), 1);
  EXPECT_EQ(price.LoadLinePrice(), 1);
  EXPECT_EQ(price.GetLines().size(), 3u);
  EXPECT_EQ(price.GetEstimatedChargeText(CompleteMonth(500 * kMiB)), L"0");
  EXPECT_EQ(price.GetSelectedDescription(0), L"");
  EXPECT_EQ(price.GetSelectedDescription(1), L"");
  EXPECT_EQ(price.GetSelectedLineName(), L"Nobody");
}

TEST_F(PriceFilesTest, LineSelectionFile) {
  struct Case {
    const char* name;
    const char* bytes;  // null: no file
    int result;
    const wchar_t* lineName;
  };
  const Case cases[] = {
      {"name attribute", "<s><lineselect name=\"AB\"/></s>", 1, L"AB"},
      {"first attribute whatever its name", "<s><lineselect id=\"CD\" name=\"EF\"/></s>", 1, L"CD"},
      {"UTF-8 value", "<s><lineselect name=\"ソラネ\"/></s>", 1, L"ソラネ"},
      {"one character is enough here", "<s><lineselect name=\"G\"/></s>", 1, L"G"},
      {"empty value", "<s><lineselect name=\"\"/></s>", 0, L"previous"},
      {"no attribute", "<s><lineselect/></s>", 0, L"previous"},
      {"no lineselect child", "<s><other name=\"AB\"/></s>", 0, L"previous"},
      {"not XML", "lineselect name=AB", 0, L"previous"},
      {"no file", nullptr, 0, L"previous"},
  };
  for (const Case& c : cases) {
    CPriceLogic price;
    sandbox.WriteData("lineselect.xml", "<s><lineselect name=\"previous\"/></s>");
    ASSERT_EQ(price.LoadLineSelect(), 1);
    if (c.bytes != nullptr) {
      sandbox.WriteData("lineselect.xml", c.bytes);
    } else {
      boost::filesystem::remove(sandbox.DataFolder() / "lineselect.xml");
    }
    EXPECT_EQ(price.LoadLineSelect(), c.result) << c.name;
    EXPECT_EQ(price.GetSelectedLineName(), c.lineName) << c.name;
  }
}

TEST_F(PriceFilesTest, UnusablePriceFilesLeaveNoLines) {
  std::string deep = "<p><price_logic>";
  for (int i = 0; i < 200000; ++i) deep += "<lineselect name=\"AB\">";
  struct Case {
    const char* name;
    std::string bytes;
    bool present;
    int result;
  };
  const Case cases[] = {
      {"no file", "", false, 0},
      {"empty file", "", true, 0},
      {"not XML", "price_logic", true, 0},
      {"no price_logic", "<p><lineselect name=\"AB\"/></p>", true, 0},
      {"price_logic below another element", "<p><x><price_logic/></x></p>", true, 0},
      {"elements nested 200000 deep", deep, true, 0},
      {"empty price_logic", "<p><price_logic/></p>", true, 1},
  };
  for (const Case& c : cases) {
    CPriceLogic price;
    LoadFixtures(price);
    ASSERT_FALSE(price.GetLines().empty());
    if (c.present) {
      sandbox.WriteData("lineprice.xml", c.bytes);
    } else {
      boost::filesystem::remove(sandbox.DataFolder() / "lineprice.xml");
    }
    EXPECT_EQ(price.LoadLinePrice(), c.result) << c.name;
    EXPECT_TRUE(price.GetLines().empty()) << c.name;
    EXPECT_EQ(price.GetEstimatedChargeText(CompleteMonth(500 * kMiB)), L"0") << c.name;
  }
}

}  // namespace
}  // namespace Velunor::Quillon::Ui
