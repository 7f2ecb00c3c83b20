#include "platform/memory/memory_panel_window.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "platform/window_messages.h"

namespace tamborix {
namespace {

constexpr uint32_t kMinTimerPeriodMs = 10;  // USER_TIMER_MINIMUM

uintptr_t NewHandle() {
  static std::atomic<uintptr_t> next{0x10000};
  return next.fetch_add(0x10000);
}

int Clamp(int value, int low, int high) {
  return std::max(low, std::min(value, high));
}

uint32_t LowWord(intptr_t value) {
  return static_cast<uint32_t>(value) & 0xFFFFu;
}
uint32_t HighWord(intptr_t value) {
  return (static_cast<uint32_t>(value) >> 16) & 0xFFFFu;
}

}  // namespace

MemoryPanelWindow::MemoryPanelWindow(MemoryClock& clock) : clock_(clock), handle_(NewHandle()) {
  clock_.AddSource(this);
}

MemoryPanelWindow::~MemoryPanelWindow() {
  clock_.RemoveSource(this);
}

void MemoryPanelWindow::Open(PanelMessageHandler* handler) {
  struct Template {
    int id;
    Kind kind;
    const char* text;
    bool visible;
  };
  // Dialog template 104, in tab order.
  static const Template kTemplate[] = {
      {kLengthCombo, Kind::kCombo, "", true},
      {kRecButton, Kind::kButton, "REC", true},
      {kStopButton, Kind::kButton, "STOP", true},
      {kPlayButton, Kind::kButton, "PLAY", true},
      {kUploadButton, Kind::kButton, "UPLOAD", true},
      {kAbortButton, Kind::kButton, "ABORT", true},
      {kTrackbar, Kind::kTrackbar, "Slider1", true},
      {kSizeLabel, Kind::kStatic, "File Size :", true},
      {kLengthLabel, Kind::kStatic, "Max Rec (min) :", true},
      {kStatusBox, Kind::kEdit, "", true},
      {kChooserButton, Kind::kButton, "", false},
      {kCaptionLabel, Kind::kStatic, "Lumo Recorder v 1.1", true},
      {kProgressBar, Kind::kProgress, "Progress1", false},
  };
  Destroy();
  for (const Template& entry : kTemplate) {
    ItemState item;
    item.text = entry.text;
    item.visible = entry.visible;
    items_[entry.id] = item;
    kinds_[entry.id] = entry.kind;
  }
  handler_ = handler;
  {
    std::lock_guard<std::mutex> lock(postedMutex_);
    acceptingPosts_ = handler != nullptr;
  }
  Deliver(kWmInitDialog, ItemHandle(kLengthCombo), 0);
  PumpMessages();
}

void MemoryPanelWindow::Destroy() {
  uiThread_.Check("MemoryPanelWindow::Destroy");
  if (handler_ != nullptr) {
    Deliver(kWmDestroy, 0, 0);
  }
  handler_ = nullptr;
  timers_.clear();
  focused_ = 0;
  std::lock_guard<std::mutex> lock(postedMutex_);
  acceptingPosts_ = false;
  posted_.clear();
}

ItemState* MemoryPanelWindow::Find(int id) {
  if (!IsOpen()) {
    return nullptr;
  }
  const auto it = items_.find(id);
  return it == items_.end() ? nullptr : &it->second;
}

const ItemState& MemoryPanelWindow::Item(int id) const {
  static const ItemState kMissing;
  const auto it = items_.find(id);
  return it == items_.end() ? kMissing : it->second;
}

uint32_t MemoryPanelWindow::TimerPeriodMs(uint32_t id) const {
  const auto it = timers_.find(id);
  return it == timers_.end() ? 0 : it->second.periodMs;
}

intptr_t MemoryPanelWindow::Deliver(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (handler_ == nullptr) {
    return 0;
  }
  MessageRecord record{message, wParam, lParam, false, 0};
  record.handled = handler_->OnMessage(message, wParam, lParam, &record.result);
  if (!record.handled) {
    record.result = 0;  // the default dialog handling answers 0
  }
  messages_.push_back(record);
  return record.result;
}

std::vector<MemoryPanelWindow::MessageRecord> MemoryPanelWindow::TakeMessages() {
  std::vector<MessageRecord> taken;
  taken.swap(messages_);
  return taken;
}

int MemoryPanelWindow::CountMessages(uint32_t message) const {
  return static_cast<int>(
      std::count_if(messages_.begin(), messages_.end(),
                    [&](const MessageRecord& r) { return r.message == message; }));
}

bool MemoryPanelWindow::Click(int id) {
  const ItemState* item = Find(id);
  if (item == nullptr || !item->enabled || !item->visible) {
    return false;
  }
  focused_ = id;
  Deliver(kWmCommand, MakeWParam(static_cast<uint32_t>(id), kBnClicked),
          static_cast<intptr_t>(ItemHandle(id)));
  PumpMessages();
  return true;
}

intptr_t MemoryPanelWindow::SendCommand(int id, uint32_t notification) {
  return Deliver(kWmCommand, MakeWParam(static_cast<uint32_t>(id), notification),
                 static_cast<intptr_t>(ItemHandle(id)));
}

intptr_t MemoryPanelWindow::Send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return Deliver(message, wParam, lParam);
}

