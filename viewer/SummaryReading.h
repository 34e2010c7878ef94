#pragma once
// Reading rules shared by the records of the summary file: its number texts, the guard
// around each record's parse, and the walk over a record's children.
#include <tinyxml.h>

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <string>

#include "prices/XmlReading.h"

namespace Velunor::Quillon::Ui {

// The whole text as a signed 32-bit decimal number: digits with at most a leading sign.
// Throws the conversion's exception otherwise, so the record is dropped and the message
// reported like any other failure inside it.
int ReadDecimalInt(const std::wstring& text);

// A record's own number: an element text of exactly length characters that reads as a
// number from low to high. False for another length or range; throws for a non-number.
bool ReadRecordNumber(const TiXmlElement* element, std::size_t length, int low, int high,
                      int& number);

// True when the text is not empty and holds only the digits 0 to 9.
bool IsPlainDigits(const std::wstring& text);
// Plain digits as an unsigned 64-bit number; throws above 18446744073709551615.
std::uint64_t ReadDecimalSize(const std::wstring& text);

// Runs one record's parse; a standard exception reports its message and gives 0.
template <typename Body>
int ParseGuarded(Body&& body) {
  try {
    return body();
  } catch (const std::exception& error) {
    ReportToDebugOutput(error);
    return 0;
  }
}

// The children of one kind: the first child element with the name, then every following
// sibling element whatever its name (the walk the writer uses too). Each is parsed into
// a new record; the first valid record of a number is kept, later ones are dropped whole.
template <typename Record, typename ParseChild>
void KeepFirstValidChildren(const TiXmlElement* parent, const wchar_t* name,
                            std::map<int, std::unique_ptr<Record>>& kept, ParseChild parseChild,
                            int (Record::*numberOf)() const) {
  for (const TiXmlElement* child = parent->FirstChildElement(ToXmlName(name)); child != nullptr;
       child = child->NextSiblingElement()) {
    auto record = std::make_unique<Record>();
    if (parseChild(*record, child) == 1) {
      const int number = ((*record).*numberOf)();
      if (kept.count(number) == 0) {
        kept.emplace(number, std::move(record));
      }
    }
  }
}

}  // namespace Velunor::Quillon::Ui
