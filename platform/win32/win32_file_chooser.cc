#include "platform/win32/win32_file_chooser.h"

#include <windows.h>

#include <commdlg.h>

#include <cstring>

namespace tamborix {
namespace {

// Two entries, each a name and a pattern; both names begin with a blank.
constexpr char kFilter[] = " wav file (*.wav)\0*.wav\0 All Files(*.*)\0*.*\0";
constexpr char kDefaultExtension[] = "wav";
constexpr DWORD kFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;  // 0x6
constexpr size_t kPathChars = 260;

}  // namespace

bool Win32FileChooser::Choose(const SaveAsRequest& request, SaveAsChoice* choice) {
  char path[kPathChars] = {};
  char name[kPathChars] = {};
  std::strncpy(path, request.fileName.c_str(), kPathChars - 1);

  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = nullptr;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = kPathChars;
  dialog.lpstrFileTitle = name;
  dialog.nMaxFileTitle = kPathChars;
  dialog.lpstrInitialDir = request.folder.c_str();
  dialog.lpstrTitle = request.title.c_str();
  dialog.Flags = kFlags;
  dialog.lpstrDefExt = kDefaultExtension;
  if (!GetSaveFileNameA(&dialog)) {
    return false;
  }
  choice->fullPath = path;
  choice->fileName = name;
  return true;
}

}  // namespace tamborix
