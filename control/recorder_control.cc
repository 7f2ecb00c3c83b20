#include "control/recorder_control.h"

#include <array>

#include "control/file_name.h"
#include "panel/panel.h"
#include "panel_view/panel_ops.h"
#include "platform/kernel.h"
#include "platform/window_messages.h"

namespace tamborix {
namespace {

constexpr int32_t kLongestLength = 600;
constexpr char kInvalidLengthText[] = "Invalid second setting > 0 and < 600";

}  // namespace

// One panel on its window: the handler of that window's messages.
class RecorderControl::PanelBinding : public PanelMessageHandler {
 public:
  PanelBinding(RecorderControl& control, PanelWindow& window)
      : control_(control),
        window_(window),
        panel_(control.state_, control.platform_, control.events_, window) {}

  bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) override {
    return control_.Deliver(*this, message, wParam, lParam, result);
  }

  PanelWindow& window() { return window_; }
  Panel& panel() { return panel_; }

 private:
  RecorderControl& control_;
  PanelWindow& window_;
  Panel panel_;
};

RecorderControl::RecorderControl(const Platform& platform) : platform_(platform) {}

RecorderControl::~RecorderControl() {
  while (!panels_.empty()) {
    PanelBinding* last = panels_.back().get();
    last->window().Destroy();  // its WM_DESTROY lets the binding go
    if (!panels_.empty() && panels_.back().get() == last) {
      panels_.pop_back();  // the window was no longer open
    }
  }
  current_ = nullptr;
}

PanelMessageHandler* RecorderControl::OpenPanel(PanelWindow& window) {
  if (PanelWindow* open = CurrentWindow()) {
    open->Destroy();
  }
  panels_.push_back(std::make_unique<PanelBinding>(*this, window));
  current_ = panels_.back().get();
  return current_;
}

PanelWindow* RecorderControl::CurrentWindow() const {
  return current_ != nullptr ? &current_->window() : nullptr;
}

bool RecorderControl::Deliver(PanelBinding& binding, uint32_t message, uintptr_t wParam,
                              intptr_t lParam, intptr_t* result) {
  if (frameworkHandler_ != nullptr && IsFrameworkMessage(message) &&
      frameworkHandler_->OnMessage(message, wParam, lParam, result)) {
    return true;
  }
  const bool handled = binding.panel().OnMessage(message, wParam, lParam, result);
  if (message == kWmDestroy) {
    if (current_ == &binding) {
      current_ = nullptr;
    }
    for (auto it = panels_.begin(); it != panels_.end(); ++it) {
      if (it->get() == &binding) {
        panels_.erase(it);  // the platform calls this handler no more
        break;
      }
    }
  }
  return handled;
}

std::string RecorderControl::Narrow(const WideString& value) {
  return tamborix::Narrow(*platform_.kernel, value);
}

void RecorderControl::SetPlain(WideString* wide, std::string* narrow, const WideString& value) {
  *wide = value;
  *narrow = Narrow(value);
}

Result RecorderControl::SetFileName(const WideString& name) {
  std::string narrow;
  if (name && !ToPlainFileName(*platform_.kernel, *name, &narrow)) {
    return kEInvalidArg;
  }
  state_.wide.fileName = name;
  state_.fileName = narrow;
  UpdateFullPath(state_, CurrentWindow(), state_.fileName);
  return kSOk;
}

Result RecorderControl::SetMaxFileLengthInSecond(const WideString& text, bool* accepted) {
  const std::string narrow = Narrow(text);
  const int32_t seconds = ReadDecimal(narrow);
  const bool ok = seconds >= 1 && seconds <= kLongestLength;
  if (accepted != nullptr) {
    *accepted = ok;
  }
  if (!ok) {
    platform_.kernel->ShowMessageBox(kInvalidLengthText);
    return kSOk;
  }
  state_.wide.maxLength = text;
  state_.maxLength = narrow;
  state_.maxSeconds = ReadDecimal(state_.maxLength);
  if (PanelWindow* window = CurrentWindow()) {
    SetTrackbarRange(*window, state_.maxSeconds);
  }
  return kSOk;
}

WideString RecorderControl::SoundFileName() const {
  return state_.wide.fileName;
}

WideString RecorderControl::LocalFullFileName() {
  state_.wide.fullPath = platform_.kernel->NarrowToWide(state_.fullPath);
  return state_.wide.fullPath;
}

Result RecorderControl::SetSession(const WideString& value) {
  SetPlain(&state_.wide.session, &state_.session, value);
  return kSOk;
}

Result RecorderControl::SetDomain(const WideString& value) {
  SetPlain(&state_.wide.domain, &state_.domain, value);
  return kSOk;
}

Result RecorderControl::SetUser(const WideString& value) {
  SetPlain(&state_.wide.user, &state_.user, value);
  return kSOk;
}

Result RecorderControl::SetTargetDir(const WideString& value) {
  SetPlain(&state_.wide.targetDir, &state_.targetDir, value);
  return kSOk;
}

Result RecorderControl::SetHost(const WideString& value) {
  SetPlain(&state_.wide.host, &state_.host, value);
  return kSOk;
}

Result RecorderControl::LoadFromBag(PropertyBag& bag) {
  struct Key {
    const char16_t* name;
    WideString RecorderState::Wide::*field;
  };
  static const std::array<Key, 7> kKeys = {{
      {u"FileName", &RecorderState::Wide::fileName},
      {u"Session", &RecorderState::Wide::session},
      {u"TargetDir", &RecorderState::Wide::targetDir},
      {u"User", &RecorderState::Wide::user},
      {u"Domain", &RecorderState::Wide::domain},
      {u"Host", &RecorderState::Wide::host},
      {u"PDrive", &RecorderState::Wide::pDrive},
  }};
  Result last = kSOk;
  for (const Key& key : kKeys) {
    WideString value;
    bool isString = false;
    last = bag.Read(key.name, &value, &isString);
    if (!Succeeded(last) || !isString) {
      continue;
    }
    // A file name with folder parts would let a page write anywhere.
    std::string narrow;
    if (key.field == &RecorderState::Wide::fileName && value &&
        !ToPlainFileName(*platform_.kernel, *value, &narrow)) {
      continue;
    }
    state_.wide.*key.field = value;
    state_.bagDirty = 1;
  }
  return last;
}

Result RecorderControl::SaveToBag(PropertyBag& bag, bool clearDirty, bool saveAll) {
  if (!saveAll) {
    if (state_.bagDirty == 0 || WideText(state_.wide.fileName) == kDefaultFileName) {
      return kEFail;
    }
  }
  const Result written = bag.Write(u"FileName", state_.wide.fileName);
  if (Succeeded(written) && clearDirty) {
    state_.bagDirty = 0;
  }
  return written;
}

}  // namespace tamborix
