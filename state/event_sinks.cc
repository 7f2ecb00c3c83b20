#include "state/event_sinks.h"

#include <utility>

namespace tamborix {

uint32_t EventSinks::Advise(std::shared_ptr<EventSink> sink) {
  for (size_t i = 0; i < positions_.size(); ++i) {
    if (!positions_[i]) {
      positions_[i] = std::move(sink);
      return static_cast<uint32_t>(i + 1);
    }
  }
  positions_.push_back(std::move(sink));
  return static_cast<uint32_t>(positions_.size());
}

bool EventSinks::Unadvise(uint32_t cookie) {
  if (cookie == 0 || cookie > positions_.size() || !positions_[cookie - 1]) {
    return false;
  }
  // Move the reference out first: the sink's destructor may re-enter.
  std::shared_ptr<EventSink> gone = std::move(positions_[cookie - 1]);
  positions_[cookie - 1].reset();
  return true;
}

void EventSinks::Fire(int32_t dispid) {
  const size_t count = positions_.size();
  // Positions are never removed, only emptied, so every index below `count`
  // stays valid while sinks connect and disconnect from inside a handler.
  for (size_t i = 0; i < count; ++i) {
    std::shared_ptr<EventSink> sink = positions_[i];
    if (sink) {
      sink->Invoke(dispid);
    }
  }
}

std::shared_ptr<EventSink> EventSinks::At(size_t position) const {
  return position < positions_.size() ? positions_[position] : nullptr;
}

size_t EventSinks::ConnectedCount() const {
  size_t n = 0;
  for (const auto& s : positions_) {
    n += s ? 1 : 0;
  }
  return n;
}

}  // namespace tamborix
