// The control object's own logic, free of any component machinery: it owns
// the RecorderState and the event sinks, answers the scripting members and
// the property bag, and creates the panel when the platform shows it.
//
// Window life: OpenPanel gives the platform the handler for every message of
// one panel window, bound to the panel made for that window. The framework's
// own messages (IsFrameworkMessage) go to the framework handler first, when
// one is set; the rest, and those it leaves, go to that panel's message map.
// WM_DESTROY, which arrives while the window still exists, ends what the
// panel runs and lets it go. A window's WM_DESTROY may come late (the
// platform holds it back while a handler of the window runs) and after a new
// panel was opened: it then ends the old panel, never the new one. A control
// that is destroyed while windows of it are open destroys them first.
//
// Threading: user-interface thread only.
#pragma once

#include <memory>
#include <vector>

#include "control/property_bag.h"
#include "platform/panel_window.h"
#include "platform/platform.h"
#include "state/event_sinks.h"
#include "state/recorder_state.h"
#include "state/result_codes.h"

namespace tamborix {

class Panel;

class RecorderControl {
 public:
  explicit RecorderControl(const Platform& platform);
  ~RecorderControl();
  RecorderControl(const RecorderControl&) = delete;
  RecorderControl& operator=(const RecorderControl&) = delete;

  RecorderState& state() { return state_; }
  const RecorderState& state() const { return state_; }
  EventSinks& events() { return events_; }
  const Platform& platform() const { return platform_; }

  // Creates the panel on `window`; the platform then delivers WM_INITDIALOG
  // and every later message, up to WM_DESTROY, to the returned handler,
  // which lives until then. The window of the panel opened before is
  // destroyed first.
  PanelMessageHandler* OpenPanel(PanelWindow& window);
  // Whether the panel opened last has not had its WM_DESTROY yet.
  bool HasPanel() const { return current_ != nullptr; }
  // The handler that sees the framework's messages before the message map
  // (null: none). The caller keeps it alive while it is set.
  void SetFrameworkHandler(PanelMessageHandler* handler) { frameworkHandler_ = handler; }

  // Scripting members. Each returns kSOk unless noted.
  // kEInvalidArg, changing nothing, for a name that ToPlainFileName refuses.
  Result SetFileName(const WideString& name);
  // Refused lengths (outside 1..600) show a message box, change nothing and
  // still return kSOk; *accepted tells the caller whether to refresh.
  Result SetMaxFileLengthInSecond(const WideString& text, bool* accepted = nullptr);
  WideString SoundFileName() const;
  WideString LocalFullFileName();
  Result SetSession(const WideString& value);
  Result SetDomain(const WideString& value);
  Result SetUser(const WideString& value);
  Result SetTargetDir(const WideString& value);
  Result SetHost(const WideString& value);

  // Property-bag persistence: the seven string keys in, "FileName" out.
  Result LoadFromBag(PropertyBag& bag);
  Result SaveToBag(PropertyBag& bag, bool clearDirty, bool saveAll);

 private:
  class PanelBinding;

  bool Deliver(PanelBinding& binding, uint32_t message, uintptr_t wParam, intptr_t lParam,
               intptr_t* result);
  // The window of the panel opened last, until its WM_DESTROY; else null.
  PanelWindow* CurrentWindow() const;
  std::string Narrow(const WideString& value);
  void SetPlain(WideString* wide, std::string* narrow, const WideString& value);

  Platform platform_;
  RecorderState state_;
  EventSinks events_;
  // Every panel whose window has not had its WM_DESTROY, oldest first.
  std::vector<std::unique_ptr<PanelBinding>> panels_;
  PanelBinding* current_ = nullptr;  // the one opened last, until its WM_DESTROY
  PanelMessageHandler* frameworkHandler_ = nullptr;
};

}  // namespace tamborix
