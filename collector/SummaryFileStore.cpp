#include "collector/SummaryFileStore.h"

#include <cstdio>
#include <utility>

#include "platform/core/AtomicFile.h"
#include "platform/core/DateTime.h"

namespace Velunor::Quillon {
namespace {

std::string StampNow() {
  const platform::DateTime now = platform::DateTime::Now();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", now.GetYear(), now.GetMonth(), now.GetDay(),
                now.GetHour(), now.GetMinute(), now.GetSecond());
  return stamp;
}

}  // namespace

CSummaryFileStore::CSummaryFileStore(std::string path) : m_path(std::move(path)) {}

CSummaryFileStore::LoadResult CSummaryFileStore::Load(TiXmlDocument& document, std::string& error) const {
  return Common::LoadXmlFile(document, m_path, &error);
}

bool CSummaryFileStore::Save(const TiXmlDocument& document, const std::string& keepReason, std::string& keptAs,
                             std::string& error) const {
  const std::string bytes = Render(document);
  keptAs.clear();
  if (!keepReason.empty() && !KeepOldFile(keepReason, keptAs, error)) return false;
  return platform::ReplaceFileAtomically(m_path, bytes, error);
}

bool CSummaryFileStore::KeepOldFile(const std::string& reason, std::string& keptAs, std::string& error) const {
  const std::string base = m_path + "." + reason + "-" + StampNow();
  for (int serial = 0; serial < 1000; ++serial) {
    const std::string name = serial == 0 ? base : base + "-" + std::to_string(serial);
    bool nameTaken = false;
    if (platform::KeepFileAs(m_path, name, nameTaken, error)) {
      keptAs = name;
      return true;
    }
    if (!nameTaken) return false;
  }
  error = "no free name to keep " + m_path;
  return false;
}

void CSummaryFileStore::RemoveLeftoverTemporaryFiles() const { platform::RemoveLeftoverTemporaryFiles(m_path); }

}  // namespace Velunor::Quillon
