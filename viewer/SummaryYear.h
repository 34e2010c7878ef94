#pragma once
// One year of the summary file: its months by month number.
#include <map>
#include <memory>

#include "viewer/SummaryMonth.h"

class TiXmlElement;

namespace Velunor::Quillon::Ui {

class CSummaryYear {
 public:
  CSummaryYear() { Clear(); }
  ~CSummaryYear() { Clear(); }
  CSummaryYear(const CSummaryYear&) = delete;
  CSummaryYear& operator=(const CSummaryYear&) = delete;

  void Clear();
  // 1 when the year element's own text passes; its months are read as far as they pass.
  int Parse(const TiXmlElement* element);

  int GetYear() const { return m_year; }
  // The month kept for that number, or null.
  const CSummaryMonth* FindMonth(int month) const;
  std::size_t GetMonthCount() const { return m_months.size(); }

 private:
  int m_year = 0;
  std::map<int, std::unique_ptr<CSummaryMonth>> m_months;
};

}  // namespace Velunor::Quillon::Ui
