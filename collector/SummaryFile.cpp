#include "collector/SummaryFile.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include <boost/filesystem.hpp>

#include "collector/SummaryFileFormat.h"
#include "collector/SummaryFileStore.h"
#include "common/LogMessage.h"
#include "common/PathUtil.h"
#include "common/Saturating.h"
#include "common/StringUtil.h"
#include "platform/core/Clock.h"
#include "platform/core/DateTime.h"
#include "platform/core/DebugOutput.h"
#include "platform/core/NativePath.h"
#include "platform/core/TextCodec.h"

namespace Velunor::Quillon {
namespace {

using Common::Log::kDebug;
using Common::Log::kError;
using Common::Log::WriteLog;
using LoadResult = CSummaryFileStore::LoadResult;

// Both operations run from the hidden control window's handlers and log under their names.
constexpr wchar_t kWriteFunction[] = L"Velunor::Quillon::CCtrlHiddenWindow::DoWriteXML";
constexpr wchar_t kRemoveFunction[] = L"Velunor::Quillon::CCtrlHiddenWindow::DoRemoveXML";

// Suffixes of the names under which an old file is kept when a write would drop its data.
constexpr char kKeepUnreadable[] = "unreadable";   // no root element: a new file is started
constexpr char kKeepDamaged[] = "damaged";         // only the part before the damage is saved
constexpr char kKeepReset[] = "no-install-date";   // the years are dropped with a new install date
constexpr char kKeepBadSize[] = "bad-size";        // a size of today's unit starts again
constexpr char kKeepClockAhead[] = "clock-ahead";  // the prune takes recent months (TakesRecentMonths)

struct ElementNames {
  std::string root, installDate, year, month, unit, dateTime, sendSize, recvSize, unknownSize;
};

const ElementNames& Names() {
  static const ElementNames names = [] {
    const auto utf8 = [](const wchar_t* name) { return Common::ToMultiByteString(name, Common::kUtf8CodePageFlag); };
    return ElementNames{utf8(SummaryFormat::kSummaryRootElement), utf8(SummaryFormat::kInstallDateElement),
                        utf8(SummaryFormat::kYearElement),         utf8(SummaryFormat::kMonthElement),
                        utf8(SummaryFormat::kUnitElement),         utf8(SummaryFormat::kDateTimeElement),
                        utf8(SummaryFormat::kSendSizeElement),     utf8(SummaryFormat::kRecvSizeElement),
                        utf8(SummaryFormat::kUnknownSizeElement)};
  }();
  return names;
}

std::string Digits(const char* format, int first, int second = 0, int third = 0) {
  char text[32];
  std::snprintf(text, sizeof text, format, first, second, third);
  return text;
}

// Children of one kind, as every reader of the file walks them: the first child element
// with the name, then every following sibling element whatever its name.
TiXmlElement* FirstOfKind(TiXmlElement* parent, const std::string& name) { return parent->FirstChildElement(name); }
TiXmlElement* NextOfKind(TiXmlElement* element) { return element->NextSiblingElement(); }

TiXmlElement* FindByText(TiXmlElement* parent, const std::string& name, const std::string& text) {
  for (TiXmlElement* element = FirstOfKind(parent, name); element; element = NextOfKind(element)) {
    const char* own = element->GetText();
    if (own && text == own) return element;
  }
  return nullptr;
}

// The unit of a day: the day is the first two characters of datetime.
TiXmlElement* FindUnitOfDay(TiXmlElement* month, const std::string& stamp) {
  const ElementNames& names = Names();
  for (TiXmlElement* unit = FirstOfKind(month, names.unit); unit; unit = NextOfKind(unit)) {
    const TiXmlElement* dateTime = unit->FirstChildElement(names.dateTime);
    const char* text = dateTime ? dateTime->GetText() : nullptr;
    if (text && text[0] == stamp[0] && text[1] == stamp[1]) return unit;  // stamp[0] is a digit, so text[1] exists
  }
  return nullptr;
}

TiXmlElement* AppendElement(TiXmlNode* parent, const std::string& name, const std::string* text) {
  auto element = std::make_unique<TiXmlElement>(name);
  if (text) element->LinkEndChild(new TiXmlText(*text));
  return static_cast<TiXmlElement*>(parent->LinkEndChild(element.release()));
}

std::string Shorten(const char* text) {
  std::string shown(text);
  return shown.size() > 40 ? shown.substr(0, 40) + "..." : shown;
}

// A size text: decimal digits only, within 64 bits. False when it is not such a number.
bool ReadSize(const char* text, std::uint64_t& value) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  value = 0;
  const char* digit = text;
  for (; SummaryFormat::IsSizeDigit(*digit); ++digit) {
    const unsigned next = static_cast<unsigned>(*digit - '0');
    if (value > (kMax - next) / 10) return false;
    value = value * 10 + next;
  }
  return digit != text && *digit == '\0';
}

enum class NumberText { kNumber, kNotANumber, kBeyond32Bits };

// A year or month text: a signed 32-bit decimal number, at most a leading sign.
NumberText ParseNumber(const char* text, std::int32_t& number) {
  const char* digit = text;
  const bool negative = *digit == '-';
  if (*digit == '-' || *digit == '+') ++digit;
  std::int64_t value = 0;
  const char* first = digit;
  for (; *digit >= '0' && *digit <= '9'; ++digit) {
    value = value * 10 + (*digit - '0');
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return NumberText::kBeyond32Bits;
  }
  if (digit == first || *digit != '\0') return NumberText::kNotANumber;
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return NumberText::kBeyond32Bits;
  number = static_cast<std::int32_t>(value);
  return NumberText::kNumber;
}

// The pruning's reading: a text that is not such a number stops it whole.
std::int32_t ReadNumber(const char* text) {
  std::int32_t number = 0;
  switch (ParseNumber(text, number)) {
    case NumberText::kNumber:
      return number;
    case NumberText::kBeyond32Bits:
      throw std::out_of_range("number beyond 32 bits: " + Shorten(text));
    case NumberText::kNotANumber:
      break;
  }
  throw std::invalid_argument("not a number: " + Shorten(text));
}

// A month of the file as one number, year * 12 + month - 1.
using MonthIndex = std::int64_t;

// The month that a year and a month element name, when both texts are numbers of a date
// the date type holds (the only ones the writer writes); nothing for any other text.
std::optional<MonthIndex> DatedMonth(const TiXmlElement* year, const TiXmlElement* month) {
  const char* yearText = year->GetText();
  const char* monthText = month->GetText();
  std::int32_t yearNumber = 0;
  std::int32_t monthNumber = 0;
  if (!yearText || !monthText || ParseNumber(yearText, yearNumber) != NumberText::kNumber ||
      ParseNumber(monthText, monthNumber) != NumberText::kNumber ||
      !platform::DateTime(yearNumber, monthNumber, 1).IsValid()) {
    return std::nullopt;
  }
  return MonthIndex{yearNumber} * 12 + monthNumber - 1;
}

// Appends the dated months of a year element to months.
void AddMonthsOfYear(TiXmlElement* year, std::vector<MonthIndex>& months) {
  for (TiXmlElement* month = FirstOfKind(year, Names().month); month; month = NextOfKind(month)) {
    if (const std::optional<MonthIndex> index = DatedMonth(year, month)) months.push_back(*index);
  }
}

std::optional<MonthIndex> NewestMonth(TiXmlElement* root) {
  std::vector<MonthIndex> months;
  for (TiXmlElement* year = FirstOfKind(root, Names().year); year; year = NextOfKind(year)) {
    AddMonthsOfYear(year, months);
  }
  if (months.empty()) return std::nullopt;
  return *std::max_element(months.begin(), months.end());
}

std::string ShowMonth(MonthIndex index) {
  return Digits("%04d-%02d", static_cast<int>(index / 12), static_cast<int>(index % 12) + 1);
}

// "2025-11..2026-06, 2026-09": the months in order, runs of consecutive months joined.
std::string ShowMonths(std::vector<MonthIndex> months) {
  std::sort(months.begin(), months.end());
  months.erase(std::unique(months.begin(), months.end()), months.end());
  std::string shown;
  for (std::size_t first = 0; first < months.size();) {
    std::size_t last = first;
    while (last + 1 < months.size() && months[last + 1] == months[last] + 1) ++last;
    shown += (shown.empty() ? "" : ", ") + ShowMonth(months[first]);
    if (last > first) shown += ".." + ShowMonth(months[last]);
    first = last + 1;
  }
  return shown;
}

// The prune keeps the current month and the twelve before it. A collector off since its
// last write starts at the latest in the month after the file's newest month, and keeps
// the newest month and the eleven before it. A prune that takes one of those runs on a
// clock further ahead of the data than that (set wrong, or an absence of months), and
// only the old file kept aside still holds them. A start in the month after the newest is
// the ordinary monthly prune: counting it as ahead would keep a copy every month.
bool TakesRecentMonths(const std::vector<MonthIndex>& removed, std::optional<MonthIndex> newest) {
  return newest && std::any_of(removed.begin(), removed.end(), [&](MonthIndex month) { return month >= *newest - 11; });
}

// Now as a date the file can hold, invalid when the clock is outside the years of the date
// type; shown is the clock's reading either way.
platform::DateTime ClockDate(std::string& shown) {
  const platform::LocalTime clock = platform::Clock::Now();
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", clock.year, clock.month, clock.day, clock.hour,
                clock.minute, clock.second);
  shown = text;
  return platform::DateTime(clock.year, clock.month, clock.day, clock.hour, clock.minute, clock.second);
}

