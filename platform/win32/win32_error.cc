#include "platform/win32/win32_error.h"

#include <windows.h>

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

}  // namespace tamborix
