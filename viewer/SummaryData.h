#pragma once
// The viewer's in-memory copy of summarydata.xml: the install date and, per year, month
// and day, the three byte totals the collector wrote. The reader is strict: an element
// that fails a check is dropped with everything below it, the rest is still read.
#include <map>
#include <memory>

#include "platform/core/DateTime.h"
#include "viewer/SummaryYear.h"

class TiXmlDocument;

namespace Velunor::Quillon::Ui {

class CMonthUsage;

class CSummaryData {
 public:
  CSummaryData();
  ~CSummaryData();
  CSummaryData(const CSummaryData&) = delete;
  CSummaryData& operator=(const CSummaryData&) = delete;

  // Not loaded, no years, both dates = now.
  void Reset();
  // Rereads the whole file; IsLoaded tells whether it succeeded.
  void Load();
  // The same rules applied to a document already parsed (the fuzz target uses it).
  void LoadDocument(const TiXmlDocument& document);

  int IsLoaded() const { return m_loaded; }
  // The moment the last load began (never a date taken from the file).
  platform::DateTime GetLastDataDate() const { return m_lastDataDate; }
  platform::DateTime GetInstallDate() const { return m_installDate; }
  // 1 when the date's month is the install month or later; looks at nothing else.
  int HasMonthData(const platform::DateTime& date) const;
  // Fills the month model for the month of date; a month before the install month
  // shows the install month.
  void FillMonthUsage(CMonthUsage& month, const platform::DateTime& date) const;
  void FillDays(CMonthUsage& month) const;

  // The year kept for that number, or null.
  const CSummaryYear* FindYear(int year) const;
  std::size_t GetYearCount() const { return m_years.size(); }

 private:
  // Reads install date and years; false stops the load (not loaded).
  bool ReadDocument(const TiXmlDocument& document);
  void AbandonLoad();

  int m_loaded = 0;
  std::map<int, std::unique_ptr<CSummaryYear>> m_years;
  platform::DateTime m_installDate;
  platform::DateTime m_lastDataDate;
};

}  // namespace Velunor::Quillon::Ui