std::wstring OutsideTheYearsOfADate(const std::string& clockText) {
  return Common::ToWideString("the clock reads " + clockText + ", outside the years 100 to 9999",
                              Common::kUtf8CodePageFlag);
}

// Adds delta to the unit's first size element of the name (a size element without text
// counts as 0) and moves the result to the end of the unit. A sum past 64 bits stops at
// the largest count, as the readers' sums do. A size that is not a number starts again
// from delta: false, and the caller keeps the old file aside.
bool AddToSize(TiXmlElement* unit, const std::string& name, std::uint64_t delta) {
  std::uint64_t value = delta;
  bool readable = true;
  if (TiXmlElement* old = unit->FirstChildElement(name)) {
    std::uint64_t oldValue = 0;
    const char* text = old->GetText();
    if (text && ReadSize(text, oldValue)) {
      value = Common::AddSaturated(oldValue, delta);
      const std::uint64_t uncounted = delta - (value - oldValue);
      if (uncounted != 0) {
        WriteLog(kWriteFunction, __LINE__,
                 Common::ToWideString(name + " of today's unit stops at " + std::to_string(value) + "; " +
                                          std::to_string(uncounted) + " bytes of this write are not in it",
                                      Common::kUtf8CodePageFlag),
                 kError);
      }
    } else if (text) {
      readable = false;
      WriteLog(kWriteFunction, __LINE__,
               Common::ToWideString(name + " of today's unit is not a number [" + Shorten(text) +
                                        "]; it starts again from this write",
                                    Common::kUtf8CodePageFlag),
               kError);
    }
    unit->RemoveChild(old);
  }
  const std::string digits = std::to_string(value);
  AppendElement(unit, name, &digits);
  return readable;
}

