// The one way a failing Win32 call becomes a platform error: GetLastError()
// and its text, kept so that callers and tests can see why a call failed.
#pragma once

#include <cstdint>
#include <string>

namespace tamborix {

struct Win32Error {
  uint32_t code = 0;      // GetLastError(); 0 when nothing failed
  std::string text;       // FormatMessage text of `code`, without the line end
  std::string operation;  // which call failed, with its argument, e.g. "CreateDirectoryA c:\x"

  // Reads GetLastError() now (call it straight after the failing call).
  static Win32Error FromLastError(const std::string& operation);
  static Win32Error FromCode(uint32_t code, const std::string& operation);
};

}  // namespace tamborix
