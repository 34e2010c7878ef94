#pragma once
// A temporary folder per test that is removed afterwards, plus helpers to set the
// environment variables that steer machine-wide and per-user folders.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

namespace corvane_test {

class TempFolder {
 public:
  TempFolder() {
    path_ = boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("corvane-test-%%%%-%%%%-%%%%");
    boost::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    boost::system::error_code error;
    boost::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const boost::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  boost::filesystem::path path_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, hadOld_ = true;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (hadOld_) setenv(name_.c_str(), old_.c_str(), 1);
    else unsetenv(name_.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_, old_;
  bool hadOld_ = false;
};

inline void WriteFile(const boost::filesystem::path& path, const std::string& bytes) {
  boost::filesystem::create_directories(path.parent_path());
  std::ofstream out(path.string(), std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string ReadFile(const boost::filesystem::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The file's lines without their line feeds; a last line without one is left out, as it
// may still be being written. No file gives no lines.
inline std::vector<std::string> ReadLines(const boost::filesystem::path& path) {
  std::vector<std::string> lines;
  const std::string text = boost::filesystem::exists(path) ? ReadFile(path) : std::string();
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// Every UTF-16 day log file in the folder as ASCII text (other characters become '?').
inline std::string ReadLogText(const boost::filesystem::path& folder) {
  std::string text;
  boost::system::error_code error;
  for (boost::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string bytes = ReadFile(entry->path());
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const unsigned unit = static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
      text += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
  }
  return text;
}

}  // namespace corvane_test
