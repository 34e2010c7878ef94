#pragma once
// The two price files of the data folder as CorvaneReckoner sees them: whether they are
// there and readable, the lines lineprice.xml offers, and the line lineselect.xml names.
#include <string>
#include <vector>

namespace Velunor::Quillon::Reckoner {

enum class PriceFileState { Ready, Missing, Unreadable };

struct LineEntry {
  std::wstring name;         // the entry's first attribute, what lineselect.xml names
  std::wstring description;  // description1
};

class CPriceFiles {
 public:
  // Missing when either file is absent; Unreadable when lineselect.xml has no root
  // element or lineprice.xml no price_logic element (or either cannot be parsed).
  static PriceFileState Check();
  // The entries of lineprice.xml that the viewer can select (a name of two characters
  // or more), in file order. False when the file cannot be read.
  static bool ReadLines(std::vector<LineEntry>& lines);
  // The selected line's name; empty when none is named.
  static std::wstring ReadSelectedName();
  // Names the line in lineselect.xml, keeping the rest of the file. The file is
  // rewritten in place: desktop users may write it, but not the folder it lies in.
  static bool WriteSelectedName(const std::wstring& name);
};

}  // namespace Velunor::Quillon::Reckoner
