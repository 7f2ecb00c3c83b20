// Figures for tools/bench_live.sh, printed and never judged: the time from
// in-place activation to OnPlayimg, and from STOP to the saved file after
// takes of the given lengths, in our own container with real sound.
#include "tests/wine/live_bench.h"

#include <algorithm>
#include <cstdio>

#include "tests/wine/live_util.h"
#include "tests/wine/test_container.h"

namespace tamborix_wine {
namespace {

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
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
  std::sort(times.begin(), times.end());
  std::printf("activation to OnPlayimg: median %.1f ms, min %.1f ms, max %.1f ms (%d rounds)\n",
              times[times.size() / 2], times.front(), times.back(), rounds);
}

void TakeFigure(int seconds) {
  BoxWatcher boxes;
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
  Click(panel, 202);
  PumpFor(static_cast<DWORD>(seconds) * 1000);
  const double start = Now();
  Click(panel, 205);
  const bool saved = PumpUntil([&path] { return ReadWave(path).valid; }, 60000);
  const double took = Now() - start;
  const Wave wave = ReadWave(path);
  std::printf("STOP to saved file after a %d s take: %.1f ms%s (%.1f s of sound kept)\n", seconds,
              took, saved ? "" : ", not saved", static_cast<double>(wave.samples.size()) / 8000.0);
}

}  // namespace

void RunBenchmark(const std::vector<int>& takeSeconds) {
  ActivationFigures(9);
  for (int seconds : takeSeconds) {
    TakeFigure(seconds);
  }
  std::fflush(stdout);
}

}  // namespace tamborix_wine
