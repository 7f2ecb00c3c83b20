// Reading a fuzz input as text fields, so that the seed corpora stay
// readable: fields are separated by 0x1F (the unit separator), which leaves
// CR, LF and NUL free to appear inside a field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tamborix {
namespace fuzz {

constexpr char kFieldSeparator = '\x1f';

inline std::vector<std::string> SplitFields(const uint8_t* data, size_t size) {
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == static_cast<uint8_t>(kFieldSeparator)) {
      fields.emplace_back();
    } else {
      fields.back() += static_cast<char>(data[i]);
    }
  }
  return fields;
}

// The field at `index`, or "" past the end.
inline std::string FieldAt(const std::vector<std::string>& fields, size_t index) {
  return index < fields.size() ? fields[index] : std::string();
}

// The leading decimal digits of `text` as a number no larger than `limit`;
// `absent` when there are none.
inline uint64_t LeadingNumber(const std::string& text, uint64_t limit, uint64_t absent) {
  uint64_t value = 0;
  size_t i = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const auto digit = static_cast<uint64_t>(text[i] - '0');
    value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
  }
  return i == 0 ? absent : value;
}

}  // namespace fuzz
}  // namespace tamborix
