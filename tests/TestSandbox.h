#pragma once
// Every test's own machine (Sandbox, SandboxedTest), and the small pieces it is made of:
// temporary folders, environment variables set for a scope, whole-file reads and writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

#include "platform/core/Clock.h"

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

// Writes an executable shell script.
void WriteScript(const boost::filesystem::path& path, const std::string& body);

// A machine of the test's own below a temporary root, removed with the object:
//   CORVANE_ROOT    the root, so machine-wide folders (data folder, installation, /run)
//                   lie below it
//   HOME, XDG_*     root/home and the XDG base folders below it; XDG_RUNTIME_DIR is
//                   root/run/user, closed to others as a session's runtime folder is
//   PATH            root/bin first, where programs the code starts only record how they
//                   were started (xdg-open from the outset)
//   the clock       pinned by PinClock, unpinned again when the sandbox goes
// Folders the sandbox makes are readable by every user, so code that a test runs as
// another user reaches them whatever the umask; nothing else of the machine is needed.
// The data folder is not made until something is written there. Log lines of the code
// in this process reach the debugger output only, from the first sandbox on: the log
// writer keeps the first folder it writes to for the life of the process, which would
// outlive the sandbox and be made again after it has gone.
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const boost::filesystem::path& Root() const { return root_.path(); }
  boost::filesystem::path Home() const { return Root() / "home"; }
  boost::filesystem::path RuntimeFolder() const { return Root() / "run" / "user"; }
  // The programs' machine-wide data folder and a desktop user's own one, as the
  // programs' path functions give them.
  const boost::filesystem::path& DataFolder() const { return dataFolder_; }
  const boost::filesystem::path& UserDataFolder() const { return userDataFolder_; }
  // Where the installation puts the programs and config.ini.
  const boost::filesystem::path& InstallFolder() const { return installFolder_; }

  // Makes the folder and its missing parents below the root, readable by every user.
  void MakeFolder(const boost::filesystem::path& folder) const;
  // Writes a file of the data folder (readable by every user), making the folder first.
  void WriteData(const std::string& name, const std::string& bytes) const;
  void CopyToData(const boost::filesystem::path& source, const std::string& name) const;
  // lineselect.xml, its writers' lock file and lineprice.xml as the installation places
  // them.
  void InstallDefaultPriceFiles() const;

  // Puts a program on PATH that only appends its arguments, as one line, to Recorded(name).
  void RecordOnPath(const std::string& name) const;
  std::vector<std::string> Recorded(const std::string& name) const;
  // What xdg-open was asked to open so far.
  std::vector<std::string> Opened() const { return Recorded("xdg-open"); }

  void PinClock(int year, int month, int day, int hour = 10, int minute = 0, int second = 0, int microsecond = 0);
  void PinClock(const platform::LocalTime& time);

 private:
  TempFolder root_;
  ScopedEnv machineRoot_;
  ScopedEnv home_;
  ScopedEnv dataHome_;
  ScopedEnv stateHome_;
  ScopedEnv configHome_;
  ScopedEnv cacheHome_;
  ScopedEnv runtime_;
  ScopedEnv path_;
  boost::filesystem::path dataFolder_;
  boost::filesystem::path userDataFolder_;
  boost::filesystem::path installFolder_;
  bool clockPinned_ = false;
};

// A test with a sandbox of its own.
class SandboxedTest : public ::testing::Test {
 protected:
  Sandbox sandbox;
};

}  // namespace corvane_test
