#include "control/file_name.h"

#include <utility>

#include "platform/kernel.h"

namespace tamborix {
namespace {

bool IsFolderPart(char32_t c) {
  return c == '\\' || c == '/' || c == ':' || c < 0x20 || c == 0x7F;
}

bool IsPlainWide(const std::u16string& name) {
  if (name == u"." || name == u"..") {
    return false;
  }
  for (char16_t c : name) {
    if (IsFolderPart(c)) {
      return false;
    }
  }
  return true;
}

// The second byte of a double-byte character may look like a backslash; it
// is part of that character, not a separator.
bool IsPlainNarrow(Kernel& kernel, const std::string& name) {
  if (name == "." || name == "..") {
    return false;
  }
  for (size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (kernel.IsLeadByte(byte)) {
      ++i;
    } else if (IsFolderPart(byte)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ToPlainFileName(Kernel& kernel, const std::u16string& name, std::string* narrow) {
  std::string converted;
  if (!IsPlainWide(name) || !kernel.WideToNarrowExact(name, &converted) ||
      !IsPlainNarrow(kernel, converted)) {
    return false;
  }
  *narrow = std::move(converted);
  return true;
}

}  // namespace tamborix
