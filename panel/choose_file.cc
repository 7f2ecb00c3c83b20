#include "panel/choose_file.h"

#include "panel/panel_ops.h"
#include "platform/file_chooser.h"
#include "platform/kernel.h"

namespace tamborix {

intptr_t ChooseFile(RecorderState& state, Kernel& kernel, FileChooser* chooser,
                    PanelWindow& window) {
  if (chooser == nullptr) {
    return 0;
  }
  SaveAsRequest request;
  request.title = LoadText(kernel, kTextSelectFile);
  request.folder = state.folder;
  request.fileName = state.fileName;
  SaveAsChoice choice;
  if (!chooser->Choose(request, &choice)) {
    return 0;
  }
  const size_t lastBackslash = choice.fullPath.rfind('\\');
  state.folder = lastBackslash == std::string::npos ? choice.fullPath
                                                    : choice.fullPath.substr(0, lastBackslash + 1);
  state.fileName = choice.fileName;
  state.wide.fileName = kernel.NarrowToWide(choice.fileName);
  UpdateFullPath(state, &window, choice.fileName);
  return 0;
}

}  // namespace tamborix
