// Kernel services: environment, files and folders, language, text
// conversion, message boxes and the calendar clock.
//
// Paths are narrow texts in the system code page and use the backslash as
// separator, as the control builds them; an implementation on a system with
// another separator translates them.
//
// Threading: OpenForReading (and the file it gives), IsLeadByte,
// ShowMessageBox and Now may be called from any thread; everything else only
// on the user-interface thread (the in-memory kernel checks this and stops
// the program on a breach).
//
// Text: the narrow form is the system code page; where that is UTF-8 (the
// in-memory and POSIX kernels), malformed input becomes U+FFFD, byte by
// byte, as the system converters do.
//
// Strictness of the in-memory kernel only: paths compare as exact bytes, a
// folder must exist before a file is saved in it, and drive roots always
// exist. kernel_contract_test.cc holds the cases every kernel passes.
//
// Method names avoid the Win32 function names that windows.h turns into
// macros (CreateDirectory, DeleteFile, ...).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tamborix {

// A file opened for reading in binary mode.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // The file's length in bytes (seek to the end and read the position).
  virtual bool Size(uint64_t* size) = 0;
  // Reads up to `count` bytes at the current position; 0 at the end or on a
  // read error (then Failed() tells which).
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual bool Failed() const = 0;
};

class Kernel {
 public:
  virtual ~Kernel() = default;

  // GetEnvironmentVariable: false when the variable is not set or empty.
  virtual bool GetEnvironment(const std::string& name, std::string* value) = 0;

  // CreateDirectory of one level; false when it failed (for example because
  // it exists already).
  virtual bool MakeDirectory(const std::string& path) = 0;

  // DeleteFile; false when there was nothing to delete or it failed.
  virtual bool RemoveFile(const std::string& path) = 0;

  // MoveFileEx with replace-existing: puts `from` in place of `to` in one
  // step, so `to` is either the old file or the new one, never missing.
  virtual bool MoveIntoPlace(const std::string& from, const std::string& to) = 0;

  // MoveFileEx without replace-existing: moves `from` to `to` only when no
  // file or folder is at `to`; false otherwise, and then both stay as they
  // were.
  virtual bool MoveWithoutReplacing(const std::string& from, const std::string& to) = 0;

  // Opens `path` for reading in binary mode; null when it cannot be opened.
  virtual std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) = 0;

  // GetSystemDefaultLangID.
  virtual uint16_t DefaultLanguageId() = 0;

  // Text conversion between UTF-16 and the system code page (the ANSI code
  // page on Windows, UTF-8 elsewhere), and from UTF-8 to the code page.
  // WideToNarrow converts `text` up to its first NUL, as the C string it
  // stands for, and may put a look-alike (best fit) or the code page's
  // default character in place of a character the code page cannot hold.
  virtual std::string WideToNarrow(const std::u16string& text) = 0;
  // As WideToNarrow, but never puts a look-alike in place of a character (a
  // fullwidth backslash must not become a backslash): false when some
  // character has no exact form in the code page, and *narrow is then not
  // to be used.
  virtual bool WideToNarrowExact(const std::u16string& text, std::string* narrow) = 0;
  virtual std::u16string NarrowToWide(const std::string& text) = 0;
  virtual std::string Utf8ToNarrow(const std::string& text) = 0;

  // Whether `byte` starts a double-byte character of the system code page,
  // whose second byte may look like an ASCII character such as a backslash.
  // Never true for UTF-8, where every byte of a multi-byte character is at
  // least 0x80. May be called from any thread.
  virtual bool IsLeadByte(unsigned char byte) = 0;

  // A modal message box: caption "tamborix", exclamation icon, OK only.
  // Returns when the user has closed it. Shown on the panel's thread it
  // belongs to the panel (the container's window is disabled meanwhile);
  // shown on another thread it has no owner.
  virtual void ShowMessageBox(const std::string& text) = 0;

  // The calendar time in whole seconds since 1970-01-01 00:00:00 UTC.
  virtual int64_t Now() = 0;
};

}  // namespace tamborix