void StartDocument(TiXmlDocument& document) {
  document.Clear();
  document.ClearError();
  document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
  AppendElement(&document, Names().root, nullptr);
}

// The whole document on one line, for whoever watches the debug output.
void PrintToDebugOutput(const TiXmlDocument& document) {
  TiXmlPrinter printer;
  printer.SetIndent("");
  printer.SetLineBreak("");
  document.Accept(&printer);
  platform::OutputDebugString(Common::ToWideString(std::string(printer.CStr()), Common::kUtf8CodePageFlag));
  platform::OutputDebugString(L"\n");
}

void ReportException(const std::exception& failure) {
  platform::OutputDebugString(Common::ToWideString(std::string(failure.what()), Common::kUtf8CodePageFlag));
}

std::wstring Wide(const std::string& nativeText) { return platform::LocaleToWide(nativeText); }

// Saves the document, the old file kept aside first when keepReason is set, and logs a
// failure or where the old file went; detail says more about why (for the log only).
bool SaveAndReport(const wchar_t* function, const CSummaryFileStore& store, const TiXmlDocument& document,
                   const std::string& keepReason, const std::string& detail) {
  std::string keptAs;
  std::string error;
  if (!store.Save(document, keepReason, keptAs, error)) {
    WriteLog(function, __LINE__, L"cannot save the summary file: " + Wide(error), kError);
    return false;
  }
  if (!keepReason.empty()) {
    WriteLog(function, __LINE__,
             L"the previous summary file was kept as " + Wide(keptAs) + L" (" + Wide(keepReason) + L")" +
                 (detail.empty() ? L"" : L": " + Common::ToWideString(detail, Common::kUtf8CodePageFlag)),
             kError);
  }
  return true;
}

}  // namespace

