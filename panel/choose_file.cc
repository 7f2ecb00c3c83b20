#include "panel/choose_file.h"

#include "panel_view/panel_ops.h"
#include "platform/file_chooser.h"
#include "platform/kernel.h"

namespace tamborix {
namespace {

constexpr char kSaveAsFilter[] = " wav file (*.wav)|*.wav| All Files(*.*)|*.*||";

// Where the folder part of `path` ends: after its last backslash, found
// character by character, since the second byte of a double-byte character
// (B3 5C is one) may be a backslash byte; npos without one.
size_t FolderEnd(Kernel& kernel, const std::string& path) {
  size_t end = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (kernel.IsLeadByte(static_cast<unsigned char>(path[i]))) {
      ++i;
    } else if (path[i] == '\\') {
      end = i + 1;
    }
  }
  return end;
}

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
  const size_t folderEnd = FolderEnd(kernel, choice.fullPath);
  state.folder =
      folderEnd == std::string::npos ? choice.fullPath : choice.fullPath.substr(0, folderEnd);
  state.fileName = choice.fileName;
  state.wide.fileName = kernel.NarrowToWide(choice.fileName);
  UpdateFullPath(state, &window, choice.fileName);
  return 0;
}

}  // namespace tamborix
