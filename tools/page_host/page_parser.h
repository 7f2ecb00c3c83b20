// Reads the control's <object> element from an HTML page: its class id, its
// size and its <param name=... value=...> children, which are the page's
// configuration of the control (what a browser would hand to the control's
// property bag).
//
// Only what the element needs is parsed: tags, attributes (quoted with " or
// ', or bare), comments and character references (&amp; &#233; &#xE9; ...).
// Everything outside the first <object> element is skipped. Names of
// elements, attributes and params are matched without regard to case.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tamborix {

// The params a page gives the control, in the control's spelling.
extern const char* const kPageParamNames[7];

struct PageObject {
  std::string classId;  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case
  int width = 0;        // pixels
  int height = 0;
  // Each of kPageParamNames once, in the page's order, values UTF-8 with
  // character references resolved.
  std::vector<std::pair<std::string, std::string>> params;
};

struct PageError {
  int line = 0;  // 1-based line of the page where the problem lies
  std::string message;
};

// Parses `page` (UTF-8). True with *object filled, or false with *error set
// and *object untouched.
bool ParsePage(const std::string& page, PageObject* object, PageError* error);

// "page.html:12: <message>".
std::string DescribePageError(const std::string& fileName, const PageError& error);

}  // namespace tamborix
