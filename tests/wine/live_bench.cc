// Figures for tools/bench_live.sh, printed and never judged, in our own
// container with real sound: in-place activation to OnPlayimg, and over
// takes that STOP at random moments, the REC click to the first captured
// sample and the STOP click to the saved file, split into the control's own
// share and the device's. The device's share is what tamborix.dll spends in
// the system's MCI commands and in waits (for the driver's worker) during
// the STOP click, timed through the DLL's import table.
#include "tests/wine/live_bench.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "tests/wine/check.h"
#include "tests/wine/import_patch.h"
#include "tests/wine/live_util.h"
#include "tests/wine/test_container.h"

namespace tamborix_wine {
namespace {

constexpr int kRec = 202, kStop = 205;
constexpr UINT kMciSave = 0x0813;

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// What the DLL's calls into the device took, while `timing` is set.
struct DeviceClock {
  bool timing = false;
  double spentMs = 0;
  double saveDoneAt = 0;  // when MCI_SAVE came back from the system
};
DeviceClock gClock;

using MciSendCommand = DWORD(WINAPI*)(UINT, UINT, DWORD_PTR, DWORD_PTR);
using WaitOne = DWORD(WINAPI*)(HANDLE, DWORD);
using WaitMany = DWORD(WINAPI*)(DWORD, const HANDLE*, BOOL, DWORD);
MciSendCommand gSend = nullptr;
WaitOne gWaitOne = nullptr;
WaitMany gWaitMany = nullptr;

template <class Call>
auto Timed(const Call& call) {
  const double start = Now();
  const auto result = call();
  if (gClock.timing) {
    gClock.spentMs += Now() - start;
  }
  return result;
}

DWORD WINAPI TimedSend(UINT id, UINT command, DWORD_PTR flags, DWORD_PTR params) {
  const DWORD result = Timed([&] { return gSend(id, command, flags, params); });
  if (command == kMciSave) {
    gClock.saveDoneAt = Now();
  }
  return result;
}

DWORD WINAPI TimedWaitOne(HANDLE handle, DWORD limit) {
  return Timed([&] { return gWaitOne(handle, limit); });
}

DWORD WINAPI TimedWaitMany(DWORD count, const HANDLE* handles, BOOL all, DWORD limit) {
  return Timed([&] { return gWaitMany(count, handles, all, limit); });
}

// Routes the DLL's device calls and waits through the clock; false when
// the DLL does not import them as expected.
bool WatchDeviceCalls() {
  HMODULE dll = GetModuleHandleW(L"tamborix.dll");
  if (dll == nullptr) {
    return false;
  }
  void* original = nullptr;
  if (!PatchImport(dll, "winmm.dll", "mciSendCommandA", reinterpret_cast<void*>(&TimedSend),
                   &original)) {
    return false;
  }
  gSend = reinterpret_cast<MciSendCommand>(original);
  if (PatchImport(dll, "kernel32.dll", "WaitForSingleObject",
                  reinterpret_cast<void*>(&TimedWaitOne), &original)) {
    gWaitOne = reinterpret_cast<WaitOne>(original);
  }
  if (PatchImport(dll, "kernel32.dll", "WaitForMultipleObjects",
                  reinterpret_cast<void*>(&TimedWaitMany), &original)) {
    gWaitMany = reinterpret_cast<WaitMany>(original);
  }
  return true;
}

void PrintSpread(const char* what, std::vector<double> values) {
  if (values.empty()) {
    std::printf("%s: no figures\n", what);
    return;
  }
  std::sort(values.begin(), values.end());
  std::printf("%s: median %.1f ms, min %.1f, max %.1f (%zu)\n", what, values[values.size() / 2],
              values.front(), values.back(), values.size());
}

void ActivationFigures(int rounds) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    Hosted host;
    if (!host.ready) {
      std::printf("the control could not be made\n");
      return;
    }
    const double start = Now();
    host.object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(&host.site),
                        0, host.frame.get(), &kPlace);
    PumpUntil([&host] { return host.events.counts[kOnPlayimg] > 0; }, 10000);
    times.push_back(Now() - start);
  }
  PrintSpread("activation to OnPlayimg", times);
}

struct TakeFigures {
  std::vector<double> recToFirstSample, stopToSaved, controlShare, deviceShare, keptMinusTake;
};

void OneTake(double takeMs, TakeFigures* figures) {
  Hosted host;
  Ref<IRecorderDialog> dialog;
  if (!host.ready || !dialog.From(host.object.get())) {
    std::printf("the control could not be made\n");
    return;
  }
  Bstr longest(L"590");
  dialog->SetMaxFileLengthInSecond(longest.get());
  host.Verb(OLEIVERB_INPLACEACTIVATE);
  HWND panel = host.Panel();
  BSTR name = nullptr;
  dialog->get_LocalFullFileName(&name);
  const std::wstring path = name != nullptr ? name : L"";
  SysFreeString(name);
  DeleteFileW(path.c_str());
  if (gSend == nullptr && !WatchDeviceCalls()) {
    std::printf("the DLL's device calls cannot be timed\n");
  }
  const double recAt = Now();
  Click(panel, kRec);
  PumpFor(static_cast<DWORD>(std::max(0.0, takeMs - (Now() - recAt))));
  gClock.spentMs = 0;
  gClock.timing = true;
  const double stopAt = Now();
  Click(panel, kStop);  // returns once the file is in place
  const double savedAt = Now();
  gClock.timing = false;
  const Wave wave = ReadWave(path);
  if (!wave.valid) {
    std::printf("a %.0f ms take was not saved\n", takeMs);
    return;
  }
  const double keptMs = static_cast<double>(wave.samples.size()) / 8.0;
  const double took = savedAt - stopAt;
  figures->stopToSaved.push_back(took);
  if (gSend != nullptr) {
    figures->deviceShare.push_back(gClock.spentMs);
    figures->controlShare.push_back(took - gClock.spentMs);
    // The kept sound ends by the time the save has written it (Wine's
    // driver, asked to stop, first fills its current buffer).
    figures->recToFirstSample.push_back(gClock.saveDoneAt - keptMs - recAt);
  }
  figures->keptMinusTake.push_back(keptMs - (stopAt - recAt));
  std::printf("take %.0f ms: kept %.0f ms, STOP to saved file %.1f ms\n", stopAt - recAt, keptMs,
              took);
}

}  // namespace

void RunBenchmark(int takes, double longestSeconds) {
  BoxWatcher boxes;
  ActivationFigures(11);
  std::mt19937 random(TestSeed());
  std::uniform_real_distribution<double> moment(250.0, longestSeconds * 1000.0);
  TakeFigures figures;
  for (int i = 0; i < takes; ++i) {
    OneTake(moment(random), &figures);
  }
  PrintSpread("REC click to first captured sample", figures.recToFirstSample);
  PrintSpread("STOP click to saved file", figures.stopToSaved);
  PrintSpread("  the control's own share", figures.controlShare);
  PrintSpread("  the device's share (MCI commands, waits for its worker)", figures.deviceShare);
  PrintSpread("kept sound minus REC-to-STOP time", figures.keptMinusTake);
  for (const std::string& text : boxes.Texts()) {
    std::printf("message box: %s\n", text.c_str());
  }
  std::fflush(stdout);
}

}  // namespace tamborix_wine
