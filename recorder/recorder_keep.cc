// Keeping a take that cannot replace the previous one: under a free name
// beside it, which the panel's path then follows.
#include <string>

#include "panel_view/panel_ops.h"
#include "platform/kernel.h"
#include "recorder/recorder.h"
#include "state/recorder_state.h"

namespace tamborix {
namespace {

// Numbers tried before the take stays under its temporary name.
constexpr int kFirstNumber = 2;
constexpr int kLastNumber = 99;

// "take.wav" -> "take-<number>.wav"; a name without an extension (no dot
// after its first character) gets the number at its end. A dot is never
// the second byte of a double-byte character, so the last one is found
// byte by byte.
std::string NumberedName(const std::string& name, int number) {
  const size_t dot = name.rfind('.');
  const size_t end = dot == std::string::npos || dot == 0 ? name.size() : dot;
  return name.substr(0, end) + "-" + std::to_string(number) + name.substr(end);
}

}  // namespace

std::string Recorder::KeepTake(const std::string& temporary) {
  Kernel& kernel = *platform_.kernel;
  std::string name;
  for (int number = kFirstNumber; number <= kLastNumber && name.empty(); ++number) {
    const std::string candidate = NumberedName(state_.fileName, number);
    if (kernel.MoveWithoutReplacing(temporary, state_.folder + candidate)) {
      name = candidate;
    }
  }
  if (name.empty()) {
    // The temporary file is the take; the next save never removes it, as
    // its own temporary name is this one's with the suffix once more.
    name = temporary.substr(state_.folder.size());
  }
  state_.fileName = name;
  state_.wide.fileName = kernel.NarrowToWide(name);
  UpdateFullPath(state_, &window_, name);
  return state_.fullPath;
}

}  // namespace tamborix
