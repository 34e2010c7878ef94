#include "tray/SysInfoFile.h"

#include <cstdio>
#include <exception>

#include <boost/filesystem.hpp>
#include <tinyxml.h>

#include "common/PathUtil.h"
#include "common/StringUtil.h"
#include "platform/core/DebugOutput.h"
#include "platform/core/NativePath.h"
#include "tray/StateFileXml.h"

namespace Velunor::Quillon::Resident {

namespace {

void ReportException(const std::exception& exception) {
  platform::OutputDebugString(Common::ToWideString(std::string(exception.what()), Common::kUtf8CodePageFlag));
}

// Loads the file and returns its root, or nothing when the file or its root is missing.
TiXmlElement* LoadRoot(TiXmlDocument& document, const std::string& nativePath) {
  if (!boost::filesystem::exists(boost::filesystem::path(nativePath))) return nullptr;
  LoadStateFile(document, nativePath);
  return document.RootElement();
}

std::string NativePath(const std::wstring& filePath) {
  return platform::ToNativePathBytes(Common::ExpandPath(filePath));
}

}  // namespace

int CSysInfoFile::GetVersion(CVersionNumber& version) {
  try {
    TiXmlDocument document;
    const TiXmlElement* root = LoadRoot(document, NativePath(m_filePath));
    if (!root) return 0;
    std::wstring text;
    if (!ChildText(*root, kSysInfoVersionElement, text)) return 0;
    return version.Parse(text) == 1 ? 1 : 0;
  } catch (const std::exception& exception) {
    ReportException(exception);
    return 0;
  }
}

int CSysInfoFile::GetUpdateCheck(platform::DateTime& date, CVersionNumber& version) {
  try {
    TiXmlDocument document;
    const TiXmlElement* root = LoadRoot(document, NativePath(m_filePath));
    if (!root) return 0;
    const TiXmlElement* record = root->FirstChildElement(Utf8Name(kUpdateCheckElement));
    if (!record) return 0;
    std::wstring text;
    if (!ChildText(*record, kUpdateCheckDateElement, text) || text.size() != kUpdateCheckDateLength) return 0;
    if (!date.SetDate(ToInt32(text.substr(0, 4)), ToInt32(text.substr(4, 2)), ToInt32(text.substr(6, 2)))) return 0;
    if (!ChildText(*record, kUpdateCheckVersionElement, text)) return 0;
    return version.Parse(text) == 1 ? 1 : 0;
  } catch (const std::exception& exception) {
    ReportException(exception);
    return 0;
  }
}

int CSysInfoFile::SetUpdateCheck(const platform::DateTime& date, const CVersionNumber& version) {
  try {
    std::string nativePath = NativePath(m_filePath);
    TiXmlDocument document;
    TiXmlElement* root = LoadRoot(document, nativePath);
    if (!root) return 0;
    if (TiXmlElement* old = root->FirstChildElement(Utf8Name(kUpdateCheckElement))) root->RemoveChild(old);
    auto* record = new TiXmlElement(Utf8Name(kUpdateCheckElement));
    root->LinkEndChild(record);
    wchar_t dateText[32];
    std::swprintf(dateText, sizeof dateText / sizeof dateText[0], kUpdateCheckDateFormat, date.GetYear(),
                  date.GetMonth(), date.GetDay());
    AppendTextElement(*record, kUpdateCheckDateElement, dateText);
    AppendTextElement(*record, kUpdateCheckVersionElement, DottedVersionText(version));
    SaveStateFile(document, nativePath);
    return 1;
  } catch (const std::exception& exception) {
    ReportException(exception);
    return 0;
  }
}

}  // namespace Velunor::Quillon::Resident
