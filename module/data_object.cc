// IDataObject: the control renders no data formats; it keeps the data-advise
// sinks, which AutoSize tells that the data changed.
#include "module/recorder_object.h"

namespace tamborix {
namespace {

HRESULT WINAPI Data_QueryInterface(IDataObject* iface, REFIID riid, void** out) {
  return IUnknown_QueryInterface(impl_from_IDataObject(iface)->outer, riid, out);
}

ULONG WINAPI Data_AddRef(IDataObject* iface) {
  return IUnknown_AddRef(impl_from_IDataObject(iface)->outer);
}

ULONG WINAPI Data_Release(IDataObject* iface) {
  return IUnknown_Release(impl_from_IDataObject(iface)->outer);
}

HRESULT WINAPI Data_GetData(IDataObject* iface, FORMATETC* format, STGMEDIUM* medium) {
  return E_NOTIMPL;
}

HRESULT WINAPI Data_GetDataHere(IDataObject* iface, FORMATETC* format, STGMEDIUM* medium) {
  return E_NOTIMPL;
}

HRESULT WINAPI Data_QueryGetData(IDataObject* iface, FORMATETC* format) {
  return E_NOTIMPL;
}

HRESULT WINAPI Data_GetCanonicalFormatEtc(IDataObject* iface, FORMATETC* in, FORMATETC* out) {
  return E_NOTIMPL;
}

HRESULT WINAPI Data_SetData(IDataObject* iface, FORMATETC* format, STGMEDIUM* medium,
                            BOOL release) {
  return E_NOTIMPL;
}

HRESULT WINAPI Data_EnumFormatEtc(IDataObject* iface, DWORD direction, IEnumFORMATETC** formats) {
  if (formats != nullptr) {
    *formats = nullptr;
  }
  return E_NOTIMPL;
}

// The data advise holder, made on first use.
HRESULT DataAdviseHolder(RecorderObject* object, IDataAdviseHolder** holder) {
  if (object->dataAdviseHolder == nullptr) {
    const HRESULT hr = CreateDataAdviseHolder(&object->dataAdviseHolder);
    if (FAILED(hr)) {
      object->dataAdviseHolder = nullptr;
      return hr;
    }
  }
  *holder = object->dataAdviseHolder;
  return S_OK;
}

HRESULT WINAPI Data_DAdvise(IDataObject* iface, FORMATETC* format, DWORD advf, IAdviseSink* sink,
                            DWORD* connection) {
  if (format == nullptr || sink == nullptr || connection == nullptr) {
    return E_POINTER;
  }
  IDataAdviseHolder* holder = nullptr;
  const HRESULT hr = DataAdviseHolder(impl_from_IDataObject(iface), &holder);
  return FAILED(hr) ? hr : IDataAdviseHolder_Advise(holder, iface, format, advf, sink, connection);
}

HRESULT WINAPI Data_DUnadvise(IDataObject* iface, DWORD connection) {
  RecorderObject* object = impl_from_IDataObject(iface);
  if (object->dataAdviseHolder == nullptr) {
    return OLE_E_NOCONNECTION;
  }
  return IDataAdviseHolder_Unadvise(object->dataAdviseHolder, connection);
}

HRESULT WINAPI Data_EnumDAdvise(IDataObject* iface, IEnumSTATDATA** advises) {
  if (advises == nullptr) {
    return E_POINTER;
  }
  *advises = nullptr;
  IDataAdviseHolder* holder = nullptr;
  const HRESULT hr = DataAdviseHolder(impl_from_IDataObject(iface), &holder);
  return FAILED(hr) ? hr : IDataAdviseHolder_EnumAdvise(holder, advises);
}

}  // namespace

const IDataObjectVtbl kDataObjectVtbl = {
    Data_QueryInterface,
    Data_AddRef,
    Data_Release,
    Data_GetData,
    Data_GetDataHere,
    Data_QueryGetData,
    Data_GetCanonicalFormatEtc,
    Data_SetData,
    Data_EnumFormatEtc,
    Data_DAdvise,
    Data_DUnadvise,
    Data_EnumDAdvise,
};

}  // namespace tamborix
