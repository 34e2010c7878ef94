#pragma once
// The disk side of the summary file: reading it into a TinyXML document, and replacing it
// so that a crash or a reader at any moment finds either the old or the new file whole.
#include <string>

class TiXmlDocument;

namespace Velunor::Quillon {

class CSummaryFileStore {
 public:
  enum class LoadResult {
    kMissing,     // no file at the path
    kReadFailed,  // the file is there but its bytes could not be read (error says why)
    kNoRoot,      // read, but it holds no root element
    kDamaged,     // a root element, but the parse stopped early; the tree holds what was read
    kLoaded,
  };

  explicit CSummaryFileStore(std::string path);

  const std::string& GetPath() const { return m_path; }
  std::string GetFolder() const;

  LoadResult Load(TiXmlDocument& document, std::string& error) const;

  // Writes the document to a temporary file in the same folder, flushes it to disk and
  // renames it over the file, then flushes the folder. With a non-empty keepReason the old
  // file is first kept as "<file>.<keepReason>-<yyyyMMddHHmmss>" (never overwritten).
  // On failure the old file is left as it was and error says why.
  bool Save(const TiXmlDocument& document, const std::string& keepReason, std::string& error) const;

  // Removes temporary files of writes that never reached their rename.
  void RemoveLeftoverTemporaryFiles() const;

  // The saved bytes of a document: one node per line, four spaces per level, the text of
  // a mixed element on its start tag's line, and CR LF line ends.
  static std::string Render(const TiXmlDocument& document);

 private:
  bool KeepOldFile(const std::string& reason, std::string& error) const;
  std::string TemporaryPrefix() const;

  std::string m_path;
};

}  // namespace Velunor::Quillon
