// The Win32 Save-as chooser, answered by a watcher thread as a user would:
// it opens in the given folder under the given title, a bare name comes back
// in that folder with ".wav" added, and cancelling gives nothing.
#include <windows.h>

#include <string>

#include "platform/win32/win32_file_chooser.h"
#include "tests/wine/container_util.h"

namespace tamborix_wine {
namespace {

constexpr char kTitle[] = "Pick a take";
constexpr int kFileNameField = 0x47C;

struct Answer {
  const char* name;  // typed into the file-name field; null: cancel
  bool found = false;
};

// Waits for the dialog by its title, then types and confirms, or cancels.
DWORD WINAPI AnswerDialog(void* parameter) {
  Answer* answer = static_cast<Answer*>(parameter);
  HWND dialog = nullptr;
  for (int i = 0; i < 500 && dialog == nullptr; ++i) {
    Sleep(10);
    dialog = FindWindowA(nullptr, kTitle);
  }
  if (dialog == nullptr) {
    return 1;
  }
  answer->found = true;
  if (answer->name == nullptr) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
  }
  SendMessageA(GetDlgItem(dialog, kFileNameField), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(answer->name));
  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  return 0;
}

bool ChooseWithWatcher(Answer* answer, const tamborix::SaveAsSettings& settings,
                       tamborix::SaveAsChoice* choice) {
  HANDLE watcher = CreateThread(nullptr, 0, AnswerDialog, answer, 0, nullptr);
  tamborix::Win32FileChooser chooser;
  const bool chosen = chooser.ChooseSaveAs(settings, choice);
  WaitForSingleObject(watcher, INFINITE);
  CloseHandle(watcher);
  return chosen;
}

TEST_GROUP(SaveAsChooser) {
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  const std::string chosenFolder = std::string(folder) + "\\chosen\\";
  CreateDirectoryA(chosenFolder.c_str(), nullptr);
  tamborix::SaveAsSettings settings;
  settings.title = kTitle;
  settings.filter = " wav file (*.wav)|*.wav| All Files(*.*)|*.*||";
  settings.defaultExtension = "wav";
  settings.flags = tamborix::kOfnOverwritePrompt | tamborix::kOfnHideReadOnly;
  settings.initialFolder = chosenFolder;
  settings.initialName = "lumo_default.wav";

  Answer typed = {"take1"};
  tamborix::SaveAsChoice choice;
  CHECK(ChooseWithWatcher(&typed, settings, &choice));
  CHECK(typed.found);
  CHECK(choice.fullPath == chosenFolder + "take1.wav");
  CHECK(choice.fileName == "take1.wav");

  Answer cancelled = {nullptr};
  tamborix::SaveAsChoice untouched = {"before", "before"};
  CHECK(!ChooseWithWatcher(&cancelled, settings, &untouched));
  CHECK(cancelled.found);
  CHECK(untouched.fullPath == "before");
}

}  // namespace
}  // namespace tamborix_wine
