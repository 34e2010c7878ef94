#include "collector/SummaryFileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <tinyxml.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include <boost/filesystem.hpp>

#include "platform/core/DateTime.h"

namespace Velunor::Quillon {
namespace {

constexpr char kTemporaryInfix[] = ".tmp-";
constexpr std::size_t kParsePadding = 16;

std::string ErrorText(const std::string& what, int error) { return what + ": " + std::strerror(error); }

// Closes a descriptor on every way out.
class FileDescriptor {
 public:
  explicit FileDescriptor(int descriptor) : m_descriptor(descriptor) {}
  ~FileDescriptor() {
    if (m_descriptor >= 0) ::close(m_descriptor);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return m_descriptor; }
  // Closes now and tells whether the close reported an error.
  bool Close() {
    const int descriptor = std::exchange(m_descriptor, -1);
    return descriptor < 0 || ::close(descriptor) == 0;
  }

 private:
  int m_descriptor;
};

bool WriteAll(int descriptor, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// Makes a rename or link in the folder durable. Filesystems that cannot flush a folder
// keep the change anyway, so failures here are not errors of the save.
void FlushFolder(const std::string& folder) {
  FileDescriptor descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (descriptor.Get() >= 0) ::fsync(descriptor.Get());
}

// Creates a new file (never replacing one) holding the bytes, flushed to disk.
bool WriteNewFile(const std::string& path, const std::string& bytes, int& error) {
  FileDescriptor descriptor(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (descriptor.Get() < 0 || !WriteAll(descriptor.Get(), bytes) || ::fsync(descriptor.Get()) != 0 ||
      !descriptor.Close()) {
    error = errno;
    return false;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return false;
  char chunk[65536];
  std::size_t count = 0;
  while ((count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.append(chunk, count);
  return std::ferror(file.get()) == 0;
}

std::string StampNow() {
  const platform::DateTime now = platform::DateTime::Now();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", now.GetYear(), now.GetMonth(), now.GetDay(),
                now.GetHour(), now.GetMinute(), now.GetSecond());
  return stamp;
}

}  // namespace

CSummaryFileStore::CSummaryFileStore(std::string path) : m_path(std::move(path)) {}

std::string CSummaryFileStore::GetFolder() const {
  const std::string folder = boost::filesystem::path(m_path).parent_path().string();
  return folder.empty() ? std::string(".") : folder;
}

CSummaryFileStore::LoadResult CSummaryFileStore::Load(TiXmlDocument& document, std::string& error) const {
  boost::system::error_code code;
  const boost::filesystem::file_status status = boost::filesystem::status(m_path, code);
  if (status.type() == boost::filesystem::file_not_found) return LoadResult::kMissing;
  if (code) {
    error = m_path + ": " + code.message();
    return LoadResult::kReadFailed;
  }
  if (status.type() != boost::filesystem::regular_file) {
    error = m_path + ": not a regular file";
    return LoadResult::kReadFailed;
  }
  std::string bytes;
  if (!ReadWholeFile(m_path, bytes)) {
    if (errno == ENOENT) return LoadResult::kMissing;
    error = ErrorText(m_path, errno);
    return LoadResult::kReadFailed;
  }
  // The text as the library's own file loading prepares it (up to the first NUL, line
  // ends made LF), then NUL padding: the library's parser can step a few bytes past the
  // terminator after an incomplete multi-byte character, and must find NULs there
  // instead of whatever lies behind the buffer.
  std::string text;
  text.reserve(bytes.size() + kParsePadding);
  for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
    if (bytes[i] == '\r') {
      text += '\n';
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      text += bytes[i];
    }
  }
  text.append(kParsePadding, '\0');
  document.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
  if (!document.RootElement()) return LoadResult::kNoRoot;
  return document.Error() ? LoadResult::kDamaged : LoadResult::kLoaded;
}

std::string CSummaryFileStore::Render(const TiXmlDocument& document) {
  // The library's own file printer gives the layout; only the line ends are ours.
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* stream = ::open_memstream(&buffer, &size);
  if (!stream) throw std::bad_alloc();
  document.SaveFile(stream);
  std::fclose(stream);
  const std::unique_ptr<char, void (*)(void*)> owner(buffer, &std::free);

  std::string bytes;
  bytes.reserve(size + size / 8 + 2);
  for (std::size_t i = 0; i < size; ++i) {
    if (buffer[i] == '\n') bytes += '\r';
    bytes += buffer[i];
  }
  return bytes;
}

std::string CSummaryFileStore::TemporaryPrefix() const { return m_path + kTemporaryInfix; }

bool CSummaryFileStore::Save(const TiXmlDocument& document, const std::string& keepReason,
                             std::string& error) const {
  static std::atomic<unsigned> s_serial{0};
  const std::string bytes = Render(document);

  std::string temporary;
  int created = -1;
  for (int attempt = 0; attempt < 100 && created < 0; ++attempt) {
    temporary = TemporaryPrefix() + std::to_string(::getpid()) + "-" + std::to_string(s_serial++);
    created = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (created < 0 && errno != EEXIST) {
      error = ErrorText("cannot create " + temporary, errno);
      return false;
    }
  }
  if (created < 0) {
    error = "no free temporary name beside " + m_path;
    return false;
  }
  FileDescriptor descriptor(created);
  // The new file gets the old one's permissions, so readers keep their access.
  struct stat old {};
  if (::stat(m_path.c_str(), &old) == 0) ::fchmod(descriptor.Get(), old.st_mode & 07777);

  const auto fail = [&](const std::string& what, int code) {
    ::unlink(temporary.c_str());
    error = ErrorText(what, code);
    return false;
  };
  if (!WriteAll(descriptor.Get(), bytes)) return fail("cannot write " + temporary, errno);
  if (::fsync(descriptor.Get()) != 0) return fail("cannot flush " + temporary, errno);
  if (!descriptor.Close()) return fail("cannot close " + temporary, errno);

  if (!keepReason.empty() && !KeepOldFile(keepReason, error)) {
    ::unlink(temporary.c_str());
    return false;
  }
  if (::rename(temporary.c_str(), m_path.c_str()) != 0) return fail("cannot rename " + temporary, errno);
  FlushFolder(GetFolder());
  return true;
}

bool CSummaryFileStore::KeepOldFile(const std::string& reason, std::string& error) const {
  const std::string base = m_path + "." + reason + "-" + StampNow();
  std::string oldBytes;
  bool haveBytes = false;
  for (int serial = 0; serial < 1000; ++serial) {
    const std::string name = serial == 0 ? base : base + "-" + std::to_string(serial);
    // A hard link keeps the old file's bytes without copying them; the rename that
    // follows then only takes the name away from them.
    if (::link(m_path.c_str(), name.c_str()) == 0) {
      FlushFolder(GetFolder());
      return true;
    }
    if (errno == EEXIST) continue;
    if (errno == ENOENT) return true;  // gone meanwhile: nothing to keep
    // A filesystem without hard links: copy instead.
    if (!haveBytes) {
      if (!ReadWholeFile(m_path, oldBytes)) {
        error = ErrorText("cannot read " + m_path + " to keep it", errno);
        return false;
      }
      haveBytes = true;
    }
    int code = 0;
    if (WriteNewFile(name, oldBytes, code)) {
      FlushFolder(GetFolder());
      return true;
    }
    if (code == EEXIST) continue;
    error = ErrorText("cannot keep " + m_path + " as " + name, code);
    return false;
  }
  error = "no free name to keep " + m_path;
  return false;
}

void CSummaryFileStore::RemoveLeftoverTemporaryFiles() const {
  const std::string prefix = boost::filesystem::path(TemporaryPrefix()).filename().string();
  boost::system::error_code code;
  for (boost::filesystem::directory_iterator entry(GetFolder(), code), end; !code && entry != end;
       entry.increment(code)) {
    const std::string name = entry->path().filename().string();
    if (name.compare(0, prefix.size(), prefix) == 0) {
      boost::system::error_code ignored;
      boost::filesystem::remove(entry->path(), ignored);
    }
  }
}

}  // namespace Velunor::Quillon
