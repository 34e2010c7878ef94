#pragma once
// The disk side of the summary file: reading it into a TinyXML document, and replacing it
// so that a crash or a reader at any moment finds either the old or the new file whole.
#include <string>

#include "common/XmlFile.h"

class TiXmlDocument;

namespace Velunor::Quillon {

class CSummaryFileStore {
 public:
  using LoadResult = Common::XmlLoadResult;

  explicit CSummaryFileStore(std::string path);

  const std::string& GetPath() const { return m_path; }

  LoadResult Load(TiXmlDocument& document, std::string& error) const;

  // Saves the document atomically (see Common::SaveXmlFile). With a non-empty keepReason
  // the old file is first kept as "<file>.<keepReason>-<yyyyMMddHHmmss>" (never
  // overwritten), and keptAs is that name. On failure the old file is left as it was and
  // error says why.
  bool Save(const TiXmlDocument& document, const std::string& keepReason, std::string& keptAs,
            std::string& error) const;

  // Removes temporary files of writes that never reached their rename.
  void RemoveLeftoverTemporaryFiles() const;

  static std::string Render(const TiXmlDocument& document) { return Common::RenderXmlDocument(document); }

 private:
  bool KeepOldFile(const std::string& reason, std::string& keptAs, std::string& error) const;

  std::string m_path;
};

}  // namespace Velunor::Quillon
