#pragma once
// A temporary folder per test that is removed afterwards, plus helpers to set the
// environment variables that steer machine-wide and per-user folders.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

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

}  // namespace corvane_test
