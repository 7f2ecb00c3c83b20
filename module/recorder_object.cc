#include "module/recorder_object.h"

#include <new>

#include "module/com_util.h"
#include "module/dialog_extent.h"
#include "module/in_place_activation.h"
#include "module/module_platform.h"
#include "module/module_state.h"

namespace tamborix {
namespace {

// Where each interface the object answers sits in the object.
struct InterfaceEntry {
  const IID* iid;
  size_t offset;
};

const InterfaceEntry kInterfaces[] = {
    {&IID_IUnknown, offsetof(RecorderObject, IUnknown_inner)},
    {&IID_IRecorderDialog, offsetof(RecorderObject, IRecorderDialog_iface)},
    {&IID_IDispatch, offsetof(RecorderObject, IRecorderDialog_iface)},
    {&IID_IViewObjectEx, offsetof(RecorderObject, IViewObjectEx_iface)},
    {&IID_IViewObject2, offsetof(RecorderObject, IViewObjectEx_iface)},
    {&IID_IViewObject, offsetof(RecorderObject, IViewObjectEx_iface)},
    {&IID_IOleInPlaceObjectWindowless, offsetof(RecorderObject, IOleInPlaceObjectWindowless_iface)},
    {&IID_IOleInPlaceObject, offsetof(RecorderObject, IOleInPlaceObjectWindowless_iface)},
    {&IID_IOleWindow, offsetof(RecorderObject, IOleInPlaceObjectWindowless_iface)},
    {&IID_IOleInPlaceActiveObject, offsetof(RecorderObject, IOleInPlaceActiveObject_iface)},
    {&IID_IOleControl, offsetof(RecorderObject, IOleControl_iface)},
    {&IID_IOleObject, offsetof(RecorderObject, IOleObject_iface)},
    {&IID_IPersistStreamInit, offsetof(RecorderObject, IPersistStreamInit_iface)},
    {&IID_IPersist, offsetof(RecorderObject, IPersistStreamInit_iface)},
    {&IID_IConnectionPointContainer, offsetof(RecorderObject, IConnectionPointContainer_iface)},
    {&IID_ISpecifyPropertyPages, offsetof(RecorderObject, ISpecifyPropertyPages_iface)},
    {&IID_IQuickActivate, offsetof(RecorderObject, IQuickActivate_iface)},
    {&IID_IPersistStorage, offsetof(RecorderObject, IPersistStorage_iface)},
    {&IID_IDataObject, offsetof(RecorderObject, IDataObject_iface)},
    {&IID_IProvideClassInfo, offsetof(RecorderObject, IProvideClassInfo2_iface)},
    {&IID_IProvideClassInfo2, offsetof(RecorderObject, IProvideClassInfo2_iface)},
    {&IID_IObjectSafety, offsetof(RecorderObject, IObjectSafety_iface)},
    {&IID_IPersistPropertyBag, offsetof(RecorderObject, IPersistPropertyBag_iface)},
};

const InterfaceEntry* FindInterface(REFIID riid) {
  for (const InterfaceEntry& entry : kInterfaces) {
    if (IsEqualGUID(riid, *entry.iid)) {
      return &entry;
    }
  }
  return nullptr;
}

void DestroyObject(RecorderObject* object) {
  DeactivateInPlace(object);
  ReleaseAndClear(&object->clientSite);
  ReleaseAndClear(&object->viewSink);
  ReleaseAndClear(&object->oleAdviseHolder);
  ReleaseAndClear(&object->dataAdviseHolder);
  delete object->parts;
  delete object;
  UnlockModule();
}

HRESULT WINAPI Inner_QueryInterface(IUnknown* iface, REFIID riid, void** out) {
  return QueryObjectInterface(impl_from_IUnknown(iface), riid, out);
}

ULONG WINAPI Inner_AddRef(IUnknown* iface) {
  return ++impl_from_IUnknown(iface)->ref;
}

ULONG WINAPI Inner_Release(IUnknown* iface) {
  RecorderObject* object = impl_from_IUnknown(iface);
  const ULONG ref = --object->ref;
  if (ref == 0) {
    object->ref = 1;  // stays alive while its sinks let go of it
    DestroyObject(object);
  }
  return ref;
}

const IUnknownVtbl kInnerUnknownVtbl = {Inner_QueryInterface, Inner_AddRef, Inner_Release};

}  // namespace

PropertySinkList::~PropertySinkList() {
  for (size_t i = 0; i < slots_.PositionCount(); ++i) {
    if (IPropertyNotifySink* gone = slots_.Remove(static_cast<uint32_t>(i + 1))) {
      IPropertyNotifySink_Release(gone);
    }
  }
}

DWORD PropertySinkList::Advise(IPropertyNotifySink* sink) {
  return slots_.Add(sink);
}

bool PropertySinkList::Unadvise(DWORD cookie) {
  IPropertyNotifySink* gone = slots_.Remove(cookie);
  if (gone == nullptr) {
    return false;
  }
  IPropertyNotifySink_Release(gone);
  return true;
}

IPropertyNotifySink* PropertySinkList::AddRefAt(size_t position) const {
  IPropertyNotifySink* sink = slots_.At(position);
  if (sink != nullptr) {
    IPropertyNotifySink_AddRef(sink);
  }
  return sink;
}

ObjectParts::ObjectParts(RecorderObject* object)
    : framework(object), control(ModulePlatform(&device)) {
  control.SetFrameworkHandler(&framework);
}

bool AnswersInterface(REFIID riid) {
  return FindInterface(riid) != nullptr;
}

HRESULT QueryObjectInterface(RecorderObject* object, REFIID riid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  const InterfaceEntry* entry = FindInterface(riid);
  if (entry == nullptr) {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  IUnknown* answer = reinterpret_cast<IUnknown*>(reinterpret_cast<char*>(object) + entry->offset);
  IUnknown_AddRef(answer);
  *out = answer;
  return S_OK;
}

HRESULT CreateRecorderObject(IUnknown* outer, REFIID riid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  if (outer != nullptr && !IsEqualGUID(riid, IID_IUnknown)) {
    return CLASS_E_NOAGGREGATION;
  }
  RecorderObject* object = new (std::nothrow) RecorderObject();
  if (object == nullptr) {
    return E_OUTOFMEMORY;
  }
  const HRESULT made = Guarded([object] {
    object->parts = new ObjectParts(object);
    return S_OK;
  });
  if (FAILED(made)) {
    delete object;
    return made;
  }
  object->IUnknown_inner.lpVtbl = &kInnerUnknownVtbl;
  object->IRecorderDialog_iface.lpVtbl = &kRecorderDialogVtbl;
  object->IViewObjectEx_iface.lpVtbl = &kViewObjectExVtbl;
  object->IOleInPlaceObjectWindowless_iface.lpVtbl = &kInPlaceObjectVtbl;
  object->IOleInPlaceActiveObject_iface.lpVtbl = &kInPlaceActiveObjectVtbl;
  object->IOleControl_iface.lpVtbl = &kOleControlVtbl;
  object->IOleObject_iface.lpVtbl = &kOleObjectVtbl;
  object->IPersistStreamInit_iface.lpVtbl = &kPersistStreamInitVtbl;
  object->IConnectionPointContainer_iface.lpVtbl = &kConnectionPointContainerVtbl;
  object->ISpecifyPropertyPages_iface.lpVtbl = &kSpecifyPropertyPagesVtbl;
  object->IQuickActivate_iface.lpVtbl = &kQuickActivateVtbl;
  object->IPersistStorage_iface.lpVtbl = &kPersistStorageVtbl;
  object->IDataObject_iface.lpVtbl = &kDataObjectVtbl;
  object->IProvideClassInfo2_iface.lpVtbl = &kProvideClassInfo2Vtbl;
  object->IObjectSafety_iface.lpVtbl = &kObjectSafetyVtbl;
  object->IPersistPropertyBag_iface.lpVtbl = &kPersistPropertyBagVtbl;
  object->eventsPoint = {{&kConnectionPointVtbl}, object, &DIID__IRecorderDialogEvents};
  object->propertyNotifyPoint = {{&kConnectionPointVtbl}, object, &IID_IPropertyNotifySink};
  object->outer = outer != nullptr ? outer : &object->IUnknown_inner;
  object->ref = 1;
  object->extent = MeasureControlExtent();
  object->naturalExtent = {kNaturalExtent, kNaturalExtent};
  object->windowOnly = TRUE;
  LockModule();

  const HRESULT hr = QueryObjectInterface(object, riid, out);
  Inner_Release(&object->IUnknown_inner);
  return hr;
}

void RefreshView(RecorderObject* object) {
  if (HWND panel = PanelHandle(object)) {
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return;
  }
  if (object->viewSink == nullptr) {
    return;
  }
  IAdviseSink* sink = object->viewSink;
  IAdviseSink_AddRef(sink);
  if ((object->viewAdvf & ADVF_ONLYONCE) != 0) {
    ReleaseAndClear(&object->viewSink);
  }
  IAdviseSink_OnViewChange(sink, DVASPECT_CONTENT, -1);
  IAdviseSink_Release(sink);
}

HRESULT RequestPropertyEdit(RecorderObject* object, DISPID dispid) {
  const PropertySinkList& sinks = object->parts->propertySinks;
  const size_t count = sinks.PositionCount();
  for (size_t i = 0; i < count; ++i) {
    IPropertyNotifySink* sink = sinks.AddRefAt(i);
    if (sink == nullptr) {
      continue;
    }
    const HRESULT answer = IPropertyNotifySink_OnRequestEdit(sink, dispid);
    IPropertyNotifySink_Release(sink);
    if (answer == S_FALSE) {
      return S_FALSE;
    }
  }
  return S_OK;
}

void NotifyPropertyChanged(RecorderObject* object, DISPID dispid) {
  const PropertySinkList& sinks = object->parts->propertySinks;
  const size_t count = sinks.PositionCount();
  for (size_t i = 0; i < count; ++i) {
    IPropertyNotifySink* sink = sinks.AddRefAt(i);
    if (sink != nullptr) {
      IPropertyNotifySink_OnChanged(sink, dispid);
      IPropertyNotifySink_Release(sink);
    }
  }
}

}  // namespace tamborix
