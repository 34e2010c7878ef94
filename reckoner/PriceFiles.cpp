#include "reckoner/PriceFiles.h"

#include <tinyxml.h>

#include <boost/filesystem.hpp>

#include <fstream>

#include "common/Constants.h"
#include "common/LogMessage.h"
#include "common/PathUtil.h"
#include "platform/core/NativePath.h"
#include "platform/core/TextCodec.h"
#include "viewer/LineFilePaths.h"

namespace Velunor::Quillon::Reckoner {

namespace {

namespace Common = Velunor::Quillon::Common;
namespace Log = Velunor::Quillon::Common::Log;

std::string NativePath(const std::wstring& path) { return platform::ToNativePathBytes(Common::ExpandPath(path)); }

std::string SelectPath() { return NativePath(Ui::GetLineSelectFilePath()); }
std::string PricePath() { return NativePath(Ui::GetLinePriceFilePath()); }

bool Exists(const std::string& path) {
  boost::system::error_code error;
  return boost::filesystem::is_regular_file(path, error);
}

std::string Utf8(const wchar_t* name) { return platform::WideToUtf8(name); }

bool LoadDocument(const std::string& path, TiXmlDocument& document) {
  return document.LoadFile(path.c_str()) && document.RootElement() != nullptr;
}

TiXmlElement* PriceLogicOf(TiXmlDocument& document) {
  TiXmlElement* root = document.RootElement();
  return root != nullptr ? root->FirstChildElement(Utf8(Common::kPriceLogicElement).c_str()) : nullptr;
}

std::wstring TextOf(const TiXmlElement* element) {
  if (element == nullptr) return std::wstring();
  const char* text = element->GetText();
  return text != nullptr ? platform::Utf8ToWide(text) : std::wstring();
}

}  // namespace

PriceFileState CPriceFiles::Check() {
  std::string select = SelectPath();
  std::string price = PricePath();
  if (!Exists(select) || !Exists(price)) {
    Log::WriteLog(L"Velunor::Quillon::Reckoner::CPriceFiles::Check", __LINE__, L"price files missing", Log::kError);
    return PriceFileState::Missing;
  }
  TiXmlDocument selectDocument;
  TiXmlDocument priceDocument;
  if (!LoadDocument(select, selectDocument) || !LoadDocument(price, priceDocument) ||
      PriceLogicOf(priceDocument) == nullptr) {
    Log::WriteLog(L"Velunor::Quillon::Reckoner::CPriceFiles::Check", __LINE__, L"price files unreadable", Log::kError);
    return PriceFileState::Unreadable;
  }
  return PriceFileState::Ready;
}

bool CPriceFiles::ReadLines(std::vector<LineEntry>& lines) {
  lines.clear();
  TiXmlDocument document;
  if (!LoadDocument(PricePath(), document)) return false;
  TiXmlElement* priceLogic = PriceLogicOf(document);
  if (priceLogic == nullptr) return false;
  const std::string entryName = Utf8(Common::kLineSelectElement);
  for (TiXmlElement* entry = priceLogic->FirstChildElement(entryName.c_str()); entry != nullptr;
       entry = entry->NextSiblingElement(entryName.c_str())) {
    const TiXmlAttribute* attribute = entry->FirstAttribute();
    if (attribute == nullptr) continue;
    std::wstring name = platform::Utf8ToWide(attribute->Value());
    if (name.size() < 2) continue;
    lines.push_back(LineEntry{name, TextOf(entry->FirstChildElement(Utf8(Common::kDescription1Element).c_str()))});
  }
  return true;
}

std::wstring CPriceFiles::ReadSelectedName() {
  TiXmlDocument document;
  if (!LoadDocument(SelectPath(), document)) return std::wstring();
  const TiXmlElement* select = document.RootElement()->FirstChildElement(Utf8(Common::kLineSelectListElement).c_str());
  const TiXmlAttribute* attribute = select != nullptr ? select->FirstAttribute() : nullptr;
  return attribute != nullptr ? platform::Utf8ToWide(attribute->Value()) : std::wstring();
}

bool CPriceFiles::WriteSelectedName(const std::wstring& name) {
  std::string path = SelectPath();
  TiXmlDocument document;
  if (!LoadDocument(path, document)) {
    document.Clear();
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    auto* root = new TiXmlElement(Utf8(Common::kLineSelectListElement).c_str());
    auto* version = new TiXmlElement(Utf8(Common::kLineSelectVersionElement).c_str());
    version->LinkEndChild(new TiXmlText("1"));
    root->LinkEndChild(version);
    document.LinkEndChild(root);
  }
  TiXmlElement* root = document.RootElement();
  TiXmlElement* select = root->FirstChildElement(Utf8(Common::kLineSelectListElement).c_str());
  if (select == nullptr) {
    select = new TiXmlElement(Utf8(Common::kLineSelectListElement).c_str());
    root->LinkEndChild(select);
  }
  std::string value = platform::WideToUtf8(name);
  if (TiXmlAttribute* attribute = select->FirstAttribute()) {
    attribute->SetValue(value.c_str());
  } else {
    select->SetAttribute(Utf8(Common::kLineSelectNameElement).c_str(), value.c_str());
  }
  TiXmlPrinter printer;
  printer.SetIndent("    ");
  document.Accept(&printer);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << printer.Str();
  out.close();
  if (!out) {
    Log::WriteLog(L"Velunor::Quillon::Reckoner::CPriceFiles::WriteSelectedName", __LINE__,
                  L"cannot write " + platform::LocaleToWide(path), Log::kError);
    return false;
  }
  return true;
}

}  // namespace Velunor::Quillon::Reckoner
