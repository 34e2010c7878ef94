#include "common/XmlNestingGuard.h"

#include <cctype>
#include <cstring>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace Velunor::Quillon::Common {
namespace {

// A position in the text, or kStopped where the parser's pointer would be null: from
// there on it builds nothing (every failure unwinds the whole parse).
using Position = std::ptrdiff_t;
constexpr Position kStopped = -1;

// The character tests the parser makes, through the same C library calls, so that a
// locale changes both alike.
bool IsWhiteSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0 || c == '\n' || c == '\r'; }
bool IsAlpha(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 127 ? std::isalpha(byte) != 0 : true;
}
bool IsAlphaNum(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 127 ? std::isalnum(byte) != 0 : true;
}
bool IsNameCharacter(char c) { return IsAlphaNum(c) || c == '_' || c == '-' || c == '.' || c == ':'; }
// The parser lowers the character's own value, which is negative for bytes above 127.
int ToLower(char c) {
  const int value = c;
  return value < 128 ? std::tolower(value) : value;
}

enum class NodeKind { kNone, kDeclaration, kComment, kCdata, kUnknown, kElement };

class NestingScan {
 public:
  NestingScan(const std::string& text, std::size_t limit) : text_(text), limit_(limit) {}

  std::optional<std::size_t> Run() {
    Position at = 0;
    if (StartsWith(0, "\xEF\xBB\xBF")) at = 3;  // the mark the parser skips as white space
    if (HoldsMarksFrom(static_cast<std::size_t>(at))) return std::nullopt;
    at = SkipWhiteSpace(at);
    while (at != kStopped && At(at) != '\0' && !refused_) {
      NodeKind kind = NodeKind::kNone;
      if (open_.empty()) {
        kind = Identify(at);
        if (kind == NodeKind::kNone) break;  // anything but markup ends the document
      } else if (At(at) != '<') {
        at = SkipWhiteSpace(Text(at));
        continue;
      } else if (StringEqual(at, "</", false)) {
        at = SkipWhiteSpace(EndTag(at));
        continue;
      } else {
        kind = Identify(at);
      }
      at = SkipWhiteSpace(Node(kind, at));
    }
    if (refused_) return std::nullopt;
    return deepest_;
  }

