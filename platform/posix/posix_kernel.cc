#include "platform/posix/posix_kernel.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "platform/posix/posix_language.h"
#include "platform/shared/unicode_text.h"

namespace tamborix {
namespace {

bool HasDrivePrefix(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') {
    return false;
  }
  const char letter = path[0];
  return (letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z');
}

// A file opened with fopen in binary mode.
class PosixReadableFile : public ReadableFile {
 public:
  explicit PosixReadableFile(FILE* file) : file_(file) {}
  ~PosixReadableFile() override { std::fclose(file_); }
  PosixReadableFile(const PosixReadableFile&) = delete;
  PosixReadableFile& operator=(const PosixReadableFile&) = delete;

  bool Size(uint64_t* size) override {
    const off_t here = ftello(file_);
    if (here < 0 || fseeko(file_, 0, SEEK_END) != 0) {
      return false;
    }
    const off_t end = ftello(file_);
    if (fseeko(file_, here, SEEK_SET) != 0 || end < 0) {
      return false;
    }
    *size = static_cast<uint64_t>(end);
    return true;
  }

  size_t Read(void* buffer, size_t count) override { return std::fread(buffer, 1, count, file_); }

  bool Failed() const override { return std::ferror(file_) != 0; }

 private:
  FILE* file_;
};

}  // namespace

PosixKernel::PosixKernel(std::string driveRoot) : driveRoot_(std::move(driveRoot)) {
  while (driveRoot_.size() > 1 && driveRoot_.back() == '/') {
    driveRoot_.pop_back();
  }
}

std::string PosixKernel::LocalPath(const std::string& path) const {
  std::string local = path;
  if (HasDrivePrefix(path)) {
    std::string rest = path.substr(2);
    while (!rest.empty() && rest.front() == '\\') {
      rest.erase(0, 1);
    }
    local = driveRoot_ == "/" ? "/" + rest : driveRoot_ + "/" + rest;
  }
  for (char& c : local) {
    if (c == '\\') {
      c = '/';
    }
  }
  return local;
}

PosixError PosixKernel::LastError() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastError_;
}

bool PosixKernel::Fail(const std::string& operation) {
  PosixError error = PosixError::FromErrno(operation);
  std::lock_guard<std::mutex> lock(mutex_);
  lastError_ = std::move(error);
  return false;
}

bool PosixKernel::GetEnvironment(const std::string& name, std::string* value) {
  const char* found = std::getenv(name.c_str());
  if (found == nullptr || *found == '\0') {
    return false;
  }
  *value = found;
  return true;
}

bool PosixKernel::MakeDirectory(const std::string& path) {
  const std::string local = LocalPath(path);
  if (::mkdir(local.c_str(), 0777) != 0) {
    return Fail("mkdir " + local);
  }
  return true;
}

bool PosixKernel::RemoveFile(const std::string& path) {
  const std::string local = LocalPath(path);
  if (::unlink(local.c_str()) != 0) {
    return Fail("unlink " + local);
  }
  return true;
}

bool PosixKernel::MoveIntoPlace(const std::string& from, const std::string& to) {
  const std::string localFrom = LocalPath(from);
  const std::string localTo = LocalPath(to);
  if (std::rename(localFrom.c_str(), localTo.c_str()) != 0) {
    return Fail("rename " + localFrom + " " + localTo);
  }
  return true;
}

bool PosixKernel::MoveWithoutReplacing(const std::string& from, const std::string& to) {
  const std::string localFrom = LocalPath(from);
  const std::string localTo = LocalPath(to);
  if (::renameat2(AT_FDCWD, localFrom.c_str(), AT_FDCWD, localTo.c_str(), RENAME_NOREPLACE) != 0) {
    return Fail("renameat2 " + localFrom + " " + localTo);
  }
  return true;
}

std::unique_ptr<ReadableFile> PosixKernel::OpenForReading(const std::string& path) {
  const std::string local = LocalPath(path);
  FILE* file = std::fopen(local.c_str(), "rb");
  if (file == nullptr) {
    Fail("fopen " + local);
    return nullptr;
  }
  struct stat info {};
  if (::fstat(::fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file);
    errno = EISDIR;
    Fail("fopen " + local);
    return nullptr;
  }
  return std::make_unique<PosixReadableFile>(file);
}

uint16_t PosixKernel::DefaultLanguageId() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      return LanguageIdForLocale(value);
    }
  }
  return LanguageIdForLocale("");
}

std::string PosixKernel::WideToNarrow(const std::u16string& text) {
  return Utf16ToUtf8(text.substr(0, text.find(u'\0')));
}

bool PosixKernel::WideToNarrowExact(const std::u16string& text, std::string* narrow) {
  bool exact = false;
  *narrow = Utf16ToUtf8(text.substr(0, text.find(u'\0')), &exact);
  return exact;
}

std::u16string PosixKernel::NarrowToWide(const std::string& text) {
  return Utf8ToUtf16(text);
}

std::string PosixKernel::Utf8ToNarrow(const std::string& text) {
  return text;
}

void PosixKernel::ShowMessageBox(const std::string& text) {
  std::fprintf(stderr, "tamborix: %s\n", text.c_str());
  std::fflush(stderr);
}

int64_t PosixKernel::Now() {
  return static_cast<int64_t>(std::time(nullptr));
}

}  // namespace tamborix
