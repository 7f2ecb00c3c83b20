#include "platform/memory/memory_kernel.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/memory/latin1_text.h"
#include "platform/shared/unicode_text.h"

namespace tamborix {
namespace {

constexpr int64_t kDefaultEpochSeconds = 1700000000;

// "c:", "c:\", "D:\\" ...
bool IsDriveRoot(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') {
    return false;
  }
  const char letter = path[0];
  if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z'))) {
    return false;
  }
  return path.find_first_not_of('\\', 2) == std::string::npos;
}

// A folder's key: its path without trailing backslashes.
std::string FolderKey(const std::string& path) {
  const size_t end = path.find_last_not_of('\\');
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

// The folder that holds `path`, "" for a bare name (the current folder).
std::string ParentOf(const std::string& path) {
  const std::string key = FolderKey(path);
  const size_t slash = key.rfind('\\');
  return slash == std::string::npos ? std::string() : key.substr(0, slash + 1);
}

class MemoryReadableFile : public ReadableFile {
 public:
  MemoryReadableFile(std::string bytes, int64_t failAfter)
      : bytes_(std::move(bytes)), failAfter_(failAfter) {}

  bool Size(uint64_t* size) override {
    *size = bytes_.size();
    return true;
  }

  size_t Read(void* buffer, size_t count) override {
    if (failed_) {
      return 0;
    }
    size_t limit = bytes_.size();
    if (failAfter_ >= 0) {
      if (position_ >= static_cast<uint64_t>(failAfter_)) {
        failed_ = true;
        return 0;
      }
      limit = std::min<size_t>(limit, static_cast<size_t>(failAfter_));
    }
    const size_t n =
        position_ >= limit ? 0 : std::min(count, limit - static_cast<size_t>(position_));
    if (n > 0) {
      std::memcpy(buffer, bytes_.data() + position_, n);
    }
    position_ += n;
    return n;
  }

  bool Failed() const override { return failed_; }

 private:
  std::string bytes_;
  int64_t failAfter_;
  uint64_t position_ = 0;
  bool failed_ = false;
};

}  // namespace

MemoryKernel::MemoryKernel(MemoryClock& clock) : clock_(clock) {}

void MemoryKernel::SetEnvironment(const std::string& name, const std::string& value) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (value.empty()) {
    environment_.erase(name);
  } else {
    environment_[name] = value;
  }
}

void MemoryKernel::SetLanguageId(uint16_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  languageId_ = id;
}

void MemoryKernel::SetNow(int64_t secondsSince1970) {
  std::lock_guard<std::mutex> lock(mutex_);
  nowFixed_ = true;
  fixedNow_ = secondsSince1970;
  fixedAtMs_ = clock_.NowMs();
}

void MemoryKernel::WriteFile(const std::string& path, const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  files_[path] = bytes;
}

bool MemoryKernel::SaveFile(const std::string& path, const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (FolderKey(path).empty() || IsDriveRoot(path) || path.back() == '\\' ||
      directories_.count(FolderKey(path)) != 0 || !FolderExistsLocked(ParentOf(path))) {
    return false;
  }
  files_[path] = bytes;
  return true;
}

bool MemoryKernel::ReadFile(const std::string& path, std::string* bytes) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = files_.find(path);
  if (it == files_.end()) {
    return false;
  }
  *bytes = it->second;
  return true;
}

bool MemoryKernel::FileExists(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return files_.count(path) != 0;
}

bool MemoryKernel::FolderExistsLocked(const std::string& path) const {
  if (path.empty() || IsDriveRoot(path)) {
    return true;  // the current folder, a drive root
  }
  return directories_.count(FolderKey(path)) != 0;
}

bool MemoryKernel::DirectoryExists(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return !path.empty() && FolderExistsLocked(path);
}

void MemoryKernel::AddDirectory(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::string folder = FolderKey(path); !folder.empty() && !IsDriveRoot(folder);
       folder = FolderKey(ParentOf(folder))) {
    directories_.insert(folder);
  }
}

std::vector<std::string> MemoryKernel::ListFiles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> names;
  for (const auto& entry : files_) {
    names.push_back(entry.first);
  }
  return names;
}

std::vector<std::string> MemoryKernel::ListDirectories() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::vector<std::string>(directories_.begin(), directories_.end());
}

void MemoryKernel::FailMoveIntoPlace(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  failMoves_ = count;
}

void MemoryKernel::FailOpenForReading(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  failOpens_ = count;
}

void MemoryKernel::FailReadAfter(uint64_t afterBytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  failReadAfter_ = static_cast<int64_t>(afterBytes);
}

std::vector<std::string> MemoryKernel::MessageBoxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messageBoxes_;
}

std::vector<std::string> MemoryKernel::TakeMessageBoxes() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> taken;
  taken.swap(messageBoxes_);
  return taken;
}

void MemoryKernel::SetMessageBoxHook(std::function<void(const std::string& text)> hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  messageBoxHook_ = std::move(hook);
}

bool MemoryKernel::GetEnvironment(const std::string& name, std::string* value) {
  uiThread_.Check("MemoryKernel::GetEnvironment");
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = environment_.find(name);
  if (it == environment_.end() || it->second.empty()) {
    return false;
  }
  *value = it->second;
  return true;
}

bool MemoryKernel::MakeDirectory(const std::string& path) {
  uiThread_.Check("MemoryKernel::MakeDirectory");
  std::lock_guard<std::mutex> lock(mutex_);
  const std::string key = FolderKey(path);
  if (key.empty() || IsDriveRoot(key)) {
    return false;  // exists already
  }
  if (directories_.count(key) != 0 || files_.count(key) != 0) {
    return false;
  }
  if (!FolderExistsLocked(ParentOf(key))) {
    return false;
  }
  directories_.insert(key);
  return true;
}

