#include "tests/TestSandbox.h"

#include <sys/stat.h>

#include "common/LogMessage.h"
#include "common/PathUtil.h"
#include "platform/core/NativePath.h"

namespace corvane_test {
namespace {

namespace fs = boost::filesystem;
namespace Common = Velunor::Quillon::Common;

constexpr int kProgramFilesFolder = 38;

// Makes the folder with the mode and its missing parents readable by every user, whatever
// the umask. Folders that exist keep their modes.
std::string Made(const fs::path& folder, mode_t mode) {
  std::vector<fs::path> missing;
  for (fs::path at = folder; !at.empty() && !fs::exists(at); at = at.parent_path()) missing.push_back(at);
  fs::create_directories(folder);
  for (const fs::path& made : missing) ::chmod(made.c_str(), made == folder ? mode : 0755);
  return folder.string();
}

std::string ReadableByAll(const fs::path& folder) {
  ::chmod(folder.c_str(), 0755);
  return folder.string();
}

std::string PathWithRecorders(const fs::path& bin) {
  const char* path = std::getenv("PATH");
  return Made(bin, 0755) + ":" + (path != nullptr ? path : "/usr/bin:/bin");
}

// A folder the programs name the Windows way, as the programs' own path function turns it
// into a Linux path.
fs::path ProgramsFolder(const std::wstring& folder) { return fs::path(platform::ToNativePathBytes(folder)); }

fs::path RecordFile(const fs::path& root, const std::string& program) {
  return root / ("recorded-" + program + ".txt");
}

}  // namespace

void WriteScript(const fs::path& path, const std::string& body) {
  WriteFile(path, "#!/bin/sh\n" + body);
  ::chmod(path.c_str(), 0755);
}

Sandbox::Sandbox()
    : machineRoot_("CORVANE_ROOT", ReadableByAll(root_.path())),
      home_("HOME", Made(Home(), 0755)),
      dataHome_("XDG_DATA_HOME", (Home() / ".local/share").string()),
      stateHome_("XDG_STATE_HOME", (Home() / ".local/state").string()),
      configHome_("XDG_CONFIG_HOME", (Home() / ".config").string()),
      cacheHome_("XDG_CACHE_HOME", (Home() / ".cache").string()),
      runtime_("XDG_RUNTIME_DIR", Made(RuntimeFolder(), 0700)),
      path_("PATH", PathWithRecorders(Root() / "bin")),
      dataFolder_(ProgramsFolder(Common::GetCommonAppDataFolder() + Common::kDataFolderName)),
      userDataFolder_(ProgramsFolder(Common::GetAppDataFolder() + Common::kDataFolderName)),
      installFolder_(ProgramsFolder(Common::GetSpecialFolder(kProgramFilesFolder) + L"\\" + Common::kDataFolderName)) {
  Common::Log::SetLogFolderKind(Common::Log::LogFolderKind::kNone);
  RecordOnPath("xdg-open");
}

Sandbox::~Sandbox() {
  if (clockPinned_) platform::Clock::Unpin();
}

void Sandbox::MakeFolder(const fs::path& folder) const { Made(folder, 0755); }

void Sandbox::WriteData(const std::string& name, const std::string& bytes) const {
  MakeFolder(DataFolder());
  WriteFile(DataFolder() / name, bytes);
  ::chmod((DataFolder() / name).c_str(), 0644);
}

void Sandbox::CopyToData(const fs::path& source, const std::string& name) const { WriteData(name, ReadFile(source)); }

void Sandbox::InstallDefaultPriceFiles() const {
  for (const char* name : {"lineselect.xml", "lineprice.xml"}) {
    CopyToData(fs::path(CORVANE_PACKAGING_DEFAULTS) / name, name);
  }
  // The lock file that writers of lineselect.xml take, which every desktop user may.
  WriteData("lineselect.xml.lock", "");
  ::chmod((DataFolder() / "lineselect.xml.lock").c_str(), 0666);
}

void Sandbox::RecordOnPath(const std::string& name) const {
  // One printf is one write, so lines of calls made side by side do not mix.
  WriteScript(Root() / "bin" / name, "printf '%s\\n' \"$*\" >> \"" + RecordFile(Root(), name).string() + "\"\n");
}

std::vector<std::string> Sandbox::Recorded(const std::string& name) const {
  return ReadLines(RecordFile(Root(), name));
}

void Sandbox::PinClock(int year, int month, int day, int hour, int minute, int second, int microsecond) {
  PinClock(platform::MakeLocalTime(year, month, day, hour, minute, second, microsecond));
}

void Sandbox::PinClock(const platform::LocalTime& time) {
  platform::Clock::Pin(time);
  clockPinned_ = true;
}

}  // namespace corvane_test
