#include "platform/core/ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <cwctype>
#include <thread>

#include "platform/core/AtomicFile.h"
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

std::string Failure(const std::string& what, int error) { return what + ": " + std::strerror(error); }

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (const std::string& text : texts) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// This process's environment with the entries given put in, replacing those of the same
// name.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& entries) {
  std::vector<std::string> environment;
  for (char** variable = environ; variable != nullptr && *variable != nullptr; ++variable) {
    const std::string text = *variable;
    const std::string prefix = text.substr(0, text.find('=') + 1);
    const bool replaced = std::any_of(entries.begin(), entries.end(), [&](const std::string& entry) {
      return entry.compare(0, prefix.size(), prefix) == 0;
    });
    if (!replaced) environment.push_back(text);
  }
  environment.insert(environment.end(), entries.begin(), entries.end());
  return environment;
}

void Reap(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

std::optional<int> Spawn(const std::vector<std::string>& argv, char** environment, bool searchPath,
                         ChildProcess::StartFailure& failure) {
  std::vector<char*> pointers = Pointers(argv);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Only the standard descriptors reach the child.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t pid = 0;
  int result = searchPath ? posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environment)
                          : posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environment);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) {
    failure = {true, Failure("cannot start " + argv[0], result)};
    return std::nullopt;
  }
  return static_cast<int>(pid);
}

[[noreturn]] void ReportAndEnd(int report, const std::string& text) {
  const ssize_t ignored = ::write(report, text.data(), text.size());
  (void)ignored;
  ::_exit(127);
}

// In the forked child: never returns. What stops it before the exec is written to the
// report pipe, which the exec closes unread.
[[noreturn]] void RunChild(char** argv, char** environment, const ChildProcess::StartOptions& options, int report) {
  if (!options.outputFile.empty()) {
    const int output = ::open(options.outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (output >= 0) {
      ::dup2(output, STDOUT_FILENO);
      ::dup2(output, STDERR_FILENO);
      if (output > STDERR_FILENO) ::close(output);
    }
  }
  // Only the standard descriptors reach the program; the report pipe stays open up to
  // the exec.
  ::close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC);
  if (options.setUp) {
    std::string step;
    const int error = options.setUp(step);
    if (error != 0) ReportAndEnd(report, Failure(step, error));
  }
  if (options.searchPath) {
    ::execvpe(argv[0], argv, environment);
  } else {
    ::execve(argv[0], argv, environment);
  }
  ReportAndEnd(report, Failure(std::string("cannot start ") + argv[0], errno));
}

std::optional<int> ForkAndExec(const std::vector<std::string>& argv, char** environment,
                               const ChildProcess::StartOptions& options, ChildProcess::StartFailure& failure) {
  std::vector<char*> pointers = Pointers(argv);
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    failure = {false, Failure("cannot make a pipe", errno)};
    return std::nullopt;
  }
  const pid_t pid = ::fork();
  if (pid < 0) {
    failure = {false, Failure("cannot fork", errno)};
    ::close(report[0]);
    ::close(report[1]);
    return std::nullopt;
  }
  if (pid == 0) {
    ::close(report[0]);
    RunChild(pointers.data(), environment, options, report[1]);
  }
  ::close(report[1]);
  const std::string stopped = ReadToEnd(report[0]);
  ::close(report[0]);
  if (!stopped.empty()) {
    Reap(pid);
    failure = {true, stopped};
    return std::nullopt;
  }
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
    : pid_(other.pid_), ended_(other.ended_), exitCode_(other.exitCode_), waitStatus_(other.waitStatus_) {
  other.pid_ = 0;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    this->~ChildProcess();
    pid_ = other.pid_;
    ended_ = other.ended_;
    exitCode_ = other.exitCode_;
    waitStatus_ = other.waitStatus_;
    other.pid_ = 0;
  }
  return *this;
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !ended_) {
    std::thread(Reap, pid_).detach();
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
  StartFailure failure;
  return Start(program, arguments, StartOptions(), failure);
}

std::optional<ChildProcess> ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                                                const StartOptions& options, StartFailure& failure) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> environment;
  std::vector<char*> environmentPointers;
  char** childEnvironment = environ;
  if (!options.environment.empty()) {
    environment = EnvironmentWith(options.environment);
    environmentPointers = Pointers(environment);
    childEnvironment = environmentPointers.data();
  }
  const bool forked = options.setUp || !options.outputFile.empty();
  std::optional<int> pid = forked ? ForkAndExec(argv, childEnvironment, options, failure)
                                  : Spawn(argv, childEnvironment, options.searchPath, failure);
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
  waitStatus_ = status;
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

// Starts and forgets: the child's object reaps it in the background as it goes.
bool SpawnDetached(const std::vector<std::string>& argv, bool searchPath) {
  ChildProcess::StartOptions options;
  options.searchPath = searchPath;
  ChildProcess::StartFailure failure;
  return ChildProcess::Start(argv.front(), std::vector<std::string>(argv.begin() + 1, argv.end()), options, failure)
      .has_value();
}

std::optional<std::string> ProgramFileOf(const std::wstring& path) { return ProgramFile(path); }

std::vector<std::wstring> SplitArgumentText(const std::wstring& text) { return SplitArguments(text); }

}  // namespace process_detail

}  // namespace platform