void MemoryKernel::HoldOpen(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  held_.insert(path);
}

void MemoryKernel::LetGo(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = held_.find(path);
  if (it != held_.end()) {
    held_.erase(it);
  }
}

bool MemoryKernel::RemoveFile(const std::string& path) {
  uiThread_.Check("MemoryKernel::RemoveFile");
  std::lock_guard<std::mutex> lock(mutex_);
  return held_.count(path) == 0 && files_.erase(path) != 0;
}

bool MemoryKernel::MoveIntoPlace(const std::string& from, const std::string& to) {
  uiThread_.Check("MemoryKernel::MoveIntoPlace");
  std::lock_guard<std::mutex> lock(mutex_);
  if (failMoves_ > 0) {
    --failMoves_;
    return false;
  }
  if (held_.count(from) != 0 || held_.count(to) != 0) {
    return false;  // sharing violation
  }
  const auto source = files_.find(from);
  if (source == files_.end()) {
    return false;
  }
  if (directories_.count(FolderKey(to)) != 0 || !FolderExistsLocked(ParentOf(to))) {
    return false;
  }
  if (from == to) {
    return true;
  }
  std::string bytes = std::move(source->second);
  files_.erase(source);
  files_[to] = std::move(bytes);
  return true;
}

bool MemoryKernel::MoveWithoutReplacing(const std::string& from, const std::string& to) {
  uiThread_.Check("MemoryKernel::MoveWithoutReplacing");
  std::lock_guard<std::mutex> lock(mutex_);
  const auto source = files_.find(from);
  if (source == files_.end() || held_.count(from) != 0 || files_.count(to) != 0 ||
      directories_.count(FolderKey(to)) != 0 || IsDriveRoot(to) ||
      !FolderExistsLocked(ParentOf(to))) {
    return false;
  }
  std::string bytes = std::move(source->second);
  files_.erase(source);
  files_[to] = std::move(bytes);
  return true;
}

std::unique_ptr<ReadableFile> MemoryKernel::OpenForReading(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (failOpens_ > 0) {
    --failOpens_;
    return nullptr;
  }
  const auto it = files_.find(path);
  if (it == files_.end()) {
    return nullptr;
  }
  const int64_t failAfter = failReadAfter_;
  failReadAfter_ = -1;
  return std::make_unique<MemoryReadableFile>(it->second, failAfter);
}

uint16_t MemoryKernel::DefaultLanguageId() {
  uiThread_.Check("MemoryKernel::DefaultLanguageId");
  std::lock_guard<std::mutex> lock(mutex_);
  return languageId_;
}

void MemoryKernel::SetCodePage(CodePage codePage) {
  std::lock_guard<std::mutex> lock(mutex_);
  codePage_ = codePage;
}

void MemoryKernel::SetLeadBytes(unsigned char first, unsigned char last) {
  std::lock_guard<std::mutex> lock(mutex_);
  firstLeadByte_ = first;
  lastLeadByte_ = last;
}

bool MemoryKernel::IsLeadByte(unsigned char byte) {
  std::lock_guard<std::mutex> lock(mutex_);
  return byte >= firstLeadByte_ && byte <= lastLeadByte_;
}

std::string MemoryKernel::WideToNarrow(const std::u16string& text) {
  uiThread_.Check("MemoryKernel::WideToNarrow");
  std::lock_guard<std::mutex> lock(mutex_);
  const std::u16string string = text.substr(0, text.find(u'\0'));
  return codePage_ == CodePage::kUtf8 ? Utf16ToUtf8(string) : Utf16ToLatin1(string, true, nullptr);
}

bool MemoryKernel::WideToNarrowExact(const std::u16string& text, std::string* narrow) {
  uiThread_.Check("MemoryKernel::WideToNarrowExact");
  std::lock_guard<std::mutex> lock(mutex_);
  const std::u16string string = text.substr(0, text.find(u'\0'));
  bool exact = false;
  *narrow = codePage_ == CodePage::kUtf8 ? Utf16ToUtf8(string, &exact)
                                         : Utf16ToLatin1(string, false, &exact);
  return exact;
}

std::u16string MemoryKernel::NarrowToWide(const std::string& text) {
  uiThread_.Check("MemoryKernel::NarrowToWide");
  std::lock_guard<std::mutex> lock(mutex_);
  return codePage_ == CodePage::kUtf8 ? Utf8ToUtf16(text) : Latin1ToUtf16(text);
}

std::string MemoryKernel::Utf8ToNarrow(const std::string& text) {
  uiThread_.Check("MemoryKernel::Utf8ToNarrow");
  std::lock_guard<std::mutex> lock(mutex_);
  return codePage_ == CodePage::kUtf8 ? text : Utf16ToLatin1(Utf8ToUtf16(text), true, nullptr);
}

void MemoryKernel::ShowMessageBox(const std::string& text) {
  std::function<void(const std::string&)> hook;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    messageBoxes_.push_back(text);
    hook = messageBoxHook_;
  }
  if (hook) {
    hook(text);
  }
}

int64_t MemoryKernel::Now() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (nowFixed_) {
    return fixedNow_ + (clock_.NowMs() - fixedAtMs_) / 1000;
  }
  return kDefaultEpochSeconds + clock_.NowMs() / 1000;
}

}  // namespace tamborix
