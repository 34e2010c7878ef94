#include "tray/VersionFile.h"

#include <exception>

#include <tinyxml.h>

#include "common/ConfigSettings.h"
#include "common/LogMessage.h"
#include "common/StringUtil.h"
#include "common/XmlFile.h"
#include "tray/GetHttpFile.h"

namespace Velunor::Quillon::Resident {

namespace {

const wchar_t kLoadFunction[] = L"Velunor::Quillon::Resident::CVersionFile::Load";

void LogDebug(int line, const std::wstring& message) {
  Common::Log::WriteLog(kLoadFunction, line, message, Common::Log::kDebug);
}

}  // namespace

int CVersionFile::Load() {
  try {
    std::wstring url = Common::GetVersionCheckUrl();
    LogDebug(__LINE__, L"Version Check Start url[" + url + L"]");
    CGetHttpFile http;
    if (http.GetFile(url) != 1) {
      LogDebug(__LINE__, L"Version Check access Failed");
      return 0;
    }
    return ParseVersionXml(http.GetBodyText());
  } catch (const std::exception&) {
    LogDebug(__LINE__, L"Version Check failed");
    return 0;
  }
}

int CVersionFile::ParseVersionXml(const std::wstring& body) {
  try {
    // The body comes from the network: the guarded parse refuses nesting deep enough to
    // exhaust the stack, and repairs cut UTF-8 sequences before the library sees them.
    TiXmlDocument document;
    Common::ParseXmlBytes(document, Common::ToMultiByteString(body, Common::kUtf8CodePageFlag));
    const TiXmlElement* root = document.RootElement();
    if (!root) {
      LogDebug(__LINE__, L"Version Check invlid root xml");
      return 0;
    }
    const TiXmlElement* version =
        root->FirstChildElement(Common::ToMultiByteString(kVersionFileVersionElement, Common::kUtf8CodePageFlag));
    if (!version) {
      LogDebug(__LINE__, L"Version Check invlid version element xml");
      return 0;
    }
    const char* text = version->GetText();
    if (m_version.Parse(Common::ToWideString(std::string(text ? text : ""), Common::kUtf8CodePageFlag)) != 1) {
      LogDebug(__LINE__, L"Version Check invlid version value xml");
      return 0;
    }
    LogDebug(__LINE__, L"Version Check successful");
    return 1;
  } catch (const std::exception&) {
    LogDebug(__LINE__, L"Version Check failed");
    return 0;
  }
}

}  // namespace Velunor::Quillon::Resident
