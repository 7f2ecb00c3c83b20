// What the live container tests share: waiting while the panel's messages
// flow, a watcher that answers the control's message boxes, the recordings
// as samples, and pictures of the panel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/wine/container_util.h"

namespace tamborix_wine {

// Where the live tests leave their pictures and where the storage service
// keeps uploads, as Windows paths (the program's second and third
// arguments; empty when not given).
extern std::wstring gArtefactFolder;
extern std::wstring gStoreFolder;

// Delivers messages until `done` holds or `limitMs` has passed; returns
// whether `done` held.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs);

// Delivers messages for `ms` milliseconds.
void PumpFor(DWORD ms);

// Clicks a panel button as a user would.
void Click(HWND panel, int id);

// A thread that answers every box of the control's (caption "tamborix")
// with OK and keeps the texts it saw.
class BoxWatcher {
 public:
  BoxWatcher();
  ~BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;
  std::vector<std::string> Texts();

 private:
  static DWORD WINAPI Run(void* self);
  HANDLE thread_;
  HANDLE stop_;
  CRITICAL_SECTION lock_;
  std::vector<std::string> texts_;
};

// Runs `action` on this thread from inside the modal loop of the next box of
// the control's (caption "tamborix") that this thread shows, then answers
// the box with OK. Made before the click that shows the box.
class UnderNextBox {
 public:
  explicit UnderNextBox(std::function<void(HWND box)> action);
  ~UnderNextBox();
  UnderNextBox(const UnderNextBox&) = delete;
  UnderNextBox& operator=(const UnderNextBox&) = delete;
  bool Ran() const { return ran_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  std::function<void(HWND box)> action_;
  UINT_PTR timer_;
  bool ran_ = false;
};

// A WAV file's format and samples; `valid` is false when it is not a
// PCM WAV file.
struct Wave {
  bool valid = false;
  int rate = 0, bits = 0, channels = 0;
  std::vector<int16_t> samples;
};
Wave ReadWave(const std::wstring& path);

// The tone's frequency from the zero crossings of the tenth-of-a-second
// windows (at 8000 Hz) that hold sound throughout; 0 when fewer than five do.
int ToneFrequency(const std::vector<int16_t>& samples);

// The control's LocalFullFileName; empty when it gives none.
std::wstring LocalFullFileName(IOleObject* object);

// The whole file's bytes (empty when it cannot be read).
std::string ReadBytes(const std::wstring& path);

}  // namespace tamborix_wine
