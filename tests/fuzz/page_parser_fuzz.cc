// Fuzzes the page host's page parser. A page is either refused with a line
// inside the page and a message, leaving the result untouched, or gives a
// class id, a size in range and the seven params once each; written back out
// as a page, what it gave parses to the same again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "tests/fuzz/fuzz_check.h"
#include "tools/page_host/page_parser.h"

namespace tamborix {
namespace {

std::string Escaped(const std::string& value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '<':
        out += "&lt;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string Written(const PageObject& object) {
  std::string page = "<object classid=\"clsid:" + object.classId.substr(1, 36) + "\" width=\"" +
                     std::to_string(object.width) + "\" height=\"" + std::to_string(object.height) +
                     "\">\n";
  for (const auto& [name, value] : object.params) {
    page += "<param name=\"" + name + "\" value=\"" + Escaped(value) + "\">\n";
  }
  return page + "</object>\n";
}

void Check(const std::string& page) {
  PageObject object;
  object.width = -1;
  PageError error;
  if (!ParsePage(page, &object, &error)) {
    const int lines = 1 + static_cast<int>(std::count(page.begin(), page.end(), '\n'));
    FUZZ_CHECK(error.line >= 1 && error.line <= lines);
    FUZZ_CHECK(!error.message.empty());
    FUZZ_CHECK(object.width == -1 && object.params.empty());
    return;
  }
  FUZZ_CHECK(object.classId.size() == 38 && object.classId.front() == '{');
  FUZZ_CHECK(object.width >= 1 && object.width <= 10000);
  FUZZ_CHECK(object.height >= 1 && object.height <= 10000);
  FUZZ_CHECK(object.params.size() == 7);
  std::set<std::string> names;
  for (const auto& [name, value] : object.params) {
    FUZZ_CHECK(std::find(std::begin(kPageParamNames), std::end(kPageParamNames), name) !=
               std::end(kPageParamNames));
    FUZZ_CHECK(names.insert(name).second);
    FUZZ_CHECK(value.find('\0') == std::string::npos);
  }
  PageObject again;
  FUZZ_CHECK(ParsePage(Written(object), &again, &error));
  FUZZ_CHECK(again.classId == object.classId && again.width == object.width &&
             again.height == object.height && again.params == object.params);
}

}  // namespace
}  // namespace tamborix

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamborix::Check(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
