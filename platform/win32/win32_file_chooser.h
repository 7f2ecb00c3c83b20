// The Save-as chooser on Windows: GetSaveFileNameA with no owner window and
// the settings given (bars in the filter become the NULs the dialog wants).

#pragma once

#include "platform/file_chooser.h"

namespace tamborix {

class Win32FileChooser : public FileChooser {
 public:
  bool ChooseSaveAs(const SaveAsSettings& settings, SaveAsChoice* choice) override;
};

}  // namespace tamborix
