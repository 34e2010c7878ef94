// The guards in front of TinyXML: nesting depth and UTF-8 sequences cut short.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/XmlFile.h"
#include "common/XmlNestingGuard.h"
#include "tests/common/XmlDepth.h"

namespace Velunor::Quillon::Common {
namespace {

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

std::string Attributes(int count) {
  std::string attributes;
  for (int i = 0; i < count; ++i) attributes += " a" + std::to_string(i) + "=''";
  return attributes;
}

// The document the library itself builds from a prepared text, without the guard.
std::size_t BuiltDepth(const std::string& text) {
  TiXmlDocument document;
  std::string padded = text;
  padded.append(16, '\0');
  document.Parse(padded.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
  return corvane_test::DeepestElement(document);
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << stream.rdbuf();
  return bytes.str();
}

const std::filesystem::path kHostileFolder = std::filesystem::path(SOURCE_FOLDER) / "tests/common/fixtures/hostile_xml";

TEST(XmlFile, NestingDepth) {
  struct Case {
    const char* name;
    std::string text;
    bool deeper;
  };
  const auto repeat = Repeat;
  const Case cases[] = {
      {"at the limit", repeat("<a>", 4), false},
      {"one more", repeat("<a>", 5), true},
      {"closed elements do not add up", repeat("<a></a>", 50), false},
      {"empty elements do not nest", repeat("<a/>", 50), false},
      {"quoted '>' and '/' stay inside the tag", repeat("<a b=\"/>\" c='>'>", 5), true},
      {"comments, CDATA and declarations do not nest",
       "<?xml version=\"1.0\"?>" + repeat("<!-- <a> --><![CDATA[<a>]]><!DOCTYPE a>", 10), false},
      {"an unfinished tag counts", repeat("<a>", 4) + "<a", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NestsDeeperThan(c.text, 4), c.deeper) << c.name;
  }
}

// Each row is markup that a guard reading by rules of its own gets wrong; the depth is
// what the library builds (checked against the library on every row).
TEST(XmlNestingGuard, MeasuresWhatTheLibraryBuilds) {
  struct Case {
    const char* name;
    std::string text;
    std::optional<std::size_t> depth;  // nothing: refused
  };
  const Case cases[] = {
      {"a quoted '>' in a declaration, then a comment opener", "<?xml version=\"><!--\" ?>" + Repeat("<a>", 5), 5},
      {"the same before a CDATA opener", "<?xml encoding='><![CDATA['?>" + Repeat("<a>", 5), 5},
      {"a declaration in upper case", "<?XML version=\"><!--\" ?>" + Repeat("<a>", 5), 5},
      {"a declaration inside the root", "<r><?xml version=\"><!--\" ?>" + Repeat("<a>", 5), 6},
      {"a declaration's other words are read over to white space", "<?xml a\"b version='x>'?><a><a>", 2},
      {"character references that swallow end tags", "<r>" + Repeat("<a>&#</a>#1;", 5), 6},
      {"a character reference that swallows a quote", "<r>" + Repeat("<a b=\"&#x\"x1;\">", 5), 6},
      {"end tags may have white space before '>'", "<a><b></b ></a ><c/>", 2},
      {"an end tag that does not match ends the parse", "<a></b><c><d/></c>", 1},
      {"a second attribute of one name ends the parse", "<a x=\"1\" x=\"2\"><b><c/></b></a>", 1},
      {"an unquoted value with a quote ends the parse", "<a x=1\"><b/></a>", 1},
      {"a comment ends at the first -->", "<a><!-- <b> --><c></c></a>", 2},
      {"a CDATA section hides an end tag", "<a><![CDATA[</a><b>]]><c/></a>", 2},
      {"an unknown tag ends at its first '>'", "<a><!DOCTYPE x [<!ENTITY y \"<b>\">]><c/></a>", 2},
      {"a processing instruction is an unknown tag", "<a><?pi x=\"<b>\"?><c/></a>", 2},
      {"text after the root ends the document", "<a/>text<b><c/></b>", 1},
      {"an unfinished start tag counts", "<a><b", 2},
      {"a byte-order mark at the start", "\xEF\xBB\xBF<a><b/></a>", 2},
      {"a byte-order mark later on", "<a>\xEF\xBB\xBF<b/></a>", std::nullopt},
      {"the bytes of U+FFFF", "<a>\xEF\xBF\xBF<b/></a>", std::nullopt},
      {"more attributes than the parser can compare", "<a" + Attributes(6000) + "/>", std::nullopt},
      {"as many attributes as it can", "<a" + Attributes(5000) + "><b/></a>", 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MeasureXmlNesting(c.text, 1000), c.depth) << c.name;
    if (c.depth) {
      EXPECT_EQ(BuiltDepth(c.text), *c.depth) << c.name;
    }
  }
}

TEST(XmlNestingGuard, HostileFilesAreRefusedAsDamaged) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kHostileFolder)) {
    ++files;
    TiXmlDocument document;
    std::string error;
    EXPECT_EQ(LoadXmlFile(document, entry.path().string(), &error), XmlLoadResult::kNoRoot) << entry.path();
    EXPECT_EQ(document.FirstChild(), nullptr) << entry.path();
    EXPECT_GT(BuiltDepth(PrepareXmlText(ReadFile(entry.path()))), kMaxXmlDepth) << entry.path();
  }
  EXPECT_GT(files, 0);
}

