// The Save-as chooser: the platform's own dialog in which the user picks the
// folder and name of the recording.
//
// Threading: user-interface thread only; Choose runs a modal dialog and
// returns when the user closes it.
#pragma once

#include <string>

namespace tamborix {

struct SaveAsRequest {
  std::string title;     // the dialog's title
  std::string folder;    // where it opens
  std::string fileName;  // the name it shows first
};

struct SaveAsChoice {
  std::string fullPath;  // folder and name
  std::string fileName;  // name and extension, no folder
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // True with *choice filled when the user confirmed a name; false when the
  // user cancelled or closed the dialog.
  virtual bool Choose(const SaveAsRequest& request, SaveAsChoice* choice) = 0;
};

}  // namespace tamborix
