#pragma once
// One month of one year of the summary file: its units by day number.
#include <map>
#include <memory>

#include "viewer/SummaryUnit.h"

class TiXmlElement;

namespace Velunor::Quillon::Ui {

class CSummaryMonth {
 public:
  CSummaryMonth() { Clear(); }
  ~CSummaryMonth() { Clear(); }
  CSummaryMonth(const CSummaryMonth&) = delete;
  CSummaryMonth& operator=(const CSummaryMonth&) = delete;

  void Clear();
  // 1 when the month element's own text passes; its units are read as far as they pass.
  int Parse(int year, const TiXmlElement* element);

  int GetMonth() const { return m_month; }
  // The unit kept for that day, or null.
  const CSummaryUnit* FindDay(int day) const;
  std::size_t GetUnitCount() const { return m_units.size(); }

 private:
  int m_year = 0;
  int m_month = 0;
  std::map<int, std::unique_ptr<CSummaryUnit>> m_units;
};

}  // namespace Velunor::Quillon::Ui
