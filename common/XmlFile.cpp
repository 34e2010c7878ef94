#include "common/XmlFile.h"

#include <tinyxml.h>

#include <boost/filesystem/path.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "common/StringUtil.h"
#include "common/XmlNestingGuard.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Folders.h"
#include "platform/core/LockedFile.h"
#include "platform/core/NativePath.h"

namespace Velunor::Quillon::Common {
namespace {

// NULs behind the text: a last line of defence should a parser step still go past it.
constexpr std::size_t kParsePadding = 16;

// How many bytes the parser steps over for a UTF-8 lead byte (1 for anything else).
std::size_t Utf8StepOf(unsigned char byte) {
  if (byte >= 0xC2 && byte <= 0xDF) return 2;
  if (byte >= 0xE0 && byte <= 0xEF) return 3;
  if (byte >= 0xF0 && byte <= 0xF4) return 4;
  return 1;
}

// The parser steps over a whole UTF-8 sequence at its lead byte without looking at the
// bytes it skips. A lead byte whose sequence is cut short becomes '?', so every step
// stays inside the text. Well-formed UTF-8 is left as it is.
void RepairCutUtf8Sequences(std::string& bytes) {
  const std::size_t size = bytes.size();
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t step = Utf8StepOf(static_cast<unsigned char>(bytes[i]));
    if (step == 1) continue;
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

// Up to the first NUL, CR LF and lone CR made LF, as the library's file loading does.
std::string PrepareText(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size() + kParsePadding);
  for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
    if (bytes[i] == '\r') {
      text += '\n';
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      text += bytes[i];
    }
  }
  return text;
}

}  // namespace

std::string PrepareXmlText(const std::string& bytes) {
  std::string text = PrepareText(bytes);
  RepairCutUtf8Sequences(text);
  return text;
}

bool NestsDeeperThan(const std::string& text, std::size_t limit) {
  const std::optional<std::size_t> depth = MeasureXmlNesting(text, limit);
  return !depth || *depth > limit;
}

namespace {

// The library prints a declaration's values as they are, without escaping, so a value
// read with a quote or markup in it (through an entity, say) would be written as a file
// that no longer parses. Such a declaration becomes the one our programs write.
bool PrintsBackAsRead(const std::string& value) {
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E || c == '"' || c == '\'' || c == '&' || c == '<' || c == '>' || c == '?') {
      return false;
    }
  }
  return true;
}

void ReplaceUnprintableDeclarations(TiXmlDocument& document) {
  for (TiXmlNode* node = document.FirstChild(); node != nullptr; node = node->NextSibling()) {
    const TiXmlDeclaration* declaration = node->ToDeclaration();
    if (declaration == nullptr) continue;
    if (PrintsBackAsRead(declaration->Version()) && PrintsBackAsRead(declaration->Encoding()) &&
        PrintsBackAsRead(declaration->Standalone())) {
      continue;
    }
    node = document.ReplaceChild(node, TiXmlDeclaration("1.0", "UTF-8", ""));
    if (node == nullptr) return;
  }
}

}  // namespace

void ParseXmlBytes(TiXmlDocument& document, std::string bytes) {
  if (bytes.size() > kMaxXmlFileBytes) return;
  std::string text = PrepareXmlText(bytes);
  if (NestsDeeperThan(text, kMaxXmlDepth)) return;
  text.append(kParsePadding, '\0');
  document.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
  ReplaceUnprintableDeclarations(document);
}

namespace {

XmlLoadResult LoadWith(TiXmlDocument& document, const std::string& nativePath, std::string* error,
                       platform::LinkRule links) {
  const auto fail = [error](XmlLoadResult result, const std::string& why) {
    if (error != nullptr) *error = why;
    return result;
  };
  std::string bytes;
  std::string why;
  switch (platform::ReadWholeFileAtMost(nativePath, kMaxXmlFileBytes, links, bytes, why)) {
    case platform::FileReadResult::kWhole:
      break;
    case platform::FileReadResult::kMissing:
      return XmlLoadResult::kMissing;
    case platform::FileReadResult::kTooLarge:
      return fail(XmlLoadResult::kNoRoot, nativePath + ": too large to be one of our files");
    case platform::FileReadResult::kNotRegular:
    case platform::FileReadResult::kFailed:
      // A folder or a pipe at the path is no document, and does not block the caller.
      return fail(XmlLoadResult::kReadFailed, why);
  }
  ParseXmlBytes(document, std::move(bytes));
  if (document.RootElement() == nullptr) return fail(XmlLoadResult::kNoRoot, nativePath + ": no root element");
  return document.Error() ? XmlLoadResult::kDamaged : XmlLoadResult::kLoaded;
}

}  // namespace

XmlLoadResult LoadXmlFile(TiXmlDocument& document, const std::string& nativePath, std::string* error) {
  return LoadWith(document, nativePath, error, platform::LinkRule::kFollow);
}

XmlLoadResult LoadXmlFile(TiXmlDocument& document, const std::wstring& path, std::string* error) {
  return LoadXmlFile(document, platform::ToNativePathBytes(path), error);
}

std::string RenderXmlDocument(const TiXmlDocument& document) {
  // The library's own file printer gives the layout; only the line ends are ours.
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* stream = ::open_memstream(&buffer, &size);
  if (stream == nullptr) throw std::bad_alloc();
  document.SaveFile(stream);
  std::fclose(stream);
  const std::unique_ptr<char, void (*)(void*)> owner(buffer, &std::free);
  std::string bytes;
  bytes.reserve(size + size / 8 + 2);
  for (std::size_t i = 0; i < size; ++i) {
    if (buffer[i] == '\n') bytes += '\r';
    bytes += buffer[i];
  }
  return bytes;
}

bool SaveXmlFile(const TiXmlDocument& document, const std::string& nativePath, std::string& error) {
  return platform::ReplaceFileAtomically(nativePath, RenderXmlDocument(document), error);
}

bool GetElementText(const TiXmlElement* element, std::wstring& text) {
  text.clear();
  if (element == nullptr) return false;
  const TiXmlNode* first = element->FirstChild();
  const TiXmlText* node = first != nullptr ? first->ToText() : nullptr;
  if (node == nullptr) return false;
  text = ToWideString(std::string(node->Value()), kUtf8CodePageFlag);
  return true;
}

std::string ToXmlName(const wchar_t* name) { return ToMultiByteString(name, kUtf8CodePageFlag); }

XmlLoadResult LoadSharedXmlFile(TiXmlDocument& document, const std::string& nativePath, std::string* error) {
  return LoadWith(document, nativePath, error, platform::LinkRule::kRefuse);
}

XmlLoadResult LoadSharedXmlFile(TiXmlDocument& document, const std::wstring& path, std::string* error) {
  return LoadSharedXmlFile(document, platform::ToNativePathBytes(path), error);
}

bool SaveSharedXmlFile(const TiXmlDocument& document, const std::string& nativePath, std::string& error) {
  // A rename needs the folder; in someone else's folder only the file may be ours to
  // write, and it keeps its owner, group and permissions.
  if (platform::IsOwnFolder(boost::filesystem::path(nativePath).parent_path().string())) {
    return SaveXmlFile(document, nativePath, error);
  }
  return platform::RewriteFileInPlace(nativePath, RenderXmlDocument(document), error);
}

}  // namespace Velunor::Quillon::Common
