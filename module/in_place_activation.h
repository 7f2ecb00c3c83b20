// In-place activation of the control: the panel window inside the
// container's window, and its end.
//
// Threading: user-interface thread only.
#pragma once

#include "module/recorder_object.h"

namespace tamborix {

// Activates the object in place through the in-place site of `activeSite`
// (the client site when null): CanInPlaceActivate, OnInPlaceActivateEx when
// the site answers IOleInPlaceSiteEx and OnInPlaceActivate otherwise,
// GetWindowContext, then the panel window as a child of the site's window
// (`parent` when the site gives none) at `position` (the context's position
// rectangle when null), with the ambient background colour read first.
// `uiActivate` then also makes it the UI-active object (OnUIActivate, the
// frame's active object, the focus). An active object only gets shown,
// and UI-activated when asked.
HRESULT ActivateInPlace(RecorderObject* object, IOleClientSite* activeSite, HWND parent,
                        LPCRECT position, bool uiActivate);

// Hides the panel, the focus first moved from it to the container's window.
void HidePanel(RecorderObject* object);

// Ends UI activation: the frame's active object cleared, OnUIDeactivate.
HRESULT DeactivateUi(RecorderObject* object);

// Ends in-place activation: UI activation first, then the panel window
// destroyed (the panel ends and saves what runs), OnInPlaceDeactivateEx or
// OnInPlaceDeactivate, as activation went, and
// the site, frame and document window let go of.
HRESULT DeactivateInPlace(RecorderObject* object);

// The panel window while active in place, else null.
HWND PanelHandle(RecorderObject* object);

}  // namespace tamborix
