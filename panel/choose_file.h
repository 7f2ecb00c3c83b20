// The file chooser's command (button 216): the user picks the recording's
// folder and name in the platform's Save-as dialog.
#pragma once

#include <cstdint>

#include "state/recorder_state.h"

namespace tamborix {

class FileChooser;
class Kernel;
class PanelWindow;

// Opens the chooser in `folder` with the current file name and title string
// 5. A confirmed choice sets `folder` (up to and including the last
// backslash, or the whole path without one), the narrow and wide file name,
// and fullPath, which the status box then shows. Cancelling, or a platform
// without a chooser, changes nothing. Returns 0.
intptr_t ChooseFile(RecorderState& state, Kernel& kernel, FileChooser* chooser,
                    PanelWindow& window);

}  // namespace tamborix
