// The in-memory Kernel: environment, language, files and folders, message
// boxes and the calendar clock, all held in memory and set up by tests.
//
// Paths are compared as exact byte strings with backslash separators, as the
// control builds them. A folder is known by its path without a trailing
// backslash; a drive root such as "c:\" always exists. Creating a folder or
// saving a file needs its parent folder to exist.
//
// Thread-safe: OpenForReading, ShowMessageBox and Now may be called from any
// thread, and every other method takes the same lock.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/memory/memory_clock.h"
#include "platform/memory/ui_thread.h"

namespace tamborix {

class MemoryKernel : public Kernel {
 public:
  // Now() = 1700000000 + clock.NowMs() / 1000 unless SetNow() was called.
  explicit MemoryKernel(MemoryClock& clock);

  void SetEnvironment(const std::string& name, const std::string& value);  // "" unsets
  void SetLanguageId(uint16_t id);                                         // default 0x0409
  // The code page of narrow text: UTF-8 (the default), or Latin-1 with the
  // look-alikes of platform/memory/latin1_text.h, for a code page that
  // cannot hold every character.
  enum class CodePage { kUtf8, kLatin1 };
  void SetCodePage(CodePage codePage);
  // Lead bytes of a double-byte code page (0x81..0xFE for code page 950)
  // for IsLeadByte; none by default, as in UTF-8. Conversions stay as the
  // code page above has them.
  void SetLeadBytes(unsigned char first, unsigned char last);
  // Fixes the calendar time; from then on it follows the clock from there.
  void SetNow(int64_t secondsSince1970);

  // File store. WriteFile puts a file in place whether or not its folder is
  // known (test set-up); SaveFile writes as a program would and fails when the
  // parent folder is missing or `path` is a folder.
  void WriteFile(const std::string& path, const std::string& bytes);
  bool SaveFile(const std::string& path, const std::string& bytes);
  bool ReadFile(const std::string& path, std::string* bytes) const;
  bool FileExists(const std::string& path) const;
  bool DirectoryExists(const std::string& path) const;
  // Creates the folder and every missing folder above it (test set-up).
  void AddDirectory(const std::string& path);
  std::vector<std::string> ListFiles() const;        // sorted
  std::vector<std::string> ListDirectories() const;  // sorted, without drive roots

  // Faults: the next `count` calls of the operation fail.
  void FailMoveIntoPlace(int count = 1);
  // A device or another program holds `path` open without sharing (a saved
  // recording until its device is closed, a take in a media player): while
  // held, the file can be neither removed, moved nor replaced.
  void HoldOpen(const std::string& path);
  void LetGo(const std::string& path);
  void FailOpenForReading(int count = 1);
  // The next file opened for reading fails its Read once `afterBytes` bytes
  // have been read (Failed() then answers true).
  void FailReadAfter(uint64_t afterBytes);

  // Message boxes shown so far, oldest first. ShowMessageBox logs the text,
  // calls the hook (if any; it stands for the modal loop, so it may advance
  // the clock), and returns as if OK was pressed.
  std::vector<std::string> MessageBoxes() const;
  std::vector<std::string> TakeMessageBoxes();
  void SetMessageBoxHook(std::function<void(const std::string& text)> hook);

  // Kernel. Narrow text is in the code page set above.
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

 private:
  bool FolderExistsLocked(const std::string& path) const;

  MemoryClock& clock_;
  mutable std::mutex mutex_;
  std::map<std::string, std::string> environment_;
  uint16_t languageId_ = 0x0409;
  CodePage codePage_ = CodePage::kUtf8;
  unsigned char firstLeadByte_ = 1, lastLeadByte_ = 0;  // none
  bool nowFixed_ = false;
  int64_t fixedNow_ = 0;
  int64_t fixedAtMs_ = 0;
  std::map<std::string, std::string> files_;
  std::set<std::string> directories_;
  int failMoves_ = 0;
  std::multiset<std::string> held_;  // files a device holds open
  int failOpens_ = 0;
  int64_t failReadAfter_ = -1;
  std::vector<std::string> messageBoxes_;
  std::function<void(const std::string&)> messageBoxHook_;
  UiThread uiThread_;
};

}  // namespace tamborix
