// UTF-16 <-> Latin-1 (ISO 8859-1), the in-memory kernel's stand-in for a
// single-byte Western code page that cannot hold most characters. As such
// code pages' best-fit tables do, a conversion that allows look-alikes maps
// fullwidth ASCII (U+FF01 to U+FF5E) and the division slash U+2215 to their
// ASCII forms; every other character beyond U+00FF becomes '?'.
#pragma once

#include <string>

namespace tamborix {

// *exact (when given) tells whether every character had an exact form.
inline std::string Utf16ToLatin1(const std::u16string& text, bool bestFit, bool* exact) {
  if (exact != nullptr) {
    *exact = true;
  }
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c <= 0xFF) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (exact != nullptr) {
      *exact = false;
    }
    if (bestFit && c >= 0xFF01 && c <= 0xFF5E) {
      out.push_back(static_cast<char>(c - 0xFEE0));
    } else if (bestFit && c == 0x2215) {
      out.push_back('/');
    } else {
      out.push_back('?');
    }
  }
  return out;
}

inline std::u16string Latin1ToUtf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) {
    out.push_back(static_cast<unsigned char>(c));
  }
  return out;
}

}  // namespace tamborix
