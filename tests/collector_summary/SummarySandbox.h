#pragma once
// The summary writer tests' sandbox, and helpers that describe a summary file compactly
// for table rows.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

#include "platform/core/Clock.h"
#include "tests/TestSandbox.h"

namespace summary_test {

inline platform::LocalTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return platform::MakeLocalTime(year, month, day, hour, minute, second);
}

inline std::string ReadBytes(const std::string& path) { return corvane_test::ReadFile(path); }
inline void WriteBytes(const std::string& path, const std::string& bytes) { corvane_test::WriteFile(path, bytes); }

inline std::string FixturePath(const std::string& name) { return std::string(SUMMARY_FIXTURE_DIR) + "/" + name; }

// One element as name[:text][(children)], children separated by spaces.
inline std::string Outline(const TiXmlElement* element) {
  std::string text = element->Value();
  if (const char* own = element->GetText()) text += std::string(":") + own;
  std::string children;
  for (const TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
    children += (children.empty() ? "" : " ") + Outline(child);
  }
  if (!children.empty()) text += "(" + children + ")";
  return text;
}

// The outline of a file's root, or a note when it has none.
inline std::string OutlineOfFile(const std::string& path) {
  TiXmlDocument document;
  document.LoadFile(path.c_str());
  if (document.Error()) return std::string("parse error: ") + document.ErrorDesc();
  return Outline(document.RootElement());
}

// The root's children other than install_date as text(month texts), "-" for no text;
// other element names are shown as name:text.
inline std::string MonthsOfFile(const std::string& path) {
  TiXmlDocument document;
  document.LoadFile(path.c_str());
  if (!document.RootElement()) return "no root";
  std::string list;
  for (const TiXmlElement* year = document.RootElement()->FirstChildElement(); year; year = year->NextSiblingElement()) {
    const std::string name = year->Value();
    if (name == "install_date") continue;
    std::string entry = name == "year" ? "" : name + ":";
    entry += year->GetText() ? year->GetText() : "-";
    std::string months;
    for (const TiXmlElement* month = year->FirstChildElement(); month; month = month->NextSiblingElement()) {
      months += (months.empty() ? "" : " ") + std::string(month->GetText() ? month->GetText() : "-");
    }
    list += (list.empty() ? "" : " ") + entry + "(" + months + ")";
  }
  return list;
}

// The summary file of the sandbox's data folder, with the paths as text.
class SummarySandbox : public corvane_test::SandboxedTest {
 protected:
  std::string DataFolder() const { return sandbox.DataFolder().string(); }
  std::string SummaryPath() const { return DataFolder() + "/summarydata.xml"; }

  // Places a fixture (or the given bytes) as the summary file.
  void PlaceFixture(const std::string& name) { PlaceBytes(ReadBytes(FixturePath(name))); }
  void PlaceBytes(const std::string& bytes) { sandbox.WriteData("summarydata.xml", bytes); }

  // Names of the files in the data folder other than the summary file, sorted.
  std::vector<std::string> OtherFiles() const {
    std::vector<std::string> names;
    boost::system::error_code code;
    for (boost::filesystem::directory_iterator entry(DataFolder(), code), end; !code && entry != end;
         entry.increment(code)) {
      const std::string name = entry->path().filename().string();
      if (name != "summarydata.xml") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

}  // namespace summary_test
