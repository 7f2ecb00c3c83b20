#include "platform/posix/posix_error.h"

#include <cerrno>
#include <cstring>

namespace tamborix {
namespace {

// strerror_r comes in two shapes (XSI returns int, GNU returns the text).
[[maybe_unused]] const char* Pick(int result, const char* buffer) {
  return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* Pick(const char* result, const char* /*buffer*/) {
  return result;
}

}  // namespace

PosixError PosixError::FromErrno(const std::string& operation) {
  return FromCode(errno, operation);
}

PosixError PosixError::FromCode(int code, const std::string& operation) {
  char buffer[256] = {0};
  PosixError error;
  error.code = code;
  error.text = Pick(strerror_r(code, buffer, sizeof buffer), buffer);
  error.operation = operation;
  return error;
}

}  // namespace tamborix
