#include "platform/win32/win32_error.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace tamborix {

Win32Error Win32Error::FromLastError(const std::string& operation) {
  return FromCode(GetLastError(), operation);
}

Win32Error Win32Error::FromCode(uint32_t code, const std::string& operation) {
  Win32Error error;
  error.code = code;
  error.operation = operation;
  char buffer[512] = {0};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, buffer, sizeof buffer, nullptr);
  error.text.assign(buffer, length);
  while (!error.text.empty() &&
         (error.text.back() == '\n' || error.text.back() == '\r' || error.text.back() == ' ')) {
    error.text.pop_back();
  }
  if (error.text.empty()) {
    error.text = "error " + std::to_string(code);
  }
  return error;
}

void Win32ErrorRecord::Keep(uint32_t failedCode, const std::string& failedOperation) {
  code = failedCode;
  const size_t length = std::min(failedOperation.size(), sizeof operation - 1);
  std::memcpy(operation, failedOperation.data(), length);
  operation[length] = '\0';
}

Win32Error Win32ErrorRecord::Read() const {
  if (code == 0 && operation[0] == '\0') {
    return Win32Error();
  }
  return Win32Error::FromCode(code, operation);
}

}  // namespace tamborix
