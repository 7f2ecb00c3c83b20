// What the module puts between the panel window and the control while the
// control is active in place.
//
// PanelFramework answers the window framework's own messages before the
// panel's message map: the background brush from the container's ambient
// colour (WM_CTLCOLORDLG, WM_CTLCOLORSTATIC) and the focus and mouse
// activation of an in-place control (WM_SETFOCUS, WM_KILLFOCUS,
// WM_MOUSEACTIVATE, which it tells the site about and leaves unhandled).
// The control hands it those messages first (RecorderControl::
// SetFrameworkHandler). It is also the panel window's PanelKeeper: the
// object holds a reference of its own while the window hands a message on,
// so a container that lets go of it inside an event or a box ends it only
// once the handler has returned.
//
// Threading: user-interface thread only.
#pragma once

#include "module/com_headers.h"
#include "platform/panel_window.h"
#include "platform/win32/win32_panel_window.h"

namespace tamborix {

struct RecorderObject;

class PanelFramework : public PanelMessageHandler, public PanelKeeper {
 public:
  explicit PanelFramework(RecorderObject* object) : object_(object) {}
  ~PanelFramework() override;
  PanelFramework(const PanelFramework&) = delete;
  PanelFramework& operator=(const PanelFramework&) = delete;

  // Lets go of the old brush and reads DISPID_AMBIENT_BACKCOLOR from the
  // client site's ambient IDispatch; a site that gives none leaves no brush,
  // and the dialog's default colours show.
  void ReadBackColor();
  bool HasBrush() const { return brush_ != nullptr; }

  bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) override;

  // PanelKeeper: a reference on the object's own (inner) unknown, which
  // keeps the object itself alive even when an aggregator has gone.
  void Hold() override;
  void Drop() override;

 private:
  void TellSiteOfFocus(bool focus);

  RecorderObject* object_;
  HBRUSH brush_ = nullptr;
  COLORREF color_ = 0;
};

}  // namespace tamborix
