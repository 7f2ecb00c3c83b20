// The control's stream form: a 32-bit version word, 0x0300, then the
// property map in order: "_cx" and "_cy" (the extent, unsigned 32-bit each)
// and "AutoSize" as a variant in stream form (its 16-bit type word, then its
// value). All numbers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/result_codes.h"

namespace tamborix {

constexpr uint32_t kStreamVersion = 0x0300;

// A variant of a fixed-size type, as the stream holds it.
struct StoredVariant {
  uint16_t type = 0;  // the VARTYPE
  int64_t value = 0;  // sign-extended for the signed types
};

struct StreamProperties {
  uint32_t cx = 0;
  uint32_t cy = 0;
  StoredVariant autoSize;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads exactly `count` bytes; a failure or a short read is a failure.
  virtual Result ReadExactly(void* buffer, size_t count) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual Result WriteAll(const void* buffer, size_t count) = 0;
};

// Result of a stream whose version word is above kStreamVersion, or whose
// variant has a type that the control does not store.
constexpr Result kStreamRefused = kEFail;

Result ReadStreamProperties(ByteSource& source, StreamProperties* properties);
Result WriteStreamProperties(ByteSink& sink, const StreamProperties& properties);

}  // namespace tamborix
