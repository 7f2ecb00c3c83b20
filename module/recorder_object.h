// The COM object of the RecorderDialog class: one struct with one member per
// interface, the impl_from_ helpers that lead from an interface back to the
// object, and the pieces the interface files share.
//
// IUnknown lives in one place (recorder_object.cc). Every other interface
// delegates its IUnknown members to `outer`, the controlling unknown: the
// aggregating object, or the object's own inner IUnknown.
//
// Threading: apartment; the reference count is a plain counter.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

#include "control/recorder_control.h"
#include "module/com_headers.h"
#include "module/panel_framework.h"
#include "platform/win32/win32_wave_device.h"
#include "state/sink_slots.h"

namespace tamborix {

struct RecorderObject;

// One connection point of the object, embedded in it; its references are the
// object's.
struct ConnectionPoint {
  IConnectionPoint IConnectionPoint_iface;
  RecorderObject* owner;
  const IID* iid;
};

// The property-change sinks, by the same SinkSlots rule as the event sinks.
class PropertySinkList {
 public:
  PropertySinkList() = default;
  ~PropertySinkList();
  PropertySinkList(const PropertySinkList&) = delete;
  PropertySinkList& operator=(const PropertySinkList&) = delete;

  // Takes over one reference of `sink`.
  DWORD Advise(IPropertyNotifySink* sink);
  bool Unadvise(DWORD cookie);
  size_t PositionCount() const { return slots_.PositionCount(); }
  // The sink at `position` with a new reference, or null.
  IPropertyNotifySink* AddRefAt(size_t position) const;

 private:
  SinkSlots<IPropertyNotifySink*> slots_;
};

// The object's C++ parts: the control's own logic, on the module's shared
// platform with a wave device of its own (its notices come to the thread of
// this control's panel, whatever other controls' threads do), the
// property-change sinks, and the panel window with what stands between it
// and the control while the object is active in place.
struct ObjectParts {
  explicit ObjectParts(RecorderObject* object);
  PanelFramework framework;  // outlives the control, which may call it
  Win32WaveDevice device;    // outlives the control, which closes what it opened
  RecorderControl control;
  PropertySinkList propertySinks;
  Win32PanelWindow* window = nullptr;  // let go of through Release()
};

struct RecorderObject {
  IUnknown IUnknown_inner;
  IRecorderDialog IRecorderDialog_iface;
  IViewObjectEx IViewObjectEx_iface;
  IOleInPlaceObjectWindowless IOleInPlaceObjectWindowless_iface;
  IOleInPlaceActiveObject IOleInPlaceActiveObject_iface;
  IOleControl IOleControl_iface;
  IOleObject IOleObject_iface;
  IPersistStreamInit IPersistStreamInit_iface;
  IConnectionPointContainer IConnectionPointContainer_iface;
  ISpecifyPropertyPages ISpecifyPropertyPages_iface;
  IQuickActivate IQuickActivate_iface;
  IPersistStorage IPersistStorage_iface;
  IDataObject IDataObject_iface;
  IProvideClassInfo2 IProvideClassInfo2_iface;
  IObjectSafety IObjectSafety_iface;
  IPersistPropertyBag IPersistPropertyBag_iface;
  ConnectionPoint eventsPoint;
  ConnectionPoint propertyNotifyPoint;

  IUnknown* outer;  // the controlling unknown
  ULONG ref;

  IOleClientSite* clientSite;
  IAdviseSink* viewSink;  // IViewObject::SetAdvise
  DWORD viewAspects;
  DWORD viewAdvf;
  IOleAdviseHolder* oleAdviseHolder;    // made on the first IOleObject::Advise
  IDataAdviseHolder* dataAdviseHolder;  // made on the first IDataObject::DAdvise

  SIZEL extent;         // HIMETRIC, from the dialog template
  SIZEL naturalExtent;  // HIMETRIC, 5080 x 5080
  BOOL windowOnly;      // always runs in a window of its own
  BOOL inPlaceActive;   // the panel window exists (in_place_activation.cc)
  BOOL uiActive;
  IOleInPlaceSite* inPlaceSite;      // kept while active in place
  IOleInPlaceSiteEx* inPlaceSiteEx;  // the same site, when it answers the extended calls
  IOleInPlaceFrame* frame;
  IOleInPlaceUIWindow* uiWindow;
  BOOL autoSize;
  BOOL requiresSave;
  DWORD safetyOptions;
  MSG routedKey;  // the last key handed to the site from TranslateAccelerator (panel_keys.cc)

  ObjectParts* parts;
};

static_assert(std::is_standard_layout<RecorderObject>::value,
              "impl_from_ helpers need a standard-layout object");

// The macro's arguments name a type and a field, which cannot be parenthesised.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define TAMBORIX_IMPL_FROM(Interface, member)                                   \
  inline RecorderObject* impl_from_##Interface(Interface* iface) {              \
    return reinterpret_cast<RecorderObject*>(reinterpret_cast<char*>(iface) -   \
                                             offsetof(RecorderObject, member)); \
  }

