// The one way a failing POSIX call becomes a platform error: the errno value
// and its text, kept so that callers and tests can see why a call failed.
#pragma once

#include <string>

namespace tamborix {

struct PosixError {
  int code = 0;           // errno; 0 when nothing failed
  std::string text;       // strerror text of `code`
  std::string operation;  // which call failed, with its path, e.g. "mkdir /tmp/x"

  // Reads errno now (call it straight after the failing call).
  static PosixError FromErrno(const std::string& operation);
  static PosixError FromCode(int code, const std::string& operation);
};

}  // namespace tamborix
