#pragma once
// Reading helpers shared by the viewer's XML readers (summary file and price files).
#include <cstddef>
#include <exception>
#include <string>

class TiXmlDocument;
class TiXmlElement;

namespace Velunor::Quillon::Ui {

// Deeper nesting than any of our files has by far, and shallow enough that TinyXML's
// recursive parser and destructor stay well inside the thread's stack.
inline constexpr std::size_t kMaxXmlDepth = 128;
// Far above the size any of our files reaches; a larger file is not read into memory.
inline constexpr std::size_t kMaxXmlFileBytes = 64u * 1024u * 1024u;

// True when a file exists at the Windows-form path.
bool XmlFileExists(const std::wstring& path);

// Parses the file at the Windows-form path into document the way TinyXML's LoadFile
// does (line ends normalised, encoding detected by the library). A file that cannot be
// read, is larger than kMaxXmlFileBytes or nests elements deeper than kMaxXmlDepth
// leaves the document without a root element; the reason goes to the debugger output.
// A UTF-8 sequence cut short (which would make TinyXML read past the text) has its lead
// byte replaced by '?' first.
void LoadXmlFile(TiXmlDocument& document, const std::wstring& path);
// The same for bytes already in memory (the fuzz targets feed these).
void ParseXmlBytes(TiXmlDocument& document, std::string bytes);

// True when the elements of text nest deeper than limit. Errs on the deep side for
// malformed text, so anything it passes is safe to hand to TinyXML.
bool NestsDeeperThan(const std::string& text, std::size_t limit);

// The element's text: its first child when that is a text node, from UTF-8. False
// (and text left empty) when the element has no text.
bool GetElementText(const TiXmlElement* element, std::wstring& text);

// The length of text counted in UTF-16 units, the unit every length rule of our files
// is given in.
std::size_t Utf16Length(const std::wstring& text);

// The exception's message, from UTF-8, to the debugger output without a line break.
void ReportToDebugOutput(const std::exception& error);

// An element or attribute name constant in UTF-8 for the XML library.
std::string ToXmlName(const wchar_t* name);

}  // namespace Velunor::Quillon::Ui
