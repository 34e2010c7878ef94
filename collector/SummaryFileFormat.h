#pragma once
// summarydata.xml as the collector writes it (collector/SummaryFile.cpp): its element
// names and the text forms of its dates and sizes. The viewer and the tray read the file
// with rules of their own, through these names; the target collector_summary_format
// makes a reader's dependency on them explicit.
//
//   <xml>
//       <install_date>yyyyMMdd</install_date>
//       <year>yyyy
//           <month>MM
//               <unit><datetime>ddHHmm</datetime><send_size>n</send_size>
//                     <recv_size>n</recv_size><unknown_size>n</unknown_size></unit>
//           </month>
//       </year>
//   </xml>
#include <cstddef>

namespace Velunor::Quillon::SummaryFormat {

inline constexpr wchar_t kSummaryRootElement[] = L"xml";
inline constexpr wchar_t kInstallDateElement[] = L"install_date";
inline constexpr wchar_t kYearElement[] = L"year";
inline constexpr wchar_t kMonthElement[] = L"month";
inline constexpr wchar_t kUnitElement[] = L"unit";
inline constexpr wchar_t kDateTimeElement[] = L"datetime";
inline constexpr wchar_t kSendSizeElement[] = L"send_size";
inline constexpr wchar_t kRecvSizeElement[] = L"recv_size";
inline constexpr wchar_t kUnknownSizeElement[] = L"unknown_size";

// install_date: the day of the first write, yyyyMMdd.
inline constexpr char kInstallDateFormat[] = "%04d%02d%02d";
inline constexpr std::size_t kInstallDateLength = 8;
// The text of a year element and of a month element, before their children: yyyy, MM.
inline constexpr char kYearFormat[] = "%04d";
inline constexpr std::size_t kYearLength = 4;
inline constexpr char kMonthFormat[] = "%02d";
inline constexpr std::size_t kMonthLength = 2;
// datetime: the day, hour and minute of the unit's last write, ddHHmm; the day names the
// unit.
inline constexpr char kDateTimeFormat[] = "%02d%02d%02d";
inline constexpr std::size_t kDateTimeLength = 6;

// A size is written as its decimal digits. The writer, adding to it, and the viewer,
// reading it, take a size text only when it is one or more of these digits and nothing
// else (no sign, no space), within 64 bits.
template <typename Char>
constexpr bool IsSizeDigit(Char character) {
  return character >= Char('0') && character <= Char('9');
}

}  // namespace Velunor::Quillon::SummaryFormat
