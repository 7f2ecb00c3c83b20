// IProvideClassInfo2, through the RecorderDialog entry of the type library,
// and ISpecifyPropertyPages, which offers no pages.
#include "module/module_state.h"
#include "module/recorder_object.h"

namespace tamborix {
namespace {

HRESULT WINAPI ClassInfo_QueryInterface(IProvideClassInfo2* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IProvideClassInfo2(iface)->outer, riid, out);
}

ULONG WINAPI ClassInfo_AddRef(IProvideClassInfo2* iface) {
  return IUnknown_AddRef(impl_from_IProvideClassInfo2(iface)->outer);
}

ULONG WINAPI ClassInfo_Release(IProvideClassInfo2* iface) {
  return IUnknown_Release(impl_from_IProvideClassInfo2(iface)->outer);
}

HRESULT WINAPI ClassInfo_GetClassInfo(IProvideClassInfo2* iface, ITypeInfo** info) {
  if (info == nullptr) {
    return E_POINTER;
  }
  return GetRecorderTypeInfo(CLSID_RecorderDialog, info);
}

HRESULT WINAPI ClassInfo_GetGUID(IProvideClassInfo2* iface, DWORD kind, GUID* guid) {
  if (guid == nullptr) {
    return E_POINTER;
  }
  if (kind == GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = DIID__IRecorderDialogEvents;
    return S_OK;
  }
  *guid = GUID_NULL;
  return E_FAIL;
}

HRESULT WINAPI Pages_QueryInterface(ISpecifyPropertyPages* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_ISpecifyPropertyPages(iface)->outer, riid, out);
}

ULONG WINAPI Pages_AddRef(ISpecifyPropertyPages* iface) {
  return IUnknown_AddRef(impl_from_ISpecifyPropertyPages(iface)->outer);
}

ULONG WINAPI Pages_Release(ISpecifyPropertyPages* iface) {
  return IUnknown_Release(impl_from_ISpecifyPropertyPages(iface)->outer);
}

HRESULT WINAPI Pages_GetPages(ISpecifyPropertyPages* iface, CAUUID* pages) {
  if (pages == nullptr) {
    return E_POINTER;
  }
  pages->cElems = 0;
  pages->pElems = nullptr;
  return S_OK;
}

}  // namespace

const IProvideClassInfo2Vtbl kProvideClassInfo2Vtbl = {
    ClassInfo_QueryInterface, ClassInfo_AddRef,  ClassInfo_Release,
    ClassInfo_GetClassInfo,   ClassInfo_GetGUID,
};

const ISpecifyPropertyPagesVtbl kSpecifyPropertyPagesVtbl = {
    Pages_QueryInterface,
    Pages_AddRef,
    Pages_Release,
    Pages_GetPages,
};

}  // namespace tamborix
