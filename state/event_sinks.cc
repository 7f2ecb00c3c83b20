#include "state/event_sinks.h"

#include <utility>

namespace tamborix {

uint32_t EventSinks::Advise(std::shared_ptr<EventSink> sink) {
  return slots_.Add(std::move(sink));
}

bool EventSinks::Unadvise(uint32_t cookie) {
  // The sink goes only once its position is empty: its destructor may re-enter.
  return slots_.Remove(cookie) != nullptr;
}

void EventSinks::Fire(int32_t dispid) {
  // Only the positions there were when firing began; a sink connected from
  // inside a handler hears the next event.
  const size_t count = slots_.PositionCount();
  for (size_t i = 0; i < count; ++i) {
    std::shared_ptr<EventSink> sink = slots_.At(i);
    if (sink) {
      sink->Invoke(dispid);
    }
  }
}

size_t EventSinks::ConnectedCount() const {
  size_t n = 0;
  for (size_t i = 0; i < slots_.PositionCount(); ++i) {
    n += slots_.At(i) ? 1 : 0;
  }
  return n;
}

}  // namespace tamborix
