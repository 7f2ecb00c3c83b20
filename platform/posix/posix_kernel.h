// The Kernel on Linux and other POSIX systems.
//
// Paths arrive as the control builds them, Windows-style: backslashes become
// '/', and a drive prefix ("c:\", "D:") is replaced by the drive root folder
// given at construction, so "c:\rec\a.wav" with root "/srv/t" is
// "/srv/t/rec/a.wav". Narrow text is UTF-8. The default language comes from
// LC_ALL, LC_MESSAGES or LANG (the first one set). Message boxes are written
// to stderr as "tamborix: <text>".
//
// Every failing call records a PosixError (errno and its text); LastError()
// gives the latest one.
#pragma once

#include <mutex>
#include <string>

#include "platform/kernel.h"
#include "platform/posix/posix_error.h"

namespace tamborix {

class PosixKernel : public Kernel {
 public:
  explicit PosixKernel(std::string driveRoot = "/");

  // The local path that `path` names.
  std::string LocalPath(const std::string& path) const;
  PosixError LastError() const;

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
  bool IsLeadByte(unsigned char /*byte*/) override { return false; }
  void ShowMessageBox(const std::string& text) override;
  int64_t Now() override;

 private:
  bool Fail(const std::string& operation);

  std::string driveRoot_;
  mutable std::mutex mutex_;
  PosixError lastError_;
};

}  // namespace tamborix
