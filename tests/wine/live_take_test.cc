// The panel with real sound where the system gets in its way: a previous
// take held open by another program, the keyboard focus on a button that is
// disabled, and a Save-as choice in a double-byte code page.
#include <string>

#include "tests/wine/live_util.h"
#include "tests/wine/test_container.h"

namespace tamborix_wine {
namespace {

constexpr int kRec = 202, kStop = 205, kPlay = 206, kUpload = 207, kStatus = 213, kChoose = 216;

const std::vector<std::pair<const wchar_t*, const wchar_t*>> kParams = {
    {L"Session", L"take-session-1"}, {L"User", L"ann"},        {L"Domain", L"example.org"},
    {L"TargetDir", L"held takes"},   {L"Host", L"127.0.80.1"}, {L"FileName", L"held.wav"}};

std::string Ansi(const std::wstring& text) {
  char narrow[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

bool Enabled(HWND panel, int id) {
  return IsWindowEnabled(GetDlgItem(panel, id)) != FALSE;
}

bool Ready(HWND panel) {
  return Enabled(panel, kRec) && !Enabled(panel, kStop) && Enabled(panel, kPlay);
}

// A take of about `ms` milliseconds, REC to STOP.
void Record(HWND panel, DWORD ms) {
  Click(panel, kRec);
  PumpFor(ms);
  Click(panel, kStop);
}

// The previous take is open without sharing in another program: the new
// take is kept beside it, and the panel's path, PLAY and UPLOAD follow it.
TEST_GROUP(LiveTakeKeptBesideAHeldOne) {
  REQUIRE(!gStoreFolder.empty());
  BoxWatcher boxes;
  Hosted host(kParams);
  HWND panel = host.Activate();
  REQUIRE(panel != nullptr);
  const std::wstring path = LocalFullFileName(host.object.get());
  REQUIRE(path.size() > 8 && path.compare(path.size() - 8, 8, L"held.wav") == 0);
  const std::wstring kept = path.substr(0, path.size() - 4) + L"-2.wav";
  DeleteFileW(kept.c_str());
  Record(panel, 3000);
  const std::string old = ReadBytes(path);
  REQUIRE(old.size() > 44);

  HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  REQUIRE(holder != INVALID_HANDLE_VALUE);
  Record(panel, 3000);
  PumpFor(300);
  CloseHandle(holder);

  const std::vector<std::string> texts = boxes.Texts();
  CHECK(texts.size() == 1 && texts[0] == "Could not put the recording in place:" + Ansi(path) +
                                             "\nThe recording is kept as:" + Ansi(kept));
  CHECK(ReadBytes(path) == old);
  const Wave wave = ReadWave(kept);
  CHECK(wave.valid && wave.rate == 8000 && wave.samples.size() > 8000);
  CHECK(LocalFullFileName(host.object.get()) == kept);
  CHECK(ItemText(panel, kStatus) == Ansi(kept));
  CHECK(Ready(panel));

  Click(panel, kPlay);
  CHECK(!Enabled(panel, kPlay));
  CHECK(PumpUntil([panel] { return Ready(panel); }, 30000));

  const std::wstring stored = gStoreFolder + L"\\ann\\held takes\\held-2.wav";
  DeleteFileW(stored.c_str());
  Click(panel, kUpload);
  PumpMessages();
  CHECK(host.events.counts[kOnOKDone] == 1);
  CHECK(ReadBytes(stored) == ReadBytes(kept));
  CHECK(boxes.Texts().size() == 1);
}

// The focused button is disabled at every start and end; the focus goes on
// to an enabled button, and the keyboard works on.
TEST_GROUP(LiveFocusLeavesADisabledButton) {
  BoxWatcher boxes;
  Hosted host(kParams);
  HWND panel = host.Activate(OLEIVERB_UIACTIVATE);
  REQUIRE(panel != nullptr);
  SetForegroundWindow(host.frame.get());
  SetFocus(GetDlgItem(panel, kRec));
  Click(panel, kRec);
  CHECK(GetFocus() == GetDlgItem(panel, kStop));
  PumpFor(2000);
  Click(panel, kStop);
  CHECK(GetFocus() == GetDlgItem(panel, kPlay));
  Click(panel, kPlay);
  CHECK(GetFocus() == GetDlgItem(panel, kStop));
  // The device's end notice: the playback ends without a click.
  CHECK(PumpUntil([panel] { return Ready(panel); }, 30000));
  CHECK(GetFocus() == GetDlgItem(panel, kPlay));
  // The space bar presses the focused button: PLAY once more.
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_SPACE;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  CHECK(SendInput(2, keys, sizeof keys[0]) == 2);
  CHECK(PumpUntil([panel] { return !Enabled(panel, kPlay); }, 3000));
  CHECK(PumpUntil([panel] { return Ready(panel); }, 30000));
  CHECK(GetFocus() == GetDlgItem(panel, kPlay));
  // An upload disables nothing: the focus stays on UPLOAD.
  if (!gStoreFolder.empty()) {
    SetFocus(GetDlgItem(panel, kUpload));
    Click(panel, kUpload);
    PumpMessages();
    CHECK(host.events.counts[kOnOKDone] == 1);
    CHECK(GetFocus() == GetDlgItem(panel, kUpload));
  }
  CHECK(boxes.Texts().empty());
}

// Code page 950: the second byte of 許 (B3 5C) is a backslash byte, which
// must not end the folder of the chosen path.
TEST_GROUP(TraditionalChineseSaveAsInADoubleByteName) {
  REQUIRE(GetACP() == 950);
  BoxWatcher boxes;
  Hosted host(kParams);
  HWND panel = host.Activate();
  REQUIRE(panel != nullptr);
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring chosen = std::wstring(folder) + L"cp950\\";
  CreateDirectoryW(chosen.c_str(), nullptr);
  const std::wstring path = chosen + L"\u8A31.wav";
  DeleteFileW(path.c_str());
  REQUIRE(Ansi(L"\u8A31") == "\xB3\x5C");

  ShowWindow(GetDlgItem(panel, kChoose), SW_SHOW);
  // The dialog's title is in Chinese here: the user finds it by its field.
  SaveAsUser user(L"", path);
  Click(panel, kChoose);  // returns when the dialog has closed
  user.Wait();
  CHECK(user.found);
  PumpMessages();
  CHECK(LocalFullFileName(host.object.get()) == path);
  CHECK(ItemText(panel, kStatus) == Ansi(path));
  Record(panel, 2000);
  CHECK(ReadWave(path).valid);
  CHECK(boxes.Texts().empty());
}

}  // namespace
}  // namespace tamborix_wine
