// Two controls in one process, each on an apartment thread of its own, as
// two tabs of a browser: the first records and plays, tears its control down
// and its thread ends; the second, made while the first lived, must still
// record and hear the end of its playback.
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

// One tab: its control in a container on its own thread.
struct Tab {
  const wchar_t* fileName;
  HANDLE made = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // control active
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);    // start the session
  bool active = false;
  bool recorded = false;
  bool playbackEnded = false;
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
    if (tab->active) {
      RecordAndPlay(host.Panel(), tab);
    }
  }
  OleUninitialize();
  return 0;
}

TEST_GROUP(ApartmentsKeepTheirOwnDevice) {
  BoxWatcher boxes;
  Tab first{L"first-tab.wav"};
  Tab second{L"second-tab.wav"};
  HANDLE secondThread = CreateThread(nullptr, 0, &RunTab, &second, 0, nullptr);
  WaitForSingleObject(second.made, 30000);
  HANDLE firstThread = CreateThread(nullptr, 0, &RunTab, &first, 0, nullptr);
  WaitForSingleObject(first.made, 30000);
  SetEvent(first.go);
  CHECK(WaitForSingleObject(firstThread, 40000) == WAIT_OBJECT_0);
  SetEvent(second.go);
  CHECK(WaitForSingleObject(secondThread, 40000) == WAIT_OBJECT_0);
  CloseHandle(firstThread);
  CloseHandle(secondThread);
  CHECK(first.active && first.recorded && first.playbackEnded);
  CHECK(second.active && second.recorded);
  CHECK(second.playbackEnded);
  CHECK(boxes.Texts().empty());
  for (Tab* tab : {&first, &second}) {
    CloseHandle(tab->made);
    CloseHandle(tab->go);
  }
}

}  // namespace
}  // namespace tamborix_wine
