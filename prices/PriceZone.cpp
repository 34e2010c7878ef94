#include "prices/PriceZone.h"

#include <limits>

#include "prices/PriceNumbers.h"

namespace Velunor::Quillon::Ui {

bool CPriceZone::SetTrafficUnit(const std::wstring& text) {
  if (!ParsePriceUnsigned(text, m_trafficUnit)) {
    return false;
  }
  // The rounding step divides; a step of 0 would mean no rounding.
  if (m_trafficUnit == 0) {
    m_trafficUnit = 1;
  }
  return true;
}

bool CPriceZone::SetTrafficMin(const std::wstring& text) { return ParsePriceUnsigned(text, m_trafficMin); }

bool CPriceZone::SetTrafficMax(const std::wstring& text) { return ParsePriceUnsigned(text, m_trafficMax); }

bool CPriceZone::SetSlope(const std::wstring& text) { return ParsePriceFloat(text, m_slope); }

bool CPriceZone::SetConstPrice(const std::wstring& text) { return ParsePriceUnsigned(text, m_constPrice); }

bool CPriceZone::SetIndex(const std::wstring& text, int zoneCount) {
  if (!ParsePriceUnsigned(text, m_index)) {
    return false;
  }
  const std::uint32_t count = static_cast<std::uint32_t>(zoneCount);
  if (m_index < count) {
    m_kind = kRangedZone;
  } else if (m_index == count) {
    m_kind = kOpenEndedZone;
  } else {
    m_kind = kInactiveZone;
  }
  return true;
}

int CPriceZone::IsApplicable(std::uint32_t x) const {
  switch (m_kind) {
    case kRangedZone:
      return m_trafficMin <= x && x <= m_trafficMax ? 1 : 0;
    case kOpenEndedZone:
      return x >= m_trafficMin ? 1 : 0;
    default:
      return 0;
  }
}

void CPriceZone::RoundUp(std::uint32_t x, std::uint32_t& rounded) const {
  if (x % m_trafficUnit == 0) {
    rounded = x;
    return;
  }
  const std::uint64_t next =
      static_cast<std::uint64_t>(x / m_trafficUnit) * m_trafficUnit + m_trafficUnit;
  rounded = next > std::numeric_limits<std::uint32_t>::max()
                ? std::numeric_limits<std::uint32_t>::max()
                : static_cast<std::uint32_t>(next);
}

void CPriceZone::GetPrice(std::uint32_t x, float& price) const {
  if (m_slope == 0.0f) {
    price = static_cast<float>(m_constPrice);
    return;
  }
  // Callers only price a value the zone applies to, so x >= trafficmin; the unsigned
  // difference is still what a smaller x would give.
  const std::uint32_t above = x - m_trafficMin;
  const float step = static_cast<float>(above) * m_slope;
  price = static_cast<float>(m_constPrice) + step;
}

}  // namespace Velunor::Quillon::Ui
