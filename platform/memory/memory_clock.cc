#include "platform/memory/memory_clock.h"

#include <algorithm>
#include <cstdint>

namespace tamborix {

void MemoryClock::AddSource(Source* source) {
  if (source != nullptr && !Has(source)) {
    sources_.push_back(source);
  }
}

void MemoryClock::RemoveSource(Source* source) {
  sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

bool MemoryClock::Has(const Source* source) const {
  return std::find(sources_.begin(), sources_.end(), source) != sources_.end();
}

void MemoryClock::PumpAll() {
  const std::vector<Source*> snapshot = sources_;
  for (Source* source : snapshot) {
    if (Has(source)) {
      source->Pump();
    }
  }
}

void MemoryClock::Advance(int64_t ms) {
  const int64_t target = nowMs_.load() + std::max<int64_t>(ms, 0);
  for (;;) {
    int64_t due = INT64_MAX;
    for (const Source* source : sources_) {
      due = std::min(due, source->NextDueMs());
    }
    if (due > target) {
      break;
    }
    // An event that should have happened earlier (posted "now" by a handler)
    // runs at the present time; time never goes back.
    nowMs_.store(std::max(due, nowMs_.load()));
    const std::vector<Source*> snapshot = sources_;
    for (Source* source : snapshot) {
      if (Has(source) && source->NextDueMs() <= nowMs_.load()) {
        source->RunDue(nowMs_.load());
      }
    }
    PumpAll();
  }
  // A handler may have advanced the clock itself (a modal loop); time never
  // goes back.
  nowMs_.store(std::max(target, nowMs_.load()));
  PumpAll();
}

}  // namespace tamborix