// Every XML file of the tree (defaults, fixtures, seeds): the guard passes it and agrees
// with the library on its depth.
TEST(XmlNestingGuard, EveryFileOfTheTreeLoads) {
  int files = 0;
  const std::filesystem::path root(SOURCE_FOLDER);
  for (auto entry = std::filesystem::recursive_directory_iterator(root); entry != decltype(entry)(); ++entry) {
    const std::string name = entry->path().filename().string();
    if (entry->is_directory() && (name.rfind("build", 0) == 0 || name == ".git" || entry->path() == kHostileFolder)) {
      entry.disable_recursion_pending();
      continue;
    }
    if (!entry->is_regular_file() || entry->path().extension() != ".xml") continue;
    ++files;
    const std::string text = PrepareXmlText(ReadFile(entry->path()));
    const std::optional<std::size_t> depth = MeasureXmlNesting(text, kMaxXmlDepth);
    ASSERT_TRUE(depth.has_value()) << entry->path();
    EXPECT_EQ(*depth, BuiltDepth(text)) << entry->path();
    EXPECT_LE(*depth, kMaxXmlDepth) << entry->path();
  }
  EXPECT_GT(files, 30);
}

TEST(XmlFile, CutUtf8SequenceBecomesAQuestionMark) {
  struct Case {
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {std::string("<a>x\xC7", 5), "x?"},
      {std::string("<a>x\xE3\x81", 6), "x?\x81"},  // a lone continuation byte is harmless
      {std::string("<a>x\xE3\x81<b/></a>", 12), "x?\x81"},
      {std::string("<a>x\xE3\x81\x82</a>", 10), "x\xE3\x81\x82"},  // whole sequences stay
      {std::string("<a>x\xC7\0\xE3", 7), "x?"},                    // nothing after a NUL counts
  };
  for (const Case& c : cases) {
    TiXmlDocument document;
    ParseXmlBytes(document, c.bytes);
    ASSERT_NE(document.RootElement(), nullptr);
    const char* text = document.RootElement()->GetText();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), c.text);
  }
}

TEST(XmlFile, ADeclarationThatWouldNotPrintBackIsWrittenAsOurs) {
  struct Case {
    const char* name;
    std::string declaration;
    std::string written;
  };
  const std::string ours = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>";
  const Case cases[] = {
      {"ordinary", "<?xml version=\"1.0\" encoding=\"Shift_JIS\" standalone=\"yes\"?>",
       "<?xml version=\"1.0\" encoding=\"Shift_JIS\" standalone=\"yes\" ?>"},
      {"a quote through an entity", "<?xml version=\"1.0\" encoding=\"a&quot;b\"?>", ours},
      {"a quote inside single quotes", "<?xml version='1.0\"' encoding='UTF-8'?>", ours},
      {"markup and a line end", "<?xml version=\"1.0\" encoding=\"x>\n  <y\"?>", ours},
  };
  for (const Case& c : cases) {
    TiXmlDocument document;
    ParseXmlBytes(document, c.declaration + "<root><a>1</a></root>");
    ASSERT_NE(document.RootElement(), nullptr) << c.name;
    const std::string rendered = RenderXmlDocument(document);
    EXPECT_EQ(rendered.substr(0, rendered.find("\r\n")), c.written) << c.name;
    TiXmlDocument again;
    ParseXmlBytes(again, rendered);
    ASSERT_NE(again.RootElement(), nullptr) << c.name;
    EXPECT_STREQ(again.RootElement()->FirstChildElement("a")->GetText(), "1") << c.name;
  }
}

}  // namespace
}  // namespace Velunor::Quillon::Common
