// Controls in one process, each on an apartment thread of its own, as tabs
// of a browser: a tab's control records and plays, or its thread ends while
// the control still records; the other tabs, made while it lived or after
// it ended, must still record and hear the end of their playback.
// containers.sh runs each group in a program of its own under Wine's heap
// checking: a heap warning fails it, and so does a program that has not
// exited within a few seconds of "DONE", which follows its last thread's end.
#include <string>
#include <utility>
#include <vector>

#include "tests/wine/live_util.h"
#include "tests/wine/test_container.h"

namespace tamborix_wine {
namespace {

constexpr int kRec = 202, kStop = 205, kPlay = 206;

bool ReadyAgain(HWND panel) {
  return IsWindowEnabled(GetDlgItem(panel, kRec)) && !IsWindowEnabled(GetDlgItem(panel, kStop)) &&
         IsWindowEnabled(GetDlgItem(panel, kPlay));
}

bool Recording(HWND panel) {
  return !IsWindowEnabled(GetDlgItem(panel, kRec)) && IsWindowEnabled(GetDlgItem(panel, kStop));
}

// One tab: its control in a container on its own thread.
struct Tab {
  const wchar_t* fileName;
  bool endWhileRecording = false;  // REC, and the thread ends without STOP
  HANDLE made = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // control active
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);    // start the session
  HANDLE thread = nullptr;
  bool active = false;
  bool recorded = false;        // Ready again after REC and STOP
  bool playbackEnded = false;   // Ready again after PLAY
  bool stillRecording = false;  // recording as its thread went on to end

  ~Tab() {
    for (HANDLE handle : {made, go, thread}) {
      if (handle != nullptr) {
        CloseHandle(handle);
      }
    }
  }
};

// REC, a moment, STOP, PLAY: whether the panel came back to Ready after the
// recording and after the playback's end notice.
void RecordAndPlay(HWND panel, Tab* tab) {
  Click(panel, kRec);
  PumpFor(1300);
  Click(panel, kStop);
  tab->recorded = ReadyAgain(panel);
  Click(panel, kPlay);
  tab->playbackEnded = PumpUntil([panel] { return ReadyAgain(panel); }, 15000);
}

DWORD WINAPI RunTab(void* parameter) {
  auto* tab = static_cast<Tab*>(parameter);
  OleInitialize(nullptr);
  {
    const std::vector<std::pair<const wchar_t*, const wchar_t*>> params = {
        {L"FileName", tab->fileName}};
    Hosted host(params);
    tab->active =
        host.ready && SUCCEEDED(host.Verb(OLEIVERB_INPLACEACTIVATE)) && host.Panel() != nullptr;
    SetEvent(tab->made);
    PumpUntil([tab] { return WaitForSingleObject(tab->go, 0) == WAIT_OBJECT_0; }, 60000);
    if (tab->active && tab->endWhileRecording) {
      Click(host.Panel(), kRec);
      PumpFor(700);
      tab->stillRecording = Recording(host.Panel());
    } else if (tab->active) {
      RecordAndPlay(host.Panel(), tab);
    }
  }
  OleUninitialize();
  return 0;
}

// Starts the tab's thread and waits until its control is active.
void Open(Tab* tab) {
  tab->thread = CreateThread(nullptr, 0, &RunTab, tab, 0, nullptr);
  WaitForSingleObject(tab->made, 30000);
}

// Lets the tab run its session; whether its thread then ended.
bool End(Tab* tab) {
  SetEvent(tab->go);
  return tab->thread != nullptr && WaitForSingleObject(tab->thread, 40000) == WAIT_OBJECT_0;
}

bool RecordedAndPlayed(const Tab& tab) {
  return tab.active && tab.recorded && tab.playbackEnded;
}

TEST_GROUP(ApartmentsKeepTheirOwnDevice) {
  BoxWatcher boxes;
  Tab first{L"first-tab.wav"};
  Tab second{L"second-tab.wav"};
  Open(&second);
  Open(&first);
  CHECK(End(&first));
  CHECK(End(&second));
  CHECK(RecordedAndPlayed(first));
  CHECK(second.active && second.recorded);
  CHECK(second.playbackEnded);
  CHECK(boxes.Texts().empty());
}

// Each thread made after the one before it ended, so the module may be let
// go of and loaded again in between; the last leaves with a recording
// running, as the process's last apartment.
TEST_GROUP(ApartmentsEndInTurn) {
  BoxWatcher boxes;
  Tab tabs[3] = {{L"turn-1.wav"}, {L"turn-2.wav"}, {L"turn-3.wav", true}};
  for (Tab& tab : tabs) {
    Open(&tab);
    CHECK(End(&tab));
  }
  CHECK(RecordedAndPlayed(tabs[0]));
  CHECK(RecordedAndPlayed(tabs[1]));
  CHECK(tabs[2].active && tabs[2].stillRecording);
  CHECK(boxes.Texts().empty());
}

// The first thread ends while its control records; the second, made while
// it lived, then gets the device and plays to the end.
TEST_GROUP(ApartmentEndsWhileRecording) {
  BoxWatcher boxes;
  Tab first{L"left-recording.wav", true};
  Tab second{L"after-it.wav"};
  Open(&first);
  Open(&second);
  CHECK(End(&first));
  CHECK(first.active && first.stillRecording);
  CHECK(End(&second));
  CHECK(RecordedAndPlayed(second));
  CHECK(boxes.Texts().empty());
}

}  // namespace
}  // namespace tamborix_wine
