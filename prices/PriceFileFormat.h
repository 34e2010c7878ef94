#pragma once
// The element names of the price files. lineselect.xml, the line the user chose, is
// written by the reckoner (reckoner/PriceFiles.cpp) and read by the viewer and the
// reckoner; lineprice.xml, the lines and their zones, comes with the installation and is
// only read. The readers look at neither root's name, and take an entry's name from its
// first attribute, whatever that attribute's name.
//
//   <lineselect><version>1</version><lineselect name="..." /></lineselect>
//
//   <lineprice>
//       <price_logic>
//           <lineselect name="...">
//               <description1>..</description1><description2>..</description2>
//               <line_id>..</line_id><zonecnt>n</zonecnt>
//               <zone index="n"><trafficunit>n</trafficunit><trafficmin>n</trafficmin>
//                   <trafficmax>n</trafficmax><slope>n</slope><constprice>n</constprice></zone>
//           </lineselect>
//       </price_logic>
//   </lineprice>

namespace Velunor::Quillon::Ui {

// lineselect.xml, as the reckoner writes it.
inline constexpr wchar_t kLineSelectListElement[] = L"lineselect";
inline constexpr wchar_t kLineSelectVersionElement[] = L"version";
inline constexpr wchar_t kLineSelectNameElement[] = L"name";
// The entry of a line in either file.
inline constexpr wchar_t kLineSelectElement[] = L"lineselect";
// lineprice.xml.
inline constexpr wchar_t kPriceLogicElement[] = L"price_logic";
inline constexpr wchar_t kZoneCountElement[] = L"zonecnt";
inline constexpr wchar_t kLineIdElement[] = L"line_id";
inline constexpr wchar_t kDescription1Element[] = L"description1";
inline constexpr wchar_t kDescription2Element[] = L"description2";
inline constexpr wchar_t kZoneElement[] = L"zone";
inline constexpr wchar_t kTrafficUnitElement[] = L"trafficunit";
inline constexpr wchar_t kTrafficMinElement[] = L"trafficmin";
inline constexpr wchar_t kTrafficMaxElement[] = L"trafficmax";
inline constexpr wchar_t kSlopeElement[] = L"slope";
inline constexpr wchar_t kConstPriceElement[] = L"constprice";

}  // namespace Velunor::Quillon::Ui
