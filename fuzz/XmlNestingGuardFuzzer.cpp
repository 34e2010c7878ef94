// The nesting guard against the library it guards: whatever the bytes, either the guard
// refuses them and nothing is parsed, or the library builds a document exactly as deep
// as the guard said, and never deeper than the loaders' limit.
#include <tinyxml.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "common/XmlFile.h"
#include "common/XmlNestingGuard.h"
#include "tests/common/XmlDepth.h"

namespace {

using namespace Velunor::Quillon::Common;

// A document too deep is left alone: freeing it recurses as deep as it nests.
[[noreturn]] void Fail(const char* what, std::size_t guard, std::size_t built) {
  std::fprintf(stderr, "%s (guard: %zu, built: %zu)\n", what, guard, built);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.size() > kMaxXmlFileBytes) return 0;
  const std::optional<std::size_t> measured = MeasureXmlNesting(PrepareXmlText(bytes), kMaxXmlDepth);
  auto* document = new TiXmlDocument;
  ParseXmlBytes(*document, bytes);
  const std::size_t built = corvane_test::DeepestElement(*document);
  const std::size_t guard = measured.value_or(0);
  if (built > kMaxXmlDepth) Fail("the library built a document deeper than the limit", guard, built);
  if (!measured || *measured > kMaxXmlDepth) {
    if (document->FirstChild() != nullptr) Fail("a refused text was parsed", guard, built);
  } else if (built != *measured) {
    Fail("the guard and the library disagree on the depth", guard, built);
  }
  delete document;
  return 0;
}
