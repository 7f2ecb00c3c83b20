#include "tools/page_host/page_parser.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace tamborix {

const char* const kPageParamNames[7] = {"Session", "User",     "Domain", "TargetDir",
                                        "Host",    "FileName", "PDrive"};

namespace {

constexpr int kLargestSide = 10000;  // pixels; larger sizes are typing mistakes

struct Attribute {
  std::string name;  // lower case
  std::string value;
  bool hasValue = false;
};

struct Tag {
  std::string name;  // lower case
  bool closing = false;
  size_t start = 0;  // offset of its '<'
  std::vector<Attribute> attributes;
};

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerText(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), Lower);
  return text;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsHex(char c) {
  return IsDigit(c) || (Lower(c) >= 'a' && Lower(c) <= 'f');
}

void AppendUtf8(uint32_t code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates)
// without a NUL.
bool IsUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t more = 0;
    uint32_t code = 0;
    uint32_t least = 0;
    if (lead == 0) {
      return false;
    }
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      more = 1, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      more = 2, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      more = 3, code = lead & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (text.size() - i <= more) {
      return false;
    }
    for (size_t k = 1; k <= more; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        return false;
      }
      code = (code << 6) | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += more + 1;
  }
  return true;
}

class PageReader {
 public:
  explicit PageReader(const std::string& page) : page_(page) {}

  bool Read(PageObject* object, PageError* error) {
    PageObject found;
    if (!ReadObject(&found)) {
      *error = error_;
      return false;
    }
    *object = std::move(found);
    return true;
  }

 private:
  int LineAt(size_t offset) const {
    offset = std::min(offset, page_.size());
    return 1 + static_cast<int>(std::count(page_.begin(), page_.begin() + offset, '\n'));
  }

  bool Fail(size_t offset, std::string message) {
    error_.line = LineAt(offset);
    error_.message = std::move(message);
    return false;
  }

  // Moves to the next tag and reads it into *tag; false at the end of the
  // page (with *end set) or on an error.
  bool NextTag(Tag* tag, bool* end) {
    *end = false;
    while (true) {
      const size_t open = page_.find('<', at_);
      if (open == std::string::npos) {
        at_ = page_.size();
        *end = true;
        return false;
      }
      if (page_.compare(open, 4, "<!--") == 0) {
        const size_t close = page_.find("-->", open + 4);
        if (close == std::string::npos) {
          return Fail(open, "comment not closed with -->");
        }
        at_ = close + 3;
        continue;
      }
      if (open + 1 < page_.size() && (page_[open + 1] == '!' || page_[open + 1] == '?')) {
        const size_t close = page_.find('>', open);
        if (close == std::string::npos) {
          return Fail(open, "declaration not closed with >");
        }
        at_ = close + 1;
        continue;
      }
      size_t i = open + 1;
      const bool closing = i < page_.size() && page_[i] == '/';
      if (closing) {
        ++i;
      }
      if (i >= page_.size() || !IsAlpha(page_[i])) {
        at_ = open + 1;  // a '<' in text
        continue;
      }
      *tag = Tag();
      tag->closing = closing;
      tag->start = open;
      while (i < page_.size() && (IsAlpha(page_[i]) || IsDigit(page_[i]) || page_[i] == '-')) {
        tag->name.push_back(Lower(page_[i++]));
      }
      at_ = i;
      if (!ReadAttributes(tag)) {
        return false;
      }
      if (!closing && (tag->name == "script" || tag->name == "style")) {
        SkipRawText(tag->name);
      }
      return true;
    }
  }