bool MemoryPanelWindow::ChooseComboEntry(int index) {
  ItemState* combo = Find(kLengthCombo);
  if (combo == nullptr || !combo->enabled || !combo->visible || index < 0 ||
      index >= static_cast<int>(combo->entries.size())) {
    return false;
  }
  combo->selection = index;
  combo->text = combo->entries[static_cast<size_t>(index)];
  Deliver(kWmCommand, MakeWParam(kLengthCombo, kCbnSelChange),
          static_cast<intptr_t>(ItemHandle(kLengthCombo)));
  PumpMessages();
  return true;
}

bool MemoryPanelWindow::TakePosted(Posted* out) {
  std::lock_guard<std::mutex> lock(postedMutex_);
  if (posted_.empty()) {
    return false;
  }
  *out = posted_.front();
  posted_.pop_front();
  return true;
}

void MemoryPanelWindow::PumpMessages() {
  while (IsOpen()) {
    Posted posted{};
    if (TakePosted(&posted)) {
      Deliver(posted.message, posted.wParam, posted.lParam);
      continue;
    }
    auto waiting = std::find_if(
        timers_.begin(), timers_.end(),
        [](const std::pair<const uint32_t, Timer>& t) { return t.second.tickWaiting; });
    if (waiting == timers_.end()) {
      break;
    }
    waiting->second.tickWaiting = false;
    Deliver(kWmTimer, waiting->first, 0);
  }
}

void MemoryPanelWindow::SetItemText(int id, const std::string& text) {
  uiThread_.Check("MemoryPanelWindow::SetItemText");
  if (ItemState* item = Find(id)) {
    item->text = text;
  }
}

void MemoryPanelWindow::EnableItem(int id, bool enabled) {
  uiThread_.Check("MemoryPanelWindow::EnableItem");
  if (ItemState* item = Find(id)) {
    item->enabled = enabled;
    if (!enabled && focused_ == id) {
      focused_ = 0;
    }
  }
}

void MemoryPanelWindow::FocusItem(int id) {
  uiThread_.Check("MemoryPanelWindow::FocusItem");
  if (Find(id) != nullptr) {
    focused_ = id;
  }
}

void MemoryPanelWindow::ShowItem(int id, bool visible) {
  uiThread_.Check("MemoryPanelWindow::ShowItem");
  if (ItemState* item = Find(id)) {
    item->visible = visible;
  }
}

void MemoryPanelWindow::SetItemIcon(int id, int iconId) {
  uiThread_.Check("MemoryPanelWindow::SetItemIcon");
  if (ItemState* item = Find(id)) {
    item->icon = iconId;
  }
}

intptr_t MemoryPanelWindow::SendItemMessage(int id, uint32_t message, uintptr_t wParam,
                                            intptr_t lParam) {
  uiThread_.Check("MemoryPanelWindow::SendItemMessage");
  ItemState* item = Find(id);
  if (item == nullptr) {
    return 0;
  }
  if (message == kWmSetText) {
    item->text = lParam == 0
                     ? ""
                     : reinterpret_cast<const char*>(lParam);  // NOLINT(performance-no-int-to-ptr)
    return 1;
  }
  switch (kinds_[id]) {
    case Kind::kCombo:
      return ComboMessage(item, message, wParam, lParam);
    case Kind::kTrackbar:
      return TrackbarMessage(item, message, wParam, lParam);
    case Kind::kProgress:
      return ProgressMessage(item, message, wParam, lParam);
    default:
      return 0;
  }
}

