// The panel's keyboard inside a container. Keys that move within the panel
// get the dialog's own handling; the keys that leave it (Tab on the last tab
// stop, Shift+Tab on the first, Escape, and Enter when the panel has no
// default button) go to the site's IOleControlSite::TranslateAccelerator,
// whether the container hands them to the control's TranslateAccelerator
// (IE, WinForms) or lets them reach the focused window straight (Qt does so
// for most keys). While the panel is hidden, no key, click or command
// reaches its controls.
//
// Threading: user-interface thread only.
#pragma once

#include "module/recorder_object.h"

namespace tamborix {

// IOleInPlaceActiveObject::TranslateAccelerator: S_OK when the panel or the
// site took the key, S_FALSE when neither did and the container may handle
// it, E_INVALIDARG for a null message.
HRESULT TranslatePanelKey(RecorderObject* object, MSG* message);

// Watches the panel and its controls for the above until the window ends or
// ForgetPanelInput is called.
void WatchPanelInput(RecorderObject* object, HWND panel);
void ForgetPanelInput(HWND panel);

}  // namespace tamborix