  // Reads attributes up to and including the tag's '>'.
  bool ReadAttributes(Tag* tag) {
    size_t i = at_;
    while (true) {
      while (i < page_.size() && (IsSpace(page_[i]) || page_[i] == '/')) {
        ++i;
      }
      if (i >= page_.size()) {
        return Fail(tag->start, "tag <" + tag->name + "> not closed with >");
      }
      if (page_[i] == '>') {
        at_ = i + 1;
        return true;
      }
      Attribute attribute;
      while (i < page_.size() && !IsSpace(page_[i]) && page_[i] != '/' && page_[i] != '>' &&
             page_[i] != '=') {
        attribute.name.push_back(Lower(page_[i++]));
      }
      size_t j = i;
      while (j < page_.size() && IsSpace(page_[j])) {
        ++j;
      }
      if (attribute.name.empty() && (j >= page_.size() || page_[j] != '=')) {
        ++i;  // a stray quote or similar: step over it
        continue;
      }
      if (j < page_.size() && page_[j] == '=') {
        attribute.hasValue = true;
        ++j;
        while (j < page_.size() && IsSpace(page_[j])) {
          ++j;
        }
        std::string raw;
        const size_t valueStart = j;
        if (j < page_.size() && (page_[j] == '"' || page_[j] == '\'')) {
          const char quote = page_[j];
          const size_t close = page_.find(quote, j + 1);
          if (close == std::string::npos) {
            return Fail(valueStart,
                        "value of " + attribute.name + " not closed with " + std::string(1, quote));
          }
          raw = page_.substr(j + 1, close - j - 1);
          j = close + 1;
        } else {
          while (j < page_.size() && !IsSpace(page_[j]) && page_[j] != '>') {
            raw.push_back(page_[j++]);
          }
        }
        if (!Decode(raw, valueStart, &attribute.value)) {
          return false;
        }
        i = j;
      }
      if (attribute.name.empty()) {
        return Fail(tag->start, "attribute without a name in <" + tag->name + ">");
      }
      tag->attributes.push_back(std::move(attribute));
    }
  }

  void SkipRawText(const std::string& name) {
    const std::string closing = "</" + name;
    size_t i = at_;
    while (i < page_.size()) {
      const size_t close = page_.find("</", i);
      if (close == std::string::npos) {
        break;
      }
      if (LowerText(page_.substr(close, closing.size())) == closing) {
        at_ = close;
        return;
      }
      i = close + 2;
    }
    at_ = page_.size();
  }

