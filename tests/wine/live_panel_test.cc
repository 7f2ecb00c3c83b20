// The panel clicked as a user would, with real sound (a 440 Hz tone on the
// default source) and the storage service on 127.0.80.1:80: recording,
// playback, time-up and upload through our own container.
#include <algorithm>
#include <string>

#include "tests/wine/live_util.h"
#include "tests/wine/test_container.h"

namespace tamborix_wine {
namespace {

constexpr int kRec = 202, kStop = 205, kPlay = 206, kUpload = 207, kAbort = 208, kStatus = 213,
              kChoose = 216, kProgress = 218;

// The page's params for an upload to the local storage service.
const std::vector<std::pair<const wchar_t*, const wchar_t*>> kPageParams = {
    {L"Session", L"live-session-1"},
    {L"User", L"ann"},
    {L"Domain", L"example.org"},
    {L"TargetDir", L"voice memos"},
    {L"Host", L"127.0.80.1"},
    {L"FileName", L"live.wav"},
    {L"PDrive", L"P"}};

std::string Narrow(const std::wstring& text) {
  return std::string(text.begin(), text.end());
}

bool ReadyButtons(HWND panel) {
  return IsWindowEnabled(GetDlgItem(panel, kRec)) && !IsWindowEnabled(GetDlgItem(panel, kStop)) &&
         IsWindowEnabled(GetDlgItem(panel, kPlay)) && IsWindowEnabled(GetDlgItem(panel, kUpload)) &&
         IsWindowEnabled(GetDlgItem(panel, kAbort));
}

// The recording in the file is the tone in the control's format, as long as
// the `takeMs` between the REC and STOP clicks within 0.3 s (the rig's
// microphone gives a new capture its first data within about 0.1 s). Asked
// to stop, Wine's driver first fills its current buffer (a third of a
// second): the take may also run on until the STOP click had saved it,
// `savedMs` after REC.
void CheckToneRecording(const std::wstring& path, DWORD takeMs, DWORD savedMs) {
  const Wave wave = ReadWave(path);
  REQUIRE(wave.valid);
  CHECK(wave.rate == 8000 && wave.bits == 16 && wave.channels == 1);
  const auto keptMs = static_cast<long>(wave.samples.size() / 8);
  const long take = static_cast<long>(takeMs);
  if (keptMs < take - 300 || keptMs > std::max(take + 300, static_cast<long>(savedMs) + 20)) {
    Fail(__FILE__, __LINE__,
         "kept " + std::to_string(keptMs) + " ms of a " + std::to_string(takeMs) + " ms take");
  }
  const int tone = ToneFrequency(wave.samples);
  if (tone < 420 || tone > 460) {
    Fail(__FILE__, __LINE__, "heard " + std::to_string(tone) + " Hz");
  }
}

// REC, about five seconds, STOP, PLAY to its end: a Ready panel again.
void RecordAndPlay(Hosted& host, HWND panel) {
  const DWORD recAt = GetTickCount();
  Click(panel, kRec);
  CHECK(!IsWindowEnabled(GetDlgItem(panel, kRec)) && IsWindowEnabled(GetDlgItem(panel, kStop)));
  PumpFor(5000);
  CHECK(SendDlgItemMessageA(panel, 201, TBM_GETPOS, 0, 0) >= 4);
  const DWORD takeMs = GetTickCount() - recAt;
  Click(panel, kStop);
  const DWORD savedMs = GetTickCount() - recAt;
  CHECK(ReadyButtons(panel));
  CheckToneRecording(LocalFullFileName(host.object.get()), takeMs, savedMs);

  Click(panel, kPlay);
  CHECK(!IsWindowEnabled(GetDlgItem(panel, kRec)) && IsWindowEnabled(GetDlgItem(panel, kStop)));
  // The device's notice at the end of the file sets the Ready buttons.
  CHECK(PumpUntil([panel] { return ReadyButtons(panel); }, 30000));
}

TEST_GROUP(LiveRecordStopPlay) {
  BoxWatcher boxes;
  Hosted host(kPageParams);
  HWND panel = host.Activate();
  REQUIRE(panel != nullptr);
  RecordAndPlay(host, panel);
  CHECK(boxes.Texts().empty());
}

TEST_GROUP(LiveTimeUpSaves) {
  BoxWatcher boxes;
  Hosted host(kPageParams);
  REQUIRE(host.ready);
  Ref<IRecorderDialog> dialog;
  REQUIRE(dialog.From(host.object.get()));
  Bstr seconds(L"4");
  CHECK_HR(dialog->SetMaxFileLengthInSecond(seconds.get()), S_OK);
  CHECK_HR(host.Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
  HWND panel = host.Panel();
  REQUIRE(panel != nullptr);
  const std::wstring path = LocalFullFileName(host.object.get());
  DeleteFileW(path.c_str());
  Click(panel, kRec);
  CHECK(PumpUntil([&boxes] { return !boxes.Texts().empty(); }, 15000));
  PumpFor(500);
  const std::vector<std::string> texts = boxes.Texts();
  CHECK(texts.size() == 1 && texts[0] == "Time Up ! Save to file Done");
  CHECK(ReadyButtons(panel));
  const Wave wave = ReadWave(path);
  CHECK(wave.valid && wave.rate == 8000 && !wave.samples.empty());
}

// What the progress bar is told while the upload blocks the panel's thread.
struct BarWatch {
  bool shown = false;
  std::vector<int> positions;
};

LRESULT CALLBACK WatchBar(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR data) {
  auto* watch = reinterpret_cast<BarWatch*>(data);  // NOLINT(performance-no-int-to-ptr)
  if (message == WM_SHOWWINDOW && wParam != 0) {
    watch->shown = true;
  } else if (message == PBM_SETPOS) {
    watch->positions.push_back(static_cast<int>(wParam));
  }
  return DefSubclassProc(bar, message, wParam, lParam);
}

TEST_GROUP(LiveUploadStoresTheRecording) {
  REQUIRE(!gStoreFolder.empty());
  BoxWatcher boxes;
  Hosted host(kPageParams);
  HWND panel = host.Activate();
  REQUIRE(panel != nullptr);
  const std::wstring path = LocalFullFileName(host.object.get());
  const std::wstring stored = gStoreFolder + L"\\ann\\voice memos\\live.wav";
  DeleteFileW(stored.c_str());
  Click(panel, kRec);
  PumpFor(4000);
  Click(panel, kStop);
  HWND bar = GetDlgItem(panel, kProgress);
  CHECK(!IsWindowVisible(bar));
  BarWatch watch;
  SetWindowSubclass(bar, WatchBar, 1, reinterpret_cast<DWORD_PTR>(&watch));
  Click(panel, kUpload);  // returns when the upload has ended
  RemoveWindowSubclass(bar, WatchBar, 1);
  PumpMessages();
  CHECK(host.events.counts[kOnOKDone] == 1);
  CHECK(host.events.counts[kOnAbort] == 0);
  const std::string local = ReadBytes(path);
  CHECK(local.size() > 44);
  CHECK(ReadBytes(stored) == local);
  // The bar showed, primed at 10, then took the worker's percentages (the
  // first chunk's may lie below 10; the wait ends as soon as the worker has
  // finished, so the last one may not reach the bar). It stays shown at its
  // last position.
  CHECK(watch.shown);
  REQUIRE(!watch.positions.empty());
  CHECK(watch.positions.front() == 10);
  CHECK(*std::min_element(watch.positions.begin(), watch.positions.end()) >= 0);
  CHECK(*std::max_element(watch.positions.begin(), watch.positions.end()) <= 100);
  CHECK(IsWindowVisible(bar));
  CHECK(SendMessageA(bar, PBM_GETPOS, 0, 0) == watch.positions.back());
  CHECK(boxes.Texts().empty());
}

TEST_GROUP(LiveDeviceErrorShowsItsBox) {
  BoxWatcher boxes;
  Hosted host(kPageParams);
  HWND panel = host.Activate();
  REQUIRE(panel != nullptr);
  Ref<IRecorderDialog> dialog;
  REQUIRE(dialog.From(host.object.get()));
  Bstr name(L"never-recorded.wav");
  CHECK_HR(dialog->SetFileName(name.get()), S_OK);
  DeleteFileW(LocalFullFileName(host.object.get()).c_str());
  // PLAY is disabled in the Fresh state; the click is the device's to refuse.
  EnableWindow(GetDlgItem(panel, kPlay), TRUE);
  Click(panel, kPlay);
  PumpFor(300);
  const std::vector<std::string> texts = boxes.Texts();
  CHECK(texts.size() == 1 && texts[0].rfind("MCI_OPEN to Play ERROR:", 0) == 0);
  CHECK(IsWindowEnabled(GetDlgItem(panel, kRec)) && !IsWindowEnabled(GetDlgItem(panel, kStop)));
}

// The Save-as button clicked while a user types `path` into the dialog, or
// cancels it when `path` is empty; false when the dialog never showed.
bool ChooseThroughButton(HWND panel, const std::string& path) {
  SaveAsUser user(L"Please select file name", std::wstring(path.begin(), path.end()), path.empty());
  Click(panel, kChoose);  // returns when the dialog has closed
  user.Wait();
  PumpMessages();
  return user.found;
}

TEST_GROUP(LiveSaveAsThroughTheButton) {
  BoxWatcher boxes;
  Hosted host(kPageParams);
  HWND panel = host.Activate();
  REQUIRE(panel != nullptr);
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  const std::string chosen = std::string(folder) + "\\live chosen\\";
  CreateDirectoryA(chosen.c_str(), nullptr);
  ShowWindow(GetDlgItem(panel, kChoose), SW_SHOW);

  const std::string path = chosen + "picked.wav";
  CHECK(ChooseThroughButton(panel, path));
  CHECK(Narrow(LocalFullFileName(host.object.get())) == path);
  CHECK(ItemText(panel, kStatus) == path);

  CHECK(ChooseThroughButton(panel, ""));
  CHECK(Narrow(LocalFullFileName(host.object.get())) == path);
  CHECK(ItemText(panel, kStatus) == path);
  CHECK(boxes.Texts().empty());
}

TEST_GROUP(LiveDeactivateDuringRecordingSaves) {
  BoxWatcher boxes;
  Hosted host(kPageParams);
  HWND panel = host.Activate();
  REQUIRE(panel != nullptr);
  const std::wstring path = LocalFullFileName(host.object.get());
  DeleteFileW(path.c_str());
  Click(panel, kRec);
  PumpFor(3000);
  Ref<IOleInPlaceObject> inPlace;
  REQUIRE(inPlace.From(host.object.get()));
  CHECK_HR(inPlace->InPlaceDeactivate(), S_OK);
  PumpMessages();
  CHECK(!IsWindow(panel));
  CHECK(CountDescendants(host.frame.get()) == 0);
  const Wave wave = ReadWave(path);
  CHECK(wave.valid && wave.rate == 8000 && wave.bits == 16 && wave.channels == 1);
}

}  // namespace
}  // namespace tamborix_wine
