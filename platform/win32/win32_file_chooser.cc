#include "platform/win32/win32_file_chooser.h"

#include <windows.h>

#include <commdlg.h>

#include <cstring>

#include "platform/win32/win32_modal_owner.h"

namespace tamborix {
namespace {

constexpr size_t kPathChars = 260;

}  // namespace

bool Win32FileChooser::ChooseSaveAs(const SaveAsSettings& settings, SaveAsChoice* choice) {
  char path[kPathChars] = {};
  char name[kPathChars] = {};
  std::strncpy(path, settings.initialName.c_str(), kPathChars - 1);
  // The dialog wants its pairs ended by NULs where the settings write bars.
  std::string filter = settings.filter;
  for (char& c : filter) {
    if (c == '|') {
      c = '\0';
    }
  }

  const ModalScope modal;
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = modal.Owner();
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = kPathChars;
  dialog.lpstrFileTitle = name;
  dialog.nMaxFileTitle = kPathChars;
  dialog.lpstrInitialDir = settings.initialFolder.c_str();
  dialog.lpstrTitle = settings.title.empty() ? nullptr : settings.title.c_str();
  dialog.Flags = settings.flags;
  dialog.lpstrDefExt = settings.defaultExtension.c_str();
  if (!GetSaveFileNameA(&dialog)) {
    return false;
  }
  choice->fullPath = path;
  choice->fileName = name;
  return true;
}

}  // namespace tamborix
