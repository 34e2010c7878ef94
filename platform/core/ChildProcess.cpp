#include "platform/core/ChildProcess.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cwctype>
#include <thread>

#include "platform/core/NativePath.h"
#include "platform/core/TextCodec.h"

extern char** environ;

namespace platform {

namespace {

bool IsFile(const std::string& path) {
  struct stat info;
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool EndsWithExe(const std::wstring& path) {
  if (path.size() < 4) return false;
  std::wstring tail = path.substr(path.size() - 4);
  for (wchar_t& c : tail) c = static_cast<wchar_t>(std::towlower(c));
  return tail == L".exe";
}

// The native file a program path names: as given, else without ".exe".
std::optional<std::string> ProgramFile(const std::wstring& path) {
  std::string native = ToNativePathBytes(path);
  if (IsFile(native)) return native;
  if (EndsWithExe(path)) {
    std::string bare = ToNativePathBytes(path.substr(0, path.size() - 4));
    if (IsFile(bare)) return bare;
  }
  return std::nullopt;
}

std::vector<std::wstring> SplitArguments(const std::wstring& text) {
  std::vector<std::wstring> arguments;
  std::wstring current;
  bool inQuotes = false;
  bool any = false;
  for (wchar_t c : text) {
    if (c == L'"') {
      inQuotes = !inQuotes;
      any = true;
    } else if ((c == L' ' || c == L'\t') && !inQuotes) {
      if (any) arguments.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) arguments.push_back(current);
  return arguments;
}

std::optional<int> Spawn(const std::vector<std::string>& argv, bool searchPath) {
  if (argv.empty()) return std::nullopt;
  std::vector<char*> pointers;
  for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Only the standard descriptors reach the child.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t pid = 0;
  int result = searchPath ? posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ)
                          : posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) return std::nullopt;
  return static_cast<int>(pid);
}

}  // namespace

std::uint32_t ExitCodeFromWaitStatus(int status) {
  if (WIFEXITED(status)) {
    int code = WEXITSTATUS(status);
    // main returning -1, -2 or -3 ends with 255, 254 or 253.
    if (code >= 253) return static_cast<std::uint32_t>(code - 256);
    return static_cast<std::uint32_t>(code);
  }
  if (WIFSIGNALED(status)) return static_cast<std::uint32_t>(128 + WTERMSIG(status));
  return 1;
}

std::optional<std::vector<std::string>> ResolveCommandLine(const std::wstring& commandLine) {
  std::wstring text = commandLine;
  std::size_t start = text.find_first_not_of(L" \t");
  if (start == std::wstring::npos) return std::nullopt;
  text = text.substr(start);
  std::wstring program;
  std::wstring rest;
  if (text[0] == L'"') {
    std::size_t close = text.find(L'"', 1);
    program = text.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    rest = close == std::wstring::npos ? std::wstring() : text.substr(close + 1);
  } else {
    // An unquoted path with blanks: the shortest prefix that names a file.
    std::size_t end = 0;
    program.clear();
    for (;;) {
      std::size_t blank = text.find(L' ', end);
      std::wstring candidate = text.substr(0, blank);
      if (ProgramFile(candidate)) {
        program = candidate;
        rest = blank == std::wstring::npos ? std::wstring() : text.substr(blank);
        break;
      }
      if (blank == std::wstring::npos) break;
      end = blank + 1;
    }
    if (program.empty()) return std::nullopt;
  }
  std::optional<std::string> file = ProgramFile(program);
  if (!file) return std::nullopt;
  std::vector<std::string> argv{*file};
  for (const std::wstring& argument : SplitArguments(rest)) argv.push_back(WideToLocale(argument));
  return argv;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(other.pid_), ended_(other.ended_), exitCode_(other.exitCode_) {
  other.pid_ = 0;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    this->~ChildProcess();
    pid_ = other.pid_;
    ended_ = other.ended_;
    exitCode_ = other.exitCode_;
    other.pid_ = 0;
  }
  return *this;
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !ended_) {
    int pid = pid_;
    std::thread([pid]() {
      int status = 0;
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  }
  pid_ = 0;
}

std::optional<ChildProcess> ChildProcess::Start(const std::wstring& commandLine) {
  std::optional<std::vector<std::string>> argv = ResolveCommandLine(commandLine);
  if (!argv) return std::nullopt;
  std::vector<std::string> arguments(argv->begin() + 1, argv->end());
  return Start(argv->front(), arguments);
}

std::optional<ChildProcess> ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::optional<int> pid = Spawn(argv, false);
  if (!pid) return std::nullopt;
  ChildProcess child;
  child.pid_ = *pid;
  return child;
}

bool ChildProcess::Wait(int timeoutMs) {
  if (ended_) return true;
  if (pid_ <= 0) return false;
  int status = 0;
  if (timeoutMs < 0) {
    pid_t result;
    while ((result = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    if (result != pid_) return false;
  } else {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      pid_t result = ::waitpid(pid_, &status, WNOHANG);
      if (result == pid_) break;
      if (result < 0 && errno != EINTR) return false;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  ended_ = true;
  exitCode_ = ExitCodeFromWaitStatus(status);
  return true;
}

std::wstring JoinArguments(int argc, char** argv) {
  std::wstring text;
  for (int i = 1; i < argc; ++i) {
    std::wstring argument = LocaleToWide(argv[i] != nullptr ? argv[i] : "");
    if (i > 1) text += L' ';
    if (argument.find(L' ') != std::wstring::npos) {
      text += L'"' + argument + L'"';
    } else {
      text += argument;
    }
  }
  return text;
}

namespace process_detail {

// Starts and forgets: a background thread reaps the child.
bool SpawnDetached(const std::vector<std::string>& argv, bool searchPath) {
  std::optional<int> pid = Spawn(argv, searchPath);
  if (!pid) return false;
  int child = *pid;
  std::thread([child]() {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

std::optional<std::string> ProgramFileOf(const std::wstring& path) { return ProgramFile(path); }

std::vector<std::wstring> SplitArgumentText(const std::wstring& text) { return SplitArguments(text); }

}  // namespace process_detail

}  // namespace platform
