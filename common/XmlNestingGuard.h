#pragma once
// How deep TinyXML will nest the elements of a text, found before the library sees it:
// its parser (and its destructor) recurse once per level, so a text nested deeply
// enough ends the program. A guard that reads markup by rules of its own can be put out
// of step with the parser (a '>' in a quoted declaration value, an entity that swallows
// a '<'), and then it counts a shallower tree than the parser builds. This one follows
// the parser's own steps instead: the same white space and letter tests (from the C
// library, as the parser calls them), the same ends of comments, CDATA sections, unknown
// tags and declarations, the same attribute and entity rules, the same end tags, and the
// same points at which the parser gives up. fuzz/XmlNestingGuardFuzzer.cpp holds it to
// the depth of the document the library then builds.
#include <cstddef>
#include <optional>
#include <string>

namespace Velunor::Quillon::Common {

// More attribute comparisons than this are refused: the parser looks for a duplicate
// attribute by walking the element's list, so a start tag with a hundred thousand
// attributes would keep it busy for hours.
inline constexpr std::size_t kMaxXmlAttributeComparisons = 16u * 1024u * 1024u;

// The deepest element nesting the parser builds from text, counted up to limit + 1
// (the scan stops there). Nothing when the text holds what the scan does not follow: a
// byte-order mark or the sequence of U+FFFE or U+FFFF anywhere but a mark at the start
// (the parser skips them as white space or not, by an encoding it settles on the way),
// or more attribute comparisons than kMaxXmlAttributeComparisons.
//
// text is what the parser is given (PrepareXmlText): nothing after a NUL, and no UTF-8
// lead byte without its continuation bytes, so a step over a whole sequence lands
// where steps over its single bytes do.
std::optional<std::size_t> MeasureXmlNesting(const std::string& text, std::size_t limit);

}  // namespace Velunor::Quillon::Common
