// Events reach the page's sinks through the connection point and
// IDispatch::Invoke: every sink once, in position order, whatever a sink
// does while it is called, and never a sink that has been let go.
#include <stdexcept>
#include <string>
#include <vector>

#include "module/recorder_object.h"
#include "tests/wine/check.h"

namespace tamborix_wine {
namespace {

using tamborix::RecorderObject;

enum class Behaviour { kPlain, kFail, kThrow, kDisconnect, kConnect };

struct Sink;
std::vector<std::string> gCalls;

// A sink written the C way, as the module sees it.
struct Sink {
  IDispatch IDispatch_iface;
  LONG refs;
  char name;
  Behaviour behaviour;
  bool released;            // its count reached 0: it must not be called again
  IConnectionPoint* point;  // for kDisconnect and kConnect
  DWORD disconnect[2];      // cookies that kDisconnect drops
  Sink* connect;            // the sink kConnect adds
};

Sink* impl_from_IDispatch(IDispatch* iface) {
  return reinterpret_cast<Sink*>(iface);
}

HRESULT WINAPI Sink_QueryInterface(IDispatch* iface, REFIID riid, void** out) {
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch) ||
      IsEqualGUID(riid, DIID__IRecorderDialogEvents)) {
    IDispatch_AddRef(iface);
    *out = iface;
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG WINAPI Sink_AddRef(IDispatch* iface) {
  Sink* sink = impl_from_IDispatch(iface);
  if (sink->released) {
    gCalls.push_back(std::string("AddRef after release of ") + sink->name);
  }
  return ++sink->refs;
}

ULONG WINAPI Sink_Release(IDispatch* iface) {
  Sink* sink = impl_from_IDispatch(iface);
  const LONG refs = --sink->refs;
  if (refs == 0) {
    sink->released = true;
  }
  return refs;
}

HRESULT WINAPI Sink_GetTypeInfoCount(IDispatch*, UINT*) {
  return E_NOTIMPL;
}
HRESULT WINAPI Sink_GetTypeInfo(IDispatch*, UINT, LCID, ITypeInfo**) {
  return E_NOTIMPL;
}
HRESULT WINAPI Sink_GetIDsOfNames(IDispatch*, REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

HRESULT WINAPI Sink_Invoke(IDispatch* iface, DISPID dispid, REFIID riid, LCID locale, WORD flags,
                           DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                           UINT* argumentError) {
  Sink* sink = impl_from_IDispatch(iface);
  std::string call = std::string(1, sink->name) + std::to_string(dispid);
  if (sink->released) {
    call += " after release";
  }
  if (!IsEqualGUID(riid, IID_NULL) || locale != LOCALE_USER_DEFAULT || flags != DISPATCH_METHOD ||
      params == nullptr || params->cArgs != 0 || params->cNamedArgs != 0 || result != nullptr ||
      exception != nullptr || argumentError != nullptr) {
    call += " with wrong arguments";
  }
  gCalls.push_back(call);
  switch (sink->behaviour) {
    case Behaviour::kFail:
      return E_FAIL;
    case Behaviour::kThrow:
      throw std::runtime_error("sink failed");
    case Behaviour::kDisconnect:
      for (DWORD cookie : sink->disconnect) {
        if (cookie != 0) {
          IConnectionPoint_Unadvise(sink->point, cookie);
        }
      }
      return S_OK;
    case Behaviour::kConnect: {
      DWORD cookie = 0;
      IConnectionPoint_Advise(
          sink->point, reinterpret_cast<IUnknown*>(&sink->connect->IDispatch_iface), &cookie);
      sink->behaviour = Behaviour::kPlain;
      return S_OK;
    }
    case Behaviour::kPlain:
      break;
  }
  return S_OK;
}

const IDispatchVtbl kSinkVtbl = {
    Sink_QueryInterface, Sink_AddRef,        Sink_Release, Sink_GetTypeInfoCount,
    Sink_GetTypeInfo,    Sink_GetIDsOfNames, Sink_Invoke};

Sink MakeSink(char name, Behaviour behaviour = Behaviour::kPlain) {
  Sink sink = {{&kSinkVtbl}, 1, name, behaviour, false, nullptr, {0, 0}, nullptr};
  return sink;
}

// A control made from the module's own code, and its event connection point.
struct Control {
  Control() {
    CHECK_HR(
        tamborix::CreateRecorderObject(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)),
        S_OK);
    object = tamborix::impl_from_IUnknown(unknown);
    point = &object->eventsPoint.IConnectionPoint_iface;
    gCalls.clear();
  }
  ~Control() { IUnknown_Release(unknown); }
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  DWORD Connect(Sink* sink) {
    DWORD cookie = 0;
    CHECK_HR(IConnectionPoint_Advise(point, reinterpret_cast<IUnknown*>(&sink->IDispatch_iface),
                                     &cookie),
             S_OK);
    return cookie;
  }
  void Fire(int dispid) { object->parts->control.events().Fire(dispid); }

  IUnknown* unknown = nullptr;
  RecorderObject* object = nullptr;
  IConnectionPoint* point = nullptr;
};

std::string Calls() {
  std::string all;
  for (const std::string& call : gCalls) {
    all += (all.empty() ? "" : " ") + call;
  }
  return all;
}

#define CHECK_CALLS(expected)                                                              \
  do {                                                                                     \
    if (Calls() != (expected)) Fail(__FILE__, __LINE__, "calls were \"" + Calls() + "\""); \
  } while (0)

TEST_GROUP(NoSinkNoCall) {
  Control control;
  control.Fire(tamborix::kOnPlayimg);
  CHECK_CALLS("");
}

TEST_GROUP(EverySinkOnceInPositionOrder) {
  Sink a = MakeSink('A'), b = MakeSink('B'), c = MakeSink('C');
  {
    Control control;
    CHECK(control.Connect(&a) == 1);
    CHECK(control.Connect(&b) == 2);
    CHECK(control.Connect(&c) == 3);
    control.Fire(tamborix::kOnPlayimg);
    CHECK_CALLS("A5 B5 C5");
    gCalls.clear();
    CHECK_HR(IConnectionPoint_Unadvise(control.point, 2), S_OK);
    control.Fire(tamborix::kOnOKDone);
    control.Fire(tamborix::kOnAbort);
    CHECK_CALLS("A1 C1 A2 C2");
    CHECK(b.refs == 1);
  }
  CHECK(a.refs == 1 && c.refs == 1);
}

TEST_GROUP(FailingSinksDoNotStopDelivery) {
  Sink thrower = MakeSink('T', Behaviour::kThrow);
  Sink failer = MakeSink('F', Behaviour::kFail);
  Sink last = MakeSink('L');
  {
    Control control;
    control.Connect(&thrower);
    control.Connect(&failer);
    control.Connect(&last);
    control.Fire(tamborix::kOnAbort);
    control.Fire(tamborix::kOnOKDone);
    CHECK_CALLS("T2 F2 L2 T1 F1 L1");
  }
  CHECK(thrower.refs == 1 && failer.refs == 1 && last.refs == 1);
}

TEST_GROUP(SinkDisconnectingDuringFiring) {
  // A drops itself and B from inside its handler; the test holds no
  // reference of its own to either any more, so both are let go then.
  Sink a = MakeSink('A', Behaviour::kDisconnect);
  Sink b = MakeSink('B');
  Sink c = MakeSink('C');
  {
    Control control;
    const DWORD ca = control.Connect(&a);
    const DWORD cb = control.Connect(&b);
    control.Connect(&c);
    a.point = control.point;
    a.disconnect[0] = ca;
    a.disconnect[1] = cb;
    IDispatch_Release(&a.IDispatch_iface);
    IDispatch_Release(&b.IDispatch_iface);
    control.Fire(tamborix::kOnPlayimg);
    CHECK_CALLS("A5 C5");
    CHECK(a.released && b.released);
    gCalls.clear();
    control.Fire(tamborix::kOnAbort);
    CHECK_CALLS("C2");
  }
  CHECK(c.refs == 1);
}

TEST_GROUP(SinkConnectedDuringFiringHearsTheNextEvent) {
  Sink d = MakeSink('D');
  Sink a = MakeSink('A', Behaviour::kConnect);
  Sink b = MakeSink('B');
  {
    Control control;
    control.Connect(&a);
    control.Connect(&b);
    a.point = control.point;
    a.connect = &d;
    control.Fire(tamborix::kOnPlayimg);
    CHECK_CALLS("A5 B5");
    gCalls.clear();
    control.Fire(tamborix::kOnPlayimg);
    CHECK_CALLS("A5 B5 D5");
  }
  CHECK(a.refs == 1 && b.refs == 1 && d.refs == 1);
}

}  // namespace
}  // namespace tamborix_wine
