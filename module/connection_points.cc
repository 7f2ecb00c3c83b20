// IConnectionPointContainer with its two connection points: the event
// interface _IRecorderDialogEvents, whose sinks live in the control's
// EventSinks, and IPropertyNotifySink. Also the two enumerators they hand
// out, which keep the module loaded while they live.
#include <initializer_list>
#include <memory>
#include <new>
#include <vector>

#include "module/com_util.h"
#include "module/dispatch_event_sink.h"
#include "module/module_state.h"
#include "module/recorder_object.h"

namespace tamborix {
namespace {

// ---- IEnumConnections over a snapshot of the connections ----

struct ConnectionEnum {
  IEnumConnections IEnumConnections_iface;
  LONG ref;
  ULONG position;
  ULONG count;
  CONNECTDATA* items;  // each pUnk holds a reference
};

ConnectionEnum* impl_from_IEnumConnections(IEnumConnections* iface) {
  return reinterpret_cast<ConnectionEnum*>(iface);
}

extern const IEnumConnectionsVtbl kConnectionEnumVtbl;

// Makes an enumerator over `items` (references taken here) at `position`.
HRESULT MakeConnectionEnum(const std::vector<CONNECTDATA>& items, ULONG position,
                           IEnumConnections** out) {
  ConnectionEnum* made = new (std::nothrow) ConnectionEnum();
  CONNECTDATA* copy = new (std::nothrow) CONNECTDATA[items.empty() ? 1 : items.size()];
  if (made == nullptr || copy == nullptr) {
    delete made;
    delete[] copy;
    return E_OUTOFMEMORY;
  }
  for (size_t i = 0; i < items.size(); ++i) {
    copy[i] = items[i];
    IUnknown_AddRef(copy[i].pUnk);
  }
  made->IEnumConnections_iface.lpVtbl = &kConnectionEnumVtbl;
  made->ref = 1;
  made->position = position;
  made->count = static_cast<ULONG>(items.size());
  made->items = copy;
  LockModule();
  *out = &made->IEnumConnections_iface;
  return S_OK;
}

HRESULT WINAPI ConnEnum_QueryInterface(IEnumConnections* iface, REFIID riid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IEnumConnections)) {
    IEnumConnections_AddRef(iface);
    *out = iface;
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG WINAPI ConnEnum_AddRef(IEnumConnections* iface) {
  return InterlockedIncrement(&impl_from_IEnumConnections(iface)->ref);
}

ULONG WINAPI ConnEnum_Release(IEnumConnections* iface) {
  ConnectionEnum* self = impl_from_IEnumConnections(iface);
  const LONG ref = InterlockedDecrement(&self->ref);
  if (ref == 0) {
    for (ULONG i = 0; i < self->count; ++i) {
      IUnknown_Release(self->items[i].pUnk);
    }
    delete[] self->items;
    delete self;
    UnlockModule();
  }
  return ref;
}

HRESULT WINAPI ConnEnum_Next(IEnumConnections* iface, ULONG wanted, CONNECTDATA* out,
                             ULONG* fetched) {
  if (out == nullptr || (fetched == nullptr && wanted != 1)) {
    return E_POINTER;
  }
  ConnectionEnum* self = impl_from_IEnumConnections(iface);
  ULONG given = 0;
  while (given < wanted && self->position < self->count) {
    out[given] = self->items[self->position++];
    IUnknown_AddRef(out[given].pUnk);
    ++given;
  }
  if (fetched != nullptr) {
    *fetched = given;
  }
  return given == wanted ? S_OK : S_FALSE;
}

HRESULT WINAPI ConnEnum_Skip(IEnumConnections* iface, ULONG count) {
  ConnectionEnum* self = impl_from_IEnumConnections(iface);
  const ULONG left = self->count - self->position;
  const ULONG skipped = count < left ? count : left;
  self->position += skipped;
  return skipped == count ? S_OK : S_FALSE;
}

HRESULT WINAPI ConnEnum_Reset(IEnumConnections* iface) {
  impl_from_IEnumConnections(iface)->position = 0;
  return S_OK;
}

HRESULT WINAPI ConnEnum_Clone(IEnumConnections* iface, IEnumConnections** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  ConnectionEnum* self = impl_from_IEnumConnections(iface);
  return Guarded([&] {
    const std::vector<CONNECTDATA> items(self->items, self->items + self->count);
    return MakeConnectionEnum(items, self->position, out);
  });
}

const IEnumConnectionsVtbl kConnectionEnumVtbl = {
    ConnEnum_QueryInterface, ConnEnum_AddRef, ConnEnum_Release, ConnEnum_Next,
    ConnEnum_Skip,           ConnEnum_Reset,  ConnEnum_Clone,
};

// ---- IEnumConnectionPoints over the object's two points ----

struct PointEnum {
  IEnumConnectionPoints IEnumConnectionPoints_iface;
  LONG ref;
  ULONG position;
  IConnectionPoint* items[2];  // each holds a reference (to the object)
};

PointEnum* impl_from_IEnumConnectionPoints(IEnumConnectionPoints* iface) {
  return reinterpret_cast<PointEnum*>(iface);
}

extern const IEnumConnectionPointsVtbl kPointEnumVtbl;

HRESULT MakePointEnum(RecorderObject* object, ULONG position, IEnumConnectionPoints** out) {
  PointEnum* made = new (std::nothrow) PointEnum();
  if (made == nullptr) {
    return E_OUTOFMEMORY;
  }
  made->IEnumConnectionPoints_iface.lpVtbl = &kPointEnumVtbl;
  made->ref = 1;
  made->position = position;
  made->items[0] = &object->eventsPoint.IConnectionPoint_iface;
  made->items[1] = &object->propertyNotifyPoint.IConnectionPoint_iface;
  for (IConnectionPoint* point : made->items) {
    IConnectionPoint_AddRef(point);
  }
  LockModule();
  *out = &made->IEnumConnectionPoints_iface;
  return S_OK;
}

HRESULT WINAPI PointEnum_QueryInterface(IEnumConnectionPoints* iface, REFIID riid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IEnumConnectionPoints)) {
    IEnumConnectionPoints_AddRef(iface);
    *out = iface;
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG WINAPI PointEnum_AddRef(IEnumConnectionPoints* iface) {
  return InterlockedIncrement(&impl_from_IEnumConnectionPoints(iface)->ref);
}

ULONG WINAPI PointEnum_Release(IEnumConnectionPoints* iface) {
  PointEnum* self = impl_from_IEnumConnectionPoints(iface);
  const LONG ref = InterlockedDecrement(&self->ref);
  if (ref == 0) {
    for (IConnectionPoint* point : self->items) {
      IConnectionPoint_Release(point);
    }
    delete self;
    UnlockModule();
  }
  return ref;
}

HRESULT WINAPI PointEnum_Next(IEnumConnectionPoints* iface, ULONG wanted, IConnectionPoint** out,
                              ULONG* fetched) {
  if (out == nullptr || (fetched == nullptr && wanted != 1)) {
    return E_POINTER;
  }
  PointEnum* self = impl_from_IEnumConnectionPoints(iface);
  ULONG given = 0;
  while (given < wanted && self->position < 2) {
    out[given] = self->items[self->position++];
    IConnectionPoint_AddRef(out[given]);
    ++given;
  }
  if (fetched != nullptr) {
    *fetched = given;
  }
  return given == wanted ? S_OK : S_FALSE;
}

HRESULT WINAPI PointEnum_Skip(IEnumConnectionPoints* iface, ULONG count) {
  PointEnum* self = impl_from_IEnumConnectionPoints(iface);
  const ULONG left = 2 - self->position;
  const ULONG skipped = count < left ? count : left;
  self->position += skipped;
  return skipped == count ? S_OK : S_FALSE;
}

HRESULT WINAPI PointEnum_Reset(IEnumConnectionPoints* iface) {
  impl_from_IEnumConnectionPoints(iface)->position = 0;
  return S_OK;
}

HRESULT WINAPI PointEnum_Clone(IEnumConnectionPoints* iface, IEnumConnectionPoints** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  PointEnum* self = impl_from_IEnumConnectionPoints(iface);
  ConnectionPoint* first = impl_from_IConnectionPoint(self->items[0]);
  return MakePointEnum(first->owner, self->position, out);
}

const IEnumConnectionPointsVtbl kPointEnumVtbl = {
    PointEnum_QueryInterface, PointEnum_AddRef, PointEnum_Release, PointEnum_Next,
    PointEnum_Skip,           PointEnum_Reset,  PointEnum_Clone,
};

// ---- IConnectionPointContainer ----

HRESULT WINAPI Container_QueryInterface(IConnectionPointContainer* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IConnectionPointContainer(iface)->outer, riid, out);
}

ULONG WINAPI Container_AddRef(IConnectionPointContainer* iface) {
  return IUnknown_AddRef(impl_from_IConnectionPointContainer(iface)->outer);
}

ULONG WINAPI Container_Release(IConnectionPointContainer* iface) {
  return IUnknown_Release(impl_from_IConnectionPointContainer(iface)->outer);
}

HRESULT WINAPI Container_EnumConnectionPoints(IConnectionPointContainer* iface,
                                              IEnumConnectionPoints** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  return MakePointEnum(impl_from_IConnectionPointContainer(iface), 0, out);
}

HRESULT WINAPI Container_FindConnectionPoint(IConnectionPointContainer* iface, REFIID riid,
                                             IConnectionPoint** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  RecorderObject* object = impl_from_IConnectionPointContainer(iface);
  for (ConnectionPoint* point : {&object->eventsPoint, &object->propertyNotifyPoint}) {
    if (IsEqualGUID(riid, *point->iid)) {
      *out = &point->IConnectionPoint_iface;
      IConnectionPoint_AddRef(*out);
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

// ---- IConnectionPoint ----

bool IsEventsPoint(const ConnectionPoint* point) {
  return point == &point->owner->eventsPoint;
}

HRESULT WINAPI Point_QueryInterface(IConnectionPoint* iface, REFIID riid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IConnectionPoint)) {
    IConnectionPoint_AddRef(iface);
    *out = iface;
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG WINAPI Point_AddRef(IConnectionPoint* iface) {
  return IUnknown_AddRef(impl_from_IConnectionPoint(iface)->owner->outer);
}

ULONG WINAPI Point_Release(IConnectionPoint* iface) {
  return IUnknown_Release(impl_from_IConnectionPoint(iface)->owner->outer);
}

HRESULT WINAPI Point_GetConnectionInterface(IConnectionPoint* iface, IID* iid) {
  if (iid == nullptr) {
    return E_POINTER;
  }
  *iid = *impl_from_IConnectionPoint(iface)->iid;
  return S_OK;
}

HRESULT WINAPI Point_GetConnectionPointContainer(IConnectionPoint* iface,
                                                 IConnectionPointContainer** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = &impl_from_IConnectionPoint(iface)->owner->IConnectionPointContainer_iface;
  IConnectionPointContainer_AddRef(*out);
  return S_OK;
}

HRESULT WINAPI Point_Advise(IConnectionPoint* iface, IUnknown* sink, DWORD* cookie) {
  if (cookie == nullptr) {
    return E_POINTER;
  }
  *cookie = 0;
  if (sink == nullptr) {
    return E_POINTER;
  }
  ConnectionPoint* point = impl_from_IConnectionPoint(iface);
  void* answered = nullptr;
  if (FAILED(IUnknown_QueryInterface(sink, *point->iid, &answered)) || answered == nullptr) {
    return CONNECT_E_CANNOTCONNECT;
  }
  ObjectParts* parts = point->owner->parts;
  if (!IsEventsPoint(point)) {
    IPropertyNotifySink* notify = static_cast<IPropertyNotifySink*>(answered);
    const HRESULT hr = Guarded([&] {
      *cookie = parts->propertySinks.Advise(notify);  // takes over the reference
      return S_OK;
    });
    if (FAILED(hr)) {
      IPropertyNotifySink_Release(notify);
    }
    return hr;
  }
  IDispatch* dispatch = static_cast<IDispatch*>(answered);
  const HRESULT hr = Guarded([&] {
    *cookie = parts->control.events().Advise(std::make_shared<DispatchEventSink>(dispatch));
    return S_OK;
  });
  IDispatch_Release(dispatch);  // the event sink holds its own reference
  return hr;
}

HRESULT WINAPI Point_Unadvise(IConnectionPoint* iface, DWORD cookie) {
  ConnectionPoint* point = impl_from_IConnectionPoint(iface);
  ObjectParts* parts = point->owner->parts;
  const bool found = IsEventsPoint(point) ? parts->control.events().Unadvise(cookie)
                                          : parts->propertySinks.Unadvise(cookie);
  return found ? S_OK : CONNECT_E_NOCONNECTION;
}

HRESULT WINAPI Point_EnumConnections(IConnectionPoint* iface, IEnumConnections** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  ConnectionPoint* point = impl_from_IConnectionPoint(iface);
  ObjectParts* parts = point->owner->parts;
  return Guarded([&] {
    std::vector<CONNECTDATA> items;
    if (IsEventsPoint(point)) {
      const EventSinks& sinks = parts->control.events();
      for (size_t i = 0; i < sinks.PositionCount(); ++i) {
        const auto* sink = dynamic_cast<const DispatchEventSink*>(sinks.At(i).get());
        if (sink != nullptr) {
          items.push_back({reinterpret_cast<IUnknown*>(sink->sink()), static_cast<DWORD>(i + 1)});
        }
      }
    } else {
      const PropertySinkList& sinks = parts->propertySinks;
      for (size_t i = 0; i < sinks.PositionCount(); ++i) {
        IPropertyNotifySink* sink = sinks.AddRefAt(i);
        if (sink != nullptr) {
          items.push_back({reinterpret_cast<IUnknown*>(sink), static_cast<DWORD>(i + 1)});
          IPropertyNotifySink_Release(sink);  // the list still holds it
        }
      }
    }
    return MakeConnectionEnum(items, 0, out);
  });
}

}  // namespace

const IConnectionPointContainerVtbl kConnectionPointContainerVtbl = {
    Container_QueryInterface,
    Container_AddRef,
    Container_Release,
    Container_EnumConnectionPoints,
    Container_FindConnectionPoint,
};

const IConnectionPointVtbl kConnectionPointVtbl = {
    Point_QueryInterface,
    Point_AddRef,
    Point_Release,
    Point_GetConnectionInterface,
    Point_GetConnectionPointContainer,
    Point_Advise,
    Point_Unadvise,
    Point_EnumConnections,
};

}  // namespace tamborix