CSummaryFile::CSummaryFile(std::wstring path) : m_path(std::move(path)) {}

std::string CSummaryFile::GetNativePath() const {
  return platform::ToNativePathBytes(Common::ExpandPath(m_path.empty() ? Common::GetSummaryDataFilePath() : m_path));
}

bool CSummaryFile::WriteInterval(const TrafficCounts& counts) const {
  WriteLog(kWriteFunction, __LINE__, L"DoWriteXML", kDebug);
  try {
    const ElementNames& names = Names();
    std::string clockText;
    const platform::DateTime now = ClockDate(clockText);
    if (!now.IsValid()) {
      // Fields of an invalid date (year 0000, month 00) name a month no reader can place,
      // and the nearest real date would book the traffic on a day it did not happen. So
      // nothing is written: false makes the caller add the counts to its next write, which
      // books them once the clock reads a real date again, and the line keeps them on
      // record should no such write come (the one at stop).
      WriteLog(kWriteFunction, __LINE__,
               OutsideTheYearsOfADate(clockText) +
                   L": nothing is written under a made-up date; not in the file: sent " + std::to_wstring(counts.sent) +
                   L", received " + std::to_wstring(counts.received) + L", unknown " + std::to_wstring(counts.unknown),
               kError);
      return false;
    }
    const std::string year = Digits(SummaryFormat::kYearFormat, now.GetYear());
    const std::string month = Digits(SummaryFormat::kMonthFormat, now.GetMonth());
    const std::string stamp = Digits(SummaryFormat::kDateTimeFormat, now.GetDay(), now.GetHour(), now.GetMinute());
    const std::string today = Digits(SummaryFormat::kInstallDateFormat, now.GetYear(), now.GetMonth(), now.GetDay());

    const CSummaryFileStore store(GetNativePath());
    TiXmlDocument document;
    std::string keepReason;
    std::string detail;
    std::string error;
    switch (store.Load(document, error)) {
      case LoadResult::kMissing:
        boost::filesystem::create_directories(boost::filesystem::path(store.GetPath()).parent_path());
        StartDocument(document);
        break;
      case LoadResult::kReadFailed:
        WriteLog(kWriteFunction, __LINE__, L"cannot read the summary file: " + Wide(error), kError);
        return false;
      case LoadResult::kNoRoot:
        WriteLog(kWriteFunction, __LINE__, L"root = null", kDebug);
        // Keep the unreadable file for whoever can mend it, and go on counting in a new one.
        keepReason = kKeepUnreadable;
        StartDocument(document);
        break;
      case LoadResult::kDamaged:
        keepReason = kKeepDamaged;
        break;
      case LoadResult::kLoaded:
        break;
    }

    TiXmlElement* root = document.RootElement();
    if (!root->FirstChildElement(names.installDate)) {
      // A file without install date starts again from today; its years go.
      if (keepReason.empty() && root->FirstChildElement(names.year)) keepReason = kKeepReset;
      std::vector<MonthIndex> removed;
      while (TiXmlElement* oldYear = root->FirstChildElement(names.year)) {
        AddMonthsOfYear(oldYear, removed);
        root->RemoveChild(oldYear);
      }
      if (!removed.empty()) detail = "months removed: " + ShowMonths(removed);
      AppendElement(root, names.installDate, &today);
    }

    TiXmlElement* yearElement = FindByText(root, names.year, year);
    if (!yearElement) yearElement = AppendElement(root, names.year, &year);
    TiXmlElement* monthElement = FindByText(yearElement, names.month, month);
    if (!monthElement) monthElement = AppendElement(yearElement, names.month, &month);
    TiXmlElement* unit = FindUnitOfDay(monthElement, stamp);
    if (!unit) unit = AppendElement(monthElement, names.unit, nullptr);

    if (TiXmlElement* oldStamp = unit->FirstChildElement(names.dateTime)) unit->RemoveChild(oldStamp);
    AppendElement(unit, names.dateTime, &stamp);
    // All three, also after one that could not be read.
    bool sizesRead = AddToSize(unit, names.sendSize, counts.sent);
    sizesRead = AddToSize(unit, names.recvSize, counts.received) && sizesRead;
    sizesRead = AddToSize(unit, names.unknownSize, counts.unknown) && sizesRead;
    // The file with the unreadable size is kept for whoever can mend it; the rest of the
    // day is counted on.
    if (!sizesRead && keepReason.empty()) keepReason = kKeepBadSize;

    PrintToDebugOutput(document);
    return SaveAndReport(kWriteFunction, store, document, keepReason, detail);
  } catch (const std::exception& failure) {
    ReportException(failure);
    return false;
  }
}

