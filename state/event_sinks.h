// The list of connected event sinks and the rule by which events reach them.
//
// Positions and cookies follow SinkSlots (sink_slots.h). Firing reads the number
// of positions once, then visits each position up to it in order, skipping
// empty ones, and holds its own reference to the sink while calling it, so a
// sink that disconnects itself or another one from inside its handler never
// leaves a freed sink to be called. A failing sink does not stop delivery.
//
// Threading: user-interface thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "state/sink_slots.h"

namespace tamborix {

// Dispatch identifiers of the event interface.
enum EventId : int32_t {
  kOnOKDone = 1,
  kOnAbort = 2,
  kOnRecording = 3,
  kOnPlaying = 4,
  kOnPlayimg = 5,
  kOnInitDone = 6,
};

class EventSink {
 public:
  virtual ~EventSink() = default;
  // Delivers one event; the result is ignored by the firing code.
  virtual int32_t Invoke(int32_t dispid) = 0;
};

class EventSinks {
 public:
  // Connects `sink`; returns its cookie (never 0).
  uint32_t Advise(std::shared_ptr<EventSink> sink);
  // Disconnects the sink with `cookie`; false when no sink has it.
  bool Unadvise(uint32_t cookie);
  // Calls every connected sink once with `dispid`, in position order.
  void Fire(int32_t dispid);

  size_t PositionCount() const { return slots_.PositionCount(); }
  // The sink at `position`, or null for an empty one.
  std::shared_ptr<EventSink> At(size_t position) const { return slots_.At(position); }
  size_t ConnectedCount() const;

 private:
  SinkSlots<std::shared_ptr<EventSink>> slots_;
};

}  // namespace tamborix
