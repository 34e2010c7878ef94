#include "tray/StateFileXml.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <boost/filesystem.hpp>
#include <boost/lexical_cast.hpp>
#include <tinyxml.h>

#include "common/StringUtil.h"

namespace Velunor::Quillon::Resident {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct MemoryFree {
  void operator()(char* bytes) const { std::free(bytes); }
};

// The library's own file writer, into memory.
bool PrintDocument(const TiXmlDocument& document, std::string& text) {
  char* bytes = nullptr;
  std::size_t size = 0;
  std::FILE* stream = open_memstream(&bytes, &size);
  if (!stream) return false;
  bool printed = document.SaveFile(stream);
  bool closed = std::fclose(stream) == 0;
  std::unique_ptr<char, MemoryFree> owner(bytes);
  if (!printed || !closed) return false;
  text.assign(bytes, size);
  return true;
}

}  // namespace

void LoadStateFile(TiXmlDocument& document, const std::string& nativePath) {
  // A directory or a pipe at the path is no document (and must not block the caller).
  boost::system::error_code error;
  if (!boost::filesystem::is_regular_file(boost::filesystem::path(nativePath), error)) return;
  document.LoadFile(nativePath.c_str(), TIXML_DEFAULT_ENCODING);
}

bool SaveStateFile(const TiXmlDocument& document, const std::string& nativePath) {
  std::string printed;
  if (!PrintDocument(document, printed)) return false;
  std::string text;
  text.reserve(printed.size() + printed.size() / 16);
  for (char c : printed) {
    if (c == '\n') text += '\r';
    text += c;
  }
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(nativePath.c_str(), "wb"));
  if (!file) return false;
  bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  return std::fclose(file.release()) == 0 && written;
}

bool ChildText(const TiXmlElement& parent, const wchar_t* name, std::wstring& text) {
  const TiXmlElement* child = parent.FirstChildElement(Utf8Name(name));
  if (!child) return false;
  const char* value = child->GetText();
  if (!value) return false;
  text = Common::ToWideString(std::string(value), Common::kUtf8CodePageFlag);
  return true;
}

void AppendTextElement(TiXmlElement& parent, const wchar_t* name, const std::wstring& text) {
  auto* element = new TiXmlElement(Utf8Name(name));
  parent.LinkEndChild(element);
  element->LinkEndChild(new TiXmlText(Common::ToMultiByteString(text, Common::kUtf8CodePageFlag)));
}

std::wstring DottedVersionText(const CVersionNumber& version) {
  return version.GetMajor() + L"." + version.GetMinor() + L"." + version.GetBuild();
}

int ToInt32(const std::wstring& text) { return boost::lexical_cast<int>(text); }

std::string Utf8Name(const wchar_t* name) { return Common::ToMultiByteString(name, Common::kUtf8CodePageFlag); }

}  // namespace Velunor::Quillon::Resident