void CSummaryFile::RemoveOldMonths() const {
  WriteLog(kRemoveFunction, __LINE__, L"DoRemoveXML", kDebug);
  try {
    const ElementNames& names = Names();
    const CSummaryFileStore store(GetNativePath());
    store.RemoveLeftoverTemporaryFiles();
    std::string clockText;
    const platform::DateTime now = ClockDate(clockText);
    if (!now.IsValid()) {
      // No current month to measure the file's months from.
      WriteLog(kRemoveFunction, __LINE__, OutsideTheYearsOfADate(clockText) + L": nothing is pruned", kError);
      return;
    }
    const std::int64_t currentYear = now.GetYear();
    const MonthIndex currentMonthIndex = currentYear * 12 + now.GetMonth() - 1;
    TiXmlDocument document;
    std::string keepReason;
    std::string error;
    switch (store.Load(document, error)) {
      case LoadResult::kMissing:
        WriteLog(kRemoveFunction, __LINE__, L"ファイルが存在しない", kDebug);
        return;
      case LoadResult::kReadFailed:
        WriteLog(kRemoveFunction, __LINE__, L"cannot read the summary file: " + Wide(error), kError);
        return;
      case LoadResult::kNoRoot:
        WriteLog(kRemoveFunction, __LINE__, L"root = null", kDebug);
        return;
      case LoadResult::kDamaged:
        keepReason = kKeepDamaged;
        break;
      case LoadResult::kLoaded:
        break;
    }

    TiXmlElement* root = document.RootElement();
    const std::optional<MonthIndex> newest = NewestMonth(root);
    std::vector<MonthIndex> removed;
    TiXmlElement* yearElement = FirstOfKind(root, names.year);
    while (yearElement) {
      const char* yearText = yearElement->GetText();
      if (!yearText) {
        yearElement = NextOfKind(yearElement);
        continue;
      }
      const std::int64_t yearNumber = ReadNumber(yearText);
      if (yearNumber < currentYear - 1) {
        AddMonthsOfYear(yearElement, removed);
        root->RemoveChild(yearElement);
        yearElement = FirstOfKind(root, names.year);
        continue;
      }
      if (yearNumber == currentYear - 1) {
        TiXmlElement* monthElement = FirstOfKind(yearElement, names.month);
        while (monthElement) {
          const char* monthText = monthElement->GetText();
          if (monthText && currentMonthIndex - (yearNumber * 12 + ReadNumber(monthText) - 1) > 12) {
            if (const std::optional<MonthIndex> dated = DatedMonth(yearElement, monthElement)) removed.push_back(*dated);
            yearElement->RemoveChild(monthElement);
            monthElement = FirstOfKind(yearElement, names.month);
          } else {
            monthElement = NextOfKind(monthElement);
          }
        }
      }
      yearElement = NextOfKind(yearElement);
    }

    std::string detail;
    if (TakesRecentMonths(removed, newest)) {
      if (keepReason.empty()) keepReason = kKeepClockAhead;
      detail = "the clock (" + ShowMonth(currentMonthIndex) + ") is more than a month past the newest month in the " +
               "file (" + ShowMonth(*newest) + "); months removed: " + ShowMonths(removed);
    }
    PrintToDebugOutput(document);
    SaveAndReport(kRemoveFunction, store, document, keepReason, detail);
  } catch (const std::exception& failure) {
    ReportException(failure);
  }
}

}  // namespace Velunor::Quillon
