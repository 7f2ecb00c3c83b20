// A page's event sink as the control's EventSink: holds a reference to the
// sink's IDispatch for as long as the sink is connected (and while an event
// is being delivered to it), and never lets a failure of the sink escape.
#pragma once

#include "module/com_headers.h"
#include "state/event_sinks.h"

namespace tamborix {

class DispatchEventSink : public EventSink {
 public:
  // Takes a reference of its own to `sink`.
  explicit DispatchEventSink(IDispatch* sink);
  ~DispatchEventSink() override;
  DispatchEventSink(const DispatchEventSink&) = delete;
  DispatchEventSink& operator=(const DispatchEventSink&) = delete;

  // IDispatch::Invoke with `dispid`, no arguments, DISPATCH_METHOD and
  // LOCALE_USER_DEFAULT; an exception thrown by the sink becomes
  // E_UNEXPECTED.
  int32_t Invoke(int32_t dispid) override;

  IDispatch* sink() const { return sink_; }

 private:
  IDispatch* sink_;
};

}  // namespace tamborix
