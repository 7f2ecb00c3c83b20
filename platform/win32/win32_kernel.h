// The Kernel on Windows: environment, files and folders through the ANSI
// Win32 calls, the system default language, conversions in the ANSI code
// page, message boxes and the system clock.
//
// Every failing call records a Win32Error (GetLastError() and its text);
// LastError() gives the latest one.
#pragma once

#include <mutex>
#include <string>

#include "platform/kernel.h"
#include "platform/win32/win32_error.h"

namespace tamborix {

class Win32Kernel : public Kernel {
 public:
  Win32Error LastError() const;

  bool GetEnvironment(const std::string& name, std::string* value) override;
  bool MakeDirectory(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  bool MoveIntoPlace(const std::string& from, const std::string& to) override;
  bool MoveWithoutReplacing(const std::string& from, const std::string& to) override;
  std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) override;
  uint16_t DefaultLanguageId() override;
  std::string WideToNarrow(const std::u16string& text) override;
  bool WideToNarrowExact(const std::u16string& text, std::string* narrow) override;
  std::u16string NarrowToWide(const std::string& text) override;
  std::string Utf8ToNarrow(const std::string& text) override;
  bool IsLeadByte(unsigned char byte) override;
  void ShowMessageBox(const std::string& text) override;
  int64_t Now() override;

  // Keeps GetLastError() of the call that just failed; returns false.
  bool Fail(const std::string& operation);

 private:
  mutable std::mutex mutex_;
  Win32Error lastError_;
};

}  // namespace tamborix
