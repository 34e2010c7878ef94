#pragma once
// One price zone of a line: a traffic range in MiB, its rounding step and its price.
#include <cstdint>
#include <string>

namespace Velunor::Quillon::Ui {

class CPriceZone {
 public:
  static constexpr int kRangedZone = 0;
  static constexpr int kOpenEndedZone = 1;
  static constexpr int kInactiveZone = 2;

  // Setters take the element text; false when it is not a number of the kind.
  bool SetTrafficUnit(const std::wstring& text);  // 0 is stored as 1
  bool SetTrafficMin(const std::wstring& text);
  bool SetTrafficMax(const std::wstring& text);
  bool SetSlope(const std::wstring& text);
  bool SetConstPrice(const std::wstring& text);
  // Also sets the kind: below zoneCount ranged, equal open-ended, above never applies
  // (compared as unsigned 32-bit values).
  bool SetIndex(const std::wstring& text, int zoneCount);

  int IsApplicable(std::uint32_t x) const;
  // x rounded up to a multiple of trafficunit; the largest 32-bit value when that
  // multiple does not fit.
  void RoundUp(std::uint32_t x, std::uint32_t& rounded) const;
  // constprice, plus slope per MiB above trafficmin, in single precision.
  void GetPrice(std::uint32_t x, float& price) const;

  std::uint32_t GetIndex() const { return m_index; }
  std::uint32_t GetTrafficUnit() const { return m_trafficUnit; }
  float GetSlope() const { return m_slope; }
  int GetKind() const { return m_kind; }

 private:
  std::uint32_t m_index = 0;
  std::uint32_t m_trafficUnit = 1;
  std::uint32_t m_trafficMin = 0;
  std::uint32_t m_trafficMax = 0;
  float m_slope = 0.0f;
  std::uint32_t m_constPrice = 0;
  int m_kind = kInactiveZone;
};

}  // namespace Velunor::Quillon::Ui
