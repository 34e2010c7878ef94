#pragma once
// Loading and saving the system's XML files with TinyXML, safely: the library's parser
// can step past the end of its text on a cut-short UTF-8 sequence and recurses once per
// nesting level, so every file is read into a buffer of ours, checked and repaired
// before the library sees it. Saving renders with CR LF line ends and replaces the file
// atomically.
#include <cstddef>
#include <string>

class TiXmlDocument;
class TiXmlElement;

namespace Velunor::Quillon::Common {

// Deeper nesting than any of our files has by far, and shallow enough that the
// library's recursive parser and destructor stay well inside a thread's stack.
inline constexpr std::size_t kMaxXmlDepth = 128;
// Far above the size any of our files reaches; a larger file is not read into memory.
inline constexpr std::size_t kMaxXmlFileBytes = 64u * 1024u * 1024u;

enum class XmlLoadResult {
  kMissing,     // no file at the path
  kReadFailed,  // there is something at the path, but its bytes could not be read
  kNoRoot,      // read, but no root element (empty, not XML, too large, too deep)
  kDamaged,     // a root element, but the parse stopped early; the tree holds what was read
  kLoaded,
};

// Parses the file at a Linux path into document as the library's own file loading
// would (text up to the first NUL, line ends made LF, encoding detected by the library).
// The file is read through platform::ReadWholeFileAtMost with kMaxXmlFileBytes as the
// cap, so a larger file (or one that grows past it while read) is kNoRoot without being
// read into memory. error (when given) says what went wrong for the first three results.
XmlLoadResult LoadXmlFile(TiXmlDocument& document, const std::string& nativePath, std::string* error = nullptr);
// The same for a Windows-form path of the programs.
XmlLoadResult LoadXmlFile(TiXmlDocument& document, const std::wstring& path, std::string* error = nullptr);
// The same for bytes already in memory (the fuzz targets feed these).
void ParseXmlBytes(TiXmlDocument& document, std::string bytes);

// The text the library is given for bytes: up to the first NUL, CR LF and lone CR made
// LF, and a UTF-8 lead byte whose sequence is cut short made '?'.
std::string PrepareXmlText(const std::string& bytes);

// True when the library would nest the elements of text (as PrepareXmlText gives it)
// deeper than limit, or when the text is one the guard does not follow
// (MeasureXmlNesting); what it passes is safe to hand to the library.
bool NestsDeeperThan(const std::string& text, std::size_t limit);

// The document as the library's file writer prints it (one node per line, four spaces
// per level, the text of an element on its start tag's line, a UTF-8 byte-order mark
// when one was read), with CR LF line ends.
std::string RenderXmlDocument(const TiXmlDocument& document);

// RenderXmlDocument, then platform::ReplaceFileAtomically. False (file untouched, error
// set) when it cannot be saved.
bool SaveXmlFile(const TiXmlDocument& document, const std::string& nativePath, std::string& error);

// The element's text (its first child when that is a text node) from UTF-8; false and
// empty text when there is none.
bool GetElementText(const TiXmlElement* element, std::wstring& text);

// A wide element or attribute name constant as the UTF-8 text the library works with.
std::string ToXmlName(const wchar_t* name);

// Files that several users write (lineselect.xml, sysinfo.xml) in a machine-wide folder
// that belongs to none of them, so they cannot be replaced by a rename there.
//
// LoadXmlFile without following a link. It takes no lock, so nobody who may only read
// the file can hold up its writers; a read that the file changed under is read again
// (platform::ReadWholeFileAtMost), so it is never half of a SaveSharedXmlFile. A file
// that keeps changing for the whole bound gives kReadFailed with the reason.
XmlLoadResult LoadSharedXmlFile(TiXmlDocument& document, const std::string& nativePath, std::string* error = nullptr);
XmlLoadResult LoadSharedXmlFile(TiXmlDocument& document, const std::wstring& path, std::string* error = nullptr);
// Where the folder belongs to this process's user, SaveXmlFile (atomic replacement);
// elsewhere the file is rewritten in place under an exclusive lock on its lock file
// beside it (platform::RewriteFileInPlace), keeping its owner, group and permissions.
// False (error set) when it cannot be saved.
bool SaveSharedXmlFile(const TiXmlDocument& document, const std::string& nativePath, std::string& error);

}  // namespace Velunor::Quillon::Common
