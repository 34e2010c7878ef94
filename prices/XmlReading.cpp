#include "prices/XmlReading.h"

#include <boost/filesystem.hpp>

#include "common/StringUtil.h"
#include "platform/core/DebugOutput.h"
#include "platform/core/NativePath.h"

namespace Velunor::Quillon::Ui {

namespace {

void ReportLoadFailure(Common::XmlLoadResult result, const std::string& error) {
  if (result == Common::XmlLoadResult::kReadFailed || result == Common::XmlLoadResult::kNoRoot) {
    platform::OutputDebugString(Common::ToWideString(error, Common::kUtf8CodePageFlag));
  }
}

}  // namespace

void LoadXmlFile(TiXmlDocument& document, const std::wstring& path) {
  std::string error;
  ReportLoadFailure(Common::LoadXmlFile(document, path, &error), error);
}

void LoadSharedXmlFile(TiXmlDocument& document, const std::wstring& path) {
  std::string error;
  ReportLoadFailure(Common::LoadSharedXmlFile(document, path, &error), error);
}

bool XmlFileExists(const std::wstring& path) {
  boost::system::error_code error;
  return boost::filesystem::exists(boost::filesystem::path(platform::ToNativePathBytes(path)),
                                   error);
}

void ReportToDebugOutput(const std::exception& error) {
  platform::OutputDebugString(
      Common::ToWideString(std::string(error.what()), Common::kUtf8CodePageFlag));
}

}  // namespace Velunor::Quillon::Ui
