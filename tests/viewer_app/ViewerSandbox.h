#pragma once
// What the viewer tests share: the sandbox with the viewer's fixtures, scripts, waiting
// helpers and an X server of the test's own for cross-process windows.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/ChildProcess.h"
#include "platform/core/Clock.h"
#include "tests/TestSandbox.h"
#include "tests/VirtualDisplay.h"

namespace viewer_test {

using corvane_test::ReadLines;
using corvane_test::ReadFile;
using corvane_test::ScopedEnv;
using corvane_test::TempFolder;
using corvane_test::WriteFile;
using corvane_test::WriteScript;
using corvane_test::FindOnPath;
using corvane_test::kNoXvfb;
using corvane_test::VirtualDisplay;
using corvane_test::WaitFor;
namespace fs = boost::filesystem;

// The common sandbox with this folder's fixtures and a line chosen in lineselect.xml.
class Sandbox : public corvane_test::Sandbox {
 public:
  void CopyFixture(const std::string& fixture, const std::string& name) const {
    CopyToData(fs::path(VIEWER_APP_FIXTURES) / fixture, name);
  }
  void SelectLine(const std::string& name) const {
    WriteData("lineselect.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<lineselect><version>1</version>"
                                "<lineselect name=\"" + name + "\" /></lineselect>\n");
  }
};

}  // namespace viewer_test
