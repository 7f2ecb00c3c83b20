#include "platform/win32/win32_kernel.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/win32/win32_modal_owner.h"

namespace tamborix {
namespace {

constexpr char kMessageBoxCaption[] = "tamborix";

// Seconds between 1601-01-01 (FILETIME's origin) and 1970-01-01.
constexpr int64_t kEpochDifferenceSeconds = 11644473600LL;

// A file opened with CreateFileA for reading.
class Win32ReadableFile : public ReadableFile {
 public:
  Win32ReadableFile(HANDLE file, Win32Kernel& kernel) : file_(file), kernel_(kernel) {}
  ~Win32ReadableFile() override { CloseHandle(file_); }
  Win32ReadableFile(const Win32ReadableFile&) = delete;
  Win32ReadableFile& operator=(const Win32ReadableFile&) = delete;

  bool Size(uint64_t* size) override {
    LARGE_INTEGER length;
    if (!GetFileSizeEx(file_, &length)) {
      return kernel_.Fail("GetFileSizeEx");
    }
    *size = static_cast<uint64_t>(length.QuadPart);
    return true;
  }

  size_t Read(void* buffer, size_t count) override {
    char* out = static_cast<char*>(buffer);
    size_t total = 0;
    while (total < count) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - total, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(file_, out + total, chunk, &got, nullptr)) {
        failed_ = true;
        kernel_.Fail("ReadFile");
        break;
      }
      if (got == 0) {
        break;
      }
      total += got;
    }
    return total;
  }

  bool Failed() const override { return failed_; }

 private:
  HANDLE file_;
  Win32Kernel& kernel_;
  bool failed_ = false;
};

// Converts with MultiByteToWideChar; empty on failure (recorded).
std::u16string ToWide(Win32Kernel& kernel, UINT codePage, const std::string& text) {
  if (text.empty()) {
    return std::u16string();
  }
  const int length =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) {
    kernel.Fail("MultiByteToWideChar");
    return std::u16string();
  }
  std::u16string wide(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                      reinterpret_cast<wchar_t*>(&wide[0]), length);
  return wide;
}

// Converts with WideCharToMultiByte; empty on failure (recorded). With
// `exact`, no look-alike stands in for a character without an exact form,
// and *exact tells whether every character had one.
std::string ToNarrow(Win32Kernel& kernel, UINT codePage, const std::u16string& text,
                     bool* exact = nullptr) {
  if (exact != nullptr) {
    *exact = true;
  }
  if (text.empty()) {
    return std::string();
  }
  // UTF-8 holds every character but a lone surrogate, which only
  // WC_ERR_INVALID_CHARS reports; the other code pages report a default
  // character through lpUsedDefaultChar.
  DWORD flags = 0;
  BOOL usedDefault = FALSE;
  BOOL* reportDefault = nullptr;
  if (exact != nullptr) {
    if ((codePage == CP_ACP ? GetACP() : codePage) == CP_UTF8) {
      flags = WC_ERR_INVALID_CHARS;
    } else {
      flags = WC_NO_BEST_FIT_CHARS;
      reportDefault = &usedDefault;
    }
  }
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(codePage, flags, wide, size, nullptr, 0, nullptr, reportDefault);
  if (length <= 0) {
    kernel.Fail("WideCharToMultiByte");
    if (exact != nullptr) {
      *exact = false;
    }
    return std::string();
  }
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, flags, wide, size, &narrow[0], length, nullptr, reportDefault);
  if (exact != nullptr && usedDefault) {
    *exact = false;
  }
  return narrow;
}

}  // namespace

Win32Error Win32Kernel::LastError() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastError_;
}

bool Win32Kernel::Fail(const std::string& operation) {
  Win32Error error = Win32Error::FromLastError(operation);
  std::lock_guard<std::mutex> lock(mutex_);
  lastError_ = std::move(error);
  return false;
}

bool Win32Kernel::GetEnvironment(const std::string& name, std::string* value) {
  std::string buffer(256, '\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableA(name.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      if (GetLastError() != ERROR_SUCCESS) {
        return Fail("GetEnvironmentVariableA " + name);
      }
      return false;  // set but empty
    }
    if (length < buffer.size()) {
      buffer.resize(length);
      *value = std::move(buffer);
      return true;
    }
    buffer.assign(length, '\0');  // too small: `length` includes the terminator
  }
}

bool Win32Kernel::MakeDirectory(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) ? true : Fail("CreateDirectoryA " + path);
}

bool Win32Kernel::RemoveFile(const std::string& path) {
  return DeleteFileA(path.c_str()) ? true : Fail("DeleteFileA " + path);
}

bool Win32Kernel::MoveIntoPlace(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)
             ? true
             : Fail("MoveFileExA " + from + " " + to);
}

bool Win32Kernel::MoveWithoutReplacing(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), 0) ? true : Fail("MoveFileExA " + from + " " + to);
}

std::unique_ptr<ReadableFile> Win32Kernel::OpenForReading(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Fail("CreateFileA " + path);
    return nullptr;
  }
  return std::make_unique<Win32ReadableFile>(file, *this);
}

uint16_t Win32Kernel::DefaultLanguageId() {
  return GetSystemDefaultLangID();
}

std::string Win32Kernel::WideToNarrow(const std::u16string& text) {
  return ToNarrow(*this, CP_ACP, text.substr(0, text.find(u'\0')));
}

bool Win32Kernel::WideToNarrowExact(const std::u16string& text, std::string* narrow) {
  bool exact = false;
  *narrow = ToNarrow(*this, CP_ACP, text.substr(0, text.find(u'\0')), &exact);
  return exact;
}

std::u16string Win32Kernel::NarrowToWide(const std::string& text) {
  return ToWide(*this, CP_ACP, text);
}

std::string Win32Kernel::Utf8ToNarrow(const std::string& text) {
  return ToNarrow(*this, CP_ACP, ToWide(*this, CP_UTF8, text));
}

bool Win32Kernel::IsLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

void Win32Kernel::ShowMessageBox(const std::string& text) {
  const ModalScope modal;
  if (MessageBoxA(modal.Owner(), text.c_str(), kMessageBoxCaption, MB_OK | MB_ICONEXCLAMATION) ==
      0) {
    Fail("MessageBoxA");
  }
}

int64_t Win32Kernel::Now() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks;
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return static_cast<int64_t>(ticks.QuadPart / 10000000ULL) - kEpochDifferenceSeconds;
}

}  // namespace tamborix
