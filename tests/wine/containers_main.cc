// The container tests: the control in a container of our own and in Wine's
// ATL host window, the Win32 panel window on its own, and the panel clicked
// with real sound.
//
//   tamborix_containers <tamborix.dll> [<artefact folder> <store folder> [zh-TW | <prefix>]]
//   tamborix_containers <tamborix.dll> --bench [takes [longest take seconds]]
//
// The live groups leave pictures in the artefact folder and look for uploads
// in the storage service's folder; without them they fail. With "zh-TW"
// only the groups for a Traditional Chinese system run (Wine started in that
// locale); with a name prefix such as "Hostile" only the groups whose names
// start with it (the hostile containers' groups, the containers' sequences
// and the apartments' groups, which containers.sh runs each in a program of
// its own under Wine's heap checking, and "Peers", the real parsers' group
// that peers.sh runs); without either all the others. --bench prints the live
// figures of tools/bench_live.sh instead.
#include <string>

#include "tests/wine/client_util.h"
#include "tests/wine/live_bench.h"
#include "tests/wine/live_util.h"

namespace tamborix_wine {

std::wstring gModulePath;

HRESULT CreateControl(REFIID riid, void** out) {
  return CoCreateInstance(CLSID_RecorderDialog, nullptr, CLSCTX_INPROC_SERVER, riid, out);
}

namespace {

bool ForChineseSystem(const std::string& name) {
  return name.compare(0, 18, "TraditionalChinese") == 0;
}

// The groups containers.sh runs under Wine's heap checking, each in a
// program of its own.
bool IsHeapChecked(const std::string& name) {
  return name.compare(0, 7, "Hostile") == 0 || name.compare(0, 8, "Sequence") == 0 ||
         name.compare(0, 9, "Apartment") == 0;
}

// The real parsers' group needs the peers that tests/wine/peers.sh starts.
bool NeedsPeers(const std::string& name) {
  return name.compare(0, 5, "Peers") == 0;
}

bool ForEnglishSystem(const std::string& name) {
  return !ForChineseSystem(name) && !IsHeapChecked(name) && !NeedsPeers(name);
}

std::string gPrefix;

bool WithPrefix(const std::string& name) {
  return name.compare(0, gPrefix.size(), gPrefix) == 0;
}

}  // namespace
}  // namespace tamborix_wine

int wmain(int argc, wchar_t** argv) {
  using namespace tamborix_wine;
  if (argc < 2) {
    return 2;
  }
  gModulePath = argv[1];
  OleInitialize(nullptr);
  int failed = 0;
  if (argc >= 3 && std::wstring(argv[2]) == L"--bench") {
    const int takes = argc >= 4 ? _wtoi(argv[3]) : 12;
    const double longest = argc >= 5 ? _wtof(argv[4]) : 6.0;
    RunBenchmark(takes, longest);
  } else if (argc == 2 || argc == 4 || argc == 5) {
    if (argc >= 4) {
      gArtefactFolder = argv[2];
      gStoreFolder = argv[3];
    }
    const std::wstring choice = argc == 5 ? argv[4] : L"";
    if (choice.empty()) {
      failed = RunGroups(ForEnglishSystem);
    } else if (choice == L"zh-TW") {
      failed = RunGroups(ForChineseSystem);
    } else {
      gPrefix.assign(choice.begin(), choice.end());
      failed = RunGroups(WithPrefix);
    }
  } else {
    failed = 1;
  }
  OleUninitialize();
  return failed == 0 ? 0 : 1;
}
