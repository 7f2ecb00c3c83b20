// IQuickActivate: the container hands over its site and sinks in one call,
// and learns the control's status words and connection cookies.
#include "module/recorder_object.h"

namespace tamborix {
namespace {

HRESULT WINAPI Quick_QueryInterface(IQuickActivate* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IQuickActivate(iface)->outer, riid, out);
}

ULONG WINAPI Quick_AddRef(IQuickActivate* iface) {
  return IUnknown_AddRef(impl_from_IQuickActivate(iface)->outer);
}

ULONG WINAPI Quick_Release(IQuickActivate* iface) {
  return IUnknown_Release(impl_from_IQuickActivate(iface)->outer);
}

HRESULT WINAPI Quick_QuickActivate(IQuickActivate* iface, QACONTAINER* container,
                                   QACONTROL* control) {
  if (container == nullptr || control == nullptr) {
    return E_POINTER;
  }
  if (container->cbSize < offsetof(QACONTAINER, hpal) || control->cbSize < sizeof(QACONTROL)) {
    return E_INVALIDARG;
  }
  RecorderObject* object = impl_from_IQuickActivate(iface);
  IOleObject_SetClientSite(&object->IOleObject_iface, container->pClientSite);
  if (container->pAdviseSink != nullptr) {
    IViewObjectEx_SetAdvise(&object->IViewObjectEx_iface, DVASPECT_CONTENT, 0,
                            reinterpret_cast<IAdviseSink*>(container->pAdviseSink));
  }
  control->dwEventCookie = 0;
  control->dwPropNotifyCookie = 0;
  if (container->pUnkEventSink != nullptr) {
    IConnectionPoint_Advise(&object->eventsPoint.IConnectionPoint_iface, container->pUnkEventSink,
                            &control->dwEventCookie);
  }
  if (container->pPropertyNotifySink != nullptr) {
    IConnectionPoint_Advise(&object->propertyNotifyPoint.IConnectionPoint_iface,
                            reinterpret_cast<IUnknown*>(container->pPropertyNotifySink),
                            &control->dwPropNotifyCookie);
  }
  control->dwMiscStatus = 0;
  IOleObject_GetMiscStatus(&object->IOleObject_iface, DVASPECT_CONTENT, &control->dwMiscStatus);
  control->dwViewStatus = 0;
  IViewObjectEx_GetViewStatus(&object->IViewObjectEx_iface, &control->dwViewStatus);
  control->dwPointerActivationPolicy = 0;
  return S_OK;
}

HRESULT WINAPI Quick_SetContentExtent(IQuickActivate* iface, LPSIZEL size) {
  return IOleObject_SetExtent(&impl_from_IQuickActivate(iface)->IOleObject_iface, DVASPECT_CONTENT,
                              size);
}

HRESULT WINAPI Quick_GetContentExtent(IQuickActivate* iface, LPSIZEL size) {
  return IOleObject_GetExtent(&impl_from_IQuickActivate(iface)->IOleObject_iface, DVASPECT_CONTENT,
                              size);
}

}  // namespace

const IQuickActivateVtbl kQuickActivateVtbl = {
    Quick_QueryInterface, Quick_AddRef,           Quick_Release,
    Quick_QuickActivate,  Quick_SetContentExtent, Quick_GetContentExtent,
};

}  // namespace tamborix
