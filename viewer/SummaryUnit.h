#pragma once
// One day of one month of the summary file: the day number and the day's three byte
// totals.
#include <cstdint>

class TiXmlElement;

namespace Velunor::Quillon::Ui {

class CSummaryUnit {
 public:
  CSummaryUnit() { Clear(); }
  ~CSummaryUnit() { Clear(); }

  void Clear();
  // 1 when the unit element passes every check; the unit then holds its values.
  int Parse(int year, int month, const TiXmlElement* element);

  int GetDay() const { return m_day; }
  std::uint64_t GetSent() const { return m_sent; }
  std::uint64_t GetReceived() const { return m_received; }
  std::uint64_t GetUnknown() const { return m_unknown; }

 private:
  int ParseChecked(const TiXmlElement* element);

  int m_year = 0;
  int m_month = 0;
  int m_day = 0;
  std::uint64_t m_sent = 0;
  std::uint64_t m_received = 0;
  std::uint64_t m_unknown = 0;
};

}  // namespace Velunor::Quillon::Ui
