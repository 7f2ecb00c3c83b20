// The platform's common Save-as dialog, through which the user picks the
// folder and name of the recording.
//
// Threading: user-interface thread only. The dialog is modal: messages for
// the panel may be dispatched while it is open, as under a message box.
#pragma once

#include <cstdint>
#include <string>

namespace tamborix {

// Dialog flags (the OPENFILENAME values).
constexpr uint32_t kOfnOverwritePrompt = 0x00000002;  // ask before replacing a file
constexpr uint32_t kOfnHideReadOnly = 0x00000004;

struct SaveAsSettings {
  std::string title;  // narrow, system code page; "" for the platform's own
  // Pairs of a shown name and its pattern, each ended by a bar, the whole
  // list by a second bar: " wav file (*.wav)|*.wav| All Files(*.*)|*.*||".
  // The first pair is chosen at the start.
  std::string filter;
  std::string defaultExtension;  // added to a name typed without one
  uint32_t flags = 0;
  std::string initialFolder;
  // The name shown at the start; the dialog's path area holds 260
  // characters, so a longer one is cut there.
  std::string initialName;
};

struct SaveAsChoice {
  std::string fullPath;  // folder and name, as the kernel's paths are written
  std::string fileName;  // name and extension, without the folder
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // Shows the dialog, owned as the kernel's message boxes are (the panel
  // on the panel's thread), and returns when the user has closed it: true with `choice` filled when
  // the user confirmed a name; false, `choice` untouched, when the user cancelled or the dialog
  // could not be shown.
  virtual bool ChooseSaveAs(const SaveAsSettings& settings, SaveAsChoice* choice) = 0;
};

}  // namespace tamborix
