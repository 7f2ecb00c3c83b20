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

// The chooser opened while a user types `name` into it, or cancels it when
// `name` is null; false when the dialog never showed.
bool ChooseWhileAUserAnswers(const char* name, const tamborix::SaveAsSettings& settings,
                             tamborix::SaveAsChoice* choice, bool* chosen) {
  const std::string typed = name != nullptr ? name : "";
  SaveAsUser user(std::wstring(kTitle, kTitle + sizeof kTitle - 1),
                  std::wstring(typed.begin(), typed.end()), name == nullptr);
  tamborix::Win32FileChooser chooser;
  *chosen = chooser.ChooseSaveAs(settings, choice);
  user.Wait();
  return user.found;
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

  tamborix::SaveAsChoice choice;
  bool chosen = false;
  CHECK(ChooseWhileAUserAnswers("take1", settings, &choice, &chosen));
  CHECK(chosen);
  CHECK(choice.fullPath == chosenFolder + "take1.wav");
  CHECK(choice.fileName == "take1.wav");

  tamborix::SaveAsChoice untouched = {"before", "before"};
  CHECK(ChooseWhileAUserAnswers(nullptr, settings, &untouched, &chosen));
  CHECK(!chosen);
  CHECK(untouched.fullPath == "before");
}

}  // namespace
}  // namespace tamborix_wine
