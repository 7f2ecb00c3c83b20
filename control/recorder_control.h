// The control object's own logic, free of any component machinery: it owns
// the RecorderState and the event sinks, answers the scripting members and
// the property bag, and creates the panel when the platform shows it.
//
// Window life: OpenPanel gives the platform the handler for every message of
// the panel window. The framework's own messages (IsFrameworkMessage) go to
// the framework handler first, when one is set; the rest, and those it
// leaves, go to the panel's message map. WM_DESTROY, which arrives while the
// window still exists, ends what runs and lets the panel go. A control that
// is destroyed while its window is open destroys the window first.
//
// Threading: user-interface thread only.
#pragma once

#include <memory>

#include "control/property_bag.h"
#include "platform/panel_window.h"
#include "platform/platform.h"
#include "state/event_sinks.h"
#include "state/recorder_state.h"
#include "state/result_codes.h"

namespace tamborix {

class Panel;

class RecorderControl : private PanelMessageHandler {
 public:
  explicit RecorderControl(const Platform& platform);
  ~RecorderControl() override;
  RecorderControl(const RecorderControl&) = delete;
  RecorderControl& operator=(const RecorderControl&) = delete;

  RecorderState& state() { return state_; }
  const RecorderState& state() const { return state_; }
  EventSinks& events() { return events_; }
  const Platform& platform() const { return platform_; }

  // Creates the panel on `window`; the platform then delivers WM_INITDIALOG
  // and every later message, up to WM_DESTROY, to the returned handler. A
  // panel that is still open is destroyed first.
  PanelMessageHandler* OpenPanel(PanelWindow& window);
  bool HasPanel() const { return panel_ != nullptr; }
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
  bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) override;
  std::string Narrow(const WideString& value);
  void SetPlain(WideString* wide, std::string* narrow, const WideString& value);

  Platform platform_;
  RecorderState state_;
  EventSinks events_;
  PanelWindow* window_ = nullptr;
  std::unique_ptr<Panel> panel_;
  PanelMessageHandler* frameworkHandler_ = nullptr;
};

}  // namespace tamborix