intptr_t MemoryPanelWindow::ComboMessage(ItemState* item, uint32_t message, uintptr_t wParam,
                                         intptr_t lParam) {
  switch (message) {
    case kCbAddString: {
      if (lParam == 0) {
        return kCbErr;
      }
      const std::string entry =
          reinterpret_cast<const char*>(lParam);  // NOLINT(performance-no-int-to-ptr)
      const auto at = std::upper_bound(item->entries.begin(), item->entries.end(), entry);
      const int index = static_cast<int>(at - item->entries.begin());
      item->entries.insert(at, entry);
      if (item->selection >= index) {
        ++item->selection;
      }
      return index;
    }
    case kCbSetCurSel: {
      const auto index = static_cast<intptr_t>(wParam);
      if (index < 0 || index >= static_cast<intptr_t>(item->entries.size())) {
        item->selection = -1;
        item->text.clear();
        return kCbErr;
      }
      item->selection = static_cast<int>(index);
      item->text = item->entries[static_cast<size_t>(index)];
      return index;
    }
    case kCbGetCurSel:
      return item->selection;
    default:
      return 0;
  }
}

intptr_t MemoryPanelWindow::TrackbarMessage(ItemState* item, uint32_t message, uintptr_t wParam,
                                            intptr_t lParam) {
  switch (message) {
    case kTbmSetPos:
      item->position = Clamp(static_cast<int>(lParam), item->rangeMin, item->rangeMax);
      return 0;
    case kTbmSetRange:
      // The trackbar reads both words as signed 16-bit values.
      item->rangeMin = static_cast<int16_t>(LowWord(lParam));
      item->rangeMax = static_cast<int16_t>(HighWord(lParam));
      item->position = Clamp(item->position, item->rangeMin, item->rangeMax);
      return 0;
    case kTbmSetTicFreq:
      item->ticFrequency = static_cast<int>(wParam);
      return 0;
    default:
      return 0;
  }
}

intptr_t MemoryPanelWindow::ProgressMessage(ItemState* item, uint32_t message, uintptr_t wParam,
                                            intptr_t lParam) {
  switch (message) {
    case kPbmSetRange: {
      const intptr_t previous =
          MakeLParam(static_cast<uint32_t>(item->rangeMin), static_cast<uint32_t>(item->rangeMax));
      item->rangeMin = static_cast<int>(LowWord(lParam));
      item->rangeMax = static_cast<int>(HighWord(lParam));
      item->position = Clamp(item->position, item->rangeMin, item->rangeMax);
      return previous;
    }
    case kPbmSetPos: {
      const int previous = item->position;
      item->position =
          Clamp(static_cast<int>(static_cast<intptr_t>(wParam)), item->rangeMin, item->rangeMax);
      return previous;
    }
    default:
      return 0;
  }
}

void MemoryPanelWindow::SetTimer(uint32_t timerId, uint32_t periodMs) {
  uiThread_.Check("MemoryPanelWindow::SetTimer");
  if (!IsOpen()) {
    return;
  }
  const uint32_t period = std::max(periodMs, kMinTimerPeriodMs);
  timers_[timerId] = Timer{period, clock_.NowMs() + period, false};
}

void MemoryPanelWindow::KillTimer(uint32_t timerId) {
  uiThread_.Check("MemoryPanelWindow::KillTimer");
  timers_.erase(timerId);
}

void MemoryPanelWindow::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  std::lock_guard<std::mutex> lock(postedMutex_);
  if (acceptingPosts_) {
    posted_.push_back(Posted{message, wParam, lParam});
  }
}

int64_t MemoryPanelWindow::NextDueMs() const {
  int64_t due = INT64_MAX;
  for (const auto& entry : timers_) {
    due = std::min(due, entry.second.dueMs);
  }
  return due;
}

void MemoryPanelWindow::RunDue(int64_t nowMs) {
  for (auto& entry : timers_) {
    Timer& timer = entry.second;
    if (timer.dueMs > nowMs) {
      continue;
    }
    timer.tickWaiting = true;
    while (timer.dueMs <= nowMs) {
      timer.dueMs += timer.periodMs;
    }
  }
}

}  // namespace tamborix
