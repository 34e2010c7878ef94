// The guards in front of TinyXML: nesting depth and UTF-8 sequences cut short.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>

#include "common/XmlFile.h"

namespace Velunor::Quillon::Common {
namespace {

TEST(XmlFile, NestingDepth) {
  struct Case {
    const char* name;
    std::string text;
    bool deeper;
  };
  const auto repeat = [](const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
  };
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
