#include "module/dispatch_event_sink.h"

namespace tamborix {

DispatchEventSink::DispatchEventSink(IDispatch* sink) : sink_(sink) {
  IDispatch_AddRef(sink_);
}

DispatchEventSink::~DispatchEventSink() {
  IDispatch_Release(sink_);
}

int32_t DispatchEventSink::Invoke(int32_t dispid) {
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  try {
    return IDispatch_Invoke(sink_, dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                            nullptr, nullptr, nullptr);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace tamborix
