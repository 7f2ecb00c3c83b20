#include "panel/choose_file.h"

#include "panel_view/panel_ops.h"
#include "platform/file_chooser.h"
#include "platform/kernel.h"

namespace tamborix {
namespace {

constexpr char kSaveAsFilter[] = " wav file (*.wav)|*.wav| All Files(*.*)|*.*||";

}  // namespace

intptr_t ChooseFile(RecorderState& state, Kernel& kernel, FileChooser* chooser,
                    PanelWindow& window) {
  if (chooser == nullptr) {
    return 0;
  }
  SaveAsSettings settings;
  settings.title = LoadText(kernel, kTextSelectFile);
  settings.filter = kSaveAsFilter;
  settings.defaultExtension = "wav";
  settings.flags = kOfnOverwritePrompt | kOfnHideReadOnly;
  settings.initialFolder = state.folder;
  settings.initialName = state.fileName;
  SaveAsChoice choice;
  if (!chooser->ChooseSaveAs(settings, &choice)) {
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
