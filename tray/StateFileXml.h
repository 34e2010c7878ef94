#pragma once
// What the two state files (userinfo.xml, sysinfo.xml) share: loading, saving in the
// layout of a text-mode file writer, and reading element texts and numbers.
#include <string>

#include "tray/VersionNumber.h"

class TiXmlDocument;
class TiXmlElement;

namespace Velunor::Quillon::Resident {

// Loads the file into document when it is a regular file, as files that several users
// write are read (sysinfo.xml: never half of a rewrite). A parse failure is not
// reported: whatever the library kept of the document stays in it; a file that cannot
// be read (one that kept changing while read) goes to the debugger output.
void LoadStateFile(TiXmlDocument& document, const std::string& nativePath);

// Writes the document as the library's file writer does on a text-mode stream (every
// line break CR LF), with a UTF-8 byte-order mark when the document was read with one.
// The text is complete before the file is opened. In a folder of the user's own the
// file is replaced atomically; in the machine-wide folder, which belongs to the service,
// it is rewritten in place under a lock (Common::SaveSharedXmlFile). False, with the
// reason on the debugger output, when the file cannot be written.
bool SaveStateFile(const TiXmlDocument& document, const std::string& nativePath);

// The text of the first child element named name (a wide constant), decoded from UTF-8;
// false when there is no such child or it has no text.
bool ChildText(const TiXmlElement& parent, const wchar_t* name, std::wstring& text);

// Appends a child element named name (a wide constant) holding text.
void AppendTextElement(TiXmlElement& parent, const wchar_t* name, const std::wstring& text);

// The three parts joined by dots, major first.
std::wstring DottedVersionText(const CVersionNumber& version);

// The whole text as a signed 32-bit decimal number (optional sign, digits only);
// throws boost::bad_lexical_cast, a std::exception, for anything else.
int ToInt32(const std::wstring& text);

// A wide constant as the UTF-8 text the XML library works with.
std::string Utf8Name(const wchar_t* name);

}  // namespace Velunor::Quillon::Resident
