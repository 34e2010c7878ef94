#pragma once
// What pricing reads of a month: the bytes used so far and the bytes projected for the
// days not yet measured. The viewer's month model provides it; the price files library
// needs nothing else of that model.
#include <cstdint>

namespace Velunor::Quillon::Ui {

class CMonthTraffic {
 public:
  // Traffic is priced and shown in MiB of this many bytes.
  static constexpr std::uint64_t kBytesPerMiB = 1048576;

  virtual std::uint64_t GetMonthTotal() const = 0;
  virtual std::uint64_t GetProjectedRest() const = 0;

 protected:
  CMonthTraffic() = default;
  CMonthTraffic(const CMonthTraffic&) = default;
  CMonthTraffic& operator=(const CMonthTraffic&) = default;
  ~CMonthTraffic() = default;
};

}  // namespace Velunor::Quillon::Ui
