// The in-memory Save-as dialog: a test or a host scripts what the user does
// next, and every dialog shown is kept with its settings. With nothing
// scripted the user cancels.
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "platform/file_chooser.h"
#include "platform/memory/ui_thread.h"

namespace tamborix {

class MemoryFileChooser : public FileChooser {
 public:
  // The next dialog is confirmed with `fullPath`; the name is the part after
  // the last backslash, or `fileName` when given (a double-byte name may end
  // in a backslash byte).
  void WillChoose(const std::string& fullPath, const std::string& fileName = std::string());
  // The next dialog is cancelled.
  void WillCancel();

  // The settings of every dialog shown, oldest first.
  const std::vector<SaveAsSettings>& Shown() const { return shown_; }

  bool ChooseSaveAs(const SaveAsSettings& settings, SaveAsChoice* choice) override;

 private:
  std::deque<std::optional<SaveAsChoice>> script_;
  std::vector<SaveAsSettings> shown_;
  UiThread uiThread_;
};

}  // namespace tamborix
