#include "prices/LineFilePaths.h"

#include "common/PathUtil.h"

namespace Velunor::Quillon::Ui {

std::wstring GetLineSelectFilePath() {
  return Common::GetCommonAppDataFolder() + Common::kDataFolderName + L"\\" + kLineSelectFileName;
}

std::wstring GetLinePriceFilePath() {
  return Common::GetCommonAppDataFolder() + Common::kDataFolderName + L"\\" + kLinePriceFileName;
}

}  // namespace Velunor::Quillon::Ui
