#pragma once
// Reading helpers of the viewer's XML readers: the price files here and the summary file
// (viewer/SummaryReading.h); what cannot be read goes to the debugger output.
#include <exception>
#include <string>

#include "common/XmlFile.h"

namespace Velunor::Quillon::Ui {

// The safe loader and element helpers are the foundation's.
using Common::GetElementText;
using Common::kMaxXmlDepth;
using Common::kMaxXmlFileBytes;
using Common::ParseXmlBytes;
using Common::ToXmlName;

// Parses the file at the Windows-form path into document (see Common::LoadXmlFile); a
// file that cannot be read leaves the document without a root element.
void LoadXmlFile(TiXmlDocument& document, const std::wstring& path);
// The same for a file that users rewrite in place (lineselect.xml): read again when it
// changed under the read, so never half written (see Common::LoadSharedXmlFile).
void LoadSharedXmlFile(TiXmlDocument& document, const std::wstring& path);

// True when a file exists at the Windows-form path.
bool XmlFileExists(const std::wstring& path);

// The exception's message, from UTF-8, to the debugger output without a line break.
void ReportToDebugOutput(const std::exception& error);

}  // namespace Velunor::Quillon::Ui