 private:
  // The parser reads the text as a NUL-terminated string and may step a little past the
  // terminator, where it finds the NULs ParseXmlBytes pads the text with.
  char At(Position at) const {
    return at >= 0 && static_cast<std::size_t>(at) < text_.size() ? text_[static_cast<std::size_t>(at)] : '\0';
  }
  bool StartsWith(Position at, const char* prefix) const {
    for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
      if (At(at + static_cast<Position>(i)) != prefix[i]) return false;
    }
    return true;
  }

  bool HoldsMarksFrom(std::size_t from) const {
    for (std::size_t i = text_.find('\xEF', from); i != std::string::npos; i = text_.find('\xEF', i + 1)) {
      const auto at = static_cast<Position>(i);
      if (StartsWith(at, "\xEF\xBB\xBF") || StartsWith(at, "\xEF\xBF\xBE") || StartsWith(at, "\xEF\xBF\xBF")) return true;
    }
    return false;
  }

  // TiXmlBase::StringEqual: a prefix test that fails at the end of the text.
  bool StringEqual(Position at, const char* tag, bool ignoreCase) const {
    if (At(at) == '\0') return false;
    std::size_t i = 0;
    for (; tag[i] != '\0'; ++i) {
      const char c = At(at + static_cast<Position>(i));
      if (c == '\0') return false;
      if (ignoreCase ? ToLower(c) != ToLower(tag[i]) : c != tag[i]) return false;
    }
    return true;
  }

  Position SkipWhiteSpace(Position at) const {
    if (at == kStopped || At(at) == '\0') return kStopped;
    while (At(at) != '\0' && IsWhiteSpace(At(at))) ++at;
    return at;
  }

  Position ReadName(Position at) const {
    if (At(at) == '\0' || !(IsAlpha(At(at)) || At(at) == '_')) return kStopped;
    while (At(at) != '\0' && IsNameCharacter(At(at))) ++at;
    return at;
  }

  // TiXmlBase::GetEntity at an '&': a character reference runs to the first ';' and is
  // read back from there to its '#' or 'x', whatever lies between them; every byte
  // before the last digit run is skipped unread (a '<' or a quote among them too).
  Position Entity(Position at) const {
    if (At(at + 1) == '#' && At(at + 2) != '\0') {
      const bool hexadecimal = At(at + 2) == 'x';
      if (hexadecimal && At(at + 3) == '\0') return kStopped;
      const std::size_t end = text_.find(';', static_cast<std::size_t>(at + (hexadecimal ? 3 : 2)));
      if (end == std::string::npos) return kStopped;
      const auto semicolon = static_cast<Position>(end);
      for (Position digit = semicolon - 1; At(digit) != (hexadecimal ? 'x' : '#'); --digit) {
        const char c = At(digit);
        const bool valid = (c >= '0' && c <= '9') ||
                           (hexadecimal && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!valid) return kStopped;
      }
      return semicolon + 1;
    }
    for (const char* named : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
      if (StartsWith(at, named)) return at + static_cast<Position>(std::strlen(named));
    }
    return at + 1;
  }

  // TiXmlBase::ReadText: up to endTag, stepping over entities, then past endTag (past
  // the terminator, too, when the text ended first).
  Position ReadText(Position at, const char* endTag, bool trimWhiteSpace) const {
    if (trimWhiteSpace) at = SkipWhiteSpace(at);
    while (at != kStopped && At(at) != '\0' && !StringEqual(at, endTag, false)) {
      at = At(at) == '&' ? Entity(at) : at + 1;
    }
    return at == kStopped ? kStopped : at + static_cast<Position>(std::strlen(endTag));
  }

  // TiXmlText::Parse for text between elements: up to the '<' that follows it.
  Position Text(Position at) const {
    at = ReadText(at, "<", true);
    return at == kStopped ? kStopped : at - 1;
  }

  // TiXmlAttribute::Parse; name is what ReadName took.
  Position Attribute(Position at, std::string_view& name) const {
    at = SkipWhiteSpace(at);
    if (at == kStopped || At(at) == '\0') return kStopped;
    const Position nameStart = at;
    at = ReadName(at);
    if (at == kStopped || At(at) == '\0') return kStopped;
    name = std::string_view(text_).substr(static_cast<std::size_t>(nameStart), static_cast<std::size_t>(at - nameStart));
    at = SkipWhiteSpace(at);
    if (at == kStopped || At(at) != '=') return kStopped;
    at = SkipWhiteSpace(at + 1);
    if (at == kStopped || At(at) == '\0') return kStopped;
    if (At(at) == '\'') return ReadText(at + 1, "'", false);
    if (At(at) == '"') return ReadText(at + 1, "\"", false);
    for (; At(at) != '\0' && !IsWhiteSpace(At(at)) && At(at) != '/' && At(at) != '>'; ++at) {
      if (At(at) == '\'' || At(at) == '"') return kStopped;
    }
    return at;
  }

  // TiXmlDeclaration::Parse: attributes only where a known name starts, anything else
  // read over to white space or '>'; the first '>' outside a value ends it.
  Position Declaration(Position at) const {
    at += 5;  // "<?xml"
    while (at != kStopped && At(at) != '\0') {
      if (At(at) == '>') return at + 1;
      at = SkipWhiteSpace(at);
      if (StringEqual(at, "version", true) || StringEqual(at, "encoding", true) || StringEqual(at, "standalone", true)) {
        std::string_view name;
        at = Attribute(at, name);
      } else {
        while (At(at) != '\0' && At(at) != '>' && !IsWhiteSpace(At(at))) ++at;
      }
    }
    return kStopped;
  }

  Position SkipPast(Position at, const char* end) const {
    while (At(at) != '\0' && !StringEqual(at, end, false)) ++at;
    return at + static_cast<Position>(std::strlen(end));
  }

  // TiXmlNode::Identify at a '<'.
  NodeKind Identify(Position at) const {
    at = SkipWhiteSpace(at);
    if (at == kStopped || At(at) != '<') return NodeKind::kNone;
    if (StringEqual(at, "<?xml", true)) return NodeKind::kDeclaration;
    if (StringEqual(at, "<!--", false)) return NodeKind::kComment;
    if (StringEqual(at, "<![CDATA[", false)) return NodeKind::kCdata;
    if (StringEqual(at, "<!", false)) return NodeKind::kUnknown;
    if (IsAlpha(At(at + 1)) || At(at + 1) == '_') return NodeKind::kElement;
    return NodeKind::kUnknown;
  }

  Position Node(NodeKind kind, Position at) {
    switch (kind) {
      case NodeKind::kDeclaration:
        return Declaration(at);
      case NodeKind::kComment:
        return SkipPast(at + 4, "-->");
      case NodeKind::kCdata:
        return SkipPast(at + 9, "]]>");
      case NodeKind::kUnknown: {
        ++at;
        while (At(at) != '\0' && At(at) != '>') ++at;
        return At(at) == '>' ? at + 1 : at;
      }
      case NodeKind::kElement:
        return StartTag(at);
      case NodeKind::kNone:
        break;
    }
    return kStopped;
  }

  // TiXmlElement::Parse up to its content. The library links the element into the tree
  // whether or not its tag then parses, so it counts from the '<' on.
  Position StartTag(Position at) {
    deepest_ = std::max(deepest_, open_.size() + 1);
    if (deepest_ > limit_) return kStopped;
    at = SkipWhiteSpace(at + 1);
    const Position nameStart = at;
    at = ReadName(at);
    if (at == kStopped || At(at) == '\0') return kStopped;
    const std::string_view name =
        std::string_view(text_).substr(static_cast<std::size_t>(nameStart), static_cast<std::size_t>(at - nameStart));
    std::unordered_set<std::string_view> attributes;
    while (At(at) != '\0') {
      at = SkipWhiteSpace(at);
      if (at == kStopped || At(at) == '\0') return kStopped;
      if (At(at) == '/') return At(at + 1) == '>' ? at + 2 : kStopped;
      if (At(at) == '>') {
        open_.push_back(name);
        return at + 1;
      }
      std::string_view attribute;
      at = Attribute(at, attribute);
      if (at == kStopped || At(at) == '\0') return kStopped;
      // The parser compares the new name with every one before it, and gives up on a
      // name it already has.
      comparisons_ += attributes.size();
      if (comparisons_ > kMaxXmlAttributeComparisons) {
        refused_ = true;
        return kStopped;
      }
      if (!attributes.insert(attribute).second) return kStopped;
    }
    return at;
  }

  // The end of the innermost open element: "</", its name, white space, '>'; anything
  // else ends the parse.
  Position EndTag(Position at) {
    const std::string endTag = "</" + std::string(open_.back());
    if (!StringEqual(at, endTag.c_str(), false)) return kStopped;
    at = SkipWhiteSpace(at + static_cast<Position>(endTag.size()));
    if (at == kStopped || At(at) != '>') return kStopped;
    open_.pop_back();
    return at + 1;
  }

  const std::string& text_;
  const std::size_t limit_;
  std::vector<std::string_view> open_;
  std::size_t deepest_ = 0;
  std::size_t comparisons_ = 0;
  bool refused_ = false;
};

}  // namespace

std::optional<std::size_t> MeasureXmlNesting(const std::string& text, std::size_t limit) {
  return NestingScan(text, limit).Run();
}

}  // namespace Velunor::Quillon::Common
