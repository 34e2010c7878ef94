#pragma once
// Starting other programs and waiting for them.
//
// A command line is one text as the programs build it: the program's path, then its
// arguments separated by blanks ("C:\...\Tool.exe -fd" style paths go through
// ToNativePath). An unquoted path with blanks is tried from the shortest prefix that
// names a file, as the classic process start does. A path ending in ".exe" that does
// not exist is taken without the suffix, so programs installed without it still start.
//
// Exit codes are 32-bit values: a program that returns -1, -2 or -3 from main ends with
// status 255, 254 or 253 here, which comes back as 0xFFFFFFFF, 0xFFFFFFFE and
// 0xFFFFFFFD; other statuses come back unchanged. A program killed by a signal ends
// with 128 + the signal number.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Does not wait: a child still running when its object goes is waited for by a
  // background thread so it never lingers as a zombie.
  ~ChildProcess();

  // What a start may ask beyond the program and its arguments. With a set-up or an
  // output file the child is forked and runs them before the exec; without, it is
  // made by posix_spawn.
  struct StartOptions {
    // A program named without a slash is looked for on PATH.
    bool searchPath = false;
    // NAME=value entries put into the child's environment, over any of the same name.
    std::vector<std::string> environment;
    // Standard output and error go to the end of this file (0644 when it is new); when
    // it cannot be opened they stay shared.
    std::string outputFile;
    // Runs in the child between fork and exec, after the output is redirected. Returns
    // 0, or an errno value with failure naming what it could not do; the start then
    // fails with "<failure>: <error text>".
    std::function<int(std::string& failure)> setUp;
  };
  // Why a start failed. childMade is false when no child could be made at all (no
  // process or pipe left), true when the child's set-up or its exec failed; either
  // way no child is left behind.
  struct StartFailure {
    bool childMade = false;
    std::string reason;
  };

  // Starts the command line with the environment of this process; standard input,
  // output and error are shared, no other descriptor is inherited.
  static std::optional<ChildProcess> Start(const std::wstring& commandLine);
  static std::optional<ChildProcess> Start(const std::string& program, const std::vector<std::string>& arguments);
  // The same with options; when it returns nothing, failure says why.
  static std::optional<ChildProcess> Start(const std::string& program, const std::vector<std::string>& arguments,
                                           const StartOptions& options, StartFailure& failure);

  std::uint32_t ProcessId() const { return static_cast<std::uint32_t>(pid_); }
  // Waits without a time limit (negative timeout) or up to timeoutMs; false on timeout.
  bool Wait(int timeoutMs = -1);
  // Valid after Wait returned true.
  std::uint32_t ExitCode() const { return exitCode_; }
  // The status as waitpid gave it, for callers that tell an exit from a signal; valid
  // after Wait returned true.
  int WaitStatus() const { return waitStatus_; }
  bool HasEnded() const { return ended_; }

 private:
  int pid_ = 0;
  bool ended_ = false;
  std::uint32_t exitCode_ = 0;
  int waitStatus_ = 0;
};

// Splits a command line into the native program path and its arguments (the rules
// above); empty when no program file is named.
std::optional<std::vector<std::string>> ResolveCommandLine(const std::wstring& commandLine);
// A wait status of waitpid as an exit code of the rules above.
std::uint32_t ExitCodeFromWaitStatus(int status);

// The argument text after the program name, as a program's entry gets it: the
// arguments joined by one blank, each holding a blank put in quotes.
std::wstring JoinArguments(int argc, char** argv);

}  // namespace platform
