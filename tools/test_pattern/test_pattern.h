// Bytes that differ from one position to the next (xorshift32), so that a
// lost, doubled or moved block of an upload shows. The tests and the
// benchmark send the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tamborix {

inline std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 2463534242u;
  for (char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state);
  }
  return bytes;
}

}  // namespace tamborix
