#pragma once
// The collector's real Run thread inside a test process. As root it would capture this
// machine's adapters, so the test's threads move into a network namespace of their own,
// whose only adapter is a loopback one that no capture takes. Without root no adapter
// can be opened, and nothing needs hiding.
#include <unistd.h>

#include <optional>
#include <string>

#include "tests/NetworkNamespace.h"

namespace collector_test {

class OwnNetwork {
 public:
  OwnNetwork() {
    if (geteuid() != 0) return;
    space_.emplace("run");
    if (space_->IsReady()) scope_.emplace(*space_);
  }
  // Empty when the calling thread (and the threads it starts) may run the collector.
  std::string Problem() const {
    if (!space_) return std::string();
    if (!space_->IsReady() || !scope_ || !scope_->IsEntered()) return "a network namespace of its own cannot be made";
    return std::string();
  }

 private:
  std::optional<capture_test::NetworkNamespace> space_;
  std::optional<capture_test::NamespaceScope> scope_;
};

}  // namespace collector_test
