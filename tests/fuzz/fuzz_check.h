// Property checks for the fuzz targets: a violated property prints where and
// what, then aborts, so that libFuzzer keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : ::tamborix::fuzz::PropertyViolated(#condition, __FILE__, __LINE__))

namespace tamborix {
namespace fuzz {

[[noreturn]] inline void PropertyViolated(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property violated: %s\n", file, line, condition);
  std::abort();
}

}  // namespace fuzz
}  // namespace tamborix
