// The viewer's window: from the program's start to its first painted window (a real
// process with CorvaneReckoner's check, drawn off screen), and one full paint of the
// window in this process.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/filesystem.hpp>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/core/Clock.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/windows/MessageLoop.h"
#include "resources/viewer/ViewerResources.h"
#include "viewer/MainWnd.h"

extern char** environ;

namespace {

namespace fs = boost::filesystem;

void CopyFile(const fs::path& from, const fs::path& to) {
  fs::create_directories(to.parent_path());
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// A machine root with the installed programs and files, as the installation leaves it.
struct Machine {
  fs::path root = fs::temp_directory_path() / fs::unique_path("corvane-bench-%%%%-%%%%");
  Machine() {
    fs::path data = root / "var/lib/Hoxa/Zembrolite";
    fs::path programs = root / "opt/Hoxa/Zembrolite";
    CopyFile(fs::path(VIEWER_APP_FIXTURES) / "summary_in_progress.xml", data / "summarydata.xml");
    CopyFile(fs::path(PACKAGING_DEFAULTS) / "lineselect.xml", data / "lineselect.xml");
    CopyFile(fs::path(PACKAGING_DEFAULTS) / "lineprice.xml", data / "lineprice.xml");
    CopyFile(CORVANE_VIEWER_PATH, programs / "CorvaneViewer");
    CopyFile(CORVANE_RECKONER_PATH, programs / "CorvaneReckoner");
    // The viewer notes its first paint as a debug line; the benchmark reads it.
    std::ofstream(programs / "config.ini") << "[Config]\nLogLevel=4\n";
    fs::create_directories(root / "run");
    ::chmod((root / "run").c_str(), 0700);
    setenv("CORVANE_ROOT", root.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (root / "run").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  ~Machine() {
    boost::system::error_code error;
    fs::remove_all(root, error);
  }
  fs::path Viewer() const { return root / "opt/Hoxa/Zembrolite/CorvaneViewer"; }
};

// Starts the viewer with its debug output on a pipe and waits for the first paint's line.
bool StartUntilPainted(const Machine& machine) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  std::string program = machine.Viewer().string();
  char* argv[] = {program.data(), nullptr};
  setenv("CORVANE_DEBUG_OUTPUT", "1", 1);
  pid_t child = 0;
  int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv, environ);
  unsetenv("CORVANE_DEBUG_OUTPUT");
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  bool painted = false;
  if (spawned == 0) {
    std::string seen;
    char buffer[4096];
    ssize_t count = 0;
    while (!painted && (count = ::read(pipeEnds[0], buffer, sizeof(buffer))) > 0) {
      seen.append(buffer, static_cast<std::size_t>(count));
      painted = seen.find("first paint") != std::string::npos;
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
  }
  ::close(pipeEnds[0]);
  return painted;
}

void BM_StartToFirstPaint(benchmark::State& state) {
  Machine machine;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (!StartUntilPainted(machine)) {
      state.SkipWithError("the viewer did not paint");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}
BENCHMARK(BM_StartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The window of the month in progress, open in this process.
struct OpenWindow {
  Machine machine;
  platform::MessageLoop loop;
  std::unique_ptr<Velunor::Quillon::Ui::CMainWnd> window;
  OpenWindow() {
    platform::Clock::Pin(platform::MakeLocalTime(2016, 3, 20, 10));
    window = std::make_unique<Velunor::Quillon::Ui::CMainWnd>(0);
    window->Create(Velunor::Quillon::Ui::GetViewerResources(), Velunor::Quillon::Ui::kMainDialogId);
    for (int i = 0; i < 4; ++i) platform::ProcessPendingMessages();
  }
  ~OpenWindow() {
    window.reset();
    platform::Clock::Unpin();
  }
};

// Invalidate and update: WM_PAINT, the memory bitmap, the copy to the window.
void BM_FullPaint(benchmark::State& state) {
  OpenWindow open;
  platform::UiWindow handle = open.window->Handle();
  for (auto _ : state) {
    platform::InvalidateRect(handle, nullptr, false);
    platform::UpdateWindow(handle);
  }
}
BENCHMARK(BM_FullPaint)->Unit(benchmark::kMicrosecond);

// Only the drawing of the whole client area into a memory bitmap.
void BM_DrawContents(benchmark::State& state) {
  OpenWindow open;
  platform::DcHandle memory = platform::CreateCompatibleDC(nullptr);
  platform::GdiObjectHandle bitmap = platform::CreateCompatibleBitmap(memory, 500, 520);
  platform::GdiObjectHandle old = platform::SelectObject(memory, bitmap);
  for (auto _ : state) open.window->DrawContents(memory);
  platform::SelectObject(memory, old);
  platform::DeleteObject(bitmap);
  platform::DeleteDC(memory);
}
BENCHMARK(BM_DrawContents)->Unit(benchmark::kMicrosecond);

}  // namespace
