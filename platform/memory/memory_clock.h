// The in-memory platform's time: a millisecond clock that only moves when a
// test (or the console host) tells it to. Platform parts with timed events
// (window timers, device notices) register as sources; Advance runs their
// events in time order and lets the windows deliver what was posted.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace tamborix {

class MemoryClock {
 public:
  class Source {
   public:
    virtual ~Source() = default;
    // The clock time of the next event, INT64_MAX when nothing is due.
    virtual int64_t NextDueMs() const = 0;
    // Posts what is due at `nowMs`.
    virtual void RunDue(int64_t nowMs) = 0;
    // Delivers queued messages (windows do; other sources need not).
    virtual void Pump() {}
  };

  // Starts at 0. May be read from any thread.
  int64_t NowMs() const { return nowMs_.load(); }

  // Moves time forward by `ms` (negative counts as 0). At each due time in
  // between (and at the end point itself) the clock sets NowMs() to that time,
  // lets every due source post, and then every source pumps before time moves
  // on. Advance(0) runs what is due now and pumps. A handler may call
  // Advance itself (as a modal message box lets time pass); the outer call
  // then carries on from the later time and never moves time back.
  void Advance(int64_t ms);

  // Sources are called in the order they were added. A source may be removed
  // while Advance runs (for example when a handler destroys a window).
  void AddSource(Source* source);
  void RemoveSource(Source* source);

 private:
  bool Has(const Source* source) const;
  void PumpAll();

  std::atomic<int64_t> nowMs_{0};
  std::vector<Source*> sources_;
};

}  // namespace tamborix
