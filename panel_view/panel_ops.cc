#include "panel_view/panel_ops.h"

#include <atomic>

#include "panel_view/string_table.h"
#include "platform/kernel.h"
#include "platform/panel_window.h"
#include "platform/window_messages.h"

namespace tamborix {
namespace {

std::atomic<int> g_languageOffset{0};

constexpr int kTicEvery = 10;

// LoadText reads through a 2048-byte buffer.
constexpr size_t kMaxTextBytes = 2047;

}  // namespace

void SetLanguageFromId(uint16_t languageId) {
  int offset = 0;
  switch (languageId) {
    case 0x0404:
    case 0x0C04:
    case 0x1004:
      offset = 10000;
      break;
    case 0x0804:
      offset = 20000;
      break;
    default:
      break;
  }
  g_languageOffset.store(offset);
}

int LanguageOffset() {
  return g_languageOffset.load();
}

std::string LoadText(Kernel& kernel, int baseId) {
  const char* text = FindString(baseId + LanguageOffset());
  if (text == nullptr) {
    return std::string();
  }
  std::string narrow = kernel.Utf8ToNarrow(text);
  if (narrow.size() > kMaxTextBytes) {
    narrow.resize(kMaxTextBytes);
  }
  return narrow;
}

void EnableButtons(PanelWindow& window, ButtonState state) {
  const int ids[] = {kRecButton, kStopButton, kPlayButton, kUploadButton, kAbortButton};
  const bool running = state == ButtonState::kRecording || state == ButtonState::kPlaying;
  const bool ready = state == ButtonState::kReady;
  const bool enabled[] = {!running, running, ready, ready, !running};
  constexpr int kCount = 5;
  const int focused = window.FocusedItem();
  int focusedIndex = -1;
  for (int i = 0; i < kCount; ++i) {
    window.EnableItem(ids[i], enabled[i]);
    if (ids[i] == focused) {
      focusedIndex = i;
    }
  }
  // A disabled button loses the focus to nowhere, and a keyboard user would
  // be stuck: it goes on to the next enabled button, round the five (REC to
  // STOP, STOP to PLAY, PLAY to STOP).
  if (focusedIndex < 0 || enabled[focusedIndex]) {
    return;
  }
  for (int step = 1; step < kCount; ++step) {
    const int next = (focusedIndex + step) % kCount;
    if (enabled[next]) {
      window.FocusItem(ids[next]);
      return;
    }
  }
}

void SetTrackbarRange(PanelWindow& window, int32_t maxSeconds) {
  window.SendItemMessage(kTrackbar, kTbmSetRange, 1,
                         MakeLParam(0, static_cast<uint32_t>(maxSeconds)));
  window.SendItemMessage(kTrackbar, kTbmSetTicFreq, kTicEvery, 0);
}

std::string Narrow(Kernel& kernel, const WideString& value) {
  return value ? kernel.WideToNarrow(*value) : std::string();
}

void UpdateFullPath(RecorderState& state, PanelWindow* window, const std::string& name) {
  state.fullPath = state.folder + name;
  if (window != nullptr) {
    window->SetItemText(kStatusBox, state.fullPath.size() > kMaxPathBytes
                                        ? state.fullPath.substr(0, kMaxPathBytes)
                                        : state.fullPath);
  }
}

}  // namespace tamborix
