#include "viewer/XmlReading.h"

#include <tinyxml.h>

#include <boost/filesystem.hpp>
#include <fstream>
#include <iterator>

#include "common/StringUtil.h"
#include "platform/core/DebugOutput.h"
#include "platform/core/NativePath.h"

namespace Velunor::Quillon::Ui {

namespace {

bool StartsWithAt(const std::string& text, std::size_t position, const char* prefix) {
  return text.compare(position, std::char_traits<char>::length(prefix), prefix) == 0;
}

// CR LF and lone CR become LF, as TinyXML's LoadFile does before it parses.
std::string NormaliseLineEnds(std::string bytes) {
  std::string result;
  result.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      result.push_back('\n');
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
        ++i;
      }
    } else {
      result.push_back(bytes[i]);
    }
  }
  return result;
}

// How many bytes TinyXML steps over for a UTF-8 lead byte (1 for anything else).
std::size_t Utf8StepOf(unsigned char byte) {
  if (byte >= 0xC2 && byte <= 0xDF) return 2;
  if (byte >= 0xE0 && byte <= 0xEF) return 3;
  if (byte >= 0xF0 && byte <= 0xF4) return 4;
  return 1;
}

// TinyXML steps over a whole UTF-8 sequence at its lead byte without looking at the
// bytes it skips, so a lead byte just before the end makes it read past the buffer. A
// lead byte whose sequence is cut short becomes '?'; every step then stays inside the
// text. Well-formed UTF-8 is left as it is.
void RepairCutUtf8Sequences(std::string& bytes) {
  const std::size_t size = bytes.size();
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t step = Utf8StepOf(static_cast<unsigned char>(bytes[i]));
    if (step == 1) {
      continue;
    }
    std::size_t continuation = 1;
    while (continuation < step && i + continuation < size &&
           (static_cast<unsigned char>(bytes[i + continuation]) & 0xC0) == 0x80) {
      ++continuation;
    }
    if (continuation < step) {
      bytes[i] = '?';
    } else {
      i += step - 1;
    }
  }
}

}  // namespace

bool XmlFileExists(const std::wstring& path) {
  boost::system::error_code error;
  return boost::filesystem::exists(boost::filesystem::path(platform::ToNativePathBytes(path)),
                                   error);
}

bool NestsDeeperThan(const std::string& text, std::size_t limit) {
  std::size_t depth = 0;
  std::size_t i = 0;
  const std::size_t size = text.size();
  while (i < size) {
    i = text.find('<', i);
    if (i == std::string::npos) {
      break;
    }
    std::size_t end = std::string::npos;
    if (StartsWithAt(text, i, "<!--")) {
      end = text.find("-->", i + 4);
      i = end == std::string::npos ? size : end + 3;
      continue;
    }
    if (StartsWithAt(text, i, "<![CDATA[")) {
      end = text.find("]]>", i + 9);
      i = end == std::string::npos ? size : end + 3;
      continue;
    }
    if (i + 1 < size && (text[i + 1] == '?' || text[i + 1] == '!')) {
      end = text.find('>', i + 1);
      i = end == std::string::npos ? size : end + 1;
      continue;
    }
    if (i + 1 < size && text[i + 1] == '/') {
      if (depth > 0) {
        --depth;
      }
      end = text.find('>', i + 2);
      i = end == std::string::npos ? size : end + 1;
      continue;
    }
    // A start tag: its end is the first '>' outside quoted attribute values.
    std::size_t j = i + 1;
    while (j < size && text[j] != '>') {
      if (text[j] == '"' || text[j] == '\'') {
        const std::size_t close = text.find(text[j], j + 1);
        j = close == std::string::npos ? size : close + 1;
      } else {
        ++j;
      }
    }
    // An unfinished tag still counts: the parser may descend into it before it fails.
    const bool selfClosing = j < size && text[j - 1] == '/';
    if (!selfClosing && ++depth > limit) {
      return true;
    }
    i = j < size ? j + 1 : size;
  }
  return false;
}

void ParseXmlBytes(TiXmlDocument& document, std::string bytes) {
  if (bytes.size() > kMaxXmlFileBytes) {
    platform::OutputDebugString(L"XML text too large, not read");
    return;
  }
  // The parser reads a C string: nothing after the first NUL counts.
  const std::size_t end = bytes.find('\0');
  if (end != std::string::npos) {
    bytes.resize(end);
  }
  bytes = NormaliseLineEnds(std::move(bytes));
  RepairCutUtf8Sequences(bytes);
  if (NestsDeeperThan(bytes, kMaxXmlDepth)) {
    platform::OutputDebugString(L"XML elements nested too deeply, not read");
    return;
  }
  document.Parse(bytes.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
}

void LoadXmlFile(TiXmlDocument& document, const std::wstring& path) {
  std::ifstream in(platform::ToNativePathBytes(path), std::ios::binary);
  if (!in) {
    return;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff length = in.tellg();
  if (length < 0) {
    return;
  }
  if (static_cast<unsigned long long>(length) > kMaxXmlFileBytes) {
    platform::OutputDebugString(L"XML file too large, not read: " + path);
    return;
  }
  in.seekg(0, std::ios::beg);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  if (length > 0 && !in.read(&bytes[0], length)) {
    return;
  }
  ParseXmlBytes(document, std::move(bytes));
}

bool GetElementText(const TiXmlElement* element, std::wstring& text) {
  text.clear();
  if (element == nullptr) {
    return false;
  }
  const TiXmlNode* first = element->FirstChild();
  const TiXmlText* node = first != nullptr ? first->ToText() : nullptr;
  if (node == nullptr) {
    return false;
  }
  text = Common::ToWideString(std::string(node->Value()), Common::kUtf8CodePageFlag);
  return true;
}

std::size_t Utf16Length(const std::wstring& text) {
  std::size_t units = 0;
  for (const wchar_t ch : text) {
    units += static_cast<std::uint32_t>(ch) > 0xFFFF ? 2 : 1;
  }
  return units;
}

void ReportToDebugOutput(const std::exception& error) {
  platform::OutputDebugString(
      Common::ToWideString(std::string(error.what()), Common::kUtf8CodePageFlag));
}

std::string ToXmlName(const wchar_t* name) {
  return Common::ToMultiByteString(name, Common::kUtf8CodePageFlag);
}

}  // namespace Velunor::Quillon::Ui
