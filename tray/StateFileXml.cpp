#include "tray/StateFileXml.h"

#include <boost/lexical_cast.hpp>
#include <tinyxml.h>

#include "common/StringUtil.h"
#include "common/XmlFile.h"
#include "platform/core/DebugOutput.h"

namespace Velunor::Quillon::Resident {

void LoadStateFile(TiXmlDocument& document, const std::string& nativePath) {
  std::string error;
  if (Common::LoadSharedXmlFile(document, nativePath, &error) == Common::XmlLoadResult::kReadFailed) {
    platform::OutputDebugString(Common::ToWideString(error, Common::kUtf8CodePageFlag));
  }
}

bool SaveStateFile(const TiXmlDocument& document, const std::string& nativePath) {
  std::string error;
  if (Common::SaveSharedXmlFile(document, nativePath, error)) return true;
  platform::OutputDebugString(Common::ToWideString(error, Common::kUtf8CodePageFlag));
  return false;
}

bool ChildText(const TiXmlElement& parent, const wchar_t* name, std::wstring& text) {
  return Common::GetElementText(parent.FirstChildElement(Utf8Name(name)), text);
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

std::string Utf8Name(const wchar_t* name) { return Common::ToXmlName(name); }

}  // namespace Velunor::Quillon::Resident