TAMBORIX_IMPL_FROM(IUnknown, IUnknown_inner)
TAMBORIX_IMPL_FROM(IRecorderDialog, IRecorderDialog_iface)
TAMBORIX_IMPL_FROM(IViewObjectEx, IViewObjectEx_iface)
TAMBORIX_IMPL_FROM(IOleInPlaceObjectWindowless, IOleInPlaceObjectWindowless_iface)
TAMBORIX_IMPL_FROM(IOleInPlaceActiveObject, IOleInPlaceActiveObject_iface)
TAMBORIX_IMPL_FROM(IOleControl, IOleControl_iface)
TAMBORIX_IMPL_FROM(IOleObject, IOleObject_iface)
TAMBORIX_IMPL_FROM(IPersistStreamInit, IPersistStreamInit_iface)
TAMBORIX_IMPL_FROM(IConnectionPointContainer, IConnectionPointContainer_iface)
TAMBORIX_IMPL_FROM(ISpecifyPropertyPages, ISpecifyPropertyPages_iface)
TAMBORIX_IMPL_FROM(IQuickActivate, IQuickActivate_iface)
TAMBORIX_IMPL_FROM(IPersistStorage, IPersistStorage_iface)
TAMBORIX_IMPL_FROM(IDataObject, IDataObject_iface)
TAMBORIX_IMPL_FROM(IProvideClassInfo2, IProvideClassInfo2_iface)
TAMBORIX_IMPL_FROM(IObjectSafety, IObjectSafety_iface)
TAMBORIX_IMPL_FROM(IPersistPropertyBag, IPersistPropertyBag_iface)

#undef TAMBORIX_IMPL_FROM
// NOLINTEND(bugprone-macro-parentheses)

inline ConnectionPoint* impl_from_IConnectionPoint(IConnectionPoint* iface) {
  return reinterpret_cast<ConnectionPoint*>(reinterpret_cast<char*>(iface) -
                                            offsetof(ConnectionPoint, IConnectionPoint_iface));
}

// Makes a control object, inner to `outer` when one is given; answers `riid`.
HRESULT CreateRecorderObject(IUnknown* outer, REFIID riid, void** out);

// The object's own answer to a query (its inner QueryInterface).
HRESULT QueryObjectInterface(RecorderObject* object, REFIID riid, void** out);

// The control's own interfaces, for a query and for the safety options.
bool AnswersInterface(REFIID riid);

// Repaints the view: redraws the panel when active in place, otherwise tells
// the view-advise sink that the content changed.
void RefreshView(RecorderObject* object);

// Asks the property-change sinks for leave to change `dispid`: S_FALSE when
// one refuses, else S_OK.
HRESULT RequestPropertyEdit(RecorderObject* object, DISPID dispid);
// Tells the property-change sinks that `dispid` changed.
void NotifyPropertyChanged(RecorderObject* object, DISPID dispid);

// The object's extent: the dialog template's size in HIMETRIC.
SIZEL MeasureControlExtent();

// IDispatch through the type information of IRecorderDialog, for the
// property map of the stream form.
HRESULT GetAutoSizeThroughDispatch(RecorderObject* object, VARIANT* value);
HRESULT PutAutoSizeThroughDispatch(RecorderObject* object, VARIANT* value);

// Interface tables, one per file.
extern const IRecorderDialogVtbl kRecorderDialogVtbl;
extern const IViewObjectExVtbl kViewObjectExVtbl;
extern const IOleInPlaceObjectWindowlessVtbl kInPlaceObjectVtbl;
extern const IOleInPlaceActiveObjectVtbl kInPlaceActiveObjectVtbl;
extern const IOleControlVtbl kOleControlVtbl;
extern const IOleObjectVtbl kOleObjectVtbl;
extern const IPersistStreamInitVtbl kPersistStreamInitVtbl;
extern const IConnectionPointContainerVtbl kConnectionPointContainerVtbl;
extern const IConnectionPointVtbl kConnectionPointVtbl;
extern const ISpecifyPropertyPagesVtbl kSpecifyPropertyPagesVtbl;
extern const IQuickActivateVtbl kQuickActivateVtbl;
extern const IPersistStorageVtbl kPersistStorageVtbl;
extern const IDataObjectVtbl kDataObjectVtbl;
extern const IProvideClassInfo2Vtbl kProvideClassInfo2Vtbl;
extern const IObjectSafetyVtbl kObjectSafetyVtbl;
extern const IPersistPropertyBagVtbl kPersistPropertyBagVtbl;

}  // namespace tamborix
