#pragma once
// A test fixture with its own machine root (so the data folder is a temporary one) and a
// pinned clock.
#include <gtest/gtest.h>

#include <string>

#include "platform/core/Clock.h"
#include "tests/TestSandbox.h"

namespace Velunor::Quillon::Ui {

class ModelSandbox : public ::testing::Test {
 protected:
  ModelSandbox() : root_("CORVANE_ROOT", folder_.str()) {}

  void SetUp() override { PinClock(2016, 3, 20, 10, 0, 0); }
  void TearDown() override { platform::Clock::Unpin(); }

  static void PinClock(int year, int month, int day, int hour, int minute, int second) {
    platform::Clock::Pin(platform::MakeLocalTime(year, month, day, hour, minute, second));
  }

  boost::filesystem::path DataFolder() const {
    return folder_.path() / "var" / "lib" / "Hoxa" / "Zembrolite";
  }
  void WriteDataFile(const std::string& name, const std::string& bytes) const {
    corvane_test::WriteFile(DataFolder() / name, bytes);
  }
  void CopyFixture(const std::string& fixture, const std::string& name) const {
    WriteDataFile(name, corvane_test::ReadFile(boost::filesystem::path(VIEWER_MODELS_FIXTURES) / fixture));
  }

 private:
  corvane_test::TempFolder folder_;
  corvane_test::ScopedEnv root_;
};

}  // namespace Velunor::Quillon::Ui