  // Resolves character references in an attribute value.
  bool Decode(const std::string& raw, size_t where, std::string* out) {
    out->clear();
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '&' || i + 1 >= raw.size() || !(raw[i + 1] == '#' || IsAlpha(raw[i + 1]))) {
        out->push_back(raw[i]);
        continue;
      }
      const size_t semicolon = raw.find(';', i);
      if (semicolon == std::string::npos || semicolon - i > 12) {
        return Fail(where, "character reference " + raw.substr(i, 12) + " not closed with ;");
      }
      const std::string name = raw.substr(i + 1, semicolon - i - 1);
      uint32_t code = 0;
      if (name == "amp") {
        code = '&';
      } else if (name == "lt") {
        code = '<';
      } else if (name == "gt") {
        code = '>';
      } else if (name == "quot") {
        code = '"';
      } else if (name == "apos") {
        code = '\'';
      } else if (name == "nbsp") {
        code = 0xA0;
      } else if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string digits = name.substr(hex ? 2 : 1);
        const bool valid = !digits.empty() && digits.size() <= 8 &&
                           std::all_of(digits.begin(), digits.end(),
                                       [hex](char c) { return hex ? IsHex(c) : IsDigit(c); });
        code =
            valid ? static_cast<uint32_t>(std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10)) : 0;
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
          return Fail(where, "character reference &" + name + "; names no character");
        }
      } else {
        return Fail(where, "unknown character reference &" + name + ";");
      }
      AppendUtf8(code, out);
      i = semicolon;
    }
    return true;
  }

  // Reads the first <object> element and its params.
  bool ReadObject(PageObject* object) {
    Tag tag;
    bool end = false;
    while (true) {
      if (!NextTag(&tag, &end)) {
        return end ? Fail(page_.size(), "the page holds no <object> element") : false;
      }
      if (!tag.closing && tag.name == "object") {
        break;
      }
    }
    const size_t objectStart = tag.start;
    if (!ReadObjectAttributes(tag, object)) {
      return false;
    }
    std::vector<size_t> paramStarts(7, std::string::npos);
    while (true) {
      if (!NextTag(&tag, &end)) {
        return end ? Fail(objectStart, "<object> not closed with </object>") : false;
      }
      if (tag.name == "object") {
        if (tag.closing) {
          break;
        }
        return Fail(tag.start, "<object> inside <object>");
      }
      if (tag.name == "param" && !tag.closing && !ReadParam(tag, &paramStarts, object)) {
        return false;
      }
    }
    for (size_t k = 0; k < 7; ++k) {
      if (paramStarts[k] == std::string::npos) {
        return Fail(objectStart, std::string("<object> has no param ") + kPageParamNames[k]);
      }
    }
    return true;
  }

  const Attribute* Find(const Tag& tag, const char* name, bool* twice) {
    const Attribute* found = nullptr;
    *twice = false;
    for (const Attribute& attribute : tag.attributes) {
      if (attribute.name == name) {
        *twice = found != nullptr;
        if (found == nullptr) {
          found = &attribute;
        }
      }
    }
    return found;
  }

  // The value of attribute `name`, which must be there once with a value.
  bool Required(const Tag& tag, const char* name, std::string* value) {
    bool twice = false;
    const Attribute* attribute = Find(tag, name, &twice);
    if (attribute == nullptr || !attribute->hasValue) {
      return Fail(tag.start, "<" + tag.name + "> has no " + name + "=\"...\"");
    }
    if (twice) {
      return Fail(tag.start, "<" + tag.name + "> has " + name + " twice");
    }
    *value = attribute->value;
    return true;
  }

  bool ReadObjectAttributes(const Tag& tag, PageObject* object) {
    std::string classId;
    if (!Required(tag, "classid", &classId)) {
      return false;
    }
    if (!ParseClassId(classId, &object->classId)) {
      return Fail(tag.start, "classid \"" + classId.substr(0, 60) +
                                 "\" is not clsid:XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX");
    }
    return ReadSide(tag, "width", &object->width) && ReadSide(tag, "height", &object->height);
  }

  static bool ParseClassId(const std::string& text, std::string* classId) {
    if (LowerText(text.substr(0, 6)) != "clsid:") {
      return false;
    }
    std::string guid = text.substr(6);
    if (guid.size() == 38 && guid.front() == '{' && guid.back() == '}') {
      guid = guid.substr(1, 36);
    }
    if (guid.size() != 36) {
      return false;
    }
    for (size_t i = 0; i < guid.size(); ++i) {
      const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
      if (dash ? guid[i] != '-' : !IsHex(guid[i])) {
        return false;
      }
      if (!dash && guid[i] >= 'a') {
        guid[i] = static_cast<char>(guid[i] - 'a' + 'A');
      }
    }
    *classId = "{" + guid + "}";
    return true;
  }

  bool ReadSide(const Tag& tag, const char* name, int* side) {
    std::string text;
    if (!Required(tag, name, &text)) {
      return false;
    }
    if (text.size() > 2 && LowerText(text.substr(text.size() - 2)) == "px") {
      text.resize(text.size() - 2);
    }
    const bool digits =
        !text.empty() && text.size() <= 5 && std::all_of(text.begin(), text.end(), IsDigit);
    const int value = digits ? std::atoi(text.c_str()) : 0;
    if (value < 1 || value > kLargestSide) {
      return Fail(tag.start, std::string(name) + " must be a number of pixels from 1 to " +
                                 std::to_string(kLargestSide));
    }
    *side = value;
    return true;
  }

  bool ReadParam(const Tag& tag, std::vector<size_t>* starts, PageObject* object) {
    std::string name;
    std::string value;
    if (!Required(tag, "name", &name) || !Required(tag, "value", &value)) {
      return false;
    }
    size_t k = 0;
    while (k < 7 && LowerText(name) != LowerText(kPageParamNames[k])) {
      ++k;
    }
    if (k == 7) {
      std::string known;
      for (const char* each : kPageParamNames) {
        known += known.empty() ? each : std::string(", ") + each;
      }
      return Fail(tag.start,
                  "unknown param \"" + name.substr(0, 60) + "\" (the control takes " + known + ")");
    }
    if ((*starts)[k] != std::string::npos) {
      return Fail(tag.start, std::string("param ") + kPageParamNames[k] +
                                 " given twice (first on line " +
                                 std::to_string(LineAt((*starts)[k])) + ")");
    }
    if (!IsUtf8(value)) {
      return Fail(tag.start,
                  std::string("value of param ") + kPageParamNames[k] + " is not UTF-8 text");
    }
    (*starts)[k] = tag.start;
    object->params.emplace_back(kPageParamNames[k], value);
    return true;
  }

  const std::string& page_;
  size_t at_ = 0;
  PageError error_;
};

}  // namespace

bool ParsePage(const std::string& page, PageObject* object, PageError* error) {
  return PageReader(page).Read(object, error);
}

std::string DescribePageError(const std::string& fileName, const PageError& error) {
  return fileName + ":" + std::to_string(error.line) + ": " + error.message;
}

}  // namespace tamborix
