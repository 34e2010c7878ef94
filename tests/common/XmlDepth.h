#pragma once
// How deep the elements of a parsed document nest, walked with a stack of our own: the
// library's own walks recurse, and a document that came out too deep must be reported,
// not end the test.
#include <tinyxml.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace corvane_test {

inline std::size_t DeepestElement(const TiXmlNode& document) {
  std::size_t deepest = 0;
  std::vector<std::pair<const TiXmlNode*, std::size_t>> pending{{&document, 0}};
  while (!pending.empty()) {
    const auto [node, depth] = pending.back();
    pending.pop_back();
    for (const TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling()) {
      if (child->ToElement() == nullptr) continue;
      deepest = std::max(deepest, depth + 1);
      pending.emplace_back(child, depth + 1);
    }
  }
  return deepest;
}

}  // namespace corvane_test
