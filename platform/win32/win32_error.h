// The one way a failing Win32 call becomes a platform error: GetLastError()
// and its text, kept so that callers and tests can see why a call failed.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

namespace tamborix {

struct Win32Error {
  uint32_t code = 0;      // GetLastError(); 0 when nothing failed
  std::string text;       // FormatMessage text of `code`, without the line end
  std::string operation;  // which call failed, with its argument, e.g. "CreateDirectoryA c:\x"

  // Reads GetLastError() now (call it straight after the failing call).
  static Win32Error FromLastError(const std::string& operation);
  static Win32Error FromCode(uint32_t code, const std::string& operation);
};

// A thread's latest failure, kept without a destructor so that it can be a
// thread_local of the module: a thread-local object with a destructor makes
// every thread that touches it run that destructor as it ends, inside the
// module's thread-exit callbacks. Holds the code and the operation (cut to
// the buffer's size); the text is made when the failure is read.
struct Win32ErrorRecord {
  uint32_t code;
  char operation[320];

  // Keeps `code` and `operation` as the latest failure.
  void Keep(uint32_t failedCode, const std::string& failedOperation);
  // The kept failure; an empty Win32Error when nothing failed.
  Win32Error Read() const;
};
static_assert(std::is_trivially_destructible<Win32ErrorRecord>::value,
              "a thread's error record must need no destructor");

}  // namespace tamborix
