#include "tray/StateFileXml.h"

#include <boost/lexical_cast.hpp>
#include <tinyxml.h>

#include "common/StringUtil.h"
#include "common/XmlFile.h"

namespace Velunor::Quillon::Resident {

void LoadStateFile(TiXmlDocument& document, const std::string& nativePath) {
  Common::LoadXmlFile(document, nativePath);
}

bool SaveStateFile(const TiXmlDocument& document, const std::string& nativePath) {
  std::string error;
  return Common::SaveXmlFile(document, nativePath, error);
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
