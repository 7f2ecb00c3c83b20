#include "tools/page_host/page_parser.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace tamborix {
namespace {

const char kParams[] =
    "  <param name=\"Session\" value=\"s1\">\n"
    "  <param name=\"User\" value=\"ann\">\n"
    "  <param name=\"Domain\" value=\"example.org\">\n"
    "  <param name=\"TargetDir\" value=\"memos\">\n"
    "  <param name=\"Host\" value=\"127.0.80.1\">\n"
    "  <param name=\"FileName\" value=\"hello.wav\">\n"
    "  <param name=\"PDrive\" value=\"P\">\n";

std::string Page(const std::string& params = kParams,
                 const std::string& object =
                     "<object classid=\"clsid:0e83d69b-fcba-4332-af0c-27882fcbca0b\" width=\"400\" "
                     "height=\"300\">") {
  return "<!DOCTYPE html>\n<html><body>\n" + object + "\n" + params + "</object>\n</body></html>\n";
}

PageError ErrorOf(const std::string& page) {
  PageObject object;
  PageError error;
  EXPECT_FALSE(ParsePage(page, &object, &error)) << page;
  EXPECT_TRUE(object.params.empty());
  return error;
}

TEST(PageParser, WellFormedPageGivesTheObject) {
  PageObject object;
  PageError error;
  ASSERT_TRUE(ParsePage(Page(), &object, &error)) << error.message;
  EXPECT_EQ("{0E83D69B-FCBA-4332-AF0C-27882FCBCA0B}", object.classId);
  EXPECT_EQ(400, object.width);
  EXPECT_EQ(300, object.height);
  ASSERT_EQ(7u, object.params.size());
  EXPECT_EQ(std::make_pair(std::string("Session"), std::string("s1")), object.params[0]);
  EXPECT_EQ(std::make_pair(std::string("PDrive"), std::string("P")), object.params[6]);
}

TEST(PageParser, AnyOrderCaseQuotingAndReferences) {
  const std::string params =
      "<!-- <param name=Host value=commented-out> -->\n"
      "<PARAM VALUE='P' NAME='pdrive'/>\n"
      "<param name=filename value=a&amp;b&#233;&#x4F60;.wav>\n"
      "<param name=\"HOST\" value=\"h&quot;q&lt;&gt;&apos;\">\n"
      "<param name=session value=\"a & b\">\n"
      "<param name=user value=''><param name=domain value=d><param name=targetdir value=t>\n";
  PageObject object;
  PageError error;
  ASSERT_TRUE(ParsePage(Page(params,
                             "<OBJECT Width=10px HEIGHT=20 "
                             "classid='CLSID:{0e83d69b-fcba-4332-af0c-27882fcbca0b}'>"),
                        &object, &error))
      << error.message;
  EXPECT_EQ(10, object.width);
  EXPECT_EQ(20, object.height);
  ASSERT_EQ(7u, object.params.size());
  EXPECT_EQ("PDrive", object.params[0].first);
  EXPECT_EQ("FileName", object.params[1].first);
  EXPECT_EQ("a&b\xC3\xA9\xE4\xBD\xA0.wav", object.params[1].second);
  EXPECT_EQ("h\"q<>'", object.params[2].second);
  EXPECT_EQ("a & b", object.params[3].second);
  EXPECT_EQ("", object.params[4].second);
}

TEST(PageParser, ParamProblemsNameTheirLine) {
  std::string missing = kParams;
  missing.erase(missing.find("  <param name=\"Host\""), 44);
  PageError error = ErrorOf(Page(missing));
  EXPECT_EQ(3, error.line);  // the object's line
  EXPECT_EQ("<object> has no param Host", error.message);

  error = ErrorOf(Page(std::string(kParams) + "<param name=user value=bob>\n"));
  EXPECT_EQ(11, error.line);
  EXPECT_EQ("param User given twice (first on line 5)", error.message);

  error = ErrorOf(Page(std::string(kParams) + "<param name=Colour value=red>\n"));
  EXPECT_EQ(11, error.line);
  EXPECT_NE(std::string::npos, error.message.find("unknown param \"Colour\""));

  EXPECT_EQ("<param> has no value=\"...\"", ErrorOf(Page(missing + "<param name=Host>")).message);
  EXPECT_EQ("unknown character reference &bogus;",
            ErrorOf(Page(missing + "<param name=Host value='&bogus;'>")).message);
  EXPECT_EQ("character reference &#0; names no character",
            ErrorOf(Page(missing + "<param name=Host value='&#0;'>")).message);
  EXPECT_EQ("value of param Host is not UTF-8 text",
            ErrorOf(Page(missing + "<param name=Host value='\xC3('>")).message);
}

TEST(PageParser, BrokenMarkupAndMissingObject) {
  PageError error = ErrorOf("<html>\n<body>\n<p>no control here</p>\n");
  EXPECT_EQ("the page holds no <object> element", error.message);
  EXPECT_EQ(4, error.line);

  error = ErrorOf(Page(kParams).substr(0, Page(kParams).find("</object>")));
  EXPECT_EQ("<object> not closed with </object>", error.message);
  EXPECT_EQ(3, error.line);

  error = ErrorOf(Page(std::string(kParams) + "  <param name=\"Host\n"));
  EXPECT_EQ("value of name not closed with \"", error.message);
  EXPECT_EQ(11, error.line);

  EXPECT_EQ("comment not closed with -->", ErrorOf("<!-- <object>").message);
  EXPECT_EQ("tag <object> not closed with >", ErrorOf("<object classid=x").message);
  EXPECT_EQ("<object> inside <object>", ErrorOf(Page("<object>")).message);
  EXPECT_NE(std::string::npos,
            ErrorOf(Page(kParams, "<object classid=\"clsid:nope\" width=1 height=1>"))
                .message.find("is not clsid:"));
  EXPECT_EQ("width must be a number of pixels from 1 to 10000",
            ErrorOf(Page(kParams,
                         "<object classid=\"clsid:0e83d69b-fcba-4332-af0c-27882fcbca0b\" "
                         "width=-5 height=1>"))
                .message);
  EXPECT_EQ("<object> has no height=\"...\"",
            ErrorOf(Page(kParams,
                         "<object classid=\"clsid:0e83d69b-fcba-4332-af0c-27882fcbca0b\" "
                         "width=5>"))
                .message);
}

}  // namespace
}  // namespace tamborix

namespace tamborix {
namespace {

// The example page that the run and the documentation use: the host reads
// its object whole, scripts and comments around it included.
TEST(PageParser, ExamplePageGivesTheWholePanelAndEveryParam) {
  std::ifstream in(std::string(TAMBORIX_SOURCE_DIR) + "/tools/page_host/example.html");
  std::ostringstream page;
  page << in.rdbuf();
  PageObject object;
  PageError error;
  ASSERT_TRUE(ParsePage(page.str(), &object, &error)) << error.line << ": " << error.message;
  EXPECT_EQ("{0E83D69B-FCBA-4332-AF0C-27882FCBCA0B}", object.classId);
  EXPECT_EQ(360, object.width);
  EXPECT_EQ(273, object.height);
  EXPECT_EQ(7u, object.params.size());
}

}  // namespace
}  // namespace tamborix
