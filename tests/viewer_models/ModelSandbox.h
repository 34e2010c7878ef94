#pragma once
// The model tests' sandbox: the clock pinned to 20 March 2016, 10:00, and this folder's
// fixtures to place in the data folder.
#include <string>

#include "tests/TestSandbox.h"

namespace Velunor::Quillon::Ui {

class ModelSandbox : public corvane_test::SandboxedTest {
 protected:
  void SetUp() override { sandbox.PinClock(2016, 3, 20, 10, 0, 0); }

  void CopyFixture(const std::string& fixture, const std::string& name) const {
    sandbox.CopyToData(boost::filesystem::path(VIEWER_MODELS_FIXTURES) / fixture, name);
  }
};

}  // namespace Velunor::Quillon::Ui
