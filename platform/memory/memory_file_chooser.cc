#include "platform/memory/memory_file_chooser.h"

namespace tamborix {

void MemoryFileChooser::WillChoose(const std::string& fullPath, const std::string& fileName) {
  SaveAsChoice choice;
  choice.fullPath = fullPath;
  const size_t slash = fullPath.rfind('\\');
  choice.fileName = !fileName.empty()            ? fileName
                    : slash == std::string::npos ? fullPath
                                                 : fullPath.substr(slash + 1);
  script_.emplace_back(choice);
}

void MemoryFileChooser::WillCancel() {
  script_.emplace_back(std::nullopt);
}

bool MemoryFileChooser::ChooseSaveAs(const SaveAsSettings& settings, SaveAsChoice* choice) {
  uiThread_.Check("MemoryFileChooser::ChooseSaveAs");
  shown_.push_back(settings);
  if (script_.empty()) {
    return false;
  }
  std::optional<SaveAsChoice> next = std::move(script_.front());
  script_.pop_front();
  if (!next) {
    return false;
  }
  *choice = std::move(*next);
  return true;
}

}  // namespace tamborix
