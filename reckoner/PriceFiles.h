#pragma once
// The two price files of the data folder as CorvaneReckoner sees them: its check of
// both files and its writing of the chosen line. Reading them is the price files
// library's (prices/), the one the viewer prices with, so the reckoner offers exactly
// the lines the viewer can price; every file goes through the guarded XML loader.
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
  // Missing when either file is absent; Unreadable when either does not parse whole
  // (lineselect.xml: no root element; lineprice.xml: no price_logic element), is too
  // large or nested too deep, or keeps changing while read. Logged with the reason.
  static PriceFileState Check();
  // The lines of lineprice.xml as CPriceLogic reads them, in file order. False when the
  // file cannot be read.
  static bool ReadLines(std::vector<LineEntry>& lines);
  // The selected line's name as CPriceLogic reads it; empty when none is named.
  static std::wstring ReadSelectedName();
  // Names the line in lineselect.xml, keeping the rest of the file (a file that cannot
  // be read is written anew, which is logged). Desktop users may write the file but not
  // the machine-wide folder it lies in, so there it is rewritten in place under a lock.
  // False, logged, when it cannot be written.
  static bool WriteSelectedName(const std::wstring& name);
};

}  // namespace Velunor::Quillon::Reckoner
