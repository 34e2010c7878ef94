#include "reckoner/PriceFiles.h"

#include <tinyxml.h>

#include "common/LogMessage.h"
#include "common/PathUtil.h"
#include "common/StringUtil.h"
#include "common/XmlFile.h"
#include "platform/core/NativePath.h"
#include "prices/LineFilePaths.h"
#include "prices/PriceFileFormat.h"
#include "prices/PriceLogic.h"
#include "prices/XmlReading.h"

namespace Velunor::Quillon::Reckoner {

namespace {

namespace Common = Velunor::Quillon::Common;
namespace Log = Velunor::Quillon::Common::Log;

constexpr wchar_t kCheckFunction[] = L"Velunor::Quillon::Reckoner::CPriceFiles::Check";
constexpr wchar_t kWriteFunction[] = L"Velunor::Quillon::Reckoner::CPriceFiles::WriteSelectedName";

std::wstring SelectPath() { return Common::ExpandPath(Ui::GetLineSelectFilePath()); }
std::wstring PricePath() { return Common::ExpandPath(Ui::GetLinePriceFilePath()); }

std::wstring Wide(const std::string& text) { return Common::ToWideString(text, Common::kUtf8CodePageFlag); }

}  // namespace

PriceFileState CPriceFiles::Check() {
  const std::wstring select = SelectPath();
  const std::wstring price = PricePath();
  if (!Ui::XmlFileExists(select) || !Ui::XmlFileExists(price)) {
    Log::WriteLog(kCheckFunction, __LINE__, L"price files missing", Log::kError);
    return PriceFileState::Missing;
  }
  // Only whole files pass: the viewer would price a file cut short from what was read.
  std::string error;
  TiXmlDocument selection;
  TiXmlDocument prices;
  if (Common::LoadSharedXmlFile(selection, select, &error) != Common::XmlLoadResult::kLoaded ||
      Common::LoadXmlFile(prices, price, &error) != Common::XmlLoadResult::kLoaded) {
    Log::WriteLog(kCheckFunction, __LINE__, L"price files unreadable: " + Wide(error), Log::kError);
    return PriceFileState::Unreadable;
  }
  Ui::CPriceLogic model;
  if (model.LoadLinePriceDocument(prices) != 1) {
    Log::WriteLog(kCheckFunction, __LINE__, L"price files unreadable: no price_logic in " + platform::ToNativePath(price),
                  Log::kError);
    return PriceFileState::Unreadable;
  }
  return PriceFileState::Ready;
}

bool CPriceFiles::ReadLines(std::vector<LineEntry>& lines) {
  lines.clear();
  Ui::CPriceLogic model;
  if (model.LoadLinePrice() != 1) return false;
  for (const auto& line : model.GetLines()) lines.push_back(LineEntry{line->GetName(), line->GetDescription(0)});
  return true;
}

std::wstring CPriceFiles::ReadSelectedName() {
  Ui::CPriceLogic model;
  model.LoadLineSelect();
  return model.GetSelectedLineName();
}

bool CPriceFiles::WriteSelectedName(const std::wstring& name) {
  const std::wstring select = SelectPath();
  const std::string path = platform::ToNativePathBytes(select);
  std::string error;
  TiXmlDocument document;
  const Common::XmlLoadResult loaded = Common::LoadSharedXmlFile(document, path, &error);
  if (loaded != Common::XmlLoadResult::kLoaded) {
    if (loaded != Common::XmlLoadResult::kMissing) {
      Log::WriteLog(kWriteFunction, __LINE__, L"written anew, the old file was unreadable: " + Wide(error), Log::kError);
    }
    document.Clear();
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    auto* root = new TiXmlElement(Common::ToXmlName(Ui::kLineSelectListElement));
    auto* version = new TiXmlElement(Common::ToXmlName(Ui::kLineSelectVersionElement));
    version->LinkEndChild(new TiXmlText("1"));
    root->LinkEndChild(version);
    document.LinkEndChild(root);
  }
  TiXmlElement* root = document.RootElement();
  TiXmlElement* entry = root->FirstChildElement(Common::ToXmlName(Ui::kLineSelectElement));
  if (entry == nullptr) {
    entry = new TiXmlElement(Common::ToXmlName(Ui::kLineSelectElement));
    root->LinkEndChild(entry);
  }
  // The viewer reads the first attribute, whatever its name.
  const std::string value = Common::ToMultiByteString(name, Common::kUtf8CodePageFlag);
  if (TiXmlAttribute* attribute = entry->FirstAttribute()) {
    attribute->SetValue(value.c_str());
  } else {
    entry->SetAttribute(Common::ToXmlName(Ui::kLineSelectNameElement).c_str(), value.c_str());
  }
  if (!Common::SaveSharedXmlFile(document, path, error)) {
    Log::WriteLog(kWriteFunction, __LINE__, L"cannot write the chosen line: " + Wide(error), Log::kError);
    return false;
  }
  return true;
}

}  // namespace Velunor::Quillon::Reckoner
