// The Save-as chooser on Windows: GetSaveFileNameA with no owner window, the
// ".wav" default extension, a "wav file" and an "All Files" filter, and the
// platform's question before an existing file is replaced.
#pragma once

#include "platform/file_chooser.h"

namespace tamborix {

class Win32FileChooser : public FileChooser {
 public:
  bool Choose(const SaveAsRequest& request, SaveAsChoice* choice) override;
};

}  // namespace tamborix
