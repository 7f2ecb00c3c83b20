// The connection points: finding them, the cookie rules of the event sinks,
// and the property-change sinks that AutoSize asks and tells.
#include <vector>

#include "tests/wine/client_util.h"

namespace tamborix_wine {
namespace {

class PropertySink : public TestObject<IPropertyNotifySink> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IPropertyNotifySink)) {
      *out = static_cast<IPropertyNotifySink*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID dispid) override {
    changed.push_back(dispid);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID dispid) override {
    requested.push_back(dispid);
    return refuse ? S_FALSE : S_OK;
  }
  bool refuse = false;
  std::vector<DISPID> changed;
  std::vector<DISPID> requested;
};

TEST_GROUP(ConnectionPoints) {
  Ref<IConnectionPointContainer> container;
  CHECK_HR(CreateControl(IID_IConnectionPointContainer, container.OutVoid()), S_OK);
  REQUIRE(container);
  Ref<IConnectionPoint> events;
  CHECK_HR(container->FindConnectionPoint(DIID__IRecorderDialogEvents, events.Out()), S_OK);
  REQUIRE(events);
  IID iid = IID_IUnknown;
  CHECK_HR(events->GetConnectionInterface(&iid), S_OK);
  CHECK(IsEqualGUID(iid, DIID__IRecorderDialogEvents));
  Ref<IConnectionPointContainer> back;
  CHECK_HR(events->GetConnectionPointContainer(back.Out()), S_OK);
  CHECK(back.get() == container.get());

  Ref<IConnectionPoint> notify;
  CHECK_HR(container->FindConnectionPoint(IID_IPropertyNotifySink, notify.Out()), S_OK);
  Ref<IConnectionPoint> none;
  CHECK_HR(container->FindConnectionPoint(IID_IDispatch, none.Out()), CONNECT_E_NOCONNECTION);
  CHECK(!none);

  Ref<IEnumConnectionPoints> points;
  CHECK_HR(container->EnumConnectionPoints(points.Out()), S_OK);
  REQUIRE(points);
  IConnectionPoint* listed[3] = {};
  ULONG fetched = 0;
  CHECK_HR(points->Next(3, listed, &fetched), S_FALSE);
  CHECK(fetched == 2);
  CHECK(listed[0] == events.get() && listed[1] == notify.get());
  for (ULONG i = 0; i < fetched; ++i) {
    listed[i]->Release();
  }
  CHECK_HR(points->Reset(), S_OK);
  CHECK_HR(points->Skip(3), S_FALSE);
}

TEST_GROUP(EventSinkCookies) {
  TestEventSink a, b, c;
  TestEventSink plain(false);
  {
    Ref<IConnectionPointContainer> container;
    CHECK_HR(CreateControl(IID_IConnectionPointContainer, container.OutVoid()), S_OK);
    REQUIRE(container);
    Ref<IConnectionPoint> events;
    CHECK_HR(container->FindConnectionPoint(DIID__IRecorderDialogEvents, events.Out()), S_OK);
    REQUIRE(events);

    DWORD cookie = 99;
    CHECK_HR(events->Advise(&plain, &cookie), CONNECT_E_CANNOTCONNECT);
    CHECK(cookie == 0);
    CHECK(plain.refs == 1);
    CHECK_HR(events->Advise(nullptr, &cookie), E_POINTER);

    DWORD ca = 0, cb = 0, cc = 0;
    CHECK_HR(events->Advise(&a, &ca), S_OK);
    CHECK_HR(events->Advise(&b, &cb), S_OK);
    CHECK(ca == 1 && cb == 2);
    CHECK(a.refs == 2);  // the control holds one reference
    CHECK_HR(events->Unadvise(ca), S_OK);
    CHECK(a.refs == 1);
    CHECK_HR(events->Unadvise(ca), CONNECT_E_NOCONNECTION);
    CHECK_HR(events->Unadvise(0), CONNECT_E_NOCONNECTION);
    CHECK_HR(events->Unadvise(77), CONNECT_E_NOCONNECTION);
    CHECK_HR(events->Advise(&c, &cc), S_OK);
    CHECK(cc == 1);  // the first free position

    Ref<IEnumConnections> connections;
    CHECK_HR(events->EnumConnections(connections.Out()), S_OK);
    REQUIRE(connections);
    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    CHECK_HR(connections->Next(3, data, &fetched), S_FALSE);
    REQUIRE(fetched == 2);
    CHECK(data[0].dwCookie == 1 && data[0].pUnk == static_cast<IUnknown*>(&c));
    CHECK(data[1].dwCookie == 2 && data[1].pUnk == static_cast<IUnknown*>(&b));
    for (ULONG i = 0; i < fetched; ++i) {
      data[i].pUnk->Release();
    }
    Ref<IEnumConnections> clone;
    CHECK_HR(connections->Clone(clone.Out()), S_OK);
    connections.Reset();
    if (clone) {
      CHECK_HR(clone->Next(1, data, nullptr), S_FALSE);  // the clone is at the end too
      CHECK_HR(clone->Reset(), S_OK);
      CHECK_HR(clone->Next(1, data, nullptr), S_OK);
      data[0].pUnk->Release();
    }
    // The control goes with sinks still connected.
  }
  CHECK(b.refs == 1 && c.refs == 1);
}

TEST_GROUP(PropertyChangeSinks) {
  PropertySink sink;
  {
    Ref<IConnectionPointContainer> container;
    CHECK_HR(CreateControl(IID_IConnectionPointContainer, container.OutVoid()), S_OK);
    Ref<IRecorderDialog> dialog;
    Ref<IPersistStreamInit> stream;
    REQUIRE(container && dialog.From(container.get()) && stream.From(container.get()));
    Ref<IConnectionPoint> notify;
    CHECK_HR(container->FindConnectionPoint(IID_IPropertyNotifySink, notify.Out()), S_OK);
    REQUIRE(notify);
    DWORD cookie = 0;
    CHECK_HR(notify->Advise(&sink, &cookie), S_OK);
    CHECK(cookie == 1);

    sink.refuse = true;
    CHECK_HR(dialog->put_AutoSize(VARIANT_TRUE), S_FALSE);
    VARIANT_BOOL autoSize = VARIANT_TRUE;
    dialog->get_AutoSize(&autoSize);
    CHECK(autoSize == VARIANT_FALSE);
    CHECK_HR(stream->IsDirty(), S_FALSE);
    CHECK(sink.requested.size() == 1 && sink.requested[0] == DISPID_AUTOSIZE);
    CHECK(sink.changed.empty());

    sink.refuse = false;
    CHECK_HR(dialog->put_AutoSize(VARIANT_TRUE), S_OK);
    CHECK(sink.changed.size() == 1 && sink.changed[0] == DISPID_AUTOSIZE);
    Bstr name(L"other.wav");
    dialog->SetFileName(name.get());
    CHECK(sink.changed.size() == 1);  // only AutoSize is announced

    CHECK_HR(notify->Unadvise(cookie), S_OK);
    CHECK(sink.refs == 1);
    CHECK_HR(dialog->put_AutoSize(VARIANT_FALSE), S_OK);
    CHECK(sink.changed.size() == 1);
    CHECK_HR(notify->Advise(&sink, &cookie), S_OK);
  }
  CHECK(sink.refs == 1);
}

}  // namespace
}  // namespace tamborix_wine
