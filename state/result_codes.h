// Result codes the control's members return, with their COM values.
#pragma once

#include <cstdint>

namespace tamborix {

using Result = int32_t;

constexpr Result kSOk = 0;
constexpr Result kSFalse = 1;
constexpr Result kENotImpl = static_cast<Result>(0x80004001u);
constexpr Result kEPointer = static_cast<Result>(0x80004003u);
constexpr Result kEFail = static_cast<Result>(0x80004005u);
constexpr Result kEInvalidArg = static_cast<Result>(0x80070057u);

inline bool Succeeded(Result r) {
  return r >= 0;
}

}  // namespace tamborix
